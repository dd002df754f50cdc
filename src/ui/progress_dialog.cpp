#include "ui/progress_dialog.h"

#include <cstdio>

#include "base/host.h"
#include "ui/app.h"
#include "ui/resource.h"

namespace zanto {

HWND gProgressWindow = nullptr;

namespace {

constexpr size_t kTitleBuffer = 64;

void OnInitDialog(HWND dialog) {
  char title[kTitleBuffer];
  std::snprintf(title, sizeof title, "%s  検索中", kProgramTitle);
  SetWindowTextA(dialog, title);
  gProgressWindow = dialog;
  gAbortRequested = 0;
  gPauseRequested = 0;
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

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
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

void EndProgressDialog(INT_PTR result) {
  if (gProgressWindow) EndDialog(gProgressWindow, result);
}

}  // namespace zanto
