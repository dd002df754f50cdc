// KZLIB95 under the Windows shell: shortcuts written and read back, the
// recycle bin, special folders, the tray icon and the folder browser, all
// through the library loaded from beside this executable.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/shell_link.h"
#include "support/temp_dir.h"

namespace {

using zanto::test::TempDir;

using GetShortCutNameFn = LONG(WINAPI*)(LPCSTR, LPSTR, LPSTR);
using SetShortCutNameFn = LONG(WINAPI*)(LPCSTR, LPCSTR, LPCSTR);
using DeleteFileToRecycleBinFn = int(WINAPI*)(LPCSTR);
using GetSpecialDirectoryFn = BOOL(WINAPI*)(int, LPSTR);
using TaskBarAddIconFn = BOOL(WINAPI*)(HWND, UINT, HICON, LPCSTR, UINT);
using TaskBarDeleteIconFn = BOOL(WINAPI*)(HWND, UINT);
using BrowseForFolderFn = int(WINAPI*)(HWND, LPCSTR, LPSTR);

constexpr size_t kResultBuffer = 272;  // what the program hands the resolver

class ShellHelper : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    std::string dir(path, length);
    dir.erase(dir.find_last_of('\\') + 1);
    library_ = LoadLibraryA((dir + "KZLIB95.DLL").c_str());
  }
  static void TearDownTestSuite() {
    if (library_) FreeLibrary(library_);
    library_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(library_, nullptr) << "KZLIB95.DLL beside the test"; }

  template <typename F>
  static F Export(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }

  static HMODULE library_;
};
HMODULE ShellHelper::library_ = nullptr;

TEST_F(ShellHelper, ExportsTheSevenNamesWithTheirOrdinals) {
  const struct {
    WORD ordinal;
    const char* name;
  } exports[] = {
      {1, "BrowseForFolder"}, {2, "DeleteFileToRecycleBin"}, {3, "GetShortCutName"}, {4, "GetSpecialDirectory"},
      {5, "SetShortCutName"}, {6, "TaskBarAddIcon"},         {7, "TaskBarDeleteIcon"},
  };
  for (const auto& e : exports) {
    FARPROC byName = GetProcAddress(library_, e.name);
    EXPECT_NE(byName, nullptr) << e.name;
    EXPECT_EQ(GetProcAddress(library_, MAKEINTRESOURCEA(e.ordinal)), byName) << e.name;
  }
  EXPECT_EQ(GetProcAddress(library_, MAKEINTRESOURCEA(8)), nullptr);
}

std::string ShortForm(const std::string& path) {
  char shortPath[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  return n > 0 && n < sizeof shortPath ? std::string(shortPath) : "(no short form)";
}

TEST_F(ShellHelper, ShortcutsAreWrittenAndReadBackWithTheTargetInShortForm) {
  auto setName = Export<SetShortCutNameFn>("SetShortCutName");
  auto getName = Export<GetShortCutNameFn>("GetShortCutName");
  TempDir dir;
  const std::string target = dir / "a target with a long name.text";
  dir.Write("a target with a long name.text", "target line\r\n");
  dir.Write("plain.lnk", "not a shortcut at all\r\n");
  ASSERT_GE(setName((dir / "written.lnk").c_str(), target.c_str(), "the description"), 0);
  ASSERT_TRUE(zanto::test::WriteShellLink(dir / "args.lnk", target, "-x \"two words\""));

  const struct {
    std::string shortcut;
    std::string target;     // empty: not resolved
    std::string arguments;
  } cases[] = {
      {dir / "written.lnk", ShortForm(target), ""},
      {dir / "args.lnk", ShortForm(target), "-x \"two words\""},
      {dir / "plain.lnk", "", ""},
      {dir / "missing.lnk", "", ""},
  };
  for (const auto& c : cases) {
    char resolved[kResultBuffer], arguments[kResultBuffer];
    std::memset(resolved, 'x', sizeof resolved);
    std::memset(arguments, 'x', sizeof arguments);
    resolved[sizeof resolved - 1] = arguments[sizeof arguments - 1] = '\0';
    LONG status = getName(c.shortcut.c_str(), resolved, arguments);
    EXPECT_EQ(std::string(resolved), c.target) << c.shortcut;
    EXPECT_EQ(std::string(arguments), c.arguments) << c.shortcut;
    if (c.target.empty()) {
      EXPECT_NE(status, 0) << c.shortcut;
    } else {
      EXPECT_GE(status, 0) << c.shortcut;
    }
    // The program passes no arguments buffer.
    std::memset(resolved, 'x', sizeof resolved - 1);
    getName(c.shortcut.c_str(), resolved, nullptr);
    EXPECT_EQ(std::string(resolved), c.target) << c.shortcut;
  }
}

TEST_F(ShellHelper, RecycleBinDeletesWithoutAQuestionAndRefusesAPathTooLongForIt) {
  auto recycle = Export<DeleteFileToRecycleBinFn>("DeleteFileToRecycleBin");
  TempDir dir;
  dir.Write("gone.txt", "x");
  dir.Write("kept.txt", "x");
  EXPECT_EQ(recycle((dir / "gone.txt").c_str()), 0);
  EXPECT_FALSE(dir.Exists("gone.txt"));
  // Trailing spaces fall away when the system reads a path, so both this
  // path and any cut of it name kept.txt: too long, nothing is deleted.
  std::string longPath = dir / "kept.txt";
  longPath.append(300 - longPath.size(), ' ');
  EXPECT_NE(recycle(longPath.c_str()), 0);
  EXPECT_TRUE(dir.Exists("kept.txt"));
}

TEST_F(ShellHelper, SpecialFoldersAreTheSystemsOwn) {
  auto special = Export<GetSpecialDirectoryFn>("GetSpecialDirectory");
  char windows[MAX_PATH], system[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
  const struct {
    int folder;
    const char* want;  // null: no path
  } cases[] = {{CSIDL_WINDOWS, windows}, {CSIDL_SYSTEM, system}, {0x7F, nullptr}};
  for (const auto& c : cases) {
    char path[MAX_PATH] = "";
    BOOL written = special(c.folder, path);
    EXPECT_EQ(written != 0, c.want != nullptr) << c.folder;
    if (c.want) {
      EXPECT_EQ(_stricmp(path, c.want), 0) << path << " for " << c.folder;
    }
  }
}

TEST_F(ShellHelper, TrayIconIsAddedAndRemovedOnAWindow) {
  auto add = Export<TaskBarAddIconFn>("TaskBarAddIcon");
  auto remove = Export<TaskBarDeleteIconFn>("TaskBarDeleteIcon");
  HWND window = CreateWindowA("STATIC", "tray owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  // Longer than the tip holds, with a double-byte character across its end.
  std::string tip(62, 'a');
  for (int i = 0; i < 10; ++i) tip += "\x8C\x9F";
  EXPECT_NE(add(window, 7, icon, tip.c_str(), WM_APP + 1), 0);
  EXPECT_NE(remove(window, 7), 0);
  EXPECT_EQ(remove(window, 7), 0) << "removed once only";
  DestroyWindow(window);
}

BOOL CALLBACK FindOwnDialog(HWND w, LPARAM found) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[16];
  GetClassNameA(w, cls, sizeof cls);
  if (pid != GetCurrentProcessId() || std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(found) = w;
  return FALSE;
}

// Cancels the folder browser as soon as it shows.
DWORD WINAPI CancelBrowser(LPVOID) {
  for (int i = 0; i < 500; ++i) {
    HWND browser = nullptr;
    EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&browser));
    if (browser) {
      PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
      return 1;
    }
    Sleep(20);
  }
  return 0;
}

TEST_F(ShellHelper, CancelledFolderBrowserLeavesThePathAlone) {
  auto browse = Export<BrowseForFolderFn>("BrowseForFolder");
  HANDLE canceller = CreateThread(nullptr, 0, CancelBrowser, nullptr, 0, nullptr);
  ASSERT_NE(canceller, nullptr);
  char path[MAX_PATH] = "unchanged";
  EXPECT_EQ(browse(nullptr, "choose", path), 0);
  EXPECT_STREQ(path, "unchanged");
  WaitForSingleObject(canceller, 15000);
  DWORD cancelled = 0;
  GetExitCodeThread(canceller, &cancelled);
  CloseHandle(canceller);
  EXPECT_EQ(cancelled, 1u) << "the browser was shown";
}

}  // namespace
