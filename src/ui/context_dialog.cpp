// Before/after dialog (template 105): the lines written before and after
// each matching line, their signs and the texts around each group.
#include "base/settings.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"

namespace zanto {

namespace {

const ControlBinding kContextBindings[] = {
    {IDC_ZENGO_ON, &gSettings.Zengo, kBindCheck, "マッチした行の他に、前後 N行を出力"},
    {IDC_ZENGO_BEFORE, &gSettings.ZengoLine, kBindNumber + 2, "マッチした行の他に、指定した行数を出力（前）"},
    {IDC_ZENGO_AFTER, &gSettings.ZengoLine2, kBindNumber + 2, "マッチした行の他に、指定した行数を出力（後）"},
    {IDC_ZENGO_SIGN, &gSettings.ZengoSign, kBindCheck, "出力行の行頭に記号を出力  : < > "},
    {IDC_ZENGO_START, gSettings.ZStartString, kBindText + sizeof gSettings.ZStartString,
     "前後 N行を出力する前に、出力する文字列"},
    {IDC_ZENGO_END, gSettings.ZEndString, kBindText + sizeof gSettings.ZEndString,
     "前後 N行を出力した後に、出力する文字列"},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

constexpr int kDependent[] = {IDC_ZENGO_BEFORE, IDC_ZENGO_AFTER, IDC_ZENGO_START, IDC_ZENGO_END, IDC_ZENGO_SIGN};

void ApplyDependency(HWND dialog) { EnableControls(dialog, kDependent, IsChecked(dialog, IDC_ZENGO_ON)); }

void OnCommand(HWND dialog, int id, int code) {
  if (id == IDC_ZENGO_ON && code == BN_CLICKED) ApplyDependency(dialog);
}

bool OnOk(HWND dialog) {
  SaveControls(dialog, kContextBindings);
  if (gSettings.Zengo) gSettings.BlockOut = 0;
  return true;
}

}  // namespace

const OptionDialog kContextDialog = {
    IDD_CONTEXT, "%s : 前後 N 行出力の設定", HELP_CONTEXT_DIALOG, kContextBindings, nullptr, ApplyDependency,
    OnCommand, OnOk, nullptr, nullptr,
};

}  // namespace zanto
