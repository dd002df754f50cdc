// Pieces of the Windows program that can be checked without a user: the
// in-memory template rewrite, the status bar, the version line, the option
// summary texts and the version tests.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/settings.h"
#include "files/targets.h"
#include "ui/app.h"
#include "ui/control_binding.h"
#include "ui/drop_target.h"
#include "ui/editor_control.h"
#include "ui/option_dialog.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"
#include "ui/run_dialog.h"
#include "ui/search_bridge.h"
#include "ui/status_bar.h"
#include "ui/version_dialog.h"

namespace zanto {
namespace {

// ---- Template rewrite ----

struct Resource {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

Resource LoadTemplate(int id) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
  if (!found) return {};
  return {static_cast<const uint8_t*>(LockResource(LoadResource(self, found))), SizeofResource(self, found)};
}

// What a template says, read back for comparison.
struct TemplateItem {
  uint16_t id;
  uint32_t style;
  std::u16string cls, title;
  size_t offset;
};
struct TemplateView {
  uint32_t style = 0;
  uint16_t point = 0;
  std::u16string face;
  std::vector<TemplateItem> items;
};

uint16_t Word(const uint8_t* p, size_t at) { return static_cast<uint16_t>(p[at] | (p[at + 1] << 8)); }

std::u16string NameField(const uint8_t* p, size_t& at) {
  std::u16string out;
  if (Word(p, at) == 0xFFFF) {
    out = u"#" + std::u16string(1, static_cast<char16_t>(Word(p, at + 2)));
    at += 4;
    return out;
  }
  while (Word(p, at) != 0) {
    out += static_cast<char16_t>(Word(p, at));
    at += 2;
  }
  at += 2;
  return out;
}

TemplateView ReadTemplate(const uint8_t* p) {
  TemplateView v;
  std::memcpy(&v.style, p, 4);
  uint16_t count = Word(p, 8);
  size_t at = 18;
  NameField(p, at);  // menu
  NameField(p, at);  // class
  NameField(p, at);  // title
  if (v.style & DS_SETFONT) {
    v.point = Word(p, at);
    at += 2;
    v.face = NameField(p, at);
  }
  for (uint16_t i = 0; i < count; ++i) {
    at = (at + 3) & ~size_t{3};
    TemplateItem item;
    item.offset = at;
    std::memcpy(&item.style, p + at, 4);
    item.id = Word(p, at + 16);
    at += 18;
    item.cls = NameField(p, at);
    item.title = NameField(p, at);
    at += 2 + Word(p, at);
    v.items.push_back(item);
  }
  return v;
}

TEST(FontTemplate, AddsTheChosenFontAndKeepsEveryItem) {
  Resource main = LoadTemplate(IDD_MAIN);
  ASSERT_NE(main.data, nullptr);
  std::vector<uint8_t> out(FontTemplateCapacity(main.size));
  size_t n = BuildFontTemplate(main.data, main.size, 10, L"ＭＳ Ｐゴシック", out.data(), out.size());
  ASSERT_GT(n, main.size);
  TemplateView before = ReadTemplate(main.data);
  TemplateView after = ReadTemplate(out.data());
  EXPECT_EQ(before.style & DS_SETFONT, 0u);
  EXPECT_EQ(after.style, before.style | DS_SETFONT);
  EXPECT_EQ(after.point, 10);
  EXPECT_EQ(after.face, u"ＭＳ Ｐゴシック");
  ASSERT_EQ(after.items.size(), before.items.size());
  for (size_t i = 0; i < before.items.size(); ++i) {
    EXPECT_EQ(after.items[i].id, before.items[i].id) << i;
    EXPECT_EQ(after.items[i].style, before.items[i].style) << i;
    EXPECT_EQ(after.items[i].cls, before.items[i].cls) << i;
    EXPECT_EQ(after.items[i].title, before.items[i].title) << i;
    EXPECT_EQ(after.items[i].offset % 4, 0u) << i;
  }
}

TEST(FontTemplate, TemplateWithItsOwnFontKeepsIt) {
  Resource progress = LoadTemplate(IDD_PROGRESS);
  ASSERT_NE(progress.data, nullptr);
  std::vector<uint8_t> out(FontTemplateCapacity(progress.size));
  size_t n = BuildFontTemplate(progress.data, progress.size, 24, L"Other", out.data(), out.size());
  ASSERT_GT(n, 0u);
  TemplateView after = ReadTemplate(out.data());
  EXPECT_EQ(after.point, 10);
  EXPECT_EQ(after.face, u"ＭＳ 明朝");
  EXPECT_EQ(after.items.size(), ReadTemplate(progress.data).items.size());
}

TEST(FontTemplate, RefusesCutTemplatesAndShortBuffers) {
  Resource main = LoadTemplate(IDD_MAIN);
  ASSERT_NE(main.data, nullptr);
  std::vector<uint8_t> out(FontTemplateCapacity(main.size));
  // Cut inside the header, inside the title, and inside the last item.
  for (size_t cut : {size_t{10}, size_t{22}, main.size - 3}) {
    EXPECT_EQ(BuildFontTemplate(main.data, cut, 10, L"F", out.data(), out.size()), 0u) << cut;
  }
  EXPECT_EQ(BuildFontTemplate(main.data, main.size, 10, L"F", out.data(), main.size / 2), 0u);
  // A face name longer than the limit is cut, not written past it.
  std::wstring longFace(300, L'x');
  size_t n = BuildFontTemplate(main.data, main.size, 10, longFace.c_str(), out.data(), out.size());
  ASSERT_GT(n, 0u);
  EXPECT_EQ(ReadTemplate(out.data()).face.size(), static_cast<size_t>(kFaceNameChars - 1));
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(FontTemplate, RewrittenTemplateCreatesTheDialog) {
  Resource version = LoadTemplate(IDD_VERSION);
  ASSERT_NE(version.data, nullptr);
  std::vector<uint8_t> out(FontTemplateCapacity(version.size));
  ASSERT_GT(BuildFontTemplate(version.data, version.size, 9, L"ＭＳ Ｐゴシック", out.data(), out.size()), 0u);
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(out.data()),
                                           nullptr, QuietDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(GetDlgItem(dialog, IDC_VERSION_LINE), nullptr);
  EXPECT_NE(GetDlgItem(dialog, IDOK), nullptr);
  DestroyWindow(dialog);
}

// ---- Labels ----

// The label beside each control, as the user reads it (and its access key).
TEST(Templates, EveryLabelReadsAsWritten) {
  struct Case {
    int dialog;
    const char16_t* label;
  };
  const Case cases[] = {
      {IDD_MAIN, u"検索文字列(&S):"}, {IDD_MAIN, u"検索ファイル名(&F):"}, {IDD_MAIN, u"出力ファイル名(&O):"},
      {IDD_MAIN, u"DIR履歴(&Y)"}, {IDD_MAIN, u"個マッチしたら次へ(&K)"},
      {IDD_BLOCK, u"マッチした前後(&Z):"}, {IDD_BLOCK, u"行以内を検索"}, {IDD_BLOCK, u"パターン(&N)"},
      {IDD_BLOCK, u"開始行／終了行(&S)"}, {IDD_BLOCK, u"End"}, {IDD_BLOCK, u"ﾌﾞﾛｯｸ先頭出力:"},
      {IDD_BLOCK, u"ﾌﾞﾛｯｸ終了出力:"},
      {IDD_CONTEXT, u"先頭出力:"}, {IDD_CONTEXT, u"終了出力:"},
      {IDD_FIELD, u"区切り文字(&K):"}, {IDD_FIELD, u"検索フィールド番号(&N):"},
      {IDD_OTHER, u"終了時コマンド(&C):"}, {IDD_OTHER, u"ｸﾘｯﾌﾟ出力引数"}, {IDD_OTHER, u"検索しない拡張子(&E):"},
      {IDD_EXTENDED, u"LZHを解凍する場所(&T):"}, {IDD_EXTENDED, u"&EUC ドライブ:"}, {IDD_EXTENDED, u"漢字コード(&K)"},
      {IDD_FILE_LIST, u"(&L)"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    Resource r = LoadTemplate(cases[i].dialog);
    ASSERT_NE(r.data, nullptr) << cases[i].dialog;
    bool found = false;
    for (const TemplateItem& item : ReadTemplate(r.data).items) found = found || item.title == cases[i].label;
    EXPECT_TRUE(found) << "case " << i << ": dialog " << cases[i].dialog << " lacks its label";
  }
}

// ---- Status bar ----

TEST(StatusBar, TextIsCutOnACharacterBoundary) {
  struct Case {
    const char* text;
    int width, average;
    size_t expected;
  } cases[] = {
      {"abcdef", 60, 10, 6},                 // fits
      {"abcdef", 35, 10, 3},                 // cut by bytes
      {"\x82\xa0\x82\xa2\x82\xa4", 50, 10, 4},  // 5 bytes room: the third character's lead byte is dropped
      {"a\x82\xa0", 20, 10, 1},              // 2 bytes room: "a" and a lone lead byte -> "a"
      {"\xb1\xb2\xb3", 20, 10, 2},           // half-width kana are single bytes
      {"abc", 5, 10, 0},                     // not one byte fits
      {"abc", 50, 0, 0},                     // no measured width
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatusTextFit(c.text, std::strlen(c.text), c.width, c.average), c.expected) << c.text;
  }
}

class StatusBarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterStatusBarClass(GetModuleHandleA(nullptr), 0) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    parent_ = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    bar_ = CreateWindowA(STATUS_BAR_CLASS, "", WS_CHILD | WS_VISIBLE, 5, 5, 50, 10, parent_,
                         reinterpret_cast<HMENU>(IDC_STATUS_BAR), nullptr, nullptr);
    ASSERT_NE(bar_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  RECT BarRect() {
    RECT r;
    GetWindowRect(bar_, &r);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  HWND parent_ = nullptr;
  HWND bar_ = nullptr;
};

TEST_F(StatusBarWindow, SitsAtTheBottomAsHighAsItsFontPlusSeven) {
  RECT client;
  GetClientRect(parent_, &client);
  RECT r = BarRect();
  SIZE fixed = FontCellSize(bar_, nullptr, static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, client.right);
  EXPECT_EQ(r.bottom, client.bottom);
  EXPECT_EQ(r.bottom - r.top, fixed.cy + 7);

  HFONT big = CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SendMessageA(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
  SIZE bigCell = FontCellSize(bar_, nullptr, big);
  r = BarRect();
  EXPECT_EQ(r.bottom - r.top, bigCell.cy + 7);
  EXPECT_EQ(r.bottom, client.bottom);
  DeleteObject(big);
}

TEST_F(StatusBarWindow, KeepsAtMost255BytesAndReadsBackBounded) {
  std::string text(300, 'x');
  text[254] = '\x82';  // a lead byte that would end the kept text
  text[255] = '\xa0';
  SetWindowTextA(bar_, text.c_str());
  char back[400];
  LRESULT n = SendMessageA(bar_, WM_GETTEXT, sizeof back, reinterpret_cast<LPARAM>(back));
  EXPECT_EQ(n, 254);
  EXPECT_EQ(std::string(back), text.substr(0, 254));
  char small[5];
  n = SendMessageA(bar_, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small));
  EXPECT_EQ(n, 4);
  EXPECT_STREQ(small, "xxxx");
  UpdateWindow(bar_);  // painting a cut text must not fault
}

// ---- Version dialog ----

TEST(Version, BuildNumberAddsTheModuleMarkers) {
  struct Case {
    const char* marker;
    unsigned long value;
  } cases[] = {
      {"@(#)main.c version=1918", 1918},
      {"@(#)x.c version=7 beta", 7},
      {"@(#)x.c version=", 0},
      {"@(#)x.c", 0},
      {"@(#)x.c version=abc", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkerVersion(c.marker), c.value) << c.marker;
  EXPECT_EQ(BuildNumber(), 2081u);
  char line[64];
  FormatVersionLine(line, sizeof line);
  EXPECT_STREQ(line, "Version 3.3　 (Build 2081)");
}

// ---- Option summary ----

TEST(OptionSummary, ButtonTextsFollowTheSettings) {
  struct Case {
    const char* name;
    void (*set)(SearchSettings&);
    bool fileList;
    int control;
    const char* expected;
  } cases[] = {
      {"block off", [](SearchSettings&) {}, false, IDC_BLOCK, "ﾌﾞﾛｯｸ..."},
      {"block on", [](SearchSettings& s) { s.BlockOut = 1; }, false, IDC_BLOCK, "★ﾌﾞﾛｯｸ..."},
      {"context on", [](SearchSettings& s) { s.Zengo = 1; s.ZengoLine = 3; s.ZengoLine2 = 12; }, false, IDC_ZENGO,
       "★前後3,12"},
      {"context under block", [](SearchSettings& s) { s.Zengo = 1; s.BlockOut = 1; }, false, IDC_ZENGO, "前後..."},
      {"no filter", [](SearchSettings&) {}, false, IDC_FILTER_SUMMARY, ""},
      {"date and size", [](SearchSettings& s) { s.Date = 1; s.Size = 1; }, false, IDC_FILTER_SUMMARY, "★日付･ｻｲｽﾞ"},
      {"date", [](SearchSettings& s) { s.Date = 1; }, false, IDC_FILTER_SUMMARY, "★日付"},
      {"size", [](SearchSettings& s) { s.Size = 1; }, false, IDC_FILTER_SUMMARY, "★ｻｲｽﾞ"},
      {"file list", [](SearchSettings&) {}, true, IDC_FILE_LIST, "★ﾌｧｲﾙ一覧"},
      {"no file list", [](SearchSettings&) {}, false, IDC_FILE_LIST, "ﾌｧｲﾙ一覧"},
      {"same1 and thesaurus",
       [](SearchSettings& s) { s.Same1 = 1; s.Thesaurus = 2; std::strcpy(s.ThesaurusFile1, "T.TXT"); }, false,
       IDC_EXTENDED_SUMMARY, "同一視/同義語"},
      {"thesaurus without its file", [](SearchSettings& s) { s.Thesaurus = 3; std::strcpy(s.ThesaurusFile1, "T"); },
       false, IDC_EXTENDED_SUMMARY, ""},
      {"thesaurus only", [](SearchSettings& s) { s.Thesaurus = 1; std::strcpy(s.ThesaurusFile0, "T"); }, false,
       IDC_EXTENDED_SUMMARY, "同義語"},
      {"field", [](SearchSettings& s) { s.FieldSearch = 1; }, false, IDC_FIELD, "★ﾌｨｰﾙﾄﾞ..."},
  };
  for (const Case& c : cases) {
    static SearchSettings s;
    std::memset(&s, 0, sizeof s);
    c.set(s);
    char text[64] = "junk";
    ASSERT_TRUE(OptionSummaryText(c.control, s, c.fileList, text, sizeof text)) << c.name;
    EXPECT_STREQ(text, c.expected) << c.name;
  }
  char text[8];
  EXPECT_FALSE(OptionSummaryText(IDOK, gSettings, false, text, sizeof text));
}

// ---- Version tests and help pairs ----

TEST(WindowsVersion, TestsReadFromGetVersion) {
  struct Case {
    const char* name;
    uint32_t version;
    bool newShell, nt, win98, nt351;
  } cases[] = {
      {"Windows 95", 0xC3B60004, true, false, false, false},
      {"Windows 98", 0xC0000A04, true, false, true, false},
      {"Windows Me", 0xC0005A04, true, false, true, false},
      {"Win32s on 3.1", 0x80000A03, false, false, false, false},
      {"NT 3.51", 0x04213303, false, true, false, true},
      {"NT 3.5", 0x03FF3203, false, true, false, false},
      {"NT 4.0", 0x05650004, true, true, false, false},
      {"XP", 0x0A280105, true, true, false, false},
  };
  for (const Case& c : cases) {
    VersionTests t = VersionTestsFrom(c.version);
    EXPECT_EQ(t.newShell, c.newShell) << c.name;
    EXPECT_EQ(t.ntFamily, c.nt) << c.name;
    EXPECT_EQ(t.win98OrLater, c.win98) << c.name;
    EXPECT_EQ(t.nt351, c.nt351) << c.name;
  }
}

TEST(ContextHelp, ExtraPairsComeFirstAndTheArrayIsBounded) {
  static const ControlBinding table[] = {
      {10, nullptr, kBindCheck, "a"}, {11, nullptr, kBindCheck, "b"}, {0, nullptr, 0, nullptr}};
  static const HelpPair extra[] = {{1, 3030}, {0, 0}};
  HelpPair out[kHelpPairs];
  ASSERT_EQ(BuildHelpPairs(table, extra, out), 3);
  EXPECT_EQ(out[0].control, 1u);
  EXPECT_EQ(out[0].context, 3030u);
  EXPECT_EQ(out[2].control, 11u);
  EXPECT_EQ(out[2].context, 11u);
  EXPECT_EQ(out[3].control, 0u);

  std::vector<ControlBinding> many;
  for (uint16_t id = 1; id <= 150; ++id) many.push_back({id, nullptr, kBindCheck, nullptr});
  many.push_back({0, nullptr, 0, nullptr});
  EXPECT_EQ(BuildHelpPairs(many.data(), extra, out), kHelpPairs - 1);
  EXPECT_EQ(out[kHelpPairs - 1].control, 0u);
}

// Each kind of binding moves its value both ways, and only its own kind of
// value: a number box shows its number and reads back what is typed.
TEST(ControlBindings, EachKindLoadsAndSavesItsValue) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  struct Child {
    const char* windowClass;
    DWORD style;
    int id;
  } children[] = {
      {"BUTTON", BS_AUTOCHECKBOX, 1}, {"EDIT", ES_NUMBER, 2}, {"EDIT", 0, 3},
      {"BUTTON", BS_AUTORADIOBUTTON, 4}, {"BUTTON", BS_AUTORADIOBUTTON, 5},
  };
  for (const Child& c : children) {
    ASSERT_NE(CreateWindowExA(0, c.windowClass, "", WS_CHILD | c.style, 0, 0, 50, 20, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr),
              nullptr);
  }
  int32_t check = 1, number = 42, radio = 2;
  char text[8] = "abc";
  const ControlBinding table[] = {
      {1, &check, kBindCheck, nullptr},     {2, &number, kBindNumber + 3, nullptr},
      {3, text, kBindText + 8, nullptr},    {4, &radio, kBindRadio + 1, nullptr},
      {5, &radio, kBindRadio + 2, nullptr}, {0, nullptr, 0, nullptr},
  };
  LoadControls(parent, table);
  EXPECT_EQ(IsDlgButtonChecked(parent, 1), BST_CHECKED);
  EXPECT_EQ(GetDlgItemInt(parent, 2, nullptr, FALSE), 42u);
  EXPECT_EQ(SendDlgItemMessageA(parent, 2, EM_GETLIMITTEXT, 0, 0), 3);
  char shown[16] = "";
  GetDlgItemTextA(parent, 3, shown, sizeof shown);
  EXPECT_STREQ(shown, "abc");
  EXPECT_EQ(IsDlgButtonChecked(parent, 4), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(parent, 5), BST_CHECKED);

  CheckDlgButton(parent, 1, BST_UNCHECKED);
  SetDlgItemTextA(parent, 2, "7");
  SetDlgItemTextA(parent, 3, "longer than eight");
  CheckDlgButton(parent, 4, BST_CHECKED);
  CheckDlgButton(parent, 5, BST_UNCHECKED);
  SaveControls(parent, table);
  EXPECT_EQ(check, 0);
  EXPECT_EQ(number, 7);
  EXPECT_STREQ(text, "longer ");  // cut to the buffer
  EXPECT_EQ(radio, 1);
  DestroyWindow(parent);
}

// ---- Drop target ----

// A drop of names (ANSI) as the shell hands it over: a DROPFILES header
// followed by the names, each ended by NUL, and a final NUL.
HGLOBAL MakeDrop(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& n : names) list += n + '\0';
  list += '\0';
  HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* header = static_cast<DROPFILES*>(GlobalLock(block));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(block);
  return block;
}

// Only the first dropped name is taken; a long one is cut at 270 bytes on a
// character boundary; the box's own messages still reach it.
TEST(DropTarget, FirstDroppedNameReplacesTheText) {
  std::string longName = "C:\\";
  while (longName.size() < 300) longName += "\x95\x5C";  // 表, whose trail byte is "\"
  struct Case {
    std::vector<std::string> names;
    std::string expected;
  } cases[] = {
      {{"C:\\first.txt", "C:\\second.txt", "C:\\third.txt"}, "C:\\first.txt"},
      {{longName}, longName.substr(0, kDroppedNameBuffer - 2)},
  };
  HWND box = CreateWindowExA(0, "EDIT", "old", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(box, nullptr);
  MakeDropTarget(box);
  EXPECT_NE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  for (const Case& c : cases) {
    SendMessageA(box, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(c.names)), 0);
    char text[512] = "";
    GetWindowTextA(box, text, sizeof text);
    EXPECT_EQ(std::string(text), c.expected);
  }
  SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
  char text[16] = "";
  GetWindowTextA(box, text, sizeof text);
  EXPECT_STREQ(text, "typed");
  DestroyWindow(box);
}

// ---- File-list dialog ----

// The steps a test runs inside the modal file-list dialog, from a timer.
std::function<void(HWND)> gFileListSteps;

BOOL CALLBACK TakeFileListDialog(HWND window, LPARAM found) {
  char title[128] = "";
  GetWindowTextA(window, title, sizeof title);
  if (std::strstr(title, "検索ファイルの一覧")) *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

void CALLBACK RunFileListSteps(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeFileListDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  gFileListSteps(dialog);
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

std::vector<std::string> ListEntries(HWND dialog) {
  std::vector<std::string> out;
  HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
  for (int i = 0, n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); i < n; ++i) {
    char text[512] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    out.push_back(text);
  }
  return out;
}

std::string DialogText(HWND dialog, int id) {
  char text[128] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// An archive and a member list longer than a file-list entry holds: 10 +
// 2 * n bytes, so that 333 bytes would end inside a character.
std::string LongEntry() {
  std::string entry = "C:\\ab.lzh:";
  while (entry.size() < 400) entry += "\x95\x5C";  // 表
  return entry;
}

// Dropped names already listed before the drop are left out (ASCII case
// aside), the Delete key deletes the selection, the buttons say what they
// will do, and OK makes the list the one the search uses.
TEST(FileListDialog, DropsDeleteKeyAndOk) {
  gApp.instance = GetModuleHandleA(nullptr);
  ASSERT_TRUE(RegisterStatusBarClass(gApp.instance, 0) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
  FreeFileListEntries(&ProgramFileList());
  struct Seen {
    std::vector<std::string> afterDrops, afterDelete;
    std::string count, deleteCaption, keepCaption, selectedDelete, selectedKeep;
    int selectedAfterDrop = -1;
  } seen;
  gFileListSteps = [&seen](HWND dialog) {
    SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\d\\X.txt", "C:\\d\\y.txt"})), 0);
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    SendMessageA(list, LB_SETSEL, TRUE, -1);
    SendMessageA(dialog, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({"c:\\D\\x.TXT", "C:\\d\\z.txt", "C:\\d\\z.txt"})), 0);
    seen.afterDrops = ListEntries(dialog);
    seen.selectedAfterDrop = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    seen.count = DialogText(dialog, IDC_LIST_COUNT);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_FILES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    seen.deleteCaption = DialogText(dialog, IDC_LIST_DELETE);
    seen.keepCaption = DialogText(dialog, IDC_LIST_KEEP);
    SendMessageA(list, LB_SETSEL, TRUE, 1);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_FILES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    seen.selectedDelete = DialogText(dialog, IDC_LIST_DELETE);
    seen.selectedKeep = DialogText(dialog, IDC_LIST_KEEP);
    SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    seen.afterDelete = ListEntries(dialog);
    // A listed archive with a long member list is kept cut, not lost.
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LongEntry().c_str()));
  };
  SetTimer(nullptr, 0, 10, RunFileListSteps);
  EXPECT_EQ(ShowOptionDialog(nullptr, kFileListDialog), 1);
  // The second z.txt came in the same drop: only entries listed before a
  // drop are compared.
  EXPECT_EQ(seen.afterDrops,
            (std::vector<std::string>{"C:\\d\\X.txt", "C:\\d\\y.txt", "C:\\d\\z.txt", "C:\\d\\z.txt"}));
  EXPECT_EQ(seen.selectedAfterDrop, 0) << "the entries listed before the drop were selected";
  EXPECT_EQ(seen.count, "4個");
  EXPECT_EQ(seen.deleteCaption, "全部削除");
  EXPECT_EQ(seen.keepCaption, "全部削除");
  EXPECT_EQ(seen.selectedDelete, "2個削除");
  EXPECT_EQ(seen.selectedKeep, "2個残す");
  EXPECT_EQ(seen.afterDelete, (std::vector<std::string>{"C:\\d\\X.txt", "C:\\d\\z.txt"}));
  ASSERT_EQ(ProgramFileList().count, 3);
  EXPECT_STREQ(ProgramFileList().entries[1], "C:\\d\\z.txt");
  EXPECT_EQ(std::string(ProgramFileList().entries[2]), LongEntry().substr(0, kListEntryBuffer - 2));
  FreeFileListEntries(&ProgramFileList());
}

// ---- Result viewer ----

// What the viewer asked of the editor-control library, and what its panes
// were sent.
struct ControlCall {
  int command;
  int pane;  // the target's control id
  std::string text;
  int value;
  bool operator==(const ControlCall&) const = default;
};
std::vector<ControlCall> gControlCalls;
std::vector<UINT> gPaneMessages;  // WM_COMMAND ids and the idle message

int WINAPI FakeKzControl(int command, LPARAM target, LPCSTR text, int value, int) {
  gControlCalls.push_back({command, GetDlgCtrlID(reinterpret_cast<HWND>(target)), text ? text : "(none)", value});
  return text && std::strcmp(text, "missing.txt") == 0 ? -1 : 0;
}

LRESULT CALLBACK FakePaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) gPaneMessages.push_back(static_cast<UINT>(wParam));
  if (message == kPaneIdleMessage) gPaneMessages.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

void SetKeys(bool control, bool shift) {
  BYTE keys[256] = {};
  if (control) keys[VK_CONTROL] = 0x80;
  if (shift) keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
}

// One request of a pane, and what the dialog must answer and do.
struct PaneRequest {
  WPARAM kind;
  LPARAM value;
  int integer;
  bool control, shift;
  LONG_PTR answer;
  int focusAfter;  // the control that has the focus afterwards
};

struct ViewerSeen {
  std::string startStatus, status;
  std::vector<LONG_PTR> answers;
  std::vector<int> focus;
  HWND dialog = nullptr;
};
ViewerSeen gViewerSeen;
std::vector<PaneRequest> gPaneRequests;

BOOL CALLBACK TakeViewer(HWND window, LPARAM found) {
  char title[128] = "";
  GetWindowTextA(window, title, sizeof title);
  if (std::strcmp(title, "ZANTO KZ Control 試作版") == 0) *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

std::string StatusText(HWND dialog) {
  char text[128] = "";
  SendDlgItemMessageA(dialog, IDC_VIEWER_STATUS, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

void CALLBACK RunViewerSteps(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeViewer, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  ViewerSeen& seen = gViewerSeen;
  seen.dialog = dialog;
  seen.startStatus = StatusText(dialog);
  HWND resultPane = GetDlgItem(dialog, IDC_VIEWER_RESULT_PANE);
  SetFocus(GetDlgItem(dialog, IDC_VIEWER_JUMP_PANE));
  for (const PaneRequest& r : gPaneRequests) {
    SetKeys(r.control, r.shift);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, 77);  // the answer must replace it
    EditorControlRequest record = {resultPane, r.value, r.integer};
    SendMessageA(dialog, gEditorControl.requestMessage, r.kind, reinterpret_cast<LPARAM>(&record));
    seen.answers.push_back(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    seen.focus.push_back(GetDlgCtrlID(GetFocus()));
  }
  seen.status = StatusText(dialog);
  SetKeys(false, false);
  SendMessageA(dialog, WM_COMMAND, IDC_VIEWER_CLEAR_JUMP, 0);  // without Shift: nothing
  SetKeys(false, true);
  SendMessageA(dialog, WM_COMMAND, IDC_VIEWER_CLEAR_JUMP, 0);
  SetKeys(false, false);
  SendMessageA(dialog, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(resultPane));
  SendMessageA(dialog, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(resultPane));
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// The viewer shows the result file in the lower pane and answers its panes'
// requests through GWLP_USERDATA; without the library or its pane class it
// shows nothing.
TEST(ResultViewer, ShowsTheResultAndAnswersThePanes) {
  gApp.instance = GetModuleHandleA(nullptr);
  gSettings.SmallDialog = 0;
  gControlCalls.clear();
  gPaneMessages.clear();
  EXPECT_FALSE(EditorControlDialog(nullptr, "C:\\r.txt")) << "no library";
  gEditorControl = {gApp.instance, FakeKzControl, RegisterWindowMessageA(kRequestMessageName)};
  EXPECT_FALSE(EditorControlDialog(nullptr, "C:\\r.txt")) << "no pane class";
  EXPECT_TRUE(gControlCalls.empty());

  WNDCLASSA pane = {};
  pane.style = CS_GLOBALCLASS;
  pane.lpfnWndProc = FakePaneProc;
  pane.hInstance = gApp.instance;
  pane.lpszClassName = kPaneClass;
  pane.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ASSERT_NE(RegisterClassA(&pane), 0);
  const LPARAM status = reinterpret_cast<LPARAM>("3 行目");
  const LPARAM file = reinterpret_cast<LPARAM>("C:\\d\\a.txt");
  const LPARAM missing = reinterpret_cast<LPARAM>("missing.txt");
  constexpr int kJump = IDC_VIEWER_JUMP_PANE, kResult = IDC_VIEWER_RESULT_PANE;
  gPaneRequests = {
      {kRequestStatusText, status, 0, false, false, 0, kJump},
      {kRequestStatusText, 0, 0, false, false, 0, kJump},  // a repaint keeps the text
      {kRequestOpenFile, file, 12, false, false, 1, kJump},
      {kRequestOpenFile, missing, 3, false, false, 0, kJump},
      {kRequestKey, VK_TAB, 0, false, false, 0, kJump},
      {kRequestKey, VK_TAB, 0, true, false, 1, kResult},
      {kRequestKey, VK_TAB, 0, true, true, 1, kJump},
      {kRequestKey, 'C', 0, true, false, 0, kJump},
      {kRequestKey, 'C', 0, true, true, 1, kJump},
      {kRequestToFront, 0, 0, false, false, 0, kJump},
      {9, file, 1, false, false, 0, kJump},
  };
  gViewerSeen = {};
  SetTimer(nullptr, 0, 10, RunViewerSteps);
  EXPECT_TRUE(EditorControlDialog(nullptr, "C:\\out\\r.txt"));
  UnregisterClassA(kPaneClass, gApp.instance);
  gEditorControl = {};

  ASSERT_NE(gViewerSeen.dialog, nullptr);
  EXPECT_FALSE(IsWindow(gViewerSeen.dialog));
  EXPECT_EQ(gViewerSeen.startStatus, "kz start");
  EXPECT_EQ(gViewerSeen.status, "3 行目");
  for (size_t i = 0; i < gPaneRequests.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_LT(i, gViewerSeen.answers.size());
    EXPECT_EQ(gViewerSeen.answers[i], gPaneRequests[i].answer);
    EXPECT_EQ(gViewerSeen.focus[i], gPaneRequests[i].focusAfter);
  }
  EXPECT_EQ(gControlCalls, (std::vector<ControlCall>{{3, kResult, "C:\\out\\r.txt", 0},
                                                     {3, kJump, "C:\\d\\a.txt", 12},
                                                     {3, kJump, "missing.txt", 3},
                                                     {3, kJump, "(none)", 0}}));
  EXPECT_EQ(gPaneMessages, (std::vector<UINT>{1143, 1135, kPaneIdleMessage}));
}

}  // namespace
}  // namespace zanto
