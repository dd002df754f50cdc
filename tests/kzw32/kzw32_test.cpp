#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kzw32.h"
#include "support/temp_dir.h"

namespace {

using zanto::test::TempDir;

constexpr char kOwnerClass[] = "KzwTestOwner";
constexpr DWORD kWaitMs = 15000;  // a first Wine start of a program is slow

// What the test owner heard from its pane.
struct Heard {
  std::vector<std::string> openPaths;
  std::vector<int> openLines;
  std::vector<std::string> statuses;
  std::vector<LPARAM> keys;
  LONG_PTR openAnswer = 1;
};
Heard gHeard;
UINT gRequest = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gRequest && gRequest != 0) {
    const auto* record = reinterpret_cast<const kzw::KzRequest*>(lParam);
    LONG_PTR answer = 0;
    if (wParam == kzw::kRequestOpen) {
      gHeard.openPaths.push_back(reinterpret_cast<const char*>(record->value));
      gHeard.openLines.push_back(record->number);
      answer = gHeard.openAnswer;
    } else if (wParam == kzw::kRequestStatus) {
      gHeard.statuses.push_back(reinterpret_cast<const char*>(record->value));
    } else if (wParam == kzw::kRequestKey) {
      gHeard.keys.push_back(record->value);
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, answer);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string PaneLine(HWND pane) {
  char text[4096] = "";
  SendMessageA(pane, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return full;
}

// KZW32.DLL loaded from beside the test and started, with an owner window
// holding one pane.
class PaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gHeard = Heard{};
    library_ = LoadLibraryA("KZW32.DLL");
    ASSERT_NE(library_, nullptr);
    control_ = reinterpret_cast<kzw::KzControlCall>(reinterpret_cast<void*>(GetProcAddress(library_, "kzcontrol")));
    ASSERT_NE(control_, nullptr);
    ASSERT_GE(control_(kzw::kControlStart, reinterpret_cast<LPARAM>("ZANTO"), "", 0, 0), 0);
    gRequest = RegisterWindowMessageA(kzw::kRequestMessage);
    WNDCLASSA owner = {};
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = GetModuleHandleA(nullptr);
    owner.lpszClassName = kOwnerClass;
    RegisterClassA(&owner);
    owner_ = CreateWindowA(kOwnerClass, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 500, 300, nullptr, nullptr,
                           owner.hInstance, nullptr);
    ASSERT_NE(owner_, nullptr);
    pane_ = CreateWindowA(kzw::kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 480, 200, owner_, nullptr,
                          owner.hInstance, nullptr);
    ASSERT_NE(pane_, nullptr);
  }
  void TearDown() override {
    if (owner_) DestroyWindow(owner_);
    UnregisterClassA(kOwnerClass, GetModuleHandleA(nullptr));
    if (control_) control_(kzw::kControlEnd, 0, nullptr, 0, 0);
    if (library_) FreeLibrary(library_);
  }
  int Show(const std::string& path, int line) {
    return control_(kzw::kControlShow, reinterpret_cast<LPARAM>(pane_), path.c_str(), line, 0);
  }
  LRESULT Query(UINT message) { return SendMessageA(pane_, message, 0, 0); }

  HMODULE library_ = nullptr;
  kzw::KzControlCall control_ = nullptr;
  HWND owner_ = nullptr;
  HWND pane_ = nullptr;
  TempDir dir_;
};

TEST_F(PaneTest, ShowsAFileInEveryKanjiCodeAtTheLineAsked) {
  const std::string cat = "猫の名前";  // Shift_JIS here
  struct Case {
    const char* code;
    std::string bytes;
  } cases[] = {
      {"Shift_JIS", "abc\r\n" + cat + "\r\nxyz\r\n"},
      {"EUC-JP", "abc\n\xC7\xAD\xA4\xCE\xCC\xBE\xC1\xB0\nxyz\n"},
      {"JIS", "abc\n\x1B$BG-$NL>A0\x1B(B\nxyz\n"},
      {"UTF-8", "abc\n\xE7\x8C\xAB\xE3\x81\xAE\xE5\x90\x8D\xE5\x89\x8D\nxyz"},
      {"UTF-16", std::string("\xFF\xFE" "a\0b\0c\0\r\0\n\0\x2B\x73\x6E\x30\x0D\x54\x4D\x52\n\0x\0y\0z\0\n\0", 30)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    dir_.Write("t.txt", c.bytes);
    ASSERT_GE(Show(dir_ / "t.txt", 2), 0);
    EXPECT_EQ(Query(kzw::kPaneGetLineCount), 3);
    EXPECT_EQ(Query(kzw::kPaneGetMarkedLine), 1);
    EXPECT_EQ(Query(kzw::kPaneGetCurrentLine), 1);
    EXPECT_EQ(PaneLine(pane_), cat);
  }
  // Far down a long file the line jumped to is scrolled into view.
  std::string many;
  for (int i = 1; i <= 500; ++i) many += "line " + std::to_string(i) + "\r\n";
  dir_.Write("many.txt", many);
  ASSERT_GE(Show(dir_ / "many.txt", 400), 0);
  const LRESULT top = Query(kzw::kPaneGetTopLine);
  EXPECT_LE(top, 399);
  EXPECT_GT(top + Query(kzw::kPaneGetVisibleLines), 399);
  EXPECT_EQ(PaneLine(pane_), "line 400");
  SendMessageA(pane_, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(PaneLine(pane_), "line 401");
  SendMessageA(pane_, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(PaneLine(pane_), "line 500");
  const LRESULT rows = Query(kzw::kPaneGetVisibleLines);
  EXPECT_EQ(Query(kzw::kPaneGetTopLine) + rows, 500);
  SendMessageA(pane_, WM_KEYDOWN, VK_PRIOR, 0);  // a page up keeps the current line in view
  EXPECT_EQ(Query(kzw::kPaneGetCurrentLine), 499 - rows);
  EXPECT_LE(Query(kzw::kPaneGetTopLine), 499 - rows);
  EXPECT_GT(Query(kzw::kPaneGetTopLine) + rows, 499 - rows);

  EXPECT_LT(Show(dir_ / "missing.txt", 1), 0);
  EXPECT_GE(control_(kzw::kControlShow, reinterpret_cast<LPARAM>(pane_), nullptr, 0, 0), 0);
  EXPECT_EQ(Query(kzw::kPaneGetLineCount), 0);
  EXPECT_LT(control_(kzw::kControlShow, reinterpret_cast<LPARAM>(owner_), nullptr, 0, 0), 0);  // no pane
}

TEST_F(PaneTest, AResultLineAsksTheOwnerToOpenItsSource) {
  dir_.Write("result.txt",
             "===== sub\\表.txt =====\r\n"
             "\"my dir\\b c.txt\" 12:猫がいる\r\n"
             "検索総行数  3 行\r\n");
  ASSERT_GE(Show(dir_ / "result.txt", 0), 0);
  // A double click on the top line: the heading names the file, line 1.
  SendMessageA(pane_, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 1));
  SendMessageA(pane_, kzw::kPaneSetCurrentLine, 1, 0);
  SendMessageA(pane_, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(gHeard.openPaths.size(), 2u);
  EXPECT_EQ(gHeard.openPaths[0], FullPath("sub\\表.txt"));  // from the current directory
  EXPECT_EQ(gHeard.openLines[0], 1);
  EXPECT_EQ(gHeard.openPaths[1], FullPath("my dir\\b c.txt"));
  EXPECT_EQ(gHeard.openLines[1], 12);
  EXPECT_TRUE(gHeard.statuses.empty());

  // A line that names no file, and a file the owner cannot show, are
  // reported as status texts; keys the pane does not use go to the owner.
  SendMessageA(pane_, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(pane_, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(gHeard.openPaths.size(), 2u);
  ASSERT_EQ(gHeard.statuses.size(), 1u);
  gHeard.openAnswer = 0;
  SendMessageA(pane_, WM_KEYDOWN, VK_UP, 0);
  SendMessageA(pane_, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(gHeard.statuses.size(), 2u);
  EXPECT_NE(gHeard.statuses[1].find("b c.txt"), std::string::npos);
  SendMessageA(pane_, WM_KEYDOWN, VK_F5, 0);
  EXPECT_EQ(gHeard.keys, std::vector<LPARAM>{VK_F5});
}

// The viewer window of one process alone (a viewer another suite left
// behind must not stand in for it), once shown: the viewer shows its window
// after making its panes and reading its file, and a window found before
// that has no panes yet.
struct ViewerSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchViewer(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ViewerSearch*>(param);
  char name[32] = "";
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) ||
      strcmp(name, "KZW32Viewer") != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND ShownViewerOf(DWORD processId) {
  ViewerSearch search = {processId, nullptr};
  EnumWindows(MatchViewer, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A file the build put beside the test.
std::string BesideTest(const std::string& name) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  const std::string path = exe;
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// The viewer started as the program starts it, in the directory the
// result's relative paths start from.
class ViewerRun {
 public:
  ViewerRun(const std::string& arguments, const std::string& directory) {
    const std::string path = BesideTest("KZW32.EXE");
    std::string command = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                              &startup, &process_);
    if (!started_) return;
    for (DWORD waited = 0; waited < kWaitMs && !window_; waited += 100) {
      Sleep(100);
      window_ = ShownViewerOf(process_.dwProcessId);
    }
  }
  ~ViewerRun() {
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (started_) {
      if (WaitForSingleObject(process_.hProcess, kWaitMs) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  HWND window() const { return window_; }
  HWND Pane(int id) const { return GetDlgItem(window_, id); }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_ = {};
  HWND window_ = nullptr;
};

// Waits until check holds, for the other process to catch up.
template <typename Check>
bool WaitFor(Check check) {
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    if (check()) return true;
    Sleep(50);
  }
  return check();
}

TEST(Viewer, EnterOnAResultLineShowsTheSourceAtThatLine) {
  TempDir dir;
  std::string source;
  for (int i = 1; i <= 60; ++i) source += (i == 42 ? std::string("吾輩は猫である") : "text " + std::to_string(i)) + "\r\n";
  dir.Write("src.txt", source);
  dir.Write("my result.txt", "===== src.txt =====\r\nsrc.txt 42:吾輩は猫である\r\n");
  // The program names an output file with a space unquoted.
  ViewerRun viewer("my result.txt", dir.path());
  ASSERT_NE(viewer.window(), nullptr);
  HWND result = viewer.Pane(1);
  HWND shown = viewer.Pane(2);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(result, kzw::kPaneGetLineCount, 0, 0) == 2; }));
  char title[512];
  GetWindowTextA(viewer.window(), title, sizeof title);
  EXPECT_NE(std::string(title).find("my result.txt"), std::string::npos);

  SendMessageA(result, kzw::kPaneSetCurrentLine, 1, 0);
  PostMessageA(result, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(shown) && !IsWindowVisible(result); }));
  EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetLineCount, 0, 0), 60);
  EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetMarkedLine, 0, 0), 41);
  const LRESULT top = SendMessageA(shown, kzw::kPaneGetTopLine, 0, 0);
  EXPECT_LE(top, 41);
  EXPECT_GT(top + SendMessageA(shown, kzw::kPaneGetVisibleLines, 0, 0), 41);
  EXPECT_EQ(PaneLine(shown), "吾輩は猫である");
  GetWindowTextA(viewer.window(), title, sizeof title);
  EXPECT_NE(std::string(title).find("src.txt"), std::string::npos);

  PostMessageA(shown, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(result) && !IsWindowVisible(shown); }));
}

std::string TitleOf(HWND window) {
  char title[1024] = "";
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// Enter on line index of the result pane; true once the source pane shows.
bool JumpFrom(const ViewerRun& viewer, int index) {
  HWND result = viewer.Pane(1);
  HWND shown = viewer.Pane(2);
  SendMessageA(result, kzw::kPaneSetCurrentLine, static_cast<WPARAM>(index), 0);
  PostMessageA(result, WM_KEYDOWN, VK_RETURN, 0);
  return WaitFor([&] { return IsWindowVisible(shown) && !IsWindowVisible(result); });
}

void GoBack(const ViewerRun& viewer) {
  PostMessageA(viewer.Pane(2), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(viewer.Pane(1)); }));
}

// A line longer than the search's line limit counts as several lines there,
// so the viewer counts the line after it as the search does, whatever the
// code of the file.
TEST(Viewer, JumpPastALongLineLandsOnTheLineTheSearchNumbered) {
  TempDir dir;
  const std::string cat = "吾輩は猫である";
  // 2,500 あ in Shift_JIS, 5,000 bytes: two pieces, the first ending inside
  // a character. 6,000 あ: 12,000 bytes in Shift_JIS, three pieces of whole
  // characters, however many bytes they take in the file.
  std::string sj, u8(6000 * 3, ' '), u16 = "\xFF\xFE";
  for (size_t i = 0; i < 2500; ++i) sj += "\x82\xA0";
  dir.Write("sj.txt", sj + "\r\n" + cat + "\r\nend\r\n");
  for (size_t i = 0; i < 6000; ++i) u8.replace(i * 3, 3, "\xE3\x81\x82");
  for (size_t i = 0; i < 6000; ++i) u16 += "\x42\x30";
  dir.Write("u8.txt", u8 + "\n\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\xE3\x81\xA7\xE3\x81\x82\xE3\x82\x8B\nend\n");
  dir.Write("u16.txt", u16 + std::string("\n\0\x3E\x54\x29\x8F\x6F\x30\x2B\x73\x67\x30\x42\x30\x8B\x30\n\0e\0n\0d\0", 24));
  dir.Write("result.txt", "sj.txt 3:" + cat + "\r\nu8.txt 4:" + cat + "\r\nu16.txt 4:" + cat + "\r\n");
  ViewerRun viewer("result.txt", dir.path());
  ASSERT_NE(viewer.window(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(viewer.Pane(1), kzw::kPaneGetLineCount, 0, 0) == 3; }));
  for (int index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(JumpFrom(viewer, index));
    HWND shown = viewer.Pane(2);
    EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetLineCount, 0, 0), 3);
    EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetMarkedLine, 0, 0), 1);
    EXPECT_EQ(PaneLine(shown), cat);
    GoBack(viewer);
  }
}

// An office document is shown as the search read it, a paragraph a line,
// so a jump from a result line lands on the paragraph the line names.
TEST(Viewer, JumpToADocumentLandsOnTheParagraph) {
  TempDir dir;
  ASSERT_TRUE(CopyFileA(BesideTest("words.docx").c_str(), (dir / "words.docx").c_str(), FALSE));
  dir.Write("result.txt", "words.docx 3:日本語の段落です。\r\nwords.docx 9:終わり\r\n");
  ViewerRun viewer("result.txt", dir.path());
  ASSERT_NE(viewer.window(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(viewer.Pane(1), kzw::kPaneGetLineCount, 0, 0) == 2; }));
  const struct {
    int index;
    LRESULT marked;
    std::string text;
  } jumps[] = {{0, 2, "日本語の段落です。"}, {1, 8, "終わり"}};
  for (const auto& jump : jumps) {
    SCOPED_TRACE(jump.index);
    ASSERT_TRUE(JumpFrom(viewer, jump.index));
    HWND shown = viewer.Pane(2);
    EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetLineCount, 0, 0), 9);
    EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetMarkedLine, 0, 0), jump.marked);
    EXPECT_EQ(PaneLine(shown), jump.text);
    GoBack(viewer);
  }
}

// After a run that leaves at once the extraction root is gone: the viewer
// extracts the member named under the archive's heading into a folder of
// its own, removed when it closes.
TEST(Viewer, JumpToAnArchiveMemberWhoseExtractionIsGone) {
  TempDir dir;
  ASSERT_TRUE(CopyFileA(BesideTest("dirs_l0.lzh").c_str(), (dir / "arc.lzh").c_str(), FALSE));
  const std::string member = dir / "gone\\$ZANTO$.TMP\\arc.0A1B2C3D\\dir\\sub\\file.txt";
  const std::string line8 = "Study perhaps above floor music letter among left class; Build";
  dir.Write("result.txt", "===== " + member + "(" + (dir / "arc.lzh") + ") =====\r\n" + member + " 8:" + line8 +
                              "\r\n===== " + member + "(" + (dir / "missing.lzh") + ") =====\r\n" + member +
                              " 8:" + line8 + "\r\n");
  std::string extracted;
  {
    ViewerRun viewer("result.txt", dir.path());
    ASSERT_NE(viewer.window(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(viewer.Pane(1), kzw::kPaneGetLineCount, 0, 0) == 4; }));
    ASSERT_TRUE(JumpFrom(viewer, 1));
    HWND shown = viewer.Pane(2);
    EXPECT_EQ(SendMessageA(shown, kzw::kPaneGetMarkedLine, 0, 0), 7);
    EXPECT_EQ(PaneLine(shown), line8);
    // The title names the file shown, before the hint to go back.
    const std::string title = TitleOf(viewer.window());
    const size_t start = title.find(" - ") + 3;
    extracted = title.substr(start, title.find("  [", start) - start);
    EXPECT_NE(extracted.find("dir\\sub\\file.txt"), std::string::npos);
    EXPECT_EQ(extracted.find(dir.path()), std::string::npos);  // not the root the result names
    EXPECT_NE(GetFileAttributesA(extracted.c_str()), INVALID_FILE_ATTRIBUTES);
    GoBack(viewer);

    // An archive that cannot be read: the usual status for a file not shown.
    SendMessageA(viewer.Pane(1), kzw::kPaneSetCurrentLine, 3, 0);
    PostMessageA(viewer.Pane(1), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor([&] { return TitleOf(viewer.window()).find("開けません: ") != std::string::npos; }));
    EXPECT_TRUE(IsWindowVisible(viewer.Pane(1)));
  }
  EXPECT_EQ(GetFileAttributesA(extracted.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A result file is the program's Shift_JIS, never guessed: ﾃｽ (C3 BD) would
// also read as UTF-8.
TEST(Viewer, ShowsAResultFileAsShiftJis) {
  TempDir dir;
  dir.Write("result.txt", "a.txt 1:ﾃｽ\r\n");
  ViewerRun viewer("result.txt", dir.path());
  ASSERT_NE(viewer.window(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(viewer.Pane(1), kzw::kPaneGetLineCount, 0, 0) == 1; }));
  EXPECT_EQ(PaneLine(viewer.Pane(1)), "a.txt 1:ﾃｽ");
}

TEST(Viewer, TakesTheClipboardTextAtStart) {
  const std::string text = "a.txt 3:猫\r\nb.txt 4:犬\r\n";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
  memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  TempDir dir;
  ViewerRun viewer("-C", dir.path());
  ASSERT_NE(viewer.window(), nullptr);
  HWND result = viewer.Pane(1);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(result, kzw::kPaneGetLineCount, 0, 0) == 2; }));
  EXPECT_EQ(PaneLine(result), "a.txt 3:猫");
}

}  // namespace
