// The progress dialog (template 101): open while a search runs, with the
// stop and pause buttons that act through gAbortRequested and
// gPauseRequested.
#pragma once
#include <windows.h>

namespace zanto {

// The open progress dialog, or none. Set when the dialog opens; cleared by
// the main dialog when it has ended.
extern HWND gProgressWindow;

// Runs the dialog modally, owned by owner. Ends with 1 when the user stops
// the search, else with the value passed to EndProgressDialog.
INT_PTR ShowProgressDialog(HWND owner);
// Ends the open progress dialog with result (after the search run returned).
void EndProgressDialog(INT_PTR result);

// The pause button's caption for a pause state.
const char* PauseButtonText(bool paused);

}  // namespace zanto
