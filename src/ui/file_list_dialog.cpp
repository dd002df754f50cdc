// File-list dialog (template 106): the files a search would cover, to be
// pruned, added to by dropping files from the shell, saved and loaded as
// list files. OK makes the list the one the search uses.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/host.h"
#include "base/name_compare.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/list_file.h"
#include "files/os.h"
#include "files/path.h"
#include "files/targets.h"
#include "search/target_options_from.h"
#include "ui/app.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"
#include "ui/search_bridge.h"

namespace zanto {

namespace {

constexpr int kMinimumExtent = 200;  // pixels of horizontal scrolling at least
constexpr int kExtentMargin = 2;
constexpr size_t kCaptionBuffer = 32;
constexpr size_t kListNameBuffer = 270;  // the common dialog's file name
constexpr size_t kDropNameRead = 1024;   // what the shell may hand over for one name
constexpr size_t kEntryRead = 1024;      // longer than any listed entry
constexpr char kListFullText[] = "これ以上登録できません";
constexpr int kReadable = 4;  // OsAccess mode

const ControlBinding kFileListBindings[] = {
    {IDC_LIST_FILES, nullptr, kBindCheck, "検索するファイルの一覧  Delete で削除  ドラッグ＆ドロップで追加"},
    {IDC_LIST_LOAD, nullptr, kBindCheck, "検索するファイルの一覧をファイルから読み込みます"},
    {IDC_LIST_SAVE, nullptr, kBindCheck, "一覧に表示されているファイル名を保存します"},
    {IDC_LIST_DELETE, nullptr, kBindCheck, "選択したファイルを一覧から削除"},
    {IDC_LIST_KEEP, nullptr, kBindCheck, "選択したファイル以外を一覧から削除"},
    {IDOK, nullptr, kBindCheck, "一覧に表示されているファイルを検索対象ファイルとします"},
    {IDCANCEL, nullptr, kBindCheck, nullptr},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

const HelpPair kFileListHelpPairs[] = {{IDC_LIST_COUNT, IDC_LIST_COUNT}, {IDOK, HELP_LIST_OK}, {0, 0}};

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_LIST_FILES); }

int EntryCount(HWND dialog) { return static_cast<int>(SendMessageA(List(dialog), LB_GETCOUNT, 0, 0)); }

// Entry index into out (kListEntryBuffer bytes), cut at a character
// boundary as the file list keeps it; a listed path with a long member list
// can be longer.
void ReadEntry(HWND list, int index, char* out) {
  out[0] = '\0';
  char text[kEntryRead];
  LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR || static_cast<size_t>(length) >= sizeof text) return;
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  CopyText(out, kListEntryBuffer, text);
}

// Adds text at the end of the list; false when the list refuses it.
bool AddEntry(HWND list, const char* text) {
  LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  return at != LB_ERR && at != LB_ERRSPACE;
}

// Width in pixels of one entry in the list's font.
int EntryWidth(HWND list, const char* text) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  return size.cx;
}

void RecomputeExtent(HWND dialog) {
  HWND list = List(dialog);
  int widest = 0;
  char text[kListEntryBuffer];
  for (int i = 0, n = EntryCount(dialog); i < n; ++i) {
    ReadEntry(list, i, text);
    int width = EntryWidth(list, text);
    if (width > widest) widest = width;
  }
  int extent = widest + kExtentMargin;
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent > kMinimumExtent ? extent : kMinimumExtent), 0);
}

void WidenExtent(HWND list, const char* added) {
  int extent = static_cast<int>(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0));
  int width = EntryWidth(list, added) + kExtentMargin;
  if (width > extent) SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

void ShowCount(HWND dialog) {
  char text[kCaptionBuffer];
  std::snprintf(text, sizeof text, "%d個", EntryCount(dialog));
  SetDlgItemTextA(dialog, IDC_LIST_COUNT, text);
}

// The delete and keep buttons say what they will do.
void ShowSelection(HWND dialog) {
  int count = EntryCount(dialog);
  for (int id : {IDC_LIST_DELETE, IDC_LIST_KEEP, IDC_LIST_SAVE}) EnableWindow(GetDlgItem(dialog, id), count > 0);
  int selected = static_cast<int>(SendMessageA(List(dialog), LB_GETSELCOUNT, 0, 0));
  char text[kCaptionBuffer];
  if (selected <= 0) {
    SetDlgItemTextA(dialog, IDC_LIST_DELETE, "全部削除");
    SetDlgItemTextA(dialog, IDC_LIST_KEEP, "全部削除");
    return;
  }
  std::snprintf(text, sizeof text, "%d個削除", selected);
  SetDlgItemTextA(dialog, IDC_LIST_DELETE, text);
  std::snprintf(text, sizeof text, "%d個残す", selected);
  SetDlgItemTextA(dialog, IDC_LIST_KEEP, text);
}

// Posted as the list's own notification, so that it comes after the list
// has finished what it is doing.
void PostSelectionNotice(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_FILES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(List(dialog)));
}

// After every change of the list as a whole.
void AfterBulkChange(HWND dialog) {
  PostSelectionNotice(dialog);
  SetFocus(List(dialog));
  ShowCount(dialog);
  RecomputeExtent(dialog);
}

// Bulk changes repaint once, under the wait cursor.
class BulkChange {
 public:
  explicit BulkChange(HWND list) : list_(list) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  }
  ~BulkChange() {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  }

 private:
  HWND list_;
};

// Deletes the selected entries (keep false) or all others (keep true);
// with none selected, every entry.
void DeleteEntries(HWND dialog, bool keep) {
  HWND list = List(dialog);
  if (SendMessageA(list, LB_GETSELCOUNT, 0, 0) <= 0) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
  } else {
    BulkChange bulk(list);
    for (int i = EntryCount(dialog) - 1; i >= 0; --i) {
      bool selected = SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
      if (selected != keep) SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
    }
  }
  AfterBulkChange(dialog);
}

// The list box as the sink of the target listing and of list files.
class ListBoxSink final : public TargetListSink {
 public:
  explicit ListBoxSink(HWND dialog) : dialog_(dialog) {}
  bool AddLine(const char* text) override { return AddEntry(List(dialog_), text); }
  void ReportListFull(const char* message) override { MessageBoxA(dialog_, message, "", MB_OK | MB_ICONWARNING); }

 private:
  HWND dialog_;
};

// Two dropped names are one when their single-byte characters match but
// for ASCII case and their double-byte characters match exactly.
bool AlreadyListed(HWND list, int before, const char* name) {
  char entry[kListEntryBuffer];
  for (int i = 0; i < before; ++i) {
    ReadEntry(list, i, entry);
    if (SameNoCase(entry, name)) return true;
  }
  return false;
}

void OnDropFiles(HWND dialog, HDROP drop) {
  HWND list = List(dialog);
  const int before = EntryCount(dialog);
  int firstAdded = -1;
  UINT files = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < files; ++i) {
    char dropped[kDropNameRead] = {};
    DragQueryFileA(drop, i, dropped, sizeof dropped);
    char name[kListEntryBuffer];
    CopyText(name, sizeof name, dropped);
    if (AlreadyListed(list, before, name)) continue;
    if (!AddEntry(list, name)) {
      SetForegroundWindow(dialog);
      MessageBoxA(dialog, kListFullText, "", MB_OK | MB_ICONWARNING);
      break;
    }
    if (firstAdded < 0) firstAdded = EntryCount(dialog) - 1;
    WidenExtent(list, name);
  }
  DragFinish(drop);
  if (firstAdded >= 0) {
    SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(firstAdded), 0);
    SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(firstAdded), FALSE);
    SendMessageA(list, LB_SELITEMRANGE, FALSE, MAKELPARAM(0, firstAdded));
  }
  ShowCount(dialog);
  ShowSelection(dialog);
  SetFocus(list);
}

// ---- Load and save ----

UINT gCommonDialogHelp = 0;      // "commdlg_help", registered on first need
DWORD gCommonDialogContext = 0;  // its help context while a common dialog is open

// The program's directory, where the help file lies: no trailing
// backslash unless it is a root.
void ProgramDirectory(char* out) {
  char drive[kDriveBuffer], dir[kPathPart];
  SplitPath(HelpFilePath(), drive, dir, nullptr, nullptr);
  MergePath(out, drive, dir, nullptr, nullptr);
  size_t length = std::strlen(out);
  if (length > 3 && out[length - 1] == '\\') out[length - 1] = '\0';
}

// Asks for a list file; false when the user cancelled.
bool AskListFile(HWND dialog, bool save, char* name) {
  if (!gCommonDialogHelp) gCommonDialogHelp = RegisterWindowMessageA("commdlg_help");
  char directory[kPathBuffer], current[kPathBuffer];
  ProgramDirectory(directory);
  CopyText(name, kListNameBuffer, "*.LST");
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = "一覧(*.LST)\0*.LST\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = kListNameBuffer;
  ofn.lpstrInitialDir = directory;
  ofn.lpstrTitle = save ? "検索ファイル一覧の保存" : "検索ファイル一覧の読み込み";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_SHOWHELP | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  gCommonDialogContext = save ? HELP_FILE_LIST_SAVE : HELP_FILE_LIST_LOAD;
  bool haveCurrent = OsGetCurrentDirectory(current, sizeof current);
  BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (haveCurrent) OsSetCurrentDirectory(current);
  return chosen && name[0] != '\0';
}

void OnLoad(HWND dialog) {
  char name[kListNameBuffer];
  if (!AskListFile(dialog, false, name)) return;
  Trace("load %s ", name);
  if (!OsAccess(name, kReadable)) return;
  HWND list = List(dialog);
  ListBoxSink sink(dialog);
  {
    BulkChange bulk(list);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    LoadListFile(name, sink);
  }
  AfterBulkChange(dialog);
}

bool ReadListEntry(void* context, int index, char* out) {
  HWND list = static_cast<HWND>(context);
  if (index >= static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0))) return false;
  ReadEntry(list, index, out);
  return true;
}

// A list that cannot be written is said so; the old file stays whole.
void OnSave(HWND dialog) {
  char name[kListNameBuffer];
  if (!AskListFile(dialog, true, name)) return;
  Trace("save %s ", name);
  if (!SaveListFile(name, ReadListEntry, List(dialog))) {
    char text[kListNameBuffer + 64];
    std::snprintf(text, sizeof text, "%s\r\nに保存できませんでした", name);
    ShowProgramMessage(dialog, text);
  }
  SetFocus(List(dialog));
}

// ---- Handlers ----

void OnInit(HWND dialog) {
  HWND main = GetWindow(dialog, GW_OWNER);
  char field[kListEntryBuffer] = "";
  if (main) GetDlgItemTextA(main, IDC_FILE_NAMES, field, sizeof field);
  int subDir = main && IsDlgButtonChecked(main, IDC_SUBDIR) == BST_CHECKED;
  ListBoxSink sink(dialog);
  TargetOptions options = TargetOptionsFrom(gSettings);
  options.subDir = subDir != 0;
  TargetNotes notes;
  ListTargets(options, sink, field, &ProgramFileList(), &notes);
  KeepTargetNotes(notes, options, &gSettings);
  RecomputeExtent(dialog);
  DragAcceptFiles(dialog, TRUE);
  ShowCount(dialog);
  ShowSelection(dialog);
}

void OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_LIST_FILES:
      ShowSelection(dialog);
      break;
    case IDC_LIST_DELETE:
    case IDC_LIST_KEEP:
      if (code == BN_CLICKED) DeleteEntries(dialog, id == IDC_LIST_KEEP);
      break;
    case IDC_LIST_LOAD:
      if (code == BN_CLICKED) OnLoad(dialog);
      break;
    case IDC_LIST_SAVE:
      if (code == BN_CLICKED) OnSave(dialog);
      break;
    case IDC_HELP_BUTTON:
      SetFocus(List(dialog));
      break;
  }
}

// The shown list becomes the one the search uses; an empty one ends the
// use of a list.
bool OnOk(HWND dialog) {
  FileListEntries& entries = ProgramFileList();
  FreeFileListEntries(&entries);
  HWND list = List(dialog);
  char entry[kListEntryBuffer];
  for (int i = 0, n = EntryCount(dialog); i < n; ++i) {
    ReadEntry(list, i, entry);
    if (!AddFileListEntry(&entries, entry)) break;
  }
  return true;
}

bool OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_DROPFILES) {
    OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam));
    *result = 0;
    return true;
  }
  if (message == WM_VKEYTOITEM) {
    // Delete in the list with a selection deletes it, and the list does
    // nothing more with the key; other keys are the list's.
    HWND list = List(dialog);
    if (LOWORD(wParam) == VK_DELETE && reinterpret_cast<HWND>(lParam) == list &&
        SendMessageA(list, LB_GETSELCOUNT, 0, 0) > 0) {
      DeleteEntries(dialog, false);
      *result = -2;
    } else {
      *result = -1;
    }
    return true;
  }
  if (gCommonDialogHelp && message == gCommonDialogHelp) {
    WinHelpA(dialog, HelpFilePath(), HELP_CONTEXT, gCommonDialogContext);
    *result = 0;
    return true;
  }
  return false;
}

}  // namespace

const OptionDialog kFileListDialog = {
    IDD_FILE_LIST, "%s : 検索ファイルの一覧", HELP_FILE_LIST_DIALOG, kFileListBindings, kFileListHelpPairs, OnInit,
    OnCommand, OnOk, nullptr, OnMessage,
};

}  // namespace zanto
