// The program's entry: command line and settings, the single-copy rule,
// the optional libraries, the main dialog loop and the shutdown order.
#include <windows.h>

#include "base/host.h"
#include "base/sjis.h"
#include "files/archive_support.h"
#include "files/os.h"
#include "files/targets.h"
#include "search/result_output.h"
#include "search/settings_io.h"
#include "ui/app.h"
#include "ui/editor_control.h"
#include "ui/main_dialog.h"
#include "ui/search_bridge.h"
#include "ui/resource.h"
#include "ui/status_bar.h"
#include "ui/win_host.h"

namespace zanto {
namespace {

constexpr char kDialogClass[] = "#32770";
constexpr DWORD kRestartPauseMs = 100;

// The 3-D controls library, bound only on systems before the new shell.
using Ctl3dCall = BOOL(WINAPI*)(HINSTANCE);
struct Ctl3dBinding {
  Ctl3dCall registerApp;
  Ctl3dCall autoSubclass;
  Ctl3dCall unregisterApp;
};
Ctl3dBinding gCtl3d = {};

// A copy already open gets the front and this one ends.
bool RaiseRunningCopy() {
  HWND running = FindWindowA(kDialogClass, kProgramTitle);
  if (!running) return false;
  HWND popup = GetLastActivePopup(running);
  SetForegroundWindow(popup ? popup : running);
  if (IsIconic(running)) OpenIcon(running);
  return true;
}

void Bind3DControls() {
  if (!gSettings.Use3DControls || Windows().newShell) return;
  HMODULE library = LoadLibraryA("CTL3D32.DLL");
  if (!library) {
    gSettings.Use3DControls = 0;
    return;
  }
  gCtl3d.registerApp = reinterpret_cast<Ctl3dCall>(reinterpret_cast<void*>(GetProcAddress(library, "Ctl3dRegister")));
  gCtl3d.autoSubclass = reinterpret_cast<Ctl3dCall>(reinterpret_cast<void*>(GetProcAddress(library, "Ctl3dAutoSubclass")));
  gCtl3d.unregisterApp = reinterpret_cast<Ctl3dCall>(reinterpret_cast<void*>(GetProcAddress(library, "Ctl3dUnregister")));
  if (!gCtl3d.registerApp || !gCtl3d.autoSubclass || !gCtl3d.unregisterApp || !gCtl3d.registerApp(gApp.instance)) {
    FreeLibrary(library);
    gCtl3d = {};
    gSettings.Use3DControls = 0;
    return;
  }
  gCtl3d.autoSubclass(gApp.instance);
  gApp.ctl3d = library;
}

void Release3DControls() {
  if (!gSettings.Use3DControls || !gApp.ctl3d) return;
  gCtl3d.unregisterApp(gApp.instance);
  FreeLibrary(gApp.ctl3d);
  gApp.ctl3d = nullptr;
}

// The library's exports use the system's calling convention, the scan's
// resolver the program's own; on the 32-bit program they differ, so the
// scan calls the export through this bridge.
using ShellShortcutName = LONG(WINAPI*)(LPCSTR shortcut, LPSTR target, LPSTR arguments);
ShellShortcutName gShellShortcutName = nullptr;
bool gShellHelperTried = false;

// The shell helper library resolves shortcuts for the scan; without it
// shortcut files are searched as they are. It is bound at the first
// shortcut a scan meets, not at start-up: loading it brings in the system's
// object libraries, which a search without shortcuts never needs. Once
// bound it stays until shutdown; a library found missing is not looked for
// again.
bool BindShellHelper() {
  if (gShellHelperTried) return gShellShortcutName != nullptr;
  gShellHelperTried = true;
  gApp.shellHelper = LoadLibraryA("KZLIB95.DLL");
  if (!gApp.shellHelper) return false;
  FARPROC resolver = GetProcAddress(gApp.shellHelper, "GetShortCutName");
  if (!resolver) return false;
  gShellShortcutName = reinterpret_cast<ShellShortcutName>(reinterpret_cast<void*>(resolver));
  return true;
}

long ShortcutNameThroughShellHelper(const char* shortcut, char* target, char* arguments) {
  if (!BindShellHelper()) {
    target[0] = '\0';  // not resolved: the shortcut is searched as it is
    return 0;
  }
  return gShellShortcutName(shortcut, target, arguments);
}

// On the new shell only; the library itself waits for the first shortcut.
void OfferShellHelper() {
  if (Windows().newShell) SetShortcutResolver(ShortcutNameThroughShellHelper);
}

void ReleaseShellHelper() {
  SetShortcutResolver(nullptr);
  gShellShortcutName = nullptr;
  gShellHelperTried = false;
  if (gApp.shellHelper) FreeLibrary(gApp.shellHelper);
  gApp.shellHelper = nullptr;
}

// The extraction directory is fixed for the whole run: UnlhaTmp as read
// from the profile, else the system's temporary directory.
void PrepareArchiveSearch() {
  char base[kPathBuffer];
  if (gSettings.UnlhaTmp[0] != '\0') {
    CopyText(base, sizeof base, gSettings.UnlhaTmp);
  } else {
    DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length >= sizeof base) base[0] = '\0';
    Trace("temppath=%s ", base);
  }
  CopyText(gSettings.ArchiveTempDir, sizeof gSettings.ArchiveTempDir, base);
  gApp.archiveReady = ProgramArchives().Init(base);
}

void RunMainDialogLoop() {
  gApp.restartRequested = 0;
  for (;;) {
    RunMainDialog();
    if (!gApp.restartRequested) break;
    Sleep(kRestartPauseMs);
    if (Windows().win98OrLater) WaitMessage();
  }
}

void Shutdown() {
  ReleaseShellHelper();
  if (gApp.programIcon) DestroyIcon(gApp.programIcon);
  gApp.programIcon = nullptr;
  if (!gSettings.CommandLineMode) SaveSettings();
  Release3DControls();
  if (gApp.archiveReady) ProgramArchives().Shutdown();
  EndEditorControl();
  ProgramResultOutput().FreeBuffer();
  FreeBlockSets();
  FreeFileListEntries(&ProgramFileList());
  FreeArguments();
}

int Run(HINSTANCE instance) {
  gApp.instance = instance;
  SetHost(&gWindowsHost);
  char programPath[kPathBuffer] = {};
  GetModuleFileNameA(nullptr, programPath, sizeof programPath);
  SplitCommandLine(GetCommandLineA(), programPath);
  ApplyCommandLine(1);
  if (!gSettings.CommandLineMode && RaiseRunningCopy()) return 0;
  if (!RegisterStatusBarClass(instance, CS_GLOBALCLASS)) return 0;
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  gWindowsHost.OpenTraceChannel();
  if (!AllocateBlockSets()) {
    ShowProgramMessage(nullptr, kOutOfMemoryText);
    return 1;
  }
  LoadSettings();
  ApplyCommandLine(2);
  Bind3DControls();
  gApp.programIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
  PrepareArchiveSearch();
  StartEditorControl();
  OfferShellHelper();
  if (!RunCommandLineSearch()) RunMainDialogLoop();
  Shutdown();
  return 0;
}

}  // namespace
}  // namespace zanto

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return zanto::Run(instance); }
