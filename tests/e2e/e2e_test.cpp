// End-to-end: starts ZANTO32.EXE (ZANTO_EXE names it) and works it as a user
// would - on the command line, and through its dialogs from outside the
// process: fills the boxes, presses the buttons, waits for the progress
// dialog and reads the match label, the output file, the clipboard and the
// profile written at exit.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "files/archive_support.h"
#include "support/shell_link.h"
#include "support/stored_archive.h"
#include "support/temp_dir.h"

namespace {

using zanto::test::StoredArchive;
using zanto::test::TempDir;

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kRunTimeoutMs = 30000;
constexpr DWORD kPollMs = 20;
// How long a text, a file or a pane may take to reach what a test expects
// of it; only a failing test waits that long, and a busy machine may need it.
constexpr DWORD kSettleTimeoutMs = 10000;
constexpr int kSearchText = 3000, kFileNames = 3001, kOutFile = 3002, kMatchCount = 3011, kEndmatch = 3013,
              kVerbose = 3012, kPauseButton = 3205;
constexpr char kTitle[] = "ＺＡＮＴＯ32";
constexpr char kProgressTitle[] = "ＺＡＮＴＯ32  検索中";
constexpr char kVersionTitle[] = "ＺＡＮＴＯ32 : バージョン情報";
constexpr int kVersionButton = 3014, kVersionLine = 3305, kTotalMemory = 3301, kDirHistory = 3021;
constexpr WPARAM kSmallDialogItem = 900;
constexpr int kDirList = 1121, kFileList = 1120, kCurrentDir = 1088, kPathChars = 300;

// The program's path in the form CreateProcess takes.
std::string ProgramPath() {
  const char* path = std::getenv("ZANTO_EXE");
  std::string p = path ? path : "";
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

std::string Sjis(const char* text) { return text; }  // literals are Shift_JIS already

// The file at path once it reads expected (case aside), or what it read
// last: a started program writes on its own time, after a window it shows
// has gone or even after it has ended.
std::string WaitFileText(const std::string& path, const std::string& expected) {
  std::string text = zanto::test::ReadFileBytes(path);
  for (DWORD waited = 0; waited < kSettleTimeoutMs && _stricmp(text.c_str(), expected.c_str()) != 0; waited += kPollMs) {
    Sleep(kPollMs);
    text = zanto::test::ReadFileBytes(path);
  }
  return text;
}

// The recording editor's path in the form the registry and the program
// give it.
std::string FakeEditorPath() {
  const char* path = std::getenv("ZANTO_FAKE_EDITOR");
  std::string p = path ? path : "";
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

// The editor tests have the program start KZW32.EXE, its default editor.
// For the whole run the system registers the recording editor under that
// name, so that they can read what it was given.
class RegisteredEditor : public ::testing::Environment {
 public:
  static constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KZW32.EXE";
  void SetUp() override {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string path = FakeEditorPath();
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
  }
  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }
};
const auto* const gRegisteredEditor = ::testing::AddGlobalTestEnvironment(new RegisteredEditor);

// One started copy of the program.
class Program {
 public:
  bool Start(const std::string& arguments, const std::string& directory) {
    std::string command = "\"" + ProgramPath() + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string dir = directory;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_)) {
      return false;
    }
    started_ = true;
    return true;
  }
  // Exit code, or -1 when it did not end in time.
  long WaitExit(DWORD timeoutMs = kRunTimeoutMs) {
    if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }
  DWORD id() const { return pi_.dwProcessId; }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 99);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

// A top-level dialog of process pid with the given title, optionally one
// that has (or lacks) control `child`.
struct FindQuery {
  DWORD pid;
  const char* title;
  int child;        // 0: any
  bool wantChild;   // the control must exist (else must not)
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* q = reinterpret_cast<FindQuery*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != q->pid || !IsWindowVisible(window)) return TRUE;
  char cls[32], title[128];
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (std::strcmp(cls, "#32770") != 0 || std::strcmp(title, q->title) != 0) return TRUE;
  if (q->child && (GetDlgItem(window, q->child) != nullptr) != q->wantChild) return TRUE;
  q->found = window;
  return FALSE;
}

HWND FindDialog(DWORD pid, const char* title, int child, bool wantChild) {
  FindQuery q = {pid, title, child, wantChild, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND WaitDialog(DWORD pid, const char* title, int child, bool wantChild, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
    HWND w = FindDialog(pid, title, child, wantChild);
    if (w) return w;
    Sleep(kPollMs);
  }
  return nullptr;
}

HWND WaitMainDialog(const Program& p) { return WaitDialog(p.id(), kTitle, kSearchText, true, kStartTimeoutMs); }

// True once window is gone (in time).
bool WaitGone(HWND window) {
  for (DWORD waited = 0; waited < kRunTimeoutMs && IsWindow(window); waited += kPollMs) Sleep(kPollMs);
  return !IsWindow(window);
}

// A message box of the program: its text, after which it is answered and
// gone (else a box asked for next could be this one, not yet closed).
std::string AnswerMessageBox(const Program& p) {
  HWND box = WaitDialog(p.id(), kTitle, kSearchText, false, kRunTimeoutMs);
  if (!box) return "(no box)";
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32], buf[512];
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") != 0) continue;
    GetWindowTextA(child, buf, sizeof buf);
    if (buf[0]) text = buf;
  }
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  WaitGone(box);
  return text;
}

std::string ControlText(HWND dialog, int id) {
  char buf[512] = {};
  SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SetCheck(HWND dialog, int id, bool on) {
  SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Presses "検索開始" and waits until the progress dialog has come and gone
// (or the match label changed, for a run too quick to be seen).
bool RunSearchAndWait(const Program& p, HWND dialog) {
  SetControlText(dialog, kMatchCount, "");
  Press(dialog, IDOK);
  for (DWORD waited = 0; waited < kRunTimeoutMs; waited += kPollMs) {
    Sleep(kPollMs);
    if (!FindDialog(p.id(), kProgressTitle, 0, true) && !ControlText(dialog, kMatchCount).empty()) return true;
  }
  return false;
}

std::string Clipboard() {
  std::string text;
  for (int tries = 0; tries < 50 && !OpenClipboard(nullptr); ++tries) Sleep(kPollMs);
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data) {
    const char* p = static_cast<const char*>(GlobalLock(data));
    if (p) text = p;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void ClearClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// Saves what the screen shows of a window's client area as a 24-bit BMP.
bool CaptureWindow(HWND window, const std::string& path) {
  RECT r;
  if (!GetClientRect(window, &r)) return false;
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int stride = (w * 3 + 3) & ~3;
  std::string pixels(static_cast<size_t>(stride) * h, '\0');
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(&file, sizeof file, 1, f);
  std::fwrite(&info, sizeof info, 1, f);
  std::fwrite(pixels.data(), 1, pixels.size(), f);
  std::fclose(f);
  return true;
}

std::string ProfileValue(const std::string& profile, const std::string& key) {
  std::string needle = "\n" + key + "=";
  size_t at = ("\n" + profile).find(needle);
  if (at == std::string::npos) return "(absent)";
  size_t start = at + needle.size() - 1;
  size_t end = profile.find_first_of("\r\n", start);
  return profile.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// A few Shift_JIS files with known matches.
void WriteSamples(const TempDir& dir) {
  dir.Write("a.txt", Sjis("一行目は日本語です\r\n二行目に検索語があります\r\nthird line\r\n検索は楽しい\r\n"));
  dir.Write("b.txt", "nothing here\r\n");
}

std::string Directory(const TempDir& dir) {
  std::string d = dir.path();
  if (!d.empty() && d.back() == '\\') d.pop_back();
  return d;
}

TEST(CommandLine, SearchesWritesTheFileAndEndsWithoutTouchingTheProfile) {
  TempDir dir;
  WriteSamples(dir);
  Program p;
  std::string args = Sjis("検索 *.txt -O") + (dir / "out.txt") + " -1+ -u -I" + (dir / "p.ini");
  ASSERT_TRUE(p.Start(args, dir.path()));
  EXPECT_EQ(p.WaitExit(), 0);
  std::string out = dir.Read("out.txt");
  EXPECT_NE(out.find(Sjis("a.txt 2:二行目に検索語があります\r\n")), std::string::npos) << out;
  EXPECT_NE(out.find(Sjis("a.txt 4:検索は楽しい\r\n")), std::string::npos) << out;
  EXPECT_EQ(out.find("b.txt"), std::string::npos) << out;
  EXPECT_FALSE(dir.Exists("p.ini"));
}

TEST(CommandLine, ManyFileArgumentsAreCutAtTheFieldsEnd) {
  TempDir dir;
  WriteSamples(dir);
  // 40 names of 9 bytes go far beyond the 128-byte field; the names that
  // fit are searched and the program ends normally.
  std::string args = Sjis("検索 a.txt");
  for (int i = 0; i < 40; ++i) args += Sjis(" 表示.txt");
  args += " -O" + (dir / "out.txt") + " -1+ -u -I" + (dir / "p.ini");
  Program p;
  ASSERT_TRUE(p.Start(args, dir.path()));
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_NE(dir.Read("out.txt").find(Sjis("検索は楽しい")), std::string::npos);
}

// -K2: after two matches in a file the scan goes on to the next file.
TEST(CommandLine, CountStopFromTheCommandLineEndsEachFileAfterItsMatches) {
  TempDir dir;
  dir.Write("k.txt", "key 1\r\nkey 2\r\nkey 3\r\n");
  dir.Write("l.txt", "key 4\r\n");
  Program p;
  ASSERT_TRUE(p.Start("key *.txt -K2 -u -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_EQ(dir.Read("out.txt"), "k.txt 1:key 1\r\nk.txt 2:key 2\r\nl.txt 1:key 4\r\n");
}

TEST(Profile, OneUnreadableAtStartIsLeftAsItWas) {
  TempDir dir;
  const std::string saved =
      "[search]\r\nstring0=mysearch\r\nWord=1\r\nSubDir=1\r\nExecEdit=notepad.exe\r\nZengoLine=7\r\n";
  dir.Write("p.ini", saved);
  // Another program writes the profile and lets others only read it, so
  // the program cannot open it (it will not share writing) until released.
  HANDLE held = CreateFileA((dir / "p.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program p;
  bool started = p.Start("-I" + (dir / "p.ini"), dir.path());
  HWND dialog = started ? WaitMainDialog(p) : nullptr;
  CloseHandle(held);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlText(dialog, kSearchText), "") << "the profile was read after all";
  Press(dialog, IDCANCEL);
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_EQ(zanto::test::ReadFileBytes(dir / "p.ini"), saved);
  EXPECT_FALSE(dir.Exists("p.BAK"));
}

class Interactive : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSamples(dir_);
    profile_ = dir_ / "p.ini";
    ASSERT_TRUE(program_.Start("-I" + profile_, dir_.path()));
    dialog_ = WaitMainDialog(program_);
    ASSERT_NE(dialog_, nullptr);
    SetCheck(dialog_, kEndmatch, false);  // stay open after matches
  }
  void Close() {
    Press(dialog_, IDCANCEL);
    EXPECT_EQ(program_.WaitExit(), 0);
  }
  TempDir dir_;
  std::string profile_;
  Program program_;
  HWND dialog_ = nullptr;
};

TEST_F(Interactive, SearchToFileThenToClipboardThenCloseSavesHistories) {
  SetControlText(dialog_, kSearchText, Sjis("検索"));
  SetControlText(dialog_, kFileNames, "*.txt");
  SetControlText(dialog_, kOutFile, dir_ / "out.txt");
  SetCheck(dialog_, kVerbose, false);
  ASSERT_TRUE(RunSearchAndWait(program_, dialog_));
  EXPECT_EQ(ControlText(dialog_, kMatchCount), Sjis("2 個マッチ"));
  std::string out = dir_.Read("out.txt");
  EXPECT_NE(out.find(Sjis("二行目に検索語があります")), std::string::npos) << out;

  ClearClipboard();
  SetControlText(dialog_, kOutFile, "");
  SetControlText(dialog_, kSearchText, "third");
  ASSERT_TRUE(RunSearchAndWait(program_, dialog_));
  EXPECT_EQ(ControlText(dialog_, kMatchCount), Sjis("1 個マッチ"));
  EXPECT_NE(Clipboard().find("third line"), std::string::npos);

  Close();
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_EQ(ProfileValue(profile, "string0"), "third") << profile;
  EXPECT_EQ(ProfileValue(profile, "string1"), Sjis("検索"));
  EXPECT_EQ(ProfileValue(profile, "file0"), "*.txt");
  EXPECT_EQ(_stricmp(ProfileValue(profile, "dir0").c_str(), Directory(dir_).c_str()), 0) << profile;
  EXPECT_EQ(ProfileValue(profile, "Endmatch"), "0");
  EXPECT_EQ(ProfileValue(profile, "Verbose"), "0");
  EXPECT_EQ(ProfileValue(profile, "OutFile"), "");
}

TEST_F(Interactive, EmptySearchStringIsReported) {
  SetControlText(dialog_, kSearchText, "");
  SetControlText(dialog_, kFileNames, "*.txt");
  Press(dialog_, IDOK);
  EXPECT_EQ(AnswerMessageBox(program_), Sjis("入力していない項目があります"));
  SetControlText(dialog_, kSearchText, "x");
  SetControlText(dialog_, kFileNames, "");
  Press(dialog_, IDOK);
  EXPECT_EQ(AnswerMessageBox(program_), Sjis("入力していない項目があります"));
  Close();
}

TEST_F(Interactive, StopDuringAPausedSearchEndsItWithTheNote) {
  // The first file is held open without sharing, so the run stops at its
  // open-error question however fast it is; pause is pressed while that box
  // is up, and the run meets the pause as soon as the box is answered.
  std::string lines;
  for (int i = 0; i < 2000; ++i) lines += Sjis("長い長い行です、探している言葉はここにはありません\r\n");
  for (int f = 0; f < 3; ++f) dir_.Write("big" + std::to_string(f) + ".txt", lines);
  HANDLE held = CreateFileA((dir_ / "big0.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SetControlText(dialog_, kSearchText, Sjis("検索語"));
  SetControlText(dialog_, kFileNames, "big*.txt");
  SetControlText(dialog_, kOutFile, dir_ / "out.txt");
  SetCheck(dialog_, kVerbose, true);
  Press(dialog_, IDOK);
  HWND box = WaitDialog(program_.id(), kTitle, kSearchText, false, kRunTimeoutMs);
  HWND progress = FindDialog(program_.id(), kProgressTitle, 0, true);
  CloseHandle(held);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(progress, nullptr);
  Press(progress, kPauseButton);
  Sleep(300);
  PostMessageA(box, WM_COMMAND, IDYES, 0);  // go on, and keep asking
  Sleep(300);
  EXPECT_TRUE(IsWindow(progress)) << "the run went on through the pause";
  EXPECT_EQ(ControlText(progress, kPauseButton), Sjis("検索再開"));
  Press(progress, IDOK);  // "中止"
  for (DWORD waited = 0; waited < kRunTimeoutMs && ControlText(dialog_, kMatchCount).empty(); waited += kPollMs) {
    Sleep(kPollMs);
  }
  EXPECT_EQ(ControlText(dialog_, kMatchCount), Sjis("0 個マッチ"));
  std::string out = dir_.Read("out.txt");
  EXPECT_NE(out.find(Sjis("途中で中止しました\r\n")), std::string::npos) << out.substr(0, 400);
  EXPECT_EQ(out.find("big2.txt"), std::string::npos) << "nothing is searched after the stop";
  Close();
}

TEST_F(Interactive, EndmatchClosesOnlyAfterASearchThatMatched) {
  SetCheck(dialog_, kEndmatch, true);
  SetControlText(dialog_, kFileNames, "*.txt");
  SetControlText(dialog_, kOutFile, dir_ / "out.txt");
  SetControlText(dialog_, kSearchText, "absent-word");
  // Had this run closed the dialog, the next one could not be started.
  ASSERT_TRUE(RunSearchAndWait(program_, dialog_));
  EXPECT_EQ(ControlText(dialog_, kMatchCount), Sjis("0 個マッチ"));
  SetControlText(dialog_, kSearchText, "third");
  Press(dialog_, IDOK);
  EXPECT_EQ(program_.WaitExit(), 0);
  EXPECT_NE(dir_.Read("out.txt").find("third line"), std::string::npos);
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_EQ(ProfileValue(profile, "string0"), "third") << profile;
  EXPECT_EQ(ProfileValue(profile, "Endmatch"), "1");
}

TEST_F(Interactive, SecondPlainStartOnlyRaisesTheFirst) {
  Program second;
  ASSERT_TRUE(second.Start("-I" + profile_, dir_.path()));
  EXPECT_EQ(second.WaitExit(), 0);
  EXPECT_TRUE(IsWindow(dialog_));
  Close();
}

TEST_F(Interactive, VersionDialogShowsTheBuildAndTheMemory) {
  Press(dialog_, kVersionButton);
  HWND version = WaitDialog(program_.id(), kVersionTitle, 0, true, kRunTimeoutMs);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(ControlText(version, kVersionLine), Sjis("Version 3.3　 (Build 2081)"));
  std::string memory = ControlText(version, kTotalMemory);
  EXPECT_EQ(memory.rfind(Sjis("　　物理メモリ "), 0), 0u) << memory;
  Press(version, IDOK);
  for (int i = 0; i < 100 && IsWindow(version); ++i) Sleep(kPollMs);
  EXPECT_FALSE(IsWindow(version));
  Close();
}

TEST_F(Interactive, DirectoryHistoryChoiceReopensTheDialogThereWithItsTexts) {
  Close();  // leave a profile with the sample directory as dir0
  dir_.Write("sub\\c.txt", Sjis("サブの検索\r\n"));
  std::string profile = zanto::test::ReadFileBytes(profile_);
  std::string sub = Directory(dir_) + "\\sub";
  dir_.Write("p.ini", "[search]\r\ndir0=" + Directory(dir_) + "\r\ndir1=" + sub + "\r\nEndmatch=0\r\n");
  Program again;
  ASSERT_TRUE(again.Start("-I" + profile_, dir_.path()));
  HWND first = WaitMainDialog(again);
  ASSERT_NE(first, nullptr);
  SetControlText(first, kSearchText, Sjis("サブ"));
  SetControlText(first, kFileNames, "c.txt");
  HWND box = GetDlgItem(first, kDirHistory);
  // Sent, not posted: the selection below must come after the drop-down.
  SendMessageA(first, WM_COMMAND, MAKEWPARAM(kDirHistory, CBN_DROPDOWN), reinterpret_cast<LPARAM>(box));
  SendMessageA(box, CB_SETCURSEL, 1, 0);
  PostMessageA(first, WM_COMMAND, MAKEWPARAM(kDirHistory, CBN_CLOSEUP), reinterpret_cast<LPARAM>(box));
  HWND reopened = nullptr;
  for (int i = 0; i < 500 && !reopened; ++i) {
    Sleep(kPollMs);
    HWND w = FindDialog(again.id(), kTitle, kSearchText, true);
    if (w && w != first) reopened = w;
  }
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(ControlText(reopened, kSearchText), Sjis("サブ"));
  EXPECT_EQ(ControlText(reopened, kFileNames), "c.txt");
  SetControlText(reopened, kOutFile, dir_ / "out.txt");
  ASSERT_TRUE(RunSearchAndWait(again, reopened));
  EXPECT_EQ(ControlText(reopened, kMatchCount), Sjis("1 個マッチ"));
  PostMessageA(reopened, WM_SYSCOMMAND, kSmallDialogItem, 0);
  Press(reopened, IDCANCEL);
  EXPECT_EQ(again.WaitExit(), 0);
  profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_EQ(_stricmp(ProfileValue(profile, "Directory").c_str(), sub.c_str()), 0) << profile;
  EXPECT_EQ(ProfileValue(profile, "SmallDialog"), "1");
}

// The entry of the directory list named name (as the list shows it), or -1.
int DirectoryListEntry(HWND dialog, const wchar_t* name) {
  HWND list = GetDlgItem(dialog, kDirList);
  int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t item[kPathChars] = {};
    // The common dialog keeps its entries as UTF-16; read them so.
    if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= kPathChars) continue;
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
    if (_wcsicmp(item, name) == 0) return i;
  }
  return -1;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && _stricmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

TEST_F(Interactive, DoubleClickInTheDirectoryListChangesIntoIt) {
  Close();
  dir_.Write("sub\\c.txt", Sjis("検索\r\n"));
  Program again;
  ASSERT_TRUE(again.Start("-I" + profile_, dir_.path()));
  HWND dialog = WaitMainDialog(again);
  ASSERT_NE(dialog, nullptr);
  int sub = DirectoryListEntry(dialog, L"[sub]");
  ASSERT_GE(sub, 0);
  HWND list = GetDlgItem(dialog, kDirList);
  RECT r = {};
  SendMessageA(list, LB_GETITEMRECT, sub, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  std::string shown;
  for (DWORD waited = 0; waited < kRunTimeoutMs && !EndsWith(shown, "\\sub"); waited += kPollMs) {
    Sleep(kPollMs);
    shown = ControlText(dialog, kCurrentDir);
  }
  EXPECT_TRUE(EndsWith(shown, "\\sub")) << shown;
  Press(dialog, IDCANCEL);
  EXPECT_EQ(again.WaitExit(), 0);
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_TRUE(EndsWith(ProfileValue(profile, "Directory"), "\\sub")) << profile;
}

// Clicks entry `index` of list box `id`.
void ClickListEntry(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  RECT r = {};
  SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
}

TEST_F(Interactive, OkInTheDirectoryListAfterAFileClickKeepsTheProgramOpen) {
  ClickListEntry(dialog_, kFileList, 0);  // leaves the file's name in the hidden name box
  ClickListEntry(dialog_, kDirList, 0);   // and puts the focus into the directory list
  SetControlText(dialog_, kSearchText, "x");
  SetControlText(dialog_, kFileNames, "*.txt");
  Press(dialog_, IDOK);
  EXPECT_EQ(program_.WaitExit(3000), -1) << "the program ended";
  ASSERT_TRUE(IsWindow(dialog_));
  Close();
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_FALSE(EndsWith(ProfileValue(profile, "Directory"), ".txt")) << profile;
}

// Run with ZANTO_SCREENSHOTS=<directory> to save the three dialogs as BMP.
TEST_F(Interactive, Screenshots) {
  const char* out = std::getenv("ZANTO_SCREENSHOTS");
  if (!out) {
    Close();
    GTEST_SKIP() << "ZANTO_SCREENSHOTS not set";
  }
  std::string shots = out;
  if (shots[0] == '/') shots = "Z:" + shots;
  std::string lines;
  for (int i = 0; i < 3000; ++i) lines += Sjis(i % 50 == 0 ? "ここに検索語があります\r\n" : "関係のない行です\r\n");
  for (int f = 0; f < 30; ++f) dir_.Write("doc" + std::to_string(f) + ".txt", lines);
  SetControlText(dialog_, kSearchText, Sjis("検索語"));
  SetControlText(dialog_, kFileNames, "*.txt");
  Sleep(500);
  EXPECT_TRUE(CaptureWindow(dialog_, shots + "\\main.bmp"));
  Press(dialog_, kVersionButton);
  HWND version = WaitDialog(program_.id(), kVersionTitle, 0, true, kRunTimeoutMs);
  ASSERT_NE(version, nullptr);
  Sleep(500);
  EXPECT_TRUE(CaptureWindow(version, shots + "\\version.bmp"));
  Press(version, IDOK);
  Sleep(300);
  Press(dialog_, IDOK);
  HWND progress = WaitDialog(program_.id(), kProgressTitle, 0, true, kRunTimeoutMs);
  ASSERT_NE(progress, nullptr);
  Sleep(150);
  Press(progress, kPauseButton);
  Sleep(500);
  EXPECT_TRUE(CaptureWindow(progress, shots + "\\progress.bmp"));
  Press(progress, IDOK);
  for (DWORD waited = 0; waited < kRunTimeoutMs && ControlText(dialog_, kMatchCount).empty(); waited += kPollMs) {
    Sleep(kPollMs);
  }
  Close();
}

TEST(CommandLine, ProgressCountShowsTheFinalCountAfterManyMatches) {
  constexpr int kProgressCount = 3201;
  TempDir dir;
  // While it scans, the count is written only now and then (beyond ten,
  // every eighth match or at a message point), so 1001, one past such a
  // count, shows only if the dialog is brought up to date at the end of
  // the file. The file after it, held open without sharing, stops the run
  // at its open-error question with the dialog still open.
  std::string lines;
  for (int i = 0; i < 1001; ++i) lines += Sjis("検索語のある行\r\n");
  dir.Write("many.txt", lines);
  dir.Write("held.txt", "x\r\n");
  HANDLE held = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program p;
  std::string args = Sjis("検索語 many.txt held.txt -O") + (dir / "out.txt") + " -1+ -u -I" + (dir / "p.ini");
  ASSERT_TRUE(p.Start(args, dir.path()));
  HWND box = WaitDialog(p.id(), kTitle, kSearchText, false, kRunTimeoutMs);
  HWND progress = FindDialog(p.id(), kProgressTitle, 0, true);
  std::string count = progress ? ControlText(progress, kProgressCount) : "(no progress dialog)";
  CloseHandle(held);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(count, Sjis("1001 個マッチ"));
  PostMessageA(box, WM_COMMAND, IDYES, 0);
  EXPECT_EQ(p.WaitExit(), 0);
  std::string out = dir.Read("out.txt");
  size_t written = 0;
  for (char c : out) written += c == '\n';
  EXPECT_EQ(written, 1001u) << out.substr(0, 200);
}

}  // namespace

// ---- Option dialogs ----

namespace options {

constexpr int kBlockButton = 3017, kOtherButton = 3018, kZengoButton = 3019, kFilterSummary = 3020,
              kExtendedButton = 3062, kExtendedSummary = 3063, kFieldButton = 3081;
constexpr char kBlockTitle[] = "ＺＡＮＴＯ32 : ブロック出力の設定";
constexpr char kZengoTitle[] = "ＺＡＮＴＯ32 : 前後 N 行出力の設定";
constexpr char kFieldTitle[] = "ＺＡＮＴＯ32 : フィールド検索の設定";
constexpr char kOtherTitle[] = "ＺＡＮＴＯ32 : その他の設定";
constexpr char kExtendedTitle[] = "ＺＡＮＴＯ32 : 拡張検索の設定";
constexpr int kFieldOn = 3900, kFieldSeparators = 3901, kFieldNumbers = 3902;
constexpr int kBlockOut = 3400, kFirstPattern = 3401, kFirstSet = 3411, kFirstEndFlag = 3416;
constexpr int kDate = 3506, kDateStart = 3507, kDateEnd = 3508, kSize = 3509, kSizeStart = 3510, kSizeEnd = 3511;

// The value of key in [section] of a profile text, or "(absent)".
std::string SectionValue(const std::string& profile, const std::string& section, const std::string& key) {
  size_t at = profile.find("[" + section + "]");
  if (at == std::string::npos) return "(absent)";
  size_t end = profile.find("\n[", at);
  return ProfileValue(profile.substr(at, end == std::string::npos ? std::string::npos : end - at), key);
}

// Sends a command and returns once the dialog has handled it. A command
// that ends a modal dialog is posted instead (Press): the dialog's loop
// ends only when a message of its own queue follows.
void SendCommand(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Clicks a button as the mouse would: it checks itself and notifies.
void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool Checked(HWND dialog, int id) { return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The text of a control once it reads expected, or what it read last.
std::string WaitText(HWND dialog, int id, const std::string& expected) {
  std::string text = ControlText(dialog, id);
  for (DWORD waited = 0; waited < kSettleTimeoutMs && text != expected; waited += kPollMs) {
    Sleep(kPollMs);
    text = ControlText(dialog, id);
  }
  return text;
}

// The control of dialog that has the keyboard focus, or 0.
int FocusedControl(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) || !info.hwndFocus) return 0;
  HWND focus = info.hwndFocus;
  if (GetParent(focus) != dialog) focus = GetParent(focus);
  return GetDlgCtrlID(focus);
}

HWND OpenDialog(const Program& p, HWND main, int button, const char* title) {
  Press(main, button);
  return WaitDialog(p.id(), title, IDOK, true, kRunTimeoutMs);
}

// What a test does to one control of an option dialog.
struct Action {
  enum Kind { kCheck, kUncheck, kText, kClick, kSelect } kind;
  int id;
  const char* text = "";  // kText: the text; kSelect: the index as digits
};

void Apply(HWND dialog, const Action& a) {
  switch (a.kind) {
    case Action::kCheck:
    case Action::kUncheck:
      SetCheck(dialog, a.id, a.kind == Action::kCheck);
      break;
    case Action::kText:
      SetControlText(dialog, a.id, Sjis(a.text));
      break;
    case Action::kClick:
      Click(dialog, a.id);
      break;
    case Action::kSelect:
      SendMessageA(GetDlgItem(dialog, a.id), CB_SETCURSEL, static_cast<WPARAM>(std::atoi(a.text)), 0);
      break;
  }
}

}  // namespace options

// Each dialog in turn: its controls changed, OK or Cancel, the main
// dialog's option summary after it, and at exit the profile. Block output,
// before/after output and field search exclude each other.
TEST_F(Interactive, OptionDialogsSaveOnOkOnlyAndExcludeEachOther) {
  using namespace options;
  using A = Action;
  struct Step {
    int button;
    const char* title;
    std::vector<Action> actions;
    int end;
    std::vector<std::pair<int, std::string>> summary;  // main-dialog control, text after the step
  } steps[] = {
      {kFieldButton, kFieldTitle,
       {{A::kCheck, kFieldOn}, {A::kText, kFieldSeparators, "\\t ,"}, {A::kText, kFieldNumbers, "2-3 5"}}, IDOK,
       {{kFieldButton, "★ﾌｨｰﾙﾄﾞ..."}}},
      {kBlockButton, kBlockTitle, {{A::kCheck, kBlockOut}, {A::kText, 3428, "7"}, {A::kCheck, 3429}}, IDOK,
       {{kBlockButton, "★ﾌﾞﾛｯｸ..."}, {kFieldButton, "ﾌｨｰﾙﾄﾞ..."}}},
      {kZengoButton, kZengoTitle,
       {{A::kCheck, 3600}, {A::kText, 3601, "3"}, {A::kText, 3605, "12"}, {A::kText, 3602, "<<"}}, IDOK,
       {{kZengoButton, "★前後3,12"}, {kBlockButton, "ﾌﾞﾛｯｸ..."}}},
      {kZengoButton, kZengoTitle, {{A::kUncheck, 3600}, {A::kText, 3601, "9"}}, IDCANCEL,
       {{kZengoButton, "★前後3,12"}}},
      {kOtherButton, kOtherTitle,
       {{A::kClick, 3023}, {A::kCheck, 3033}, {A::kCheck, 3512}, {A::kText, 3513, "!!"}, {A::kCheck, kDate},
        {A::kText, kDateStart, "240101"}, {A::kText, kDateEnd, "2412"}, {A::kCheck, kSize},
        {A::kText, kSizeStart, "1K"}, {A::kText, 3503, "bak obj"}},
       IDOK, {{kFilterSummary, "★日付･ｻｲｽﾞ"}}},
      {kExtendedButton, kExtendedTitle,
       {{A::kClick, 3873}, {A::kText, 3874, "T2.TXT"}, {A::kCheck, 3877}, {A::kSelect, 3856, "2"},
        {A::kText, 3855, "E"}, {A::kUncheck, 3858}},
       IDOK, {{kExtendedSummary, "同義語"}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.title);
    HWND dialog = OpenDialog(program_, dialog_, step.button, step.title);
    ASSERT_NE(dialog, nullptr);
    for (const Action& a : step.actions) Apply(dialog, a);
    Press(dialog, step.end);
    ASSERT_TRUE(WaitGone(dialog));
    for (const auto& [id, text] : step.summary) EXPECT_EQ(WaitText(dialog_, id, text), text);
  }
  Close();
  std::string profile = zanto::test::ReadFileBytes(profile_);
  const std::pair<const char*, const char*> expected[] = {
      {"FieldSearch", "0"}, {"FieldPara", "\\t ,"}, {"FieldNo", "2-3 5"}, {"BlockOut", "0"},
      {"BlockLine", "7"}, {"BlockSign", "1"}, {"Zengo", "1"}, {"ZengoLine", "3"}, {"ZengoLine2", "12"},
      {"ZStartString", "<<"}, {"SortType", "1"}, {"SortRev", "1"}, {"MatchStr", "1"}, {"MatchString", "!!"},
      {"Date", "1"}, {"DateStart", "240101"}, {"DateEnd", "2412"}, {"Size", "1"}, {"SizeStart", "1K"},
      {"NotSearchExt", "bak obj"}, {"Thesaurus", "2"}, {"ThesaurusFile1", "T2.TXT"}, {"ThesaurusCount", "1"},
      {"KanjiCode", "2"}, {"EUCDrive", "E"}, {"DocSearch", "0"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(ProfileValue(profile, key), value) << key << "\n" << profile;
}

// OK with a range that does not parse beeps and leaves the dialog open with
// the focus in the box to correct; nothing is saved until all are good.
TEST_F(Interactive, OtherSettingsKeepAWrongRangeForCorrection) {
  using namespace options;
  HWND dialog = OpenDialog(program_, dialog_, kOtherButton, kOtherTitle);
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kDate);
  Click(dialog, kSize);
  struct Case {
    const char *dateStart, *dateEnd, *sizeStart, *sizeEnd;
    int focus;  // 0: the dialog closes
  } cases[] = {
      {"2401x", "", "", "", kDateStart},
      {"240101", "23", "", "", kDateStart},  // ends before it starts
      {"", "", "", "", kDateStart},          // 2000 to 1999 under the century rule
      {"2401", "24x", "", "", kDateEnd},
      {"2401", "2412", "5K", "1K", kSizeStart},
      {"2401", "2412", "", "1x", kSizeEnd},
      {"2401", "2412", "", "2K", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dateStart) + "-" + c.dateEnd + " " + c.sizeStart + "-" + c.sizeEnd);
    SetControlText(dialog, kDateStart, c.dateStart);
    SetControlText(dialog, kDateEnd, c.dateEnd);
    SetControlText(dialog, kSizeStart, c.sizeStart);
    SetControlText(dialog, kSizeEnd, c.sizeEnd);
    if (c.focus == 0) {
      Press(dialog, IDOK);
      EXPECT_TRUE(WaitGone(dialog));
      break;
    }
    SendCommand(dialog, IDOK);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(FocusedControl(dialog), c.focus);
  }
  EXPECT_EQ(WaitText(dialog_, kFilterSummary, Sjis("★日付･ｻｲｽﾞ")), Sjis("★日付･ｻｲｽﾞ"));
  Close();
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_EQ(ProfileValue(profile, "DateStart"), "2401") << profile;
  EXPECT_EQ(ProfileValue(profile, "DateEnd"), "2412");
  EXPECT_EQ(ProfileValue(profile, "SizeEnd"), "2K");
}

// Switching sets stores the shown one; Cancel puts back the set chosen
// before and keeps what switching stored.
TEST_F(Interactive, BlockSetSwitchKeepsEditsAndCancelRestoresTheSet) {
  using namespace options;
  HWND dialog = OpenDialog(program_, dialog_, kBlockButton, kBlockTitle);
  ASSERT_NE(dialog, nullptr);
  SetCheck(dialog, kBlockOut, true);
  SendCommand(dialog, kBlockOut);  // the pattern boxes follow block output
  EXPECT_TRUE(Checked(dialog, kFirstSet));
  SetControlText(dialog, kFirstPattern, "^Chapter");
  SetCheck(dialog, kFirstEndFlag, true);
  Click(dialog, kFirstSet + 1);
  EXPECT_EQ(ControlText(dialog, kFirstPattern), "");
  EXPECT_FALSE(Checked(dialog, kFirstEndFlag));
  SetControlText(dialog, kFirstPattern, "^Section");  // never stored
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(WaitGone(dialog));
  EXPECT_EQ(ControlText(dialog_, kBlockButton), Sjis("ﾌﾞﾛｯｸ..."));

  dialog = OpenDialog(program_, dialog_, kBlockButton, kBlockTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Checked(dialog, kFirstSet));
  EXPECT_EQ(ControlText(dialog, kFirstPattern), "^Chapter");
  EXPECT_TRUE(Checked(dialog, kFirstEndFlag));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kFirstPattern)));  // block output is still off
  SetCheck(dialog, kBlockOut, true);
  SendCommand(dialog, kBlockOut);
  Click(dialog, kFirstSet + 1);
  EXPECT_EQ(ControlText(dialog, kFirstPattern), "");
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(WaitGone(dialog));
  Close();
  std::string profile = zanto::test::ReadFileBytes(profile_);
  EXPECT_EQ(ProfileValue(profile, "BlockType"), "0") << profile;
  EXPECT_EQ(ProfileValue(profile, "BlockOut"), "0");
  EXPECT_EQ(SectionValue(profile, "Block00", "String0"), "*^Chapter,");
  EXPECT_EQ(SectionValue(profile, "Block01", "String0"), "#,");
}

// With "end after a match" the search runs before the main dialog is made;
// the dialog comes up only when the search leaves it open, with that
// search's count, and does not search again by itself.
TEST(CommandLine, EndAfterAMatchShowsTheDialogOnlyWhenNothingMatched) {
  TempDir dir;
  WriteSamples(dir);
  Program p;
  ASSERT_TRUE(p.Start("absent-word *.txt -1- -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
  HWND dialog = WaitMainDialog(p);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(options::WaitText(dialog, kMatchCount, Sjis("0 個マッチ")), Sjis("0 個マッチ"));
  EXPECT_EQ(ControlText(dialog, kSearchText), "absent-word");
  EXPECT_EQ(FindDialog(p.id(), kProgressTitle, 0, true), nullptr);
  SetControlText(dialog, kSearchText, "third");
  Press(dialog, IDOK);
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_NE(dir.Read("out.txt").find("third line"), std::string::npos);
  EXPECT_FALSE(dir.Exists("p.ini"));
}

// Field search on with field numbers that do not parse: the search button
// opens the field dialog instead, which keeps wrong numbers for correction;
// once corrected, the search looks in the chosen field only.
TEST(FieldDialog, WrongFieldNumbersOpenTheFieldDialogBeforeASearch) {
  using namespace options;
  TempDir dir;
  dir.Write("f.txt", "key\tx\r\nx\tkey\r\nx,key\r\n");
  dir.Write("p.ini", "[search]\r\nFieldSearch=1\r\nFieldPara=\\t\r\nFieldNo=0\r\nEndmatch=0\r\nPrintFile=1\r\n"
                      "FullPath=0\r\nVerbose=0\r\n");
  Program program;
  ASSERT_TRUE(program.Start("-I" + (dir / "p.ini"), dir.path()));
  HWND main = WaitMainDialog(program);
  ASSERT_NE(main, nullptr);
  SetControlText(main, kSearchText, "key");
  SetControlText(main, kFileNames, "f.txt");
  SetControlText(main, kOutFile, dir / "out.txt");
  Press(main, IDOK);
  HWND field = WaitDialog(program.id(), kFieldTitle, IDOK, true, kRunTimeoutMs);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(ControlText(field, kFieldNumbers), "0");
  SetControlText(field, kFieldNumbers, "2 x");
  SendCommand(field, IDOK);
  ASSERT_TRUE(IsWindow(field));
  EXPECT_EQ(FocusedControl(field), kFieldNumbers);
  EXPECT_EQ(ControlText(field, kFieldNumbers), "2 x");
  SetControlText(field, kFieldNumbers, "2");
  Press(field, IDOK);
  ASSERT_TRUE(WaitGone(field));
  EXPECT_FALSE(dir.Exists("out.txt")) << "no search before the numbers were right";
  ASSERT_TRUE(RunSearchAndWait(program, main));
  EXPECT_EQ(dir.Read("out.txt"), "f.txt 2:x\tkey\r\n");
  Press(main, IDCANCEL);
  EXPECT_EQ(program.WaitExit(), 0);
  std::string profile = zanto::test::ReadFileBytes(dir / "p.ini");
  EXPECT_EQ(ProfileValue(profile, "FieldNo"), "2") << profile;
}

// A field search set only in the profile: the command-line run builds the
// field selection from it and finds the word in the chosen field only.
TEST(CommandLine, FieldSearchFromTheProfileSearchesTheChosenFieldOnly) {
  TempDir dir;
  dir.Write("f.txt", "key\tx\r\nx\tkey\r\nx,key\r\nx\tx\tkey\r\n");
  dir.Write("p.ini", "[search]\r\nFieldSearch=1\r\nFieldPara=\\t\r\nFieldNo=2\r\n");
  Program p;
  ASSERT_TRUE(p.Start("key f.txt -u -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_EQ(dir.Read("out.txt"), "f.txt 2:x\tkey\r\n");
}

// Run with ZANTO_SCREENSHOTS=<directory> to save the option dialogs and
// the file-list dialog as BMP.
TEST(Screenshots, OptionDialogs) {
  using namespace options;
  const char* out = std::getenv("ZANTO_SCREENSHOTS");
  if (!out) GTEST_SKIP() << "ZANTO_SCREENSHOTS not set";
  TempDir dir;
  WriteSamples(dir);
  Program program;
  ASSERT_TRUE(program.Start("-I" + (dir / "p.ini"), dir.path()));
  HWND main = WaitMainDialog(program);
  ASSERT_NE(main, nullptr);
  SetControlText(main, kFileNames, "*.txt");
  std::string shots = out;
  if (shots[0] == '/') shots = "Z:" + shots;
  const struct {
    int button;
    const char* title;
    const char* file;
  } dialogs[] = {
      {kBlockButton, kBlockTitle, "block"},     {kZengoButton, kZengoTitle, "context"},
      {kFieldButton, kFieldTitle, "field"},     {kOtherButton, kOtherTitle, "other"},
      {kExtendedButton, kExtendedTitle, "extended"}, {3028, "ＺＡＮＴＯ32 : 検索ファイルの一覧", "file_list"},
  };
  for (const auto& d : dialogs) {
    HWND dialog = OpenDialog(program, main, d.button, d.title);
    ASSERT_NE(dialog, nullptr) << d.file;
    if (d.button == kBlockButton) {
      SetCheck(dialog, kBlockOut, true);
      SendCommand(dialog, kBlockOut);
      SetControlText(dialog, kFirstPattern, "^第.*章");
    }
    Sleep(500);
    EXPECT_TRUE(CaptureWindow(dialog, shots + "\\" + d.file + ".bmp"));
    Press(dialog, IDCANCEL);
    ASSERT_TRUE(WaitGone(dialog));
  }
  Press(main, IDCANCEL);
  EXPECT_EQ(program.WaitExit(), 0);
}

// ---- File-list dialog ----

namespace file_list {

constexpr char kFileListTitle[] = "ＺＡＮＴＯ32 : 検索ファイルの一覧";
constexpr char kSaveTitle[] = "検索ファイル一覧の保存";
constexpr char kLoadTitle[] = "検索ファイル一覧の読み込み";
constexpr int kFileListButton = 3028, kFileListCount = 3029, kList = 3700, kDelete = 3701, kLoad = 3702,
              kSave = 3703, kCount = 3704, kKeep = 3706;
constexpr int kCommonNameCombo = 1148, kCommonNameEdit = 1152;

int Entries(HWND dialog) { return static_cast<int>(SendMessageA(GetDlgItem(dialog, kList), LB_GETCOUNT, 0, 0)); }

// Answers the load or save common dialog with path.
bool ChooseFile(const Program& p, const char* title, const std::string& path) {
  HWND common = WaitDialog(p.id(), title, IDOK, true, kRunTimeoutMs);
  if (!common) return false;
  HWND name = GetDlgItem(common, kCommonNameCombo);
  if (!name) name = GetDlgItem(common, kCommonNameEdit);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Press(common, IDOK);
  return WaitGone(common);
}

}  // namespace file_list

// The list shows the files of the field; keep and delete prune it; a saved
// list loads back; OK makes the search use the list instead of the field,
// and an empty list gives the field back.
TEST_F(Interactive, FileListDialogPrunesSavesLoadsAndSearchesTheList) {
  using namespace file_list;
  using options::SendCommand;
  using options::WaitText;
  dir_.Write("c.txt", Sjis("ここにも検索語\r\n"));
  SetControlText(dialog_, kFileNames, "*.txt");
  HWND dialog = options::OpenDialog(program_, dialog_, kFileListButton, kFileListTitle);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(Entries(dialog), 3);
  EXPECT_EQ(ControlText(dialog, kCount), Sjis("3個"));
  EXPECT_EQ(ControlText(dialog, kKeep), Sjis("全部削除"));
  HWND list = GetDlgItem(dialog, kList);
  // Across processes the list hands its entries over as UTF-16.
  wchar_t wide[kPathChars] = {};
  ASSERT_LT(SendMessageW(list, LB_GETTEXTLEN, 0, 0), kPathChars);
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(wide));
  char first[kPathChars * 2] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, first, sizeof first, nullptr, nullptr);
  EXPECT_EQ(_stricmp(first, (dir_ / "a.txt").c_str()), 0) << first;
  SendMessageA(list, LB_SETSEL, TRUE, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  // The buttons are brought up to date again by a notice the dialog posts
  // itself after each change: a change that overtakes another (a message
  // sent from this process while the dialog is repainting) settles then.
  EXPECT_EQ(WaitText(dialog, kKeep, Sjis("1個残す")), Sjis("1個残す"));
  SendCommand(dialog, kKeep);
  EXPECT_EQ(Entries(dialog), 1);
  EXPECT_EQ(WaitText(dialog, kCount, Sjis("1個")), Sjis("1個"));

  Press(dialog, kSave);
  ASSERT_TRUE(ChooseFile(program_, kSaveTitle, dir_ / "keep.lst"));
  // The list is written once the save dialog has gone.
  const std::string kept = std::string(first) + "\r\n";
  EXPECT_EQ(_stricmp(WaitFileText(dir_ / "keep.lst", kept).c_str(), kept.c_str()), 0) << dir_.Read("keep.lst");
  SendCommand(dialog, kDelete);  // nothing selected: all
  EXPECT_EQ(Entries(dialog), 0);
  EXPECT_EQ(WaitText(dialog, kKeep, Sjis("全部削除")), Sjis("全部削除"));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kSave)));
  Press(dialog, kLoad);
  ASSERT_TRUE(ChooseFile(program_, kLoadTitle, dir_ / "keep.lst"));
  for (int i = 0; i < 100 && Entries(dialog) == 0; ++i) Sleep(kPollMs);
  ASSERT_EQ(Entries(dialog), 1);
  Press(dialog, IDOK);
  ASSERT_TRUE(WaitGone(dialog));

  EXPECT_EQ(options::WaitText(dialog_, kFileListCount, Sjis("1個のファイルから検索します")),
            Sjis("1個のファイルから検索します"));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog_, kFileNames)));
  EXPECT_EQ(ControlText(dialog_, kFileListButton), Sjis("★ﾌｧｲﾙ一覧"));
  SetControlText(dialog_, kSearchText, Sjis("検索"));
  SetControlText(dialog_, kOutFile, dir_ / "out.txt");
  ASSERT_TRUE(RunSearchAndWait(program_, dialog_));
  EXPECT_EQ(ControlText(dialog_, kMatchCount), Sjis("2 個マッチ"));
  EXPECT_EQ(dir_.Read("out.txt").find("c.txt"), std::string::npos);

  dialog = options::OpenDialog(program_, dialog_, kFileListButton, kFileListTitle);
  ASSERT_NE(dialog, nullptr);
  SendCommand(dialog, kDelete);
  Press(dialog, IDOK);
  ASSERT_TRUE(WaitGone(dialog));
  for (int i = 0; i < 100 && !IsWindowVisible(GetDlgItem(dialog_, kFileNames)); ++i) Sleep(kPollMs);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog_, kFileNames)));
  EXPECT_EQ(ControlText(dialog_, kFileListButton), Sjis("ﾌｧｲﾙ一覧"));
  Close();
}

// --- Shortcuts through the shell helper library -----------------------------

namespace {

using zanto::test::TempDir;

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  return n > 0 && n < sizeof shortPath ? std::string(shortPath) : path;
}

// Starts the program named by the given path instead of ZANTO_EXE for the
// life of this object.
class ProgramAt {
 public:
  explicit ProgramAt(const std::string& exe) {
    const char* saved = std::getenv("ZANTO_EXE");
    saved_ = saved ? saved : "";
    _putenv_s("ZANTO_EXE", exe.c_str());
  }
  ~ProgramAt() { _putenv_s("ZANTO_EXE", saved_.c_str()); }

 private:
  std::string saved_;
};

TEST(Shortcuts, TargetsAreSearchedUnderTheShortcutOnlyWithTheLibraryAndShortCut) {
  TempDir elsewhere, dir, lonely;
  const std::string target = elsewhere / "the target file.txt";
  elsewhere.Write("the target file.txt", "first\r\nkey in the target\r\n");
  elsewhere.Write("folder\\inside.txt", "key in a folder\r\n");
  ASSERT_TRUE(zanto::test::WriteShellLink(dir / "file.lnk", target));
  ASSERT_TRUE(zanto::test::WriteShellLink(dir / "folder.lnk", elsewhere / "folder"));
  // The program alone, without the library beside it.
  const std::string bare = lonely / "ZANTO32.EXE";
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), bare.c_str(), FALSE));

  const std::string found = ShortPath(target) + " 2:key in the target\r\n";
  const std::string heading = "===== " + ShortPath(target) + "(file.lnk) =====\r\n";
  const struct {
    const char* name;
    bool library;
    const char* shortCut;
    std::string want;
    std::string wantNot;
  } cases[] = {
      {"resolved", true, "-H", heading + found, "file.lnk is binary"},
      {"folder searched as the shortcut file", true, "-H", "skip folder.lnk is binary\r\n", "in a folder"},
      {"ShortCut off", true, "-h", "skip file.lnk is binary\r\n", "in the target"},
      {"no library", false, "-H", "skip file.lnk is binary\r\n", "in the target"},
  };
  for (const auto& c : cases) {
    ProgramAt at(c.library ? ProgramPath() : bare);
    std::string args = std::string("key *.lnk ") + c.shortCut + " -U -p -1+ -O" + (dir / "out.txt") + " -I" +
                       (dir / "p.ini");
    Program p;
    ASSERT_TRUE(p.Start(args, dir.path())) << c.name;
    EXPECT_EQ(p.WaitExit(), 0) << c.name;
    std::string out = dir.Read("out.txt");
    EXPECT_NE(out.find(c.want), std::string::npos) << c.name << "\n" << out;
    EXPECT_EQ(out.find(c.wantNot), std::string::npos) << c.name << "\n" << out;
  }
}


// ---- Archives ----

// Build paths are host paths; Wine sees the host's root as drive Z:.
std::string HostPath(const std::string& path) {
  std::string p = "Z:" + path;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

std::string Fixture(const char* name) { return HostPath(std::string(ZANTO_LZH_FIXTURES) + "/" + name); }

// Searches archives in command-line mode: which members are searched and
// under which member numbers, as the count lines of a verbose result show.
TEST(Archives, MembersSearchedFollowTheListTheExclusionsAndTheDateFilter) {
  TempDir dir, lonely;
  dir.Write("mixed.lzh", StoredArchive({{"a.txt", "NEEDLE a\r\n"}, {"b.doc", "NEEDLE b\r\n"}, {"c.txt", "NEEDLE c\r\n"}}));
  ASSERT_TRUE(CopyFileA(Fixture("lh5_l0.lzh").c_str(), (dir / "lh5_l0.lzh").c_str(), FALSE));
  const std::string bare = lonely / "ZANTO32.EXE";
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), bare.c_str(), FALSE));
  const std::string unlhaTmp = "UnlhaTmp=" + Directory(dir) + "\r\n";
  const struct {
    const char* name;
    std::string args, profile;
    bool library;
    std::vector<std::string> want, wantNot;
  } cases[] = {
      {"every member", "NEEDLE mixed.lzh", "", true,
       {"a.txt 1:NEEDLE a", "(1-1/1)", "b.doc 1:NEEDLE b", "(1-2/1)", "c.txt 1:NEEDLE c", "(1-3/1)"}, {}},
      {"member list", "NEEDLE mixed.lzh:*.doc:c.*", "", true,
       {"b.doc 1:NEEDLE b", "(1-1/1)", "c.txt 1:NEEDLE c", "(1-2/1)"}, {"a.txt", "(1-3/1)"}},
      {"excluded extension takes no number", "NEEDLE mixed.lzh", "NotSearchExt=doc\r\n", true,
       {"a.txt 1:NEEDLE a", "(1-1/1)", "c.txt 1:NEEDLE c", "(1-2/1)"}, {"b.doc", "(1-3/1)"}},
      {"LzhSearch off", "NEEDLE mixed.lzh -j", "", true, {Sjis("検索総行数  0 行")}, {"NEEDLE a", Sjis("解凍")}},
      {"no library", "NEEDLE mixed.lzh", "", false, {Sjis("解凍できません(mixed.lzh)\r\n")}, {"NEEDLE a"}},
      // The archive file is dated today; only the member's own date passes.
      {"member date", "Dated lh5_l0.lzh", "Date=1\r\nDateStart=991231\r\nDateEnd=991231\r\n", true,
       {"y2k.txt 1:Dated 1999-12-31 23:59:58\r\n", "(1-4/1)"}, {"readme.txt 2:"}},
  };
  for (const auto& c : cases) {
    ProgramAt at(c.library ? ProgramPath() : bare);
    dir.Write("p.ini", "[search]\r\n" + unlhaTmp + c.profile);
    Program p;
    ASSERT_TRUE(p.Start(c.args + " -U -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path())) << c.name;
    EXPECT_EQ(p.WaitExit(), 0) << c.name;
    std::string out = dir.Read("out.txt");
    for (const std::string& w : c.want) EXPECT_NE(out.find(w), std::string::npos) << c.name << ": " << w << "\n" << out;
    for (const std::string& w : c.wantNot) EXPECT_EQ(out.find(w), std::string::npos) << c.name << ": " << w << "\n" << out;
  }
}

// Entries of a directory (without "." and ".."), with their attributes.
std::vector<std::pair<std::string, DWORD>> Entries(const std::string& directory) {
  std::vector<std::pair<std::string, DWORD>> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") found.emplace_back(name, data.dwFileAttributes);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

// Two archives of one name in two folders, searched with a file after them
// that the program cannot open: while it asks about that file, the hidden
// extraction root holds what DelUnlha kept; at exit the root is gone.
TEST(Archives, ExtractedMembersStayAsDelUnlhaSaysUntilTheProgramEnds) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryA((dir / "a").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((dir / "b").c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(Fixture("lh5_l0.lzh").c_str(), (dir / "a\\data.lzh").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(Fixture("lh5_l0.lzh").c_str(), (dir / "b\\data.lzh").c_str(), FALSE));
  dir.Write("held.txt", "NEEDLE\r\n");
  const std::string root = dir / "$ZANTO$.TMP";
  const struct {
    int delUnlha;
    std::vector<std::string> kept;  // in each archive's directory
  } cases[] = {
      {0, {}},
      {1, {"readme.txt"}},  // the only member with a match
      {2, {"empty.txt", "readme.txt", "sjis.txt", "y2k.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("DelUnlha=" + std::to_string(c.delUnlha));
    dir.Write("p.ini", "[search]\r\nUnlhaTmp=" + Directory(dir) + "\r\nDelUnlha=" + std::to_string(c.delUnlha) + "\r\n");
    HANDLE held = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Program p;
    ASSERT_TRUE(p.Start("NEEDLE a\\data.lzh b\\data.lzh held.txt -U -p -1+ -O" + (dir / "out.txt") + " -I" +
                            (dir / "p.ini"),
                        dir.path()));
    HWND box = WaitDialog(p.id(), kTitle, kSearchText, false, kRunTimeoutMs);
    CloseHandle(held);
    ASSERT_NE(box, nullptr);

    DWORD rootAttributes = GetFileAttributesA(root.c_str());
    EXPECT_NE(rootAttributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(rootAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    auto directories = Entries(root);
    ASSERT_EQ(directories.size(), 2u);
    for (const auto& [name, attributes] : directories) {
      EXPECT_EQ(name.rfind("data.", 0), 0u) << name;
      EXPECT_EQ(name.size(), std::strlen("data.12345678")) << name;
      EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << name;
      std::vector<std::string> kept;
      for (const auto& entry : Entries(root + "\\" + name)) kept.push_back(entry.first);
      std::sort(kept.begin(), kept.end());
      EXPECT_EQ(kept, c.kept) << name;
    }
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(p.WaitExit(), 0);
    EXPECT_EQ(GetFileAttributesA(root.c_str()), INVALID_FILE_ATTRIBUTES) << "the root outlived the program";
    std::string out = dir.Read("out.txt");
    EXPECT_NE(out.find("(1-1/3)"), std::string::npos) << out;
    EXPECT_NE(out.find("(2-1/3)"), std::string::npos) << out;
  }
}


size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// Archives whose members cannot all lie at their own paths, archives with
// unusual names, and a relative UnlhaTmp; the program is started elsewhere
// and told the search directory. Each run ends by itself, searches each
// member once with its own text (or, beside a library that writes one
// member over another, says which it left out), and leaves no extraction
// root behind.
TEST(Archives, OddArchivesEndSearchEveryMemberOnceAndLeaveNoRoot) {
  TempDir dir, start, lonely;
  // The program beside the probe library, which lists every member and
  // writes a later one of a name over an earlier one.
  const std::string withProbe = lonely / "ZANTO32.EXE";
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), withProbe.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(HostPath(ZANTO_PROBE_LIBRARY).c_str(), (lonely / "UNLHA32.DLL").c_str(), FALSE));
  const struct {
    const char* name;
    std::string archive;
    std::vector<std::pair<std::string, std::string>> members;
    std::string target, unlhaTmp;
    std::vector<std::string> once, absent;
    bool probe;
  } cases[] = {
      {"members named like devices", "dev.lzh",
       {{"drivers\\aux.c", "NEEDLE aux\r\n"}, {"CON", "NEEDLE con\r\n"}, {"nul.txt", "NEEDLE nul\r\n"},
        {"lpt1", "NEEDLE lpt\r\n"}, {"ok.txt", "NEEDLE ok\r\n"}},
       "dev.lzh", Directory(dir), {"ok.txt 1:NEEDLE ok\r\n"}, {"NEEDLE aux", "NEEDLE con", "NEEDLE nul", "NEEDLE lpt"}, false},
      {"members of one name", "dup.lzh",
       {{"a.txt", "NEEDLE one\r\n"}, {"a.txt", "NEEDLE two\r\n"}, {"B.TXT", "NEEDLE three\r\n"},
        {"b.txt", "NEEDLE four\r\n"}, {"f", "NEEDLE f\r\n"}, {"f\\g.txt", "NEEDLE g\r\n"}},
       "dup.lzh", Directory(dir),
       {":NEEDLE one\r\n", ":NEEDLE two\r\n", ":NEEDLE three\r\n", ":NEEDLE four\r\n", ":NEEDLE f\r\n",
        ":NEEDLE g\r\n", "(1-6/1)"},
       {"cannot open", "(1-7/1)"}, false},
      {"an archive named like an option", "-old.lzh", {{"old.txt", "NEEDLE old\r\n"}}, "*old.lzh", Directory(dir),
       {"old.txt 1:NEEDLE old\r\n"}, {"cannot open"}, false},
      {"a relative UnlhaTmp", "rel.lzh", {{"r.txt", "NEEDLE rel\r\n"}}, "rel.lzh", ".", {"r.txt 1:NEEDLE rel\r\n"},
       {"cannot open"}, false},
      {"a library that writes one member over another", "probe.lzh", {}, "probe.lzh:dup*:*.txt", Directory(dir),
       {Sjis("解凍できません(probe.lzh:dup.txt)\r\n"), Sjis("解凍できません(probe.lzh:short.txt)\r\n"),
        Sjis("解凍できません(probe.lzh:absent.txt)\r\n"), Sjis("解凍できません(probe.lzh:folder)\r\n"),
        "\\DUP.TXT  1 ", "(1-3/1)"},
       {"cannot open", Sjis("(probe.lzh:DUP.TXT)"), Sjis("(probe.lzh:good.txt)"), "(1-4/1)"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write(c.archive, StoredArchive(c.members));
    dir.Write("p.ini", "[search]\r\nUnlhaTmp=" + c.unlhaTmp + "\r\n");
    DeleteFileA((dir / "out.txt").c_str());
    ProgramAt at(c.probe ? withProbe : ProgramPath());
    Program p;
    ASSERT_TRUE(p.Start("NEEDLE " + c.target + " -U -p -1+ -D" + Directory(dir) + " -O" + (dir / "out.txt") + " -I" +
                            (dir / "p.ini"),
                        start.path()));
    EXPECT_EQ(p.WaitExit(), 0);
    std::string out = dir.Read("out.txt");
    for (const std::string& w : c.once) EXPECT_EQ(Occurrences(out, w), 1u) << w << "\n" << out;
    for (const std::string& w : c.absent) EXPECT_EQ(out.find(w), std::string::npos) << w << "\n" << out;
    EXPECT_FALSE(dir.Exists("$ZANTO$.TMP"));
    EXPECT_FALSE(start.Exists("$ZANTO$.TMP"));
    DeleteFileA((dir / c.archive).c_str());
  }
}

std::string ZipFixture(const char* name) { return HostPath(std::string(ZANTO_ZIP_FIXTURES) + "/" + name); }

// ZIP archives (written by Info-ZIP zip and Python's zipfile) searched
// member by member as LZH archives are: headings name the member and its
// archive, members are numbered in the directory's order, a member list
// picks members, hostile names are never searched, members the library
// passes over are noted, and a program without the ZIP library still
// searches its LZH archives.
TEST(Archives, ZipMembersAreSearchedAsLzhMembersAre) {
  TempDir dir, lzhOnly;
  for (const char* name : {"deflate.zip", "hostile.zip", "passed.zip", "bomb.zip", "utf8.zip"})
    ASSERT_TRUE(CopyFileA(ZipFixture(name).c_str(), (dir / name).c_str(), FALSE)) << name;
  dir.Write("mixed.lzh", StoredArchive({{"a.txt", "ZIPNEEDLE lzh\r\n"}}));
  const std::string withUnlhaOnly = lzhOnly / "ZANTO32.EXE";
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), withUnlhaOnly.c_str(), FALSE));
  const std::string programDir = ProgramPath().substr(0, ProgramPath().rfind('\\') + 1);
  ASSERT_TRUE(CopyFileA((programDir + "UNLHA32.DLL").c_str(), (lzhOnly / "UNLHA32.DLL").c_str(), FALSE));
  dir.Write("p.ini", "[search]\r\nUnlhaTmp=" + Directory(dir) + "\r\n");
  const struct {
    const char* name;
    std::string args;
    bool zipLibrary;
    std::vector<std::string> want, wantNot;
  } cases[] = {
      {"every member, in the directory's order", "ZIPNEEDLE deflate.zip", true,
       {"readme.txt(deflate.zip) =====\r\n", "readme.txt 2:ZIPNEEDLE in ASCII.", "(1-1/1)",
        "sjis.txt(deflate.zip) =====\r\n", "(1-2/1)", "(1-3/1)", "file.txt(deflate.zip) =====\r\n",
        "file.txt 300:deep ZIPNEEDLE", "(1-4/1)"},
       {"(1-5/1)"}},
      {"member list", "ZIPNEEDLE deflate.zip:s*.txt:*.doc", true, {"sjis.txt(deflate.zip) =====", "(1-1/1)"},
       {"readme.txt", "(1-2/1)"}},
      {"UTF-8 names", "ZIPNEEDLE utf8.zip:*.txt", true,
       {Sjis("ソース.txt(utf8.zip) ====="), Sjis("日本語.txt(utf8.zip) ====="), Sjis("顔〓.txt(utf8.zip) ====="),
        "(1-3/1)"},
       {"(1-4/1)"}},
      {"hostile names", "NEEDLE hostile.zip", true, {"ok.txt 1:NEEDLE ok.txt", "(1-1/1)"},
       {"up.txt", "up2.txt", "rooted", "drive", "empty.txt", "back", "aux", "(1-2/1)"}},
      {"passed over and noted", "ZIPNEEDLE passed.zip bomb.zip", true,
       {Sjis("解凍できません(passed.zip:secret.txt)\r\n"), Sjis("解凍できません(passed.zip:bz.txt)\r\n"),
        "ok.txt 1:open ZIPNEEDLE", Sjis("解凍できません(bomb.zip:zeros.txt)\r\n"), "small.txt 1:small ZIPNEEDLE",
        "(2-1/2)"},
       {"secret ZIPNEEDLE", "bzip2 ZIPNEEDLE", "(1-2/2)", "(2-2/2)"}},
      {"no ZIP library", "ZIPNEEDLE deflate.zip mixed.lzh", false,
       {Sjis("解凍できません(deflate.zip)\r\n"), "a.txt 1:ZIPNEEDLE lzh", "(2-1/2)"}, {"readme.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramAt at(c.zipLibrary ? ProgramPath() : withUnlhaOnly);
    Program p;
    ASSERT_TRUE(p.Start(c.args + " -U -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
    EXPECT_EQ(p.WaitExit(), 0);
    std::string out = dir.Read("out.txt");
    for (const std::string& w : c.want) EXPECT_EQ(Occurrences(out, w), 1u) << w << "\n" << out;
    for (const std::string& w : c.wantNot) EXPECT_EQ(out.find(w), std::string::npos) << w << "\n" << out;
    EXPECT_FALSE(dir.Exists("$ZANTO$.TMP"));
    for (const char* outside : {"up.txt", "up2.txt", "back.txt", "rooted.txt"}) EXPECT_FALSE(dir.Exists(outside));
  }
}

// An office document inside a ZIP archive is searched as its text, as a
// plain one is: the heading names the member and its archive, the result
// line its paragraph, the count line its number in the archive and U; with
// DocSearch off it is a binary member.
TEST(Archives, ADocumentInsideAZipIsSearchedAsItsText) {
  TempDir dir;
  ASSERT_TRUE(CopyFileA(HostPath(std::string(ZANTO_DOCUMENT_FIXTURES) + "/documents.zip").c_str(),
                        (dir / "docs.zip").c_str(), FALSE));
  dir.Write("p.ini", "[search]\r\nUnlhaTmp=" + Directory(dir) + "\r\n");
  const struct {
    const char* name;
    const char* option;
    std::vector<std::string> want, wantNot;
  } cases[] = {
      {"DocSearch on", "-Q",
       {"\\docs\\words.docx(docs.zip) =====\r\n", "\\docs\\words.docx 2:分割された語\r\n",
        "\\docs\\words.docx  9 行中 マッチした数 1(1)  ファイル(1-2/1)U\r\n"},
       {"is binary"}},
      {"DocSearch off", "-q", {"\\docs\\words.docx is binary\r\n"}, {"分割された語", "(1-2/1)U"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(p.Start(std::string("分割された docs.zip -U -Y -p -1+ ") + c.option + " -O" + (dir / "out.txt") +
                            " -I" + (dir / "p.ini"),
                        dir.path()));
    EXPECT_EQ(p.WaitExit(), 0);
    const std::string out = dir.Read("out.txt");
    for (const std::string& w : c.want) EXPECT_EQ(Occurrences(out, w), 1u) << w << "\n" << out;
    for (const std::string& w : c.wantNot) EXPECT_EQ(out.find(w), std::string::npos) << w << "\n" << out;
    EXPECT_FALSE(dir.Exists("$ZANTO$.TMP"));
  }
}

// The archive's second member is held open, without sharing, by another
// program (from an earlier extraction), so the program asks about it in the
// middle of the archive; the stop pressed then leaves the later members
// unsearched.
TEST(Archives, StopInsideAnArchiveLeavesItsLaterMembersUnsearched) {
  TempDir dir;
  dir.Write("stop.lzh", StoredArchive({{"x", "NEEDLE x\r\n"}, {"b.txt", "NEEDLE b\r\n"}, {"c.txt", "NEEDLE c\r\n"}}));
  dir.Write("p.ini", "[search]\r\nUnlhaTmp=" + Directory(dir) + "\r\nDelUnlha=2\r\n");
  char extraction[zanto::kPathBuffer] = "$ZANTO$.TMP\\stop";
  zanto::ArchiveDirName((dir / "stop.lzh").c_str(), extraction, sizeof extraction);
  const std::string member = std::string(extraction) + "\\b.txt";
  dir.Write(member, "NEEDLE b\r\n");
  HANDLE held = CreateFileA((dir / member).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program p;
  ASSERT_TRUE(p.Start("NEEDLE stop.lzh -U -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
  HWND box = WaitDialog(p.id(), kTitle, kSearchText, false, kRunTimeoutMs);
  HWND progress = FindDialog(p.id(), kProgressTitle, 0, true);
  CloseHandle(held);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(progress, nullptr);
  Press(progress, IDOK);  // "中止"
  Sleep(300);
  PostMessageA(box, WM_COMMAND, IDYES, 0);
  EXPECT_EQ(p.WaitExit(), 0);
  std::string out = dir.Read("out.txt");
  EXPECT_NE(out.find("x 1:NEEDLE x\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
  EXPECT_NE(out.find(Sjis("途中で中止しました\r\n")), std::string::npos) << out;
  EXPECT_EQ(out.find("NEEDLE c"), std::string::npos) << out;
  EXPECT_EQ(out.find("(1-3/1)"), std::string::npos) << out;
}

// Writes or deletes a file by its literal name: a plain path to aux.txt
// names the device. (Such files come from other systems, on shared disks.)
bool WriteLiteralFile(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileA(("\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
  CloseHandle(f);
  return ok;
}
void DeleteLiteralFile(const std::string& path) { DeleteFileA(("\\\\?\\" + path).c_str()); }

// Files and archives named like devices are listed, but opening one opens
// the device (the first serial port for aux), whose reading never ends:
// the file is reported as one that cannot be opened, the archive gives
// nothing, and the run ends with the other files searched.
TEST(CommandLine, FilesNamedLikeDevicesAreNotReadFromTheDevice) {
  TempDir dir;
  ASSERT_TRUE(WriteLiteralFile(dir / "aux.txt", "NEEDLE aux\r\n"));
  ASSERT_TRUE(WriteLiteralFile(dir / "con.lzh", StoredArchive({{"c.txt", "NEEDLE con\r\n"}})));
  dir.Write("b.txt", "NEEDLE b\r\n");
  Program p;
  ASSERT_TRUE(p.Start("NEEDLE *.txt *.lzh -U -p -1+ -O" + (dir / "out.txt") + " -I" + (dir / "p.ini"), dir.path()));
  HWND box = WaitDialog(p.id(), kTitle, kSearchText, false, kRunTimeoutMs);
  ASSERT_NE(box, nullptr) << "no question about aux.txt";
  PostMessageA(box, WM_COMMAND, IDYES, 0);
  EXPECT_EQ(p.WaitExit(), 0);
  const std::string out = dir.Read("out.txt");
  EXPECT_NE(out.find("b.txt 1:NEEDLE b\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
  EXPECT_EQ(out.find("NEEDLE aux"), std::string::npos) << out;
  EXPECT_EQ(out.find("NEEDLE con"), std::string::npos) << out;
  DeleteLiteralFile(dir / "aux.txt");
  DeleteLiteralFile(dir / "con.lzh");
}

}  // namespace

// --- Editor hand-off ---------------------------------------------------------

namespace {

using zanto::test::TempDir;

// Names the recording editor's log file for the programs started while
// this object lives.
class EditorLog {
 public:
  // The process environment, which started programs inherit.
  explicit EditorLog(const std::string& path) : path_(path) { SetEnvironmentVariableA(kVariable, path.c_str()); }
  ~EditorLog() { SetEnvironmentVariableA(kVariable, nullptr); }
  // The log once it reads expected, or what it read last.
  std::string WaitFor(const std::string& expected) const { return WaitFileText(path_, expected); }

 private:
  static constexpr char kVariable[] = "ZANTO_EDITOR_LOG";
  std::string path_;
};

// Each run ends by itself (-1+) once the editor has started; the log holds
// one line per start. A run without a match starts nothing.
TEST(Editor, StartedOnTheFullOutputPathOrTheClipboard) {
  TempDir dir;
  WriteSamples(dir);
  dir.Write("out dir\\old.txt", "");
  const std::string editor = FakeEditorPath();
  EditorLog log(dir / "editor.log");
  const struct {
    const char* name;
    std::string arguments;
    std::string line;  // the editor's command line, or empty: not started
  } cases[] = {
      {"no match", "absent-word *.txt -Oout.txt", ""},
      {"relative output file", Sjis("検索 *.txt -Oout.txt"), editor + " " + (dir / "out.txt")},
      {"output path with a space", Sjis("検索 *.txt \"-Oout dir\\r.txt\""), editor + " \"" + (dir / "out dir\\r.txt") + "\""},
      {"clipboard", "third *.txt -!C-C", editor + " -C"},
  };
  std::string expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    // Without a profile file the editor command and its clipboard argument
    // are empty: they are named.
    ASSERT_TRUE(p.Start(c.arguments + " -EKZW32.EXE -1+ -u -I" + (dir / "p.ini"), dir.path()));
    EXPECT_EQ(p.WaitExit(), 0);
    if (!c.line.empty()) expected += c.line + "\r\n";
    EXPECT_EQ(log.WaitFor(expected), expected);
  }
  EXPECT_NE(dir.Read("out dir\\r.txt").find(Sjis("検索は楽しい")), std::string::npos);
}

// An editor that cannot start is reported, and the dialog stays open with
// the result even though Endmatch would close it. An editor command that
// begins with "#" asks for the program's own viewer, which without the
// editor-control library shows nothing, and the dialog stays too.
TEST(Editor, FailedStartOrMissingViewerKeepsTheDialogOpen) {
  TempDir dir, lonely;
  WriteSamples(dir);
  // The program alone, where no editor-control library lies beside it.
  const std::string bare = lonely / "ZANTO32.EXE";
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), bare.c_str(), FALSE));
  ProgramAt at(bare);
  EditorLog log(dir / "editor.log");
  Program p;
  ASSERT_TRUE(p.Start("-Eno-such-editor.exe -1- -I" + (dir / "p.ini"), dir.path()));
  HWND main = WaitMainDialog(p);
  ASSERT_NE(main, nullptr);
  SetControlText(main, kSearchText, Sjis("検索"));
  SetControlText(main, kFileNames, "*.txt");
  SetControlText(main, kOutFile, "out.txt");
  Press(main, IDOK);
  EXPECT_EQ(AnswerMessageBox(p), Sjis("実行できません\n") + "no-such-editor.exe " + (dir / "out.txt"));
  EXPECT_EQ(p.WaitExit(1000), -1) << "the program ended";
  ASSERT_TRUE(IsWindow(main));
  EXPECT_EQ(ControlText(main, kMatchCount), Sjis("2 個マッチ"));

  HWND other = options::OpenDialog(p, main, 3018, options::kOtherTitle);
  ASSERT_NE(other, nullptr);
  SetControlText(other, 3504, "#");  // the editor command
  Press(other, IDOK);
  ASSERT_TRUE(WaitGone(other));
  SetControlText(main, kSearchText, "third");
  ASSERT_TRUE(RunSearchAndWait(p, main));
  EXPECT_EQ(ControlText(main, kMatchCount), Sjis("1 個マッチ"));
  EXPECT_EQ(p.WaitExit(1000), -1) << "the program ended";
  EXPECT_EQ(FindDialog(p.id(), kTitle, kSearchText, false), nullptr) << "a message box came up";
  EXPECT_EQ(FindDialog(p.id(), "ZANTO KZ Control 試作版", 0, true), nullptr);
  Press(main, IDCANCEL);
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_EQ(log.WaitFor(""), "") << "an editor was started";
  std::string profile = zanto::test::ReadFileBytes(dir / "p.ini");
  EXPECT_EQ(ProfileValue(profile, "ExecEdit"), "#") << profile;
}

}  // namespace

// --- Result viewer over the editor pane library -----------------------------

namespace {

using zanto::test::TempDir;

// Questions the library's panes answer from another process.
constexpr UINT kPaneLineCount = WM_USER + 100;
constexpr UINT kPaneCurrentLine = WM_USER + 102;  // from 0
constexpr UINT kPaneMarkedLine = WM_USER + 103;
constexpr UINT kPaneSetCurrentLine = WM_USER + 104;
constexpr int kJumpPane = 101, kResultPane = 102;
constexpr char kViewerTitle[] = "ZANTO KZ Control 試作版";

LRESULT WaitPane(HWND pane, UINT question, LRESULT expected) {
  LRESULT answer = SendMessageA(pane, question, 0, 0);
  for (DWORD waited = 0; waited < kSettleTimeoutMs && answer != expected; waited += kPollMs) {
    Sleep(kPollMs);
    answer = SendMessageA(pane, question, 0, 0);
  }
  return answer;
}

// "#" as the editor command: the result file shows in the lower pane, Enter
// on a result line opens its file at that line in the upper pane, and after
// the viewer closes the dialog stays open although Endmatch is on.
// With ZANTO_SCREENSHOTS=<directory> the viewer is saved as viewer.bmp.
TEST(Editor, ViewerShowsTheResultAndJumpsToTheLine) {
  TempDir dir;
  WriteSamples(dir);
  Program p;
  ASSERT_TRUE(p.Start("-E# -1- -L -p -u -I" + (dir / "p.ini"), dir.path()));
  HWND main = WaitMainDialog(p);
  ASSERT_NE(main, nullptr);
  SetControlText(main, kSearchText, Sjis("検索"));
  SetControlText(main, kFileNames, "*.txt");
  SetControlText(main, kOutFile, "out.txt");
  Press(main, IDOK);
  HWND viewer = WaitDialog(p.id(), kViewerTitle, kResultPane, true, kRunTimeoutMs);
  ASSERT_NE(viewer, nullptr);
  HWND results = GetDlgItem(viewer, kResultPane);
  HWND jump = GetDlgItem(viewer, kJumpPane);
  ASSERT_NE(jump, nullptr);
  EXPECT_EQ(WaitPane(results, kPaneLineCount, 2), 2) << dir.Read("out.txt");
  EXPECT_EQ(SendMessageA(jump, kPaneLineCount, 0, 0), 0);

  SendMessageA(results, kPaneSetCurrentLine, 1, 0);  // "a.txt 4:検索は楽しい"
  PostMessageA(results, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(WaitPane(jump, kPaneLineCount, 4), 4);
  EXPECT_EQ(SendMessageA(jump, kPaneMarkedLine, 0, 0), 3);
  EXPECT_EQ(SendMessageA(jump, kPaneCurrentLine, 0, 0), 3);
  char line[128] = "";
  SendMessageA(jump, WM_GETTEXT, sizeof line, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::string(line), Sjis("検索は楽しい"));

  if (const char* out = std::getenv("ZANTO_SCREENSHOTS")) {
    std::string shots = out;
    if (shots[0] == '/') shots = "Z:" + shots;
    Sleep(500);
    EXPECT_TRUE(CaptureWindow(viewer, shots + "\\viewer.bmp"));
  }
  Press(viewer, IDCANCEL);
  ASSERT_TRUE(WaitGone(viewer));
  EXPECT_EQ(p.WaitExit(1000), -1) << "the program ended";
  ASSERT_TRUE(IsWindow(main));
  EXPECT_EQ(ControlText(main, kMatchCount), Sjis("2 個マッチ"));
  Press(main, IDCANCEL);
  EXPECT_EQ(p.WaitExit(), 0);
}

}  // namespace

namespace help {

// The help viewer's text: the rich-edit child of its window.
BOOL CALLBACK ReadTopicText(HWND child, LPARAM param) {
  char cls[32];
  GetClassNameA(child, cls, sizeof cls);
  if (_strnicmp(cls, "RichEdit", 8) != 0) return TRUE;
  char text[4096] = {};
  SendMessageA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  *reinterpret_cast<std::string*>(param) = text;
  return FALSE;
}

struct ViewerQuery {
  const char* title;
  HWND found;
};

// A shown help-viewer window whose topic text begins with the title.
BOOL CALLBACK MatchViewer(HWND window, LPARAM param) {
  auto* q = reinterpret_cast<ViewerQuery*>(param);
  char cls[32];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "MS_WINHELP") != 0 || !IsWindowVisible(window)) return TRUE;
  std::string text;
  EnumChildWindows(window, ReadTopicText, reinterpret_cast<LPARAM>(&text));
  if (text.rfind(q->title, 0) != 0) return TRUE;
  q->found = window;
  return FALSE;
}

HWND WaitViewer(const char* title) {
  ViewerQuery q = {title, nullptr};
  for (DWORD waited = 0; waited < kRunTimeoutMs && !q.found; waited += kPollMs) {
    EnumWindows(MatchViewer, reinterpret_cast<LPARAM>(&q));
    if (!q.found) Sleep(kPollMs);
  }
  return q.found;
}

}  // namespace help

// ヘルプ in an option dialog opens ZANTO.HLP (built beside the program) at
// that dialog's topic.
TEST_F(Interactive, HelpButtonOfAnOptionDialogShowsItsTopic) {
  HWND dialog = options::OpenDialog(program_, dialog_, options::kBlockButton, options::kBlockTitle);
  ASSERT_NE(dialog, nullptr);
  Press(dialog, 3009);
  HWND viewer = help::WaitViewer("ブロック出力の設定");
  ASSERT_NE(viewer, nullptr);
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitGone(viewer));
  Press(dialog, IDCANCEL);
  EXPECT_TRUE(WaitGone(dialog));
  Close();
}
