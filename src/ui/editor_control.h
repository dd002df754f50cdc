// The editor-control library (KZW32.DLL), bound at start-up when present and
// ended at shutdown, and the result viewer built on it: a dialog with two of
// the library's editor panes, the result file in one and the place a result
// line points to in the other. Without the library the viewer shows nothing;
// nothing else depends on it.
//
// This header is what the program and the library agree on.
#pragma once
#include <windows.h>

namespace zanto {

// kzcontrol(command, target, text, value, reserved): 1 start, 2 end,
// 3 show a file in a pane. A result of 0 or more is success.
using KzControlCall = int(WINAPI*)(int command, LPARAM target, LPCSTR text, int value, int reserved);

// kzcontrol commands.
constexpr int kControlStart = 1;     // target: the client's name; text: its options
constexpr int kControlEnd = 2;
constexpr int kControlShowFile = 3;  // target: the pane window; text: the file, or null to empty the
                                     // pane; value: the line to show (0: the start)

// The pane window class. The library registers it with CS_GLOBALCLASS, so
// that the program's dialog template can hold panes; while it is not
// registered the viewer is not shown.
constexpr char kPaneClass[] = "KZWclasschild32";
// The message the library sends to the dialog that holds a pane.
constexpr char kRequestMessageName[] = "KZCONTROLMESSAGE";

// A pane's request: the library sends the registered message to the pane's
// parent with the request number as wParam and the record's address as
// lParam, and reads the answer from the parent's GWLP_USERDATA
// (GetWindowLongPtrA) when the send returns.
enum EditorControlRequestKind {
  kRequestStatusText = 1, // value: the text for the status bar, or 0 to repaint it; answer 0
  kRequestOpenFile = 2,   // value: the file to show in the jump pane, integer: its line;
                          // answer 1 when shown, else 0
  kRequestKey = 3,        // value: the virtual key pressed in window, with the Ctrl and Shift
                          // state read by the dialog; answer 1 when the dialog took the key
  kRequestToFront = 4,    // bring window to the top and repaint it; answer 0
};
struct EditorControlRequest {
  HWND window;   // the pane that asks
  LPARAM value;  // a text (const char*, Shift_JIS) or a virtual-key code, by request
  int integer;   // the line of kRequestOpenFile
};

// Sent by the dialog to the asking pane on Ctrl+Shift+C, in this order.
constexpr WPARAM kPaneCopyCommands[] = {1143, 1135};
// Posted (both parameters 0) to a dialog that a pane owns while the
// viewer's modal loop is idle.
constexpr UINT kPaneIdleMessage = WM_USER + 2000;

struct EditorControlLibrary {
  HMODULE module;        // KZW32.DLL, or null
  KzControlCall control; // its one entry point
  UINT requestMessage;   // the registered kRequestMessageName
};
extern EditorControlLibrary gEditorControl;

void StartEditorControl();
void EndEditorControl();

// Shows fileName (a full path) in the viewer, modal over owner. False, with
// nothing shown, when the library or its pane class is missing.
bool EditorControlDialog(HWND owner, const char* fileName);

}  // namespace zanto
