// The progress dialog (template 101): open while a search runs, with the
// stop and pause buttons that act through gAbortRequested and
// gPauseRequested.
//
// Under Wine every window call is a round trip to the Wine server and the X
// server, so what the search writes into the dialog is kept here and shown
// by time, not by match: the labels and the list are repainted a few times
// a second, with the values current at that moment, and always at the end
// of the run, before a message box and when a pause begins. A search that
// ends before the user could have seen the dialog never shows it at all.
#pragma once
#include <windows.h>

namespace zanto {

// The open progress dialog, or none. Set when the dialog opens; cleared by
// the main dialog when it has ended.
extern HWND gProgressWindow;

// Milliseconds a search runs before its progress dialog is shown: a
// shorter search ends without a window that would only flicker.
constexpr DWORD kProgressShowDelayMs = 500;
// Least milliseconds between two repaints of the labels and the list.
constexpr DWORD kProgressPaintMs = 200;

// Runs the dialog modally, owned by owner. Ends with 1 when the user stops
// the search, else with the value passed to EndProgressDialog.
INT_PTR ShowProgressDialog(HWND owner);
// Runs the dialog modally without an owner and calls run at its first idle
// moment, as an owner's idle message would; run ends the dialog through
// EndProgressDialog. Used when the search starts before the main dialog
// exists.
INT_PTR ShowProgressDialogRunning(void (*run)());
// Ends the open progress dialog with result (after the search run returned).
void EndProgressDialog(INT_PTR result);

// The pause button's caption for a pause state.
const char* PauseButtonText(bool paused);

// What the search writes: the file, directory and match count labels (the
// count label shows the run's live count once the search has written it)
// and lines of the list. Kept until the next repaint.
void SetProgressLabel(int control, const char* text);
void AddProgressListLine(const char* text);
// Shows the dialog once the search has run kProgressShowDelayMs, and
// repaints when kProgressPaintMs have passed since the last repaint.
void UpdateProgressDialog();
// Shows the dialog now, with everything written so far (before a message
// box, when a pause begins, and at the end of the run).
void ShowProgressNow();
// Paints everything written so far without showing a hidden dialog.
void FlushProgressDialog();

}  // namespace zanto
