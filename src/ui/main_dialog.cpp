#include "ui/main_dialog.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/host.h"
#include "base/progress_text.h"
#include "base/sjis.h"
#include "files/path.h"
#include "search/search_options.h"
#include "search/result_output.h"
#include "search/settings_io.h"
#include "ui/app.h"
#include "ui/control_binding.h"
#include "ui/progress_dialog.h"
#include "ui/resource.h"
#include "ui/run_dialog.h"
#include "ui/search_bridge.h"
#include "ui/version_dialog.h"
#include "ui/win_host.h"

namespace zanto {

namespace {

constexpr size_t kChosenFileBuffer = 1024;  // what the common dialog may write
constexpr DWORD kChosenFileLimit = 256;     // what it is told it may write
constexpr size_t kSearchTextRead = 256;     // search string read for a run
constexpr size_t kFileFieldRead = 270;      // file-name field read for a run
constexpr size_t kSummaryText = 64;
constexpr size_t kMatchLabel = 64;
constexpr int kSmallIconSize = 16;
constexpr int kIconSize = 32;
constexpr DWORD kWin98InitPauseMs = 200;
constexpr int kDirListGap = 3;  // pixels between directory and file lists
constexpr char kFileFilter[] = "ﾌｧｲﾙ (*.*)\0*.*\0";
constexpr char kListAllPattern[] = "*.*";   // the filter's pattern

// Main-dialog state.
struct MainDialogState {
  HWND dialog;                 // the open dialog, or none
  int searchRunning;           // the progress dialog is open for a search
  int searchStarted;           // the run was entered for this progress dialog
  int initialised;             // the hook saw WM_INITDIALOG
  int okGuard;                 // the hook itself sends OK to the common dialog
  int autoStartPending;        // the command-line search has not started yet
  int countPending;            // a search ran before the dialog: show its count
  int selectedDirIndex;        // the directory history entry shown last
  char restartSearch[kHistoryText];  // texts carried over a restart
  char restartFiles[kHistoryText];
  char restartOutFile[kPathBuffer];
  StatusFocus focus;           // control whose status text is shown
};
MainDialogState gMain = {nullptr, 0, 0, 0, 0, 1, 0, -1, "", "", "", {nullptr}};

// Controls, settings and status texts of the main dialog.
const ControlBinding kMainBindings[] = {
    {IDC_SEARCH_TEXT, nullptr, kBindCombo + 128, "検索文字列　正規表現および and or not ()"},
    {IDC_FILE_NAMES, nullptr, kBindCombo + 128, "検索対象のファイル名  スペースで区切って複数記述可能"},
    {IDC_OUT_FILE, gSettings.OutFile, kBindText + 100, "検索結果を出力するファイル名（指定しないとクリップボード）"},
    {IDC_APPEND, &gSettings.Append, kBindCheck, "結果を出力するファイルに追加書き込み"},
    {IDC_PRINT_FILE_LIST, &gSettings.PrintFileList, kBindCheck, "ディレクトリおよびファイルの一覧を表示します"},
    {IDC_CD_DIRS, nullptr, kBindCheck, "検索対象のファイルのあるディレクトリ"},
    {IDC_CD_FILES, nullptr, kBindCheck, "指定したディレクトリにあるファイルの一覧です"},
    {IDC_CD_DRIVES, nullptr, kBindCheck, "検索対象のファイルのあるドライブ"},
    {IDC_DIR_HISTORY, nullptr, kBindCombo, "過去に使用したディレクトリの一覧"},
    {IDC_COUNT_STOP, &gSettings.CountStop, kBindNumber + 3, "指定した個数マッチしたら次のファイルを検索"},
    {IDC_WORD, &gSettings.Word, kBindCheck, "単語単位で検索（a-z A-Z 0-9 _）"},
    {IDC_CASE, nullptr, kBindCheck, "半角の大文字小文字を区別して検索"},
    {IDC_ZENHAN, &gSettings.ZenHan, kBindCheck, "全角・半角を同一視など"},
    {IDC_PRINT_FILE, &gSettings.PrintFile, kBindCheck, "マッチした行にファイル名・行番号を付加して出力"},
    {IDC_FULL_PATH, &gSettings.FullPath, kBindCheck, "ファイル名はドライブ・ディレクトリ名を付加して出力"},
    {IDC_ENDMATCH, &gSettings.Endmatch, kBindCheck, "１つ以上マッチしたら検索終了後ＺＡＮＴＯを終了"},
    {IDC_VERBOSE, &gSettings.Verbose, kBindCheck, "検索した行数などを出力"},
    {IDC_SUBDIR, &gSettings.SubDir, kBindCheck, "指定ディレクトリのサブディレクトリにあるファイルも検索"},
    {IDC_CONNECT2, &gSettings.Connect2, kBindCheck, "２行を連結して検索（改行で区切られた単語も検索できる）"},
    {IDC_LZH_SEARCH, &gSettings.LzhSearch, kBindCheck, "lzhファイルを解凍して検索する"},
    {IDC_REGULAR, &gSettings.Regular, kBindCheck, "正規表現を使用する"},
    {IDC_FILE_LIST, nullptr, kBindCheck, "検索対象ファイルの追加/削除を行う"},
    {IDOK, nullptr, kBindCheck, "検索を開始"},
    {IDCANCEL, nullptr, kBindCheck, "ＺＡＮＴＯを終了"},
    {IDC_BLOCK, nullptr, kBindCheck, "ブロック単位での出力に関する設定"},
    {IDC_ZENGO, nullptr, kBindCheck, "マッチした行の前後Ｎ行出力に関する設定"},
    {IDC_FIELD, nullptr, kBindCheck, "フィールド検索の設定"},
    {IDC_EXTENDED, nullptr, kBindCheck, "UNLHA の設定 / 同一視検索 / 同義語検索 / 漢字コードの指定 など"},
    {IDC_OTHER, nullptr, kBindCheck, "その他の項目に関する設定"},
    {IDC_VERSION, nullptr, kBindCheck, "バージョン情報を表示します"},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

const HelpPair kMainHelpPairs[] = {
    {IDC_MATCH_COUNT, IDC_MATCH_COUNT},
    {IDC_VERSION, IDC_VERSION},
    {IDC_FILTER_SUMMARY, IDC_FILTER_SUMMARY},
    {IDC_OPTIONS_GROUP, IDC_OPTIONS_GROUP},
    {IDC_FILE_LIST_COUNT, IDC_FILE_LIST_COUNT},
    {IDOK, HELP_OK_BUTTON},
    {IDCANCEL, HELP_CANCEL_BUTTON},
    {IDC_CD_DIRS, HELP_DIRECTORIES},
    {IDC_CD_DIR_TEXT, HELP_DIRECTORIES},
    {IDC_CD_DRIVES, HELP_DRIVES},
    {IDC_CD_DRIVE_LABEL, HELP_DRIVES},
    {IDC_CD_FILES, HELP_FILES},
    {IDC_EXTENDED_SUMMARY, IDC_EXTENDED_SUMMARY},
    {0, 0},
};

// The option buttons and labels whose texts follow the settings.
constexpr int kSummaryControls[] = {IDC_BLOCK, IDC_ZENGO, IDC_FILTER_SUMMARY, IDC_FILE_LIST,
                                    IDC_EXTENDED_SUMMARY, IDC_FIELD};

// The three combo boxes whose dropped list Enter and Esc only close.
constexpr int kComboBoxes[] = {IDC_SEARCH_TEXT, IDC_FILE_NAMES, IDC_DIR_HISTORY};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void CurrentDirectory(char* out, size_t capacity) {
  if (!OsGetCurrentDirectory(out, capacity)) out[0] = '\0';
}

// Reads a control's text into out (capacity bytes), cut at a character
// boundary.
void ReadControlText(HWND dialog, int id, char* out, size_t capacity) {
  char text[kChosenFileBuffer];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  CopyText(out, capacity, text);
}

// ---- Option summary and dependencies ----

void RefreshOptionSummary(HWND dialog) {
  char text[kSummaryText];
  for (int id : kSummaryControls) {
    if (OptionSummaryText(id, gSettings, FileListInUse(), text, sizeof text)) SetDlgItemTextA(dialog, id, text);
  }
}

void ApplyAppendDependency(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_APPEND), GetWindowTextLengthA(GetDlgItem(dialog, IDC_OUT_FILE)) > 0);
}

void ApplyFullPathDependency(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_FULL_PATH), Checked(dialog, IDC_PRINT_FILE));
}

void ApplyZenHanDependency(HWND dialog) {
  BOOL enable = !Checked(dialog, IDC_ZENHAN);
  EnableWindow(GetDlgItem(dialog, IDC_WORD), enable);
  EnableWindow(GetDlgItem(dialog, IDC_CASE), enable);
}

RECT ChildRect(HWND dialog, int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The file list shows below a shortened directory list, or is hidden and
// the directory list reaches down to where it ends.
void ApplyFileListDependency(HWND dialog) {
  HWND files = GetDlgItem(dialog, IDC_CD_FILES);
  RECT dirs = ChildRect(dialog, IDC_CD_DIRS);
  RECT list = ChildRect(dialog, IDC_CD_FILES);
  bool show = Checked(dialog, IDC_PRINT_FILE_LIST);
  int bottom = show ? list.top - kDirListGap : list.bottom;
  MoveWindow(GetDlgItem(dialog, IDC_CD_DIRS), dirs.left, dirs.top, dirs.right - dirs.left, bottom - dirs.top, TRUE);
  ShowWindow(files, show ? SW_SHOW : SW_HIDE);
}

// While a file list is in use it replaces the file-name field, the
// directory and drive choice and the subdirectory switch.
void ApplyFileListInUse(HWND dialog) {
  bool inUse = FileListInUse();
  for (int id : {IDC_FILE_NAMES, IDC_DIR_HISTORY, IDC_CD_DIRS, IDC_CD_DRIVES, IDC_SUBDIR}) {
    EnableWindow(GetDlgItem(dialog, id), !inUse);
  }
  ShowWindow(GetDlgItem(dialog, IDC_FILE_NAMES), inUse ? SW_HIDE : SW_SHOW);
  ShowWindow(GetDlgItem(dialog, IDC_FILE_LIST_COUNT), inUse ? SW_SHOW : SW_HIDE);
  if (inUse) {
    char text[kSummaryText];
    std::snprintf(text, sizeof text, "%d個のファイルから検索します", FileListCount());
    SetDlgItemTextA(dialog, IDC_FILE_LIST_COUNT, text);
  }
}

// ---- Histories ----

void FillHistoryBox(HWND dialog, int id, const char* entries, size_t stride, int count) {
  HWND box = GetDlgItem(dialog, id);
  SendMessageA(box, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count && entries[i * stride] != '\0'; ++i) {
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries + i * stride));
  }
}

void FillSearchBoxes(HWND dialog) {
  FillHistoryBox(dialog, IDC_SEARCH_TEXT, gSettings.SearchHistory[0], kHistoryText, kHistoryEntries);
  FillHistoryBox(dialog, IDC_FILE_NAMES, gSettings.FileHistory[0], kHistoryText, kHistoryEntries);
}

void FillDirectoryHistory(HWND dialog) {
  FillHistoryBox(dialog, IDC_DIR_HISTORY, gSettings.DirHistory[0], kDirHistoryText, kDirHistoryEntries);
}

void SelectDirectoryHistory(HWND dialog, bool reopening) {
  HWND box = GetDlgItem(dialog, IDC_DIR_HISTORY);
  int index = gMain.selectedDirIndex;
  if (reopening && index >= 0 && index < kDirHistoryEntries && gSettings.DirHistory[index][0] != '\0') {
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else if (gSettings.DirHistory[0][0] != '\0') {
    SendMessageA(box, CB_SETCURSEL, 0, 0);
    gMain.selectedDirIndex = 0;
  }
}

void PushCurrentDirectory() {
  char dir[kPathBuffer];
  CurrentDirectory(dir, sizeof dir);
  PushHistory(HistoryKind::Directory, dir);
}

// ---- Initialisation ----

void AddSmallDialogMenuItem(HWND dialog) {
  HMENU menu = GetSystemMenu(dialog, FALSE);
  if (!menu) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_SMALL_DIALOG, "小さいダイアログ");
}

void WidenDirectoryHistoryList(HWND dialog) {
  HWND box = GetDlgItem(dialog, IDC_DIR_HISTORY);
  RECT r;
  GetWindowRect(box, &r);
  int width = r.right - r.left;
  SendMessageA(box, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width + width * 3 / 10), 0);
}

void SetWindowIcons(HWND dialog) {
  HICON small = static_cast<HICON>(
      LoadImageA(gApp.instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0));
  if (small) SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gApp.programIcon));
}

void LoadMainControls(HWND dialog) {
  LoadControls(dialog, kMainBindings);
  CheckDlgButton(dialog, IDC_CASE, gSettings.Case == 0 ? BST_CHECKED : BST_UNCHECKED);
  if (gSettings.CountStop <= 0) SetDlgItemTextA(dialog, IDC_COUNT_STOP, "");
}

void SaveMainControls(HWND dialog) {
  SaveControls(dialog, kMainBindings);
  gSettings.Case = Checked(dialog, IDC_CASE) ? 0 : 1;
}

// The settings as LoadMainControls and then SaveMainControls leave them.
void SettleMainSettings() {
  SettleAsControlsWould(kMainBindings);
  gSettings.Case = gSettings.Case == 0 ? 0 : 1;
  if (gSettings.CountStop < 0) gSettings.CountStop = 0;  // shown empty, read back as 0
}

void ShowMatchCountLabel(HWND dialog) {
  char label[kMatchLabel];
  FormatMatchCount(SearchMatchCount(), label, sizeof label);
  SetDlgItemTextA(dialog, IDC_MATCH_COUNT, label);
}

BOOL OnInitDialog(HWND dialog) {
  if (Windows().win98OrLater) Sleep(kWin98InitPauseMs);
  if (Windows().newShell) WidenDirectoryHistoryList(dialog);
  Trace("(4)");
  gMain.initialised = 1;
  gMain.dialog = dialog;
  gMain.focus.lastFocused = nullptr;
  gWindowsHost.SetMainWindow(dialog);
  AddSmallDialogMenuItem(dialog);
  SetWindowTextA(dialog, kProgramTitle);
  RefreshOptionSummary(dialog);
  gMain.searchStarted = 0;
  LoadMainControls(dialog);

  bool reopening = gApp.restartRequested != 0;
  FillSearchBoxes(dialog);
  SetDlgItemTextA(dialog, IDC_SEARCH_TEXT, reopening ? gMain.restartSearch : gSettings.SearchHistory[0]);
  SetDlgItemTextA(dialog, IDC_FILE_NAMES, reopening ? gMain.restartFiles : gSettings.FileHistory[0]);
  FillDirectoryHistory(dialog);
  SelectDirectoryHistory(dialog, reopening);
  SetDlgItemTextA(dialog, IDC_OUT_FILE, reopening ? gMain.restartOutFile : gSettings.OutFile);

  ApplyFullPathDependency(dialog);
  ApplyZenHanDependency(dialog);
  ApplyAppendDependency(dialog);
  ApplyFileListDependency(dialog);
  if (Windows().newShell) SetWindowIcons(dialog);
  if (gMain.countPending) ShowMatchCountLabel(dialog);
  gMain.countPending = 0;
  gApp.restartRequested = 0;
  return TRUE;
}

// ---- Commands ----

// Closes a dropped-down combo box list; true when one was open.
bool CloseDroppedList(HWND dialog) {
  for (int id : kComboBoxes) {
    HWND box = GetDlgItem(dialog, id);
    if (SendMessageA(box, CB_GETDROPPEDSTATE, 0, 0)) {
      SendMessageA(box, CB_SHOWDROPDOWN, FALSE, 0);
      return true;
    }
  }
  return false;
}

// The control, counting a combo box's edit part as the combo box.
bool FocusIsOn(HWND dialog, int id) {
  HWND focus = GetFocus();
  HWND control = GetDlgItem(dialog, id);
  return focus && control && (focus == control || GetParent(focus) == control);
}

// Ends the dialog without a chosen file; start-up decides what follows.
void CloseMainDialog(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDABORT, 0); }

// Puts the focus into the first empty input box and says so; true when
// one was empty.
bool ReportEmptyInput(HWND dialog) {
  int empty = 0;
  if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_SEARCH_TEXT)) == 0) {
    empty = IDC_SEARCH_TEXT;
  } else if (IsWindowVisible(GetDlgItem(dialog, IDC_FILE_NAMES)) &&
             GetWindowTextLengthA(GetDlgItem(dialog, IDC_FILE_NAMES)) == 0) {
    empty = IDC_FILE_NAMES;
  }
  if (!empty) return false;
  SetFocus(GetDlgItem(dialog, empty));
  ShowProgramMessage(dialog, "入力していない項目があります");
  return true;
}

void AfterSearch(HWND dialog);
void OnOptionDialog(HWND dialog, int id);

void StartSearch(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_MATCH_COUNT, "");
  gMain.searchStarted = 0;
  gMain.searchRunning = 1;
  HWND owner = GetActiveWindow();
  INT_PTR result = ShowProgressDialog(owner ? owner : dialog);
  gProgressWindow = nullptr;
  gMain.searchRunning = 0;
  if (result != 1) return;  // the run has reported its failure
  AfterSearch(dialog);
}

// The search itself, inside the open progress dialog, which it ends.
void RunSearchOn(HWND dialog, const char* searchText, const char* fileField) {
  char outPath[kPathBuffer];
  CopyText(outPath, sizeof outPath, gSettings.OutFile);
  if (outPath[0] != '\0') NormalizePath(outPath);
  int result = RunSearchEngine(dialog, searchText, fileField, outPath);
  EndProgressDialog(result == 0 ? 1 : 0);
}

// Called at the progress dialog's first idle moment.
void RunSearchFromControls(HWND dialog) {
  SaveMainControls(dialog);
  gMain.searchStarted = 1;
  char searchText[kSearchTextRead];
  char fileField[kFileFieldRead];
  ReadControlText(dialog, IDC_SEARCH_TEXT, searchText, sizeof searchText);
  ReadControlText(dialog, IDC_FILE_NAMES, fileField, sizeof fileField);
  RunSearchOn(dialog, searchText, fileField);
}

// A search before the dialog exists: the texts its boxes would be filled with.
void RunSearchFromSettings() {
  char searchText[kSearchTextRead];
  char fileField[kFileFieldRead];
  CopyText(searchText, sizeof searchText, gSettings.SearchHistory[0]);
  CopyText(fileField, sizeof fileField, gSettings.FileHistory[0]);
  RunSearchOn(nullptr, searchText, fileField);
}

// The result to the clipboard or the editor. True when the program ends
// with this search.
bool HandOverResult(HWND dialog) {
  if (gSettings.OutFile[0] == '\0') ProgramResultOutput().CopyToClipboard();
  if (HandResultToEditor(dialog)) return false;  // the dialog stays with the result
  if (!gSettings.QuitAlways && !(gSettings.Endmatch && SearchMatchCount() > 0)) return false;
  CurrentDirectory(gSettings.Directory, sizeof gSettings.Directory);
  return true;
}

void AfterSearch(HWND dialog) {
  ShowMatchCountLabel(dialog);

  char text[kFileFieldRead];
  ReadControlText(dialog, IDC_SEARCH_TEXT, text, kSearchTextRead);
  PushHistory(HistoryKind::Search, text);
  ReadControlText(dialog, IDC_FILE_NAMES, text, kFileFieldRead);
  PushHistory(HistoryKind::File, text);
  FillSearchBoxes(dialog);
  SetDlgItemTextA(dialog, IDC_SEARCH_TEXT, gSettings.SearchHistory[0]);
  SetDlgItemTextA(dialog, IDC_FILE_NAMES, gSettings.FileHistory[0]);
  PushCurrentDirectory();
  FillDirectoryHistory(dialog);
  SelectDirectoryHistory(dialog, false);
  SetFocus(GetDlgItem(dialog, IDC_SEARCH_TEXT));
  if (HandOverResult(dialog)) CloseMainDialog(dialog);
}

// Lets the common dialog process OK, which opens or lists a directory. A
// click in the file list leaves that file's name in the dialog's hidden
// name box, and the common dialog would take it as the chosen file and end
// - and with it the program. The filter's pattern there makes OK only list.
bool PassOkToCommonDialog(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_CD_NAME, kListAllPattern);
  return false;
}

// OK ("検索開始", Enter). Returns true when the hook handled it, false to
// let the common dialog process it.
bool OnOk(HWND dialog) {
  gApp.restartRequested = 0;
  if (gMain.okGuard) return PassOkToCommonDialog(dialog);
  if (CloseDroppedList(dialog)) return true;
  // The field selection is built from the settings before every search, so
  // a field search set only in the profile or on the command line works.
  if (gSettings.FieldSearch && CheckFieldSpec(gSettings) != FieldSpecFault::kNone) {
    OnOptionDialog(dialog, IDC_FIELD);
    return true;
  }
  if (ReportEmptyInput(dialog)) return true;
  if (FocusIsOn(dialog, IDC_CD_DIRS) || FocusIsOn(dialog, IDC_CD_DRIVES)) return PassOkToCommonDialog(dialog);
  StartSearch(dialog);
  return true;
}

// Cancel ("終了", Esc). Returns true when only a list was closed.
bool OnCancel(HWND dialog) {
  gApp.restartRequested = 0;
  if (CloseDroppedList(dialog)) return true;
  PushCurrentDirectory();
  SaveMainControls(dialog);
  CurrentDirectory(gSettings.Directory, sizeof gSettings.Directory);
  return false;
}

void OnSearchBoxFocus(HWND dialog) {
  if (gSettings.CommandLineMode && !gSettings.NoAutoStart && gMain.autoStartPending) {
    PostMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    gMain.autoStartPending = 0;
  }
}

void ChangeToDirectory(const char* dir) {
  if (dir[0] != '\0' && dir[1] == ':') {
    char drive[kDriveBuffer] = {dir[0], ':', '\0'};
    OsSetCurrentDirectory(drive);
  }
  OsSetCurrentDirectory(dir);
}

// A directory chosen from the history: change into it and let the common
// dialog list it, by reopening the dialog where the system allows that.
void OnDirectoryHistoryClosed(HWND dialog) {
  int index = static_cast<int>(SendDlgItemMessageA(dialog, IDC_DIR_HISTORY, CB_GETCURSEL, 0, 0));
  if (index < 0 || index >= kDirHistoryEntries || index == gMain.selectedDirIndex) return;
  if (gSettings.DirHistory[index][0] == '\0') return;
  gMain.selectedDirIndex = index;
  CopyText(gSettings.Directory, sizeof gSettings.Directory, gSettings.DirHistory[index]);
  ChangeToDirectory(gSettings.Directory);
  if (Windows().ntFamily || Windows().win98OrLater) {
    ReadControlText(dialog, IDC_SEARCH_TEXT, gMain.restartSearch, sizeof gMain.restartSearch);
    ReadControlText(dialog, IDC_FILE_NAMES, gMain.restartFiles, sizeof gMain.restartFiles);
    ReadControlText(dialog, IDC_OUT_FILE, gMain.restartOutFile, sizeof gMain.restartOutFile);
    gApp.restartRequested = 1;
    CloseMainDialog(dialog);
  } else if (gMain.okGuard == 0) {
    gMain.okGuard = 1;
    SendMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    gMain.okGuard = 0;
  }
}

void OnOptionDialog(HWND dialog, int id) {
  OpenOptionDialog(dialog, id);
  RefreshOptionSummary(dialog);
  if (id == IDC_FILE_LIST) ApplyFileListInUse(dialog);
}

BOOL OnCommand(HWND dialog, int id, int code) {
  UpdateStatusBar(dialog, kMainBindings, &gMain.focus);
  switch (id) {
    case IDOK:
      return OnOk(dialog);
    case IDCANCEL:
      return OnCancel(dialog);
    case IDC_SEARCH_TEXT:
      if (code == CBN_SETFOCUS) OnSearchBoxFocus(dialog);
      return FALSE;
    case IDC_OUT_FILE:
      if (code == EN_CHANGE) ApplyAppendDependency(dialog);
      return FALSE;
    case IDC_PRINT_FILE:
      ApplyFullPathDependency(dialog);
      return FALSE;
    case IDC_ZENHAN:
      ApplyZenHanDependency(dialog);
      return FALSE;
    case IDC_PRINT_FILE_LIST:
      ApplyFileListDependency(dialog);
      return FALSE;
    case IDC_HELP_BUTTON:
      WinHelpA(dialog, HelpFilePath(), HELP_CONTENTS, 0);
      return TRUE;
    case IDC_VERSION:
      ShowVersionDialog(dialog);
      return TRUE;
    case IDC_BLOCK:
    case IDC_OTHER:
    case IDC_ZENGO:
    case IDC_EXTENDED:
    case IDC_FIELD:
    case IDC_FILE_LIST:
      OnOptionDialog(dialog, id);
      return TRUE;
    case IDC_DIR_HISTORY:
      if (code == CBN_DROPDOWN) {
        gMain.selectedDirIndex = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
      } else if (code == CBN_CLOSEUP) {
        OnDirectoryHistoryClosed(dialog);
      }
      return FALSE;
  }
  return FALSE;
}

// ---- Other messages ----

// The small-dialog font applies from the next dialog opened on.
bool OnSysCommand(WPARAM command) {
  if (LOWORD(command) != IDM_SMALL_DIALOG) return false;
  gSettings.SmallDialog = !gSettings.SmallDialog;
  return true;
}

void OnInitMenu(HWND dialog) {
  CheckMenuItem(GetSystemMenu(dialog, FALSE), IDM_SMALL_DIALOG,
                MF_BYCOMMAND | (gSettings.SmallDialog ? MF_CHECKED : MF_UNCHECKED));
}

void PaintMinimised(HWND dialog) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  RECT client;
  GetClientRect(dialog, &client);
  DrawIcon(dc, (client.right - kIconSize) / 2, (client.bottom - kIconSize) / 2, gApp.programIcon);
  EndPaint(dialog, &ps);
}

UINT_PTR CALLBACK MainHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsControlColorMessage(message)) {
    UpdateStatusBar(dialog, kMainBindings, &gMain.focus);
    return FALSE;  // the system's colours
  }
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_ENTERIDLE:
      if (wParam == MSGF_DIALOGBOX && gMain.searchRunning && !gMain.searchStarted) RunSearchFromControls(dialog);
      return FALSE;
    case WM_HELP:
    case WM_CONTEXTMENU:
      return ShowContextHelp(dialog, message, wParam, lParam, kMainBindings, kMainHelpPairs);
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam);
    case WM_INITMENU:
      OnInitMenu(dialog);
      return FALSE;
    case WM_PAINT:
      if (!IsIconic(dialog)) return FALSE;
      PaintMinimised(dialog);
      return TRUE;
    case WM_ERASEBKGND:
      if (!IsIconic(dialog)) return FALSE;
      SendMessageA(dialog, WM_ICONERASEBKGND, wParam, 0);
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<UINT_PTR>(gApp.programIcon);
    case WM_DESTROY:
      WinHelpA(dialog, HelpFilePath(), HELP_QUIT, 0);
      gWindowsHost.SetMainWindow(nullptr);
      gMain.dialog = nullptr;
      return FALSE;
  }
  return FALSE;
}

// One GetOpenFileNameA over template 100 (from the resources, or prepared
// in memory when templateBlock is given).
BOOL OpenCommonDialog(char* chosen, HGLOBAL templateBlock) {
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = nullptr;
  ofn.lpstrFilter = kFileFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = chosen;
  ofn.nMaxFile = kChosenFileLimit;
  ofn.lpstrInitialDir = gSettings.Directory[0] ? gSettings.Directory : nullptr;
  ofn.lpstrTitle = kProgramTitle;
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST;
  ofn.lpfnHook = MainHook;
  if (templateBlock) {
    ofn.Flags |= OFN_ENABLETEMPLATEHANDLE;
    ofn.hInstance = reinterpret_cast<HINSTANCE>(templateBlock);
  } else {
    ofn.Flags |= OFN_ENABLETEMPLATE;
    ofn.hInstance = gApp.instance;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_MAIN);
  }
  gMain.initialised = 0;
  Trace("(10)");
  return GetOpenFileNameA(&ofn);
}

// A start from the command line that searches at once and ends the
// program after the search needs the dialog only if the search leaves it
// open; making the dialog costs such a start more than anything else. So
// the search runs first, the dialog being made only where it has something
// to say before the search (a wrong field, an empty box) or may stay after
// it (with no end rule, or with the result in the viewer, which lives in the
// dialog).
bool SearchesBeforeTheDialog() {
  const SearchSettings& s = gSettings;
  if (!s.CommandLineMode || s.NoAutoStart || !(s.QuitAlways || s.Endmatch) || ResultGoesToViewer()) return false;
  if (s.FieldSearch && CheckFieldSpec(s) != FieldSpecFault::kNone) return false;
  return s.SearchHistory[0][0] != '\0' && (FileListInUse() || s.FileHistory[0][0] != '\0');
}

// What the dialog does after its own search, without the dialog's boxes.
bool FinishSearchBeforeTheDialog() {
  char text[kFileFieldRead];
  CopyText(text, kSearchTextRead, gSettings.SearchHistory[0]);
  PushHistory(HistoryKind::Search, text);
  CopyText(text, sizeof text, gSettings.FileHistory[0]);
  PushHistory(HistoryKind::File, text);
  PushCurrentDirectory();
  return HandOverResult(nullptr);
}

}  // namespace

bool RunCommandLineSearch() {
  if (!SearchesBeforeTheDialog()) return false;
  gMain.autoStartPending = 0;
  // The common dialog would have changed into its initial directory.
  if (gSettings.Directory[0] != '\0') ChangeToDirectory(gSettings.Directory);
  SettleMainSettings();
  gMain.searchRunning = 1;
  const INT_PTR result = ShowProgressDialogRunning(RunSearchFromSettings);
  gProgressWindow = nullptr;
  gMain.searchRunning = 0;
  if (result != 1) return false;  // the run has reported its failure; the dialog opens
  gMain.countPending = 1;
  return FinishSearchBeforeTheDialog();
}

bool RunMainDialog() {
  static char chosen[kChosenFileBuffer];
  std::memset(chosen, 0, sizeof chosen);
  bool reopening = gApp.restartRequested != 0;
  HGLOBAL small = gSettings.SmallDialog ? reinterpret_cast<HGLOBAL>(RunDialog(true, IDD_MAIN, nullptr, nullptr, 0))
                                        : nullptr;
  BOOL ok = OpenCommonDialog(chosen, small);
  if (!ok && !gMain.initialised) {
    DWORD error = CommDlgExtendedError();
    Trace("err = %lx ", static_cast<unsigned long>(error));
    if (small && error) ok = OpenCommonDialog(chosen, nullptr);
  }
  if (small) GlobalFree(small);
  if (!gMain.initialised) {
    // The dialog never came up: keep where we are and do not try again.
    gApp.restartRequested = 0;
    if (reopening) CurrentDirectory(gSettings.Directory, sizeof gSettings.Directory);
    return false;
  }
  if (!ok || chosen[0] == '\0') return false;
  CopyText(gSettings.Directory, sizeof gSettings.Directory, chosen);
  return true;
}

bool OptionSummaryText(int control, const SearchSettings& s, bool fileListInUse, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  switch (control) {
    case IDC_BLOCK:
      CopyText(out, capacity, s.BlockOut ? "★ﾌﾞﾛｯｸ..." : "ﾌﾞﾛｯｸ...");
      return true;
    case IDC_ZENGO:
      if (s.Zengo && !s.BlockOut) {
        std::snprintf(out, capacity, "★前後%d,%d", static_cast<int>(s.ZengoLine), static_cast<int>(s.ZengoLine2));
      } else {
        CopyText(out, capacity, "前後...");
      }
      return true;
    case IDC_FILTER_SUMMARY:
      if (s.Date) {
        CopyText(out, capacity, "★日付");
        if (s.Size) AppendText(out, capacity, "･ｻｲｽﾞ");
      } else if (s.Size) {
        CopyText(out, capacity, "★ｻｲｽﾞ");
      }
      return true;
    case IDC_FILE_LIST:
      CopyText(out, capacity, fileListInUse ? "★ﾌｧｲﾙ一覧" : "ﾌｧｲﾙ一覧");
      return true;
    case IDC_EXTENDED_SUMMARY: {
      const char* files[] = {s.ThesaurusFile0, s.ThesaurusFile1, s.ThesaurusFile2};
      bool thesaurus = s.Thesaurus >= 1 && s.Thesaurus <= 3 && files[s.Thesaurus - 1][0] != '\0';
      if (s.Same1) CopyText(out, capacity, "同一視");
      if (s.Same1 && thesaurus) AppendText(out, capacity, "/");
      if (thesaurus) AppendText(out, capacity, "同義語");
      return true;
    }
    case IDC_FIELD:
      CopyText(out, capacity, s.FieldSearch ? "★ﾌｨｰﾙﾄﾞ..." : "ﾌｨｰﾙﾄﾞ...");
      return true;
  }
  return false;
}

}  // namespace zanto
