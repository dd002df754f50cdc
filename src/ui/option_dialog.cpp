#include "ui/option_dialog.h"

#include <windowsx.h>

#include <cstdio>

#include "ui/app.h"
#include "ui/resource.h"
#include "ui/run_dialog.h"
#include "ui/search_bridge.h"

namespace zanto {

namespace {

constexpr size_t kTitleBuffer = 128;

// One opening of an option dialog; lives on the stack of ShowOptionDialog.
struct OptionDialogRun {
  const OptionDialog* kind;  // what the dialog is
  StatusFocus focus;         // control whose status text is shown
};

OptionDialogRun* RunOf(HWND dialog) {
  return reinterpret_cast<OptionDialogRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

BOOL OnInitDialog(HWND dialog, OptionDialogRun* run) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run));
  const OptionDialog& kind = *run->kind;
  char title[kTitleBuffer];
  std::snprintf(title, sizeof title, kind.titleFormat, kProgramTitle);
  SetWindowTextA(dialog, title);
  AddContextHelpButton(dialog);
  LoadControls(dialog, kind.bindings);
  if (kind.onInit) kind.onInit(dialog);
  return TRUE;
}

void OnCommand(HWND dialog, OptionDialogRun* run, int id, int code) {
  const OptionDialog& kind = *run->kind;
  UpdateStatusBar(dialog, kind.bindings, &run->focus);
  switch (id) {
    case IDOK:
      if (kind.onOk(dialog)) EndDialog(dialog, 1);
      return;
    case IDCANCEL:
      if (kind.onCancel) kind.onCancel(dialog);
      EndDialog(dialog, 1);
      return;
    case IDC_HELP_BUTTON:
      WinHelpA(dialog, HelpFilePath(), HELP_CONTEXT, kind.helpContext);
      break;
  }
  if (kind.onCommand) kind.onCommand(dialog, id, code);
}

INT_PTR CALLBACK OptionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog, reinterpret_cast<OptionDialogRun*>(lParam));
  OptionDialogRun* run = RunOf(dialog);
  if (!run) return FALSE;
  if (IsControlColorMessage(message)) {
    UpdateStatusBar(dialog, run->kind->bindings, &run->focus);
    return FALSE;  // the system's colours
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(dialog, run, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HELP:
    case WM_CONTEXTMENU:
      return SetDlgMsgResult(dialog, message,
                             ShowContextHelp(dialog, message, wParam, lParam, run->kind->bindings,
                                             run->kind->extraHelp));
  }
  INT_PTR result = 0;
  if (run->kind->onMessage && run->kind->onMessage(dialog, message, wParam, lParam, &result)) {
    return SetDlgMsgResult(dialog, message, result);
  }
  return FALSE;
}

}  // namespace

INT_PTR ShowOptionDialog(HWND owner, const OptionDialog& dialog) {
  OptionDialogRun run = {&dialog, {nullptr}};
  return RunDialog(true, dialog.templateId, owner, OptionDialogProc, reinterpret_cast<LPARAM>(&run));
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void EnableControls(HWND dialog, const int* ids, size_t count, bool enable) {
  for (size_t i = 0; i < count; ++i) EnableWindow(GetDlgItem(dialog, ids[i]), enable);
}

void OpenOptionDialog(HWND owner, int id) {
  switch (id) {
    case IDC_BLOCK:
      ShowOptionDialog(owner, kBlockDialog);
      break;
    case IDC_ZENGO:
      ShowOptionDialog(owner, kContextDialog);
      break;
    case IDC_FIELD:
      ShowOptionDialog(owner, kFieldDialog);
      break;
    case IDC_OTHER:
      ShowOptionDialog(owner, kOtherDialog);
      break;
    case IDC_EXTENDED:
      ShowOptionDialog(owner, kExtendedDialog);
      break;
    case IDC_FILE_LIST:
      ShowOptionDialog(owner, kFileListDialog);
      break;
  }
}

}  // namespace zanto
