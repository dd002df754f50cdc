// KZW32.DLL and KZW32.EXE: the editor pane that the search program shows
// its result in, and the small viewer built over the same pane.
//
// The library's one entry point, stdcall, exported as "kzcontrol":
//   kzcontrol(1, client name, option text, 0, 0)  registers the pane class
//       and the request message; 0.
//   kzcontrol(2, 0, nullptr, 0, 0)  unregisters the pane class; 0.
//   kzcontrol(3, pane window, file or nullptr, line, 0)  shows the file in
//       the pane, read-only, with line (1 for the first) marked, current and
//       in view; nullptr empties the pane. 0 or more on success, negative
//       when the pane is no pane or the file cannot be read.
//
// A pane asks the window that owns it (its parent) with the registered
// message "KZCONTROLMESSAGE": wParam the request, lParam a KzRequest. The
// owner leaves its answer in its GWLP_USERDATA.
//   1 status text (value: the text, Shift_JIS)
//   2 open a file (value: the full path, number: the line); answer 1 when shown
//   3 a key the pane does not use (value: the virtual key); answer 1 when handled
#pragma once
#include <windows.h>

namespace kzw {

constexpr char kPaneClass[] = "KZWclasschild32";
constexpr char kRequestMessage[] = "KZCONTROLMESSAGE";

constexpr int kControlStart = 1;
constexpr int kControlEnd = 2;
constexpr int kControlShow = 3;

constexpr WPARAM kRequestStatus = 1;
constexpr WPARAM kRequestOpen = 2;
constexpr WPARAM kRequestKey = 3;

struct KzRequest {
  HWND window;   // the pane that asks
  LPARAM value;  // a text pointer or a virtual key
  int number;    // the line for request 2
};

using KzControlCall = int(WINAPI*)(int command, LPARAM target, LPCSTR text, int value, int reserved);

// The pane answers these, also from another process (nothing but numbers
// and WM_GETTEXT cross over). Lines count from 0 here.
constexpr UINT kPaneGetLineCount = WM_USER + 100;   // lines held
constexpr UINT kPaneGetTopLine = WM_USER + 101;     // first line in view
constexpr UINT kPaneGetCurrentLine = WM_USER + 102; // the current line, -1 when empty
constexpr UINT kPaneGetMarkedLine = WM_USER + 103;  // the marked line, -1 when none
constexpr UINT kPaneSetCurrentLine = WM_USER + 104; // wParam: line; brings it into view
constexpr UINT kPaneGetVisibleLines = WM_USER + 105; // whole lines the pane shows
// WM_GETTEXT and WM_GETTEXTLENGTH give the current line's text (Shift_JIS).

}  // namespace kzw
