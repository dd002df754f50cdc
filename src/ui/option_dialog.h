// The option dialogs opened from the main dialog's buttons: block output,
// lines before and after, field search, other settings and extended
// search, and the file-list dialog. They share one dialog procedure: the title, the status bar, the
// help, loading the controls on opening and the OK and Cancel buttons; each
// dialog adds its dependencies and its checks through the handlers below.
#pragma once
#include <windows.h>

#include "ui/control_binding.h"

namespace zanto {

struct OptionDialog {
  int templateId;
  const char* titleFormat;         // "%s : ..." with the program title
  DWORD helpContext;               // for the Help button
  const ControlBinding* bindings;  // loaded on opening
  const HelpPair* extraHelp;       // context help besides the bindings, or null
  // After the controls are loaded: the dialog's own preparation.
  void (*onInit)(HWND dialog);
  // Any command but OK, Cancel and Help (may be null).
  void (*onCommand)(HWND dialog, int id, int code);
  // OK: checks the input and saves the controls; true ends the dialog.
  bool (*onOk)(HWND dialog);
  // Cancel, before the dialog ends (may be null).
  void (*onCancel)(HWND dialog);
  // Any other message (may be null): true when handled, with *result the
  // answer.
  bool (*onMessage)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
};

// Shows the dialog modally (through RunDialog) owned by owner. The
// dialogs always end with 1.
INT_PTR ShowOptionDialog(HWND owner, const OptionDialog& dialog);

// The dialogs themselves, one source file each.
extern const OptionDialog kBlockDialog;
extern const OptionDialog kContextDialog;
extern const OptionDialog kFieldDialog;
extern const OptionDialog kOtherDialog;
extern const OptionDialog kExtendedDialog;
extern const OptionDialog kFileListDialog;

// Helpers the dialogs share.
bool IsChecked(HWND dialog, int id);
void EnableControls(HWND dialog, const int* ids, size_t count, bool enable);
template <size_t N>
void EnableControls(HWND dialog, const int (&ids)[N], bool enable) {
  EnableControls(dialog, ids, N, enable);
}

}  // namespace zanto
