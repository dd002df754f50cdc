// ControlBinding: the table-driven link between dialog controls, settings
// and the status-bar texts. Every dialog keeps one constant table, ended by
// an entry with control id 0, and lets the operations below walk it.
#pragma once
#include <windows.h>

#include <cstdint>

namespace zanto {

// Kind word of a binding: a class in the high bits, a value in the others.
enum : uint16_t {
  kBindCheck = 0,         // check box <-> integer 0/1
  kBindText = 0x8000,     // + capacity: edit box <-> text buffer
  kBindRadio = 0x4000,    // + value: radio button <-> integer == value
  kBindNumber = 0x2000,   // + limit in characters: edit box <-> integer
  kBindCombo = 0x1000,    // + limit: combo box, extended keyboard interface
  kBindKindMask = 0xF000,
};

struct ControlBinding {
  uint16_t id;             // the dialog item; 0 ends the table
  void* setting;           // int32_t or char buffer, or none
  uint16_t kind;           // kBind... (above) or a number box's limit
  const char* statusText;  // shown in the status bar while focused
};

// A (control id, help context id) pair; a table of them ends with {0, 0}.
struct HelpPair {
  DWORD control;
  DWORD context;
};

// Loads every bound control from its setting (text limits and the combo
// boxes' extended interface are set even without a setting).
void LoadControls(HWND dialog, const ControlBinding* table);
// Saves every bound control into its setting.
void SaveControls(HWND dialog, const ControlBinding* table);
// Leaves each setting of table as loading it into its control and saving it
// back would: a flag 0 or 1, a text cut to its control's length. For a run
// that uses the settings without the dialog having held them.
void SettleAsControlsWould(const ControlBinding* table);

// The WM_CTLCOLOR... messages: every dialog brings its status bar up to
// date on them, since they come whenever a control is drawn.
constexpr bool IsControlColorMessage(UINT message) {
  return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// Per-dialog memory of the focused control whose text the bar shows.
struct StatusFocus {
  HWND lastFocused;
};
// Shows the status text of the focused control in control 5999.
void UpdateStatusBar(HWND dialog, const ControlBinding* table, StatusFocus* focus);

// The pairs handed to the help viewer: extra pairs first, then (id, id) for
// every bound control, ended by a 0 pair; at most kHelpPairs pairs in all.
constexpr int kHelpPairs = 100;
int BuildHelpPairs(const ControlBinding* table, const HelpPair* extra, HelpPair* out);
// WM_HELP and WM_CONTEXTMENU: opens context help; true when handled.
bool ShowContextHelp(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, const ControlBinding* table,
                     const HelpPair* extra);
// Adds the caption help button on the systems that have one.
void AddContextHelpButton(HWND dialog);

// The help file, ZANTO.HLP beside the program.
const char* HelpFilePath();

}  // namespace zanto
