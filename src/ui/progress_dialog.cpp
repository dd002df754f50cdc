#include "ui/progress_dialog.h"

#include <cstdio>
#include <cstring>

#include "base/bounds.h"
#include "base/host.h"
#include "base/progress_text.h"
#include "base/sjis.h"
#include "ui/app.h"
#include "ui/resource.h"
#include "ui/search_bridge.h"

namespace zanto {

HWND gProgressWindow = nullptr;

namespace {

constexpr size_t kTitleBuffer = 64;
constexpr size_t kLabelBuffer = kPathBuffer + 64;  // "ﾃﾞｨﾚｸﾄﾘ　" and a directory
constexpr size_t kListLineBuffer = kNameBuffer + 32;  // the longest heading
constexpr int kQueuedListLines = 32;                // list lines held between repaints
constexpr size_t kCountBuffer = 32;

// A label as the search last wrote it and whether the dialog shows it yet.
struct Label {
  int control;
  bool changed;
  char text[kLabelBuffer];
};

// What the dialog shows and what waits to be shown; reset when it opens.
struct ProgressDisplay {
  DWORD openedAt;                                // tick when the dialog opened
  DWORD paintedAt;                               // tick of the last repaint
  bool shown;                                    // the dialog may be visible
  bool countWritten;                             // the search has written a match count
  char countShown[kCountBuffer];                 // the count label's text on screen
  Label labels[2];                               // file line, directory line
  int queued;                                    // lines waiting for the list
  bool listHeld;                                 // lines were added; the list is not redrawn
  LRESULT lastLine;                              // index of the last line added, or -1
  char lines[kQueuedListLines][kListLineBuffer];
};

ProgressDisplay gDisplay;

// The search an ownerless dialog runs, posted to itself as it opens so that
// it runs inside the dialog's modal loop, where an owner's idle message
// would have run it.
constexpr UINT kRunSearchMessage = WM_APP + 1;
void (*gRunSearch)() = nullptr;

void ResetDisplay() {
  std::memset(&gDisplay, 0, sizeof gDisplay);
  gDisplay.labels[0].control = IDC_PROGRESS_FILE;
  gDisplay.labels[1].control = IDC_PROGRESS_DIR;
  gDisplay.lastLine = -1;
  gDisplay.openedAt = gDisplay.paintedAt = GetTickCount();
}

// Moves the waiting lines into the list. The list is not redrawn until the
// next repaint: every redraw of a list and its scroll bars costs
// milliseconds under Wine, and lines can come thousands a second.
void AppendListLines() {
  if (gDisplay.queued == 0) return;
  if (!gProgressWindow) {
    gDisplay.queued = 0;
    return;
  }
  HWND list = GetDlgItem(gProgressWindow, IDC_PROGRESS_LIST);
  if (!gDisplay.listHeld) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    gDisplay.listHeld = true;
  }
  for (int i = 0; i < gDisplay.queued; ++i) {
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gDisplay.lines[i]));
    if (index >= 0) gDisplay.lastLine = index;
  }
  gDisplay.queued = 0;
}

// Shows the lines added since the last repaint, scrolled to the last.
void FlushList() {
  AppendListLines();
  if (!gDisplay.listHeld || !gProgressWindow) return;
  HWND list = GetDlgItem(gProgressWindow, IDC_PROGRESS_LIST);
  if (gDisplay.lastLine >= 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(gDisplay.lastLine), 0);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  gDisplay.listHeld = false;
}

void Paint() {
  if (!gProgressWindow) return;
  for (Label& label : gDisplay.labels) {
    if (!label.changed) continue;
    SetDlgItemTextA(gProgressWindow, label.control, label.text);
    label.changed = false;
  }
  if (gDisplay.countWritten) {
    char count[kCountBuffer];
    FormatMatchCount(SearchMatchCount(), count, sizeof count);
    if (std::strcmp(count, gDisplay.countShown) != 0) {
      SetDlgItemTextA(gProgressWindow, IDC_PROGRESS_COUNT, count);
      CopyText(gDisplay.countShown, sizeof gDisplay.countShown, count);
    }
  }
  FlushList();
  gDisplay.paintedAt = GetTickCount();
}

void OnInitDialog(HWND dialog) {
  char title[kTitleBuffer];
  std::snprintf(title, sizeof title, "%s  検索中", kProgramTitle);
  SetWindowTextA(dialog, title);
  gProgressWindow = dialog;
  gAbortRequested = 0;
  gPauseRequested = 0;
  ResetDisplay();
  SetDlgItemTextA(dialog, IDC_PROGRESS_PAUSE, PauseButtonText(false));
}

void OnStop(HWND dialog) {
  gAbortRequested = 1;
  EndDialog(dialog, 1);
}

void OnPause(HWND dialog) {
  gPauseRequested = !gPauseRequested;
  SetDlgItemTextA(dialog, IDC_PROGRESS_PAUSE, PauseButtonText(gPauseRequested != 0));
}

// The dialog manager shows a modal dialog as soon as its queue is first
// empty; until the search has run long enough to be seen, it stays hidden.
void OnWindowPosChanging(WINDOWPOS* position) {
  if (!gDisplay.shown) position->flags &= ~SWP_SHOWWINDOW;
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      if (gRunSearch) PostMessageA(dialog, kRunSearchMessage, 0, 0);
      return TRUE;
    case kRunSearchMessage:
      if (void (*run)() = gRunSearch) {
        gRunSearch = nullptr;  // one run per dialog
        run();
      }
      return TRUE;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          OnStop(dialog);
          return TRUE;
        case IDC_PROGRESS_PAUSE:
          OnPause(dialog);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

const char* PauseButtonText(bool paused) { return paused ? "検索再開" : "一時停止"; }

INT_PTR ShowProgressDialog(HWND owner) {
  return DialogBoxParamA(gApp.instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, ProgressProc, 0);
}

INT_PTR ShowProgressDialogRunning(void (*run)()) {
  gRunSearch = run;
  return ShowProgressDialog(nullptr);
}

void EndProgressDialog(INT_PTR result) {
  if (gProgressWindow) EndDialog(gProgressWindow, result);
}

void SetProgressLabel(int control, const char* text) {
  if (control == IDC_PROGRESS_COUNT) {
    gDisplay.countWritten = true;
    return;
  }
  for (Label& label : gDisplay.labels) {
    if (label.control != control) continue;
    CopyText(label.text, sizeof label.text, text);
    label.changed = true;
  }
}

void AddProgressListLine(const char* text) {
  if (gDisplay.queued == kQueuedListLines) AppendListLines();
  CopyText(gDisplay.lines[gDisplay.queued], kListLineBuffer, text);
  ++gDisplay.queued;
}

void UpdateProgressDialog() {
  if (!gProgressWindow) return;
  const DWORD now = GetTickCount();
  if (!gDisplay.shown) {
    if (now - gDisplay.openedAt >= kProgressShowDelayMs) ShowProgressNow();
    return;
  }
  if (now - gDisplay.paintedAt >= kProgressPaintMs) Paint();
}

void ShowProgressNow() {
  if (!gProgressWindow) return;
  Paint();
  if (gDisplay.shown) return;
  gDisplay.shown = true;
  ShowWindow(gProgressWindow, SW_SHOWNORMAL);
}

void FlushProgressDialog() { Paint(); }

}  // namespace zanto
