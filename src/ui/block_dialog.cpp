// Block dialog (template 103): block output, its reach and signs, and the
// five pattern sets. The pattern, end-flag and text boxes show the set
// BlockType; switching sets stores the shown one first, so no edit is lost.
#include <cstring>

#include "base/settings.h"
#include "base/sjis.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"

namespace zanto {

namespace {

constexpr char kPatternStatus[] = "ブロックの先頭／終了パターン文字列　正規表現で指定";
constexpr char kEndFlagStatus[] = "チェックするとブロックの終了パターンとみなす";
constexpr char kSetStatus[] = "ブロックの先頭／終了パターンの種類";

#define ZANTO_PATTERN(n) {IDC_BLOCK_PATTERN_FIRST + (n), nullptr, kBindText + kBlockText - 1, kPatternStatus}
#define ZANTO_END_FLAG(n) {IDC_BLOCK_END_FIRST + (n), nullptr, kBindCheck, kEndFlagStatus}
#define ZANTO_SET(n) {IDC_BLOCK_SET_FIRST + (n), &gSettings.BlockType, kBindRadio + (n), kSetStatus}

// The patterns, flags and texts have no fixed setting: they belong to the
// set shown, and ShowSet and StoreSet move them.
const ControlBinding kBlockBindings[] = {
    {IDC_BLOCK_OUT, &gSettings.BlockOut, kBindCheck, "マッチした行を含むブロック単位で出力"},
    {IDC_BLOCK_SIGN, &gSettings.BlockSign, kBindCheck, "出力行の行頭に記号を出力  : < > "},
    {IDC_BLOCK_MULTI, &gSettings.BlockMulti, kBindCheck, "ブロック内はすべて検索する(マッチ行にはすべて : がつく)"},
    {IDC_BLOCK_LINE, &gSettings.BlockLine, kBindNumber + 3, "マッチした行の前後 X 行以内をブロックの範囲内とする"},
    ZANTO_SET(0), ZANTO_SET(1), ZANTO_SET(2), ZANTO_SET(3), ZANTO_SET(4),
    ZANTO_PATTERN(0), ZANTO_PATTERN(1), ZANTO_PATTERN(2), ZANTO_PATTERN(3), ZANTO_PATTERN(4),
    ZANTO_PATTERN(5), ZANTO_PATTERN(6), ZANTO_PATTERN(7), ZANTO_PATTERN(8), ZANTO_PATTERN(9),
    ZANTO_END_FLAG(0), ZANTO_END_FLAG(1), ZANTO_END_FLAG(2), ZANTO_END_FLAG(3), ZANTO_END_FLAG(4),
    ZANTO_END_FLAG(5), ZANTO_END_FLAG(6), ZANTO_END_FLAG(7), ZANTO_END_FLAG(8), ZANTO_END_FLAG(9),
    {IDC_BLOCK_START_TEXT, nullptr, kBindText + kBlockText, "ブロックを出力する前に出力する文字列"},
    {IDC_BLOCK_END_TEXT, nullptr, kBindText + kBlockText, "ブロックを出力した後に出力する文字列"},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

#undef ZANTO_PATTERN
#undef ZANTO_END_FLAG
#undef ZANTO_SET

// BlockType when the dialog opened, put back by Cancel.
int32_t gOpeningBlockType = 0;

// The set BlockType names; a number outside the five reads as the first.
BlockSet& ShownSet() {
  int32_t n = gSettings.BlockType;
  if (n < 0 || n >= kBlockSets) n = gSettings.BlockType = 0;
  return gSettings.BlockSets[n];
}

void ShowSet(HWND dialog) {
  const BlockSet& set = ShownSet();
  for (int i = 0; i < kBlockPatterns; ++i) {
    SetDlgItemTextA(dialog, IDC_BLOCK_PATTERN_FIRST + i, set.pattern[i]);
    CheckDlgButton(dialog, IDC_BLOCK_END_FIRST + i, set.endFlag[i] ? BST_CHECKED : BST_UNCHECKED);
  }
  SetDlgItemTextA(dialog, IDC_BLOCK_START_TEXT, set.startText);
  SetDlgItemTextA(dialog, IDC_BLOCK_END_TEXT, set.endText);
}

void ReadBox(HWND dialog, int id, char* out) {
  char text[kBlockText * 2];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  CopyText(out, kBlockText, text);
}

void StoreSet(HWND dialog) {
  BlockSet& set = ShownSet();
  for (int i = 0; i < kBlockPatterns; ++i) {
    ReadBox(dialog, IDC_BLOCK_PATTERN_FIRST + i, set.pattern[i]);
    set.endFlag[i] = IsChecked(dialog, IDC_BLOCK_END_FIRST + i) ? 1 : 0;
  }
  ReadBox(dialog, IDC_BLOCK_START_TEXT, set.startText);
  ReadBox(dialog, IDC_BLOCK_END_TEXT, set.endText);
}

// Everything but the switch itself follows block output.
void ApplyDependency(HWND dialog) {
  bool on = IsChecked(dialog, IDC_BLOCK_OUT);
  for (int id = IDC_BLOCK_PATTERN_FIRST; id <= IDC_BLOCK_MULTI; ++id) EnableWindow(GetDlgItem(dialog, id), on);
}

void OnInit(HWND dialog) {
  gOpeningBlockType = gSettings.BlockType;
  ShowSet(dialog);
  ApplyDependency(dialog);
}

void OnCommand(HWND dialog, int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == IDC_BLOCK_OUT) {
    ApplyDependency(dialog);
  } else if (id >= IDC_BLOCK_SET_FIRST && id < IDC_BLOCK_SET_FIRST + kBlockSets) {
    StoreSet(dialog);
    gSettings.BlockType = id - IDC_BLOCK_SET_FIRST;
    ShowSet(dialog);
  }
}

bool OnOk(HWND dialog) {
  StoreSet(dialog);
  SaveControls(dialog, kBlockBindings);
  if (gSettings.BlockOut) gSettings.Zengo = gSettings.FieldSearch = 0;
  return true;
}

// Sets stored by switching stay stored; only the choice goes back.
void OnCancel(HWND) { gSettings.BlockType = gOpeningBlockType; }

}  // namespace

const OptionDialog kBlockDialog = {
    IDD_BLOCK, "%s : ブロック出力の設定", HELP_BLOCK_DIALOG, kBlockBindings, nullptr, OnInit, OnCommand, OnOk,
    OnCancel, nullptr,
};

}  // namespace zanto
