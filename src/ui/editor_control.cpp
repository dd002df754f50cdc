#include "ui/editor_control.h"

#include <commctrl.h>

#include "base/sjis.h"
#include "base/bounds.h"
#include "ui/app.h"
#include "ui/resource.h"
#include "ui/run_dialog.h"

namespace zanto {

EditorControlLibrary gEditorControl = {};

namespace {
constexpr char kClientName[] = "ZANTO";
constexpr char kStartOptions[] = "";  // the program asks for nothing special
}  // namespace

void StartEditorControl() {
  HMODULE module = LoadLibraryA("KZW32.DLL");
  if (!module) return;
  auto control = reinterpret_cast<KzControlCall>(reinterpret_cast<void*>(GetProcAddress(module, "kzcontrol")));
  if (!control) {
    FreeLibrary(module);
    return;
  }
  gEditorControl = {module, control, RegisterWindowMessageA(kRequestMessageName)};
  control(kControlStart, reinterpret_cast<LPARAM>(kClientName), kStartOptions, 0, 0);
}

void EndEditorControl() {
  if (!gEditorControl.module) return;
  gEditorControl.control(kControlEnd, 0, nullptr, 0, 0);
  FreeLibrary(gEditorControl.module);
  gEditorControl = {};
}

namespace {

constexpr char kViewerTemplate[] = "TEST";
constexpr int kStatusPartWidth = 2000;  // one part, wider than any screen
constexpr char kStatusStartText[] = "kz start";
constexpr int kMissingStatusBeeps = 4;
constexpr DWORD kIdleSleepMs = 1;       // lets the owned dialog's queue run

struct ViewerState {
  char fileName[kPathBuffer]; // the result file shown, a full path
  HINSTANCE instance;         // the program module
  HWND statusBar;             // the common-controls status bar, or null
};
ViewerState gViewer;

// Shows a file in one of the dialog's panes; true on success.
bool ShowInPane(HWND dialog, int pane, const char* file, int line) {
  LPARAM window = reinterpret_cast<LPARAM>(GetDlgItem(dialog, pane));
  return gEditorControl.control(kControlShowFile, window, file, line, 0) >= 0;
}

void CreateStatusBar(HWND dialog) {
  InitCommonControls();
  gViewer.statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                      dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_VIEWER_STATUS)),
                                      gViewer.instance, nullptr);
  if (!gViewer.statusBar) {
    for (int i = 0; i < kMissingStatusBeeps; ++i) MessageBeep(static_cast<UINT>(-1));
    return;
  }
  int parts[] = {kStatusPartWidth};
  SendMessageA(gViewer.statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  SendMessageA(gViewer.statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(kStatusStartText));
}

void OnInitDialog(HWND dialog) {
  ShowInPane(dialog, IDC_VIEWER_RESULT_PANE, gViewer.fileName, 0);
  CreateStatusBar(dialog);
}

void OnCommand(HWND dialog, int id) {
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(dialog, id);
  } else if (id == IDC_VIEWER_CLEAR_JUMP && GetKeyState(VK_SHIFT) < 0) {
    ShowInPane(dialog, IDC_VIEWER_JUMP_PANE, nullptr, 0);
  }
}

// Keys the dialog takes from a pane: Ctrl+Tab and Ctrl+Shift+Tab move
// between the panes, Ctrl+Shift+C has the pane copy.
bool OnPaneKey(HWND dialog, const EditorControlRequest& request) {
  if (GetKeyState(VK_CONTROL) >= 0) return false;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (request.value == VK_TAB) {
    SendMessageA(dialog, WM_NEXTDLGCTL, shift ? 1 : 0, FALSE);
    return true;
  }
  if (request.value == 'C' && shift) {
    for (WPARAM command : kPaneCopyCommands) SendMessageA(request.window, WM_COMMAND, command, 0);
    return true;
  }
  return false;
}

LONG_PTR OnPaneRequest(HWND dialog, WPARAM kind, const EditorControlRequest* request) {
  if (!request) return 0;
  switch (kind) {
    case kRequestStatusText:
      if (!gViewer.statusBar) return 0;
      if (request->value) {
        SendMessageA(gViewer.statusBar, SB_SETTEXTA, 0, request->value);
      } else {
        UpdateWindow(gViewer.statusBar);
      }
      return 0;
    case kRequestOpenFile:
      return ShowInPane(dialog, IDC_VIEWER_JUMP_PANE, reinterpret_cast<const char*>(request->value),
                        request->integer)
                 ? 1
                 : 0;
    case kRequestKey:
      return OnPaneKey(dialog, *request) ? 1 : 0;
    case kRequestToFront:
      BringWindowToTop(request->window);
      UpdateWindow(request->window);
      return 0;
    default:
      return 0;
  }
}

INT_PTR CALLBACK ViewerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gEditorControl.requestMessage && message != 0) {
    LONG_PTR answer = OnPaneRequest(dialog, wParam, reinterpret_cast<const EditorControlRequest*>(lParam));
    SetWindowLongPtrA(dialog, GWLP_USERDATA, answer);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && gViewer.statusBar) SendMessageA(gViewer.statusBar, WM_SIZE, wParam, lParam);
      return TRUE;
    case WM_HELP:
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      return TRUE;
    case WM_ENTERIDLE:
      if (wParam == MSGF_DIALOGBOX) {
        PostMessageA(reinterpret_cast<HWND>(lParam), kPaneIdleMessage, 0, 0);
        Sleep(kIdleSleepMs);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool EditorControlDialog(HWND owner, const char* fileName) {
  if (!gEditorControl.module) return false;
  // A template control of a class nobody registered would make the whole
  // dialog fail, after the library had been asked to show the file.
  WNDCLASSA pane;
  if (!GetClassInfoA(gApp.instance, kPaneClass, &pane)) return false;
  CopyText(gViewer.fileName, sizeof gViewer.fileName, fileName);
  gViewer.instance = gApp.instance;
  gViewer.statusBar = nullptr;
  RunDialog(true, kViewerTemplate, owner, ViewerProc, 0);
  gViewer.statusBar = nullptr;
  return true;
}

}  // namespace zanto
