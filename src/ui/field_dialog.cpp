// Field dialog (template 108): field search, its separators and the field
// numbers searched. OK keeps the dialog open while the numbers are wrong.
#include <cstring>

#include "base/settings.h"
#include "match/field_selection.h"
#include "search/search_options.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"

namespace zanto {

namespace {

// The box to correct for each fault of the field spec.
struct FieldFaultControl {
  FieldSpecFault fault;
  int control;
};
constexpr FieldFaultControl kFieldFaultControls[] = {
    {FieldSpecFault::kNumbers, IDC_FIELD_NUMBERS},
};

// The box of the text that does not parse, or 0.
int WrongFieldSpec() {
  const FieldSpecFault fault = CheckFieldSpec(gSettings);
  for (const FieldFaultControl& entry : kFieldFaultControls) {
    if (entry.fault == fault) return entry.control;
  }
  return 0;
}

const ControlBinding kFieldBindings[] = {
    {IDC_FIELD_ON, &gSettings.FieldSearch, kBindCheck, "フィールド検索を行う"},
    {IDC_FIELD_SEPARATORS, gSettings.FieldPara, kBindText + sizeof gSettings.FieldPara,
     "フィールドを区切る文字　スペースで区切って複数記述可"},
    {IDC_FIELD_NUMBERS, gSettings.FieldNo, kBindText + sizeof gSettings.FieldNo,
     "検索するフィールド番号の指定 例: 1 2 5-10"},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

constexpr int kDependent[] = {IDC_FIELD_SEPARATORS, IDC_FIELD_NUMBERS};

void ApplyDependency(HWND dialog) { EnableControls(dialog, kDependent, IsChecked(dialog, IDC_FIELD_ON)); }

void OnCommand(HWND dialog, int id, int code) {
  if (id == IDC_FIELD_ON && code == BN_CLICKED) ApplyDependency(dialog);
}

// Wrong field numbers put the settings back as they were and leaves
// the boxes as typed, for the user to correct.
bool OnOk(HWND dialog) {
  char separators[sizeof gSettings.FieldPara];
  char numbers[sizeof gSettings.FieldNo];
  std::memcpy(separators, gSettings.FieldPara, sizeof separators);
  std::memcpy(numbers, gSettings.FieldNo, sizeof numbers);
  int32_t fieldSearch = gSettings.FieldSearch;
  SaveControls(dialog, kFieldBindings);
  int wrong = WrongFieldSpec();
  if (wrong != 0) {
    SetFocus(GetDlgItem(dialog, wrong));
    std::memcpy(gSettings.FieldPara, separators, sizeof separators);
    std::memcpy(gSettings.FieldNo, numbers, sizeof numbers);
    gSettings.FieldSearch = fieldSearch;
    return false;
  }
  if (gSettings.FieldSearch) gSettings.BlockOut = 0;
  return true;
}

}  // namespace

const OptionDialog kFieldDialog = {
    IDD_FIELD, "%s : フィールド検索の設定", HELP_FIELD_DIALOG, kFieldBindings, nullptr, ApplyDependency,
    OnCommand, OnOk, nullptr, nullptr,
};

}  // namespace zanto
