#include "ui/control_binding.h"

#include <cstdint>

#include "base/settings.h"
#include "base/sjis.h"
#include "ui/app.h"
#include "ui/resource.h"

namespace zanto {

namespace {

constexpr size_t kTextReadBuffer = 1024;  // larger than any bound text

uint16_t KindClass(uint16_t kind) { return kind & kBindKindMask; }

uint16_t KindValue(uint16_t kind) { return kind & static_cast<uint16_t>(~kBindKindMask); }

void LoadOne(HWND dialog, const ControlBinding& b) {
  HWND control = GetDlgItem(dialog, b.id);
  uint16_t n = KindValue(b.kind);
  int32_t* number = static_cast<int32_t*>(b.setting);
  switch (KindClass(b.kind)) {
    case kBindCheck:
      if (number) CheckDlgButton(dialog, b.id, *number ? BST_CHECKED : BST_UNCHECKED);
      break;
    case kBindText:
      if (n) SendMessageA(control, EM_LIMITTEXT, n - 1, 0);
      if (b.setting) SetWindowTextA(control, static_cast<const char*>(b.setting));
      break;
    case kBindRadio:
      if (number) CheckDlgButton(dialog, b.id, *number == n ? BST_CHECKED : BST_UNCHECKED);
      break;
    case kBindCombo:
      SendMessageA(control, CB_SETEXTENDEDUI, TRUE, 0);
      if (n) SendMessageA(control, CB_LIMITTEXT, n, 0);
      break;
    case kBindNumber:
      SendMessageA(control, EM_LIMITTEXT, n, 0);
      if (number) SetDlgItemInt(dialog, b.id, static_cast<UINT>(*number), FALSE);
      break;
  }
}

void SaveOne(HWND dialog, const ControlBinding& b) {
  if (!b.setting) return;
  int32_t* number = static_cast<int32_t*>(b.setting);
  uint16_t n = KindValue(b.kind);
  switch (KindClass(b.kind)) {
    case kBindCheck:
      *number = IsDlgButtonChecked(dialog, b.id) == BST_CHECKED ? 1 : 0;
      break;
    case kBindText: {
      // Read whole, then cut at a character boundary into the setting.
      char text[kTextReadBuffer];
      GetDlgItemTextA(dialog, b.id, text, sizeof text);
      CopyText(static_cast<char*>(b.setting), n ? n : 1, text);
      break;
    }
    case kBindRadio:
      if (IsDlgButtonChecked(dialog, b.id) == BST_CHECKED) *number = n;
      break;
    case kBindCombo:
      break;
    case kBindNumber:
      *number = static_cast<int32_t>(GetDlgItemInt(dialog, b.id, nullptr, FALSE));
      break;
  }
}

void SettleOne(const ControlBinding& b) {
  if (!b.setting) return;
  int32_t* number = static_cast<int32_t*>(b.setting);
  const uint16_t n = KindValue(b.kind);
  switch (KindClass(b.kind)) {
    case kBindCheck:
      *number = *number ? 1 : 0;
      break;
    case kBindText:
      CopyText(static_cast<char*>(b.setting), n ? n : 1, static_cast<const char*>(b.setting));
      break;
    default:  // a radio group and a number come back as they went in
      break;
  }
}

const ControlBinding* FindBinding(const ControlBinding* table, int id) {
  for (; table->id; ++table) {
    if (table->id == id) return table;
  }
  return nullptr;
}

}  // namespace

void LoadControls(HWND dialog, const ControlBinding* table) {
  for (; table->id; ++table) LoadOne(dialog, *table);
}

void SaveControls(HWND dialog, const ControlBinding* table) {
  for (; table->id; ++table) SaveOne(dialog, *table);
}

void SettleAsControlsWould(const ControlBinding* table) {
  for (; table->id; ++table) SettleOne(*table);
}

void UpdateStatusBar(HWND dialog, const ControlBinding* table, StatusFocus* focus) {
  HWND focused = GetFocus();
  if (!focused) {
    focus->lastFocused = nullptr;
    return;
  }
  // The edit part of a combo box stands for the combo box.
  if (GetParent(focused) != dialog) focused = GetParent(focused);
  if (focused == focus->lastFocused) return;
  focus->lastFocused = focused;
  const ControlBinding* b = focused ? FindBinding(table, GetDlgCtrlID(focused)) : nullptr;
  SetDlgItemTextA(dialog, IDC_STATUS_BAR, b && b->statusText ? b->statusText : "");
}

int BuildHelpPairs(const ControlBinding* table, const HelpPair* extra, HelpPair* out) {
  int n = 0;
  for (; extra && extra->control && n < kHelpPairs - 1; ++extra) out[n++] = *extra;
  for (; table->id && n < kHelpPairs - 1; ++table) out[n++] = {table->id, table->id};
  out[n] = {0, 0};
  return n;
}

bool ShowContextHelp(HWND, UINT message, WPARAM wParam, LPARAM lParam, const ControlBinding* table,
                     const HelpPair* extra) {
  static HelpPair pairs[kHelpPairs];
  BuildHelpPairs(table, extra, pairs);
  if (message == WM_CONTEXTMENU) {
    WinHelpA(reinterpret_cast<HWND>(wParam), HelpFilePath(), HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(pairs));
    return true;
  }
  if (message == WM_HELP) {
    const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lParam);
    if (info && info->iContextType == HELPINFO_WINDOW) {
      WinHelpA(static_cast<HWND>(info->hItemHandle), HelpFilePath(), HELP_WM_HELP,
               reinterpret_cast<ULONG_PTR>(pairs));
    }
    return true;
  }
  return false;
}

void AddContextHelpButton(HWND dialog) {
  if (!Windows().newShell && !Windows().nt351) return;
  LONG_PTR style = GetWindowLongPtrA(dialog, GWL_EXSTYLE);
  SetWindowLongPtrA(dialog, GWL_EXSTYLE, style | WS_EX_CONTEXTHELP);
}

const char* HelpFilePath() { return gSettings.HelpPath; }

}  // namespace zanto
