// Other-settings dialog (template 104): file order, output touches, the
// end-of-search command, the files left out and the date and size ranges.
// OK keeps the dialog open on a range that does not parse.
#include "base/settings.h"
#include "files/date_size_filter.h"
#include "ui/app.h"
#include "ui/drop_target.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"
#include "ui/search_bridge.h"

namespace zanto {

namespace {

// The box to correct for each range that does not parse.
struct RangeFaultControl {
  RangeFault fault;
  int control;
};
constexpr RangeFaultControl kRangeFaultControls[] = {
    {RangeFault::kDateStart, IDC_DATE_START},
    {RangeFault::kDateEnd, IDC_DATE_END},
    {RangeFault::kSizeMin, IDC_SIZE_START},
    {RangeFault::kSizeMax, IDC_SIZE_END},
};
static_assert(sizeof gSettings.DateStart == kDateTextBuffer && sizeof gSettings.DateEnd == kDateTextBuffer &&
              sizeof gSettings.SizeStart == kSizeTextBuffer && sizeof gSettings.SizeEnd == kSizeTextBuffer);

#define ZANTO_TEXT_BOX(id, field, status) {id, gSettings.field, kBindText + sizeof gSettings.field, status}

const ControlBinding kOtherBindings[] = {
    {IDC_SORT_AS_FOUND, &gSettings.SortType, kBindRadio + int{kSortAsFound}, "ワイルドカードはDIRコマンドで表示される順で検索します"},
    {IDC_SORT_NAME, &gSettings.SortType, kBindRadio + int{kSortByName}, "ワイルドカードはファイル名順で検索します（アルファベット順）"},
    {IDC_SORT_EXTENSION, &gSettings.SortType, kBindRadio + int{kSortByExtension}, "ワイルドカードは拡張子順で検索します（アルファベット順）"},
    {IDC_SORT_DATE, &gSettings.SortType, kBindRadio + int{kSortByDate}, "ワイルドカードは日付順で検索します（古い順）"},
    {IDC_SORT_REVERSE, &gSettings.SortRev, kBindCheck, "逆順でソートする"},
    {IDC_DEL_SP, &gSettings.DelSp, kBindCheck, "マッチした行の行頭の空白を削除して出力"},
    {IDC_SEARCH_HIDE, &gSettings.SearchHide, kBindCheck, "隠れファイル/フォルダも検索"},
    {IDC_TAB_TO_SPACE, &gSettings.TabToSpace, kBindCheck, "マッチした行中のタブをスペースに変換して出力"},
    {IDC_SHORTCUT, &gSettings.ShortCut, kBindCheck, "拡張子が lnk のﾌｧｲﾙはｼｮｰﾄｶｯﾄと見なしてリンク先のﾌｧｲﾙを検索"},
    {IDC_MATCH_STR, &gSettings.MatchStr, kBindCheck, "マッチした文字列の先頭に指定した文字を出力して強調する"},
    ZANTO_TEXT_BOX(IDC_MATCH_STRING, MatchString, "マッチした文字列の先頭出力する文字列"),
    {IDC_MIDASHI, &gSettings.Midashi, kBindCheck, "ファイル名の前に見出しを出力"},
    ZANTO_TEXT_BOX(IDC_STR_MIDASHI, StrMidashi, "ファイル名の前に出力する見出し"),
    {IDC_EXEC_EDIT, gSettings.ExecEdit, kBindText + 100, "検索終了時に実行するコマンド名"},
    ZANTO_TEXT_BOX(IDC_EXEC_CLIP, ExecClip, "クリップボード出力するときにコマンドにつける引数"),
    {IDC_NOT_SEARCH_BIN, &gSettings.NotSearchBin, kBindCheck, "ファイル先頭にコード 00 FD FE FF があったときは検索しない"},
    ZANTO_TEXT_BOX(IDC_NOT_SEARCH_EXT, NotSearchExt, "指定した拡張子を持つﾌｧｲﾙは検索しない.ｽﾍﾟｰｽで区切って複数記述可能"),
    {IDC_DATE_FILTER, &gSettings.Date, kBindCheck, "指定した日付範囲のファイルのみを検索対象とする"},
    ZANTO_TEXT_BOX(IDC_DATE_START, DateStart, "日付範囲の開始年月日"),
    ZANTO_TEXT_BOX(IDC_DATE_END, DateEnd, "日付範囲の終了年月日"),
    {IDC_SIZE_FILTER, &gSettings.Size, kBindCheck, "指定しファイルサイズ範囲のファイルのみを検索対象とする"},
    ZANTO_TEXT_BOX(IDC_SIZE_START, SizeStart, "ファイルサイズ範囲の最小サイズ（後ろにKをつけると1000倍）"),
    ZANTO_TEXT_BOX(IDC_SIZE_END, SizeEnd, "ファイルサイズ範囲の最大サイズ（後ろにKをつけると1000倍）"),
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

#undef ZANTO_TEXT_BOX

const HelpPair kOtherHelpPairs[] = {{IDC_SORT_GROUP, IDC_SORT_GROUP}, {0, 0}};

// A check box and the text boxes it switches.
struct Switch {
  int check;
  int boxes[2];
};
constexpr Switch kSwitches[] = {
    {IDC_DATE_FILTER, {IDC_DATE_START, IDC_DATE_END}},
    {IDC_SIZE_FILTER, {IDC_SIZE_START, IDC_SIZE_END}},
    {IDC_MATCH_STR, {IDC_MATCH_STRING, 0}},
    {IDC_MIDASHI, {IDC_STR_MIDASHI, 0}},
};

// The file order and the left-out extensions mean nothing to a file list.
constexpr int kNotForFileList[] = {IDC_NOT_SEARCH_EXT, IDC_SORT_AS_FOUND, IDC_SORT_NAME, IDC_SORT_EXTENSION,
                                   IDC_SORT_DATE};

void ApplySwitch(HWND dialog, const Switch& s) {
  bool on = IsChecked(dialog, s.check);
  for (int box : s.boxes) {
    if (box) EnableWindow(GetDlgItem(dialog, box), on);
  }
}

void OnInit(HWND dialog) {
  // Shortcuts are resolved only on the new shell.
  EnableWindow(GetDlgItem(dialog, IDC_SHORTCUT), Windows().newShell);
  for (const Switch& s : kSwitches) ApplySwitch(dialog, s);
  if (FileListInUse()) EnableControls(dialog, kNotForFileList, false);
  MakeDropTarget(GetDlgItem(dialog, IDC_EXEC_EDIT));
}

void OnCommand(HWND dialog, int id, int code) {
  if (code != BN_CLICKED) return;
  for (const Switch& s : kSwitches) {
    if (s.check == id) ApplySwitch(dialog, s);
  }
}

// The box of a range that does not parse, or 0. The boxes are read as far
// as their settings hold.
int WrongRange(HWND dialog) {
  DateSizeRanges ranges;
  ranges.dateOn = IsChecked(dialog, IDC_DATE_FILTER);
  GetDlgItemTextA(dialog, IDC_DATE_START, ranges.dateStart, sizeof ranges.dateStart);
  GetDlgItemTextA(dialog, IDC_DATE_END, ranges.dateEnd, sizeof ranges.dateEnd);
  ranges.sizeOn = IsChecked(dialog, IDC_SIZE_FILTER);
  GetDlgItemTextA(dialog, IDC_SIZE_START, ranges.sizeMin, sizeof ranges.sizeMin);
  GetDlgItemTextA(dialog, IDC_SIZE_END, ranges.sizeMax, sizeof ranges.sizeMax);
  const RangeFault fault = CheckDateSizeRanges(ranges);
  for (const RangeFaultControl& entry : kRangeFaultControls) {
    if (entry.fault == fault) return entry.control;
  }
  return 0;
}

bool OnOk(HWND dialog) {
  int wrong = WrongRange(dialog);
  if (wrong) {
    MessageBeep(static_cast<UINT>(-1));
    SetFocus(GetDlgItem(dialog, wrong));
    return false;
  }
  SaveControls(dialog, kOtherBindings);
  return true;
}

}  // namespace

const OptionDialog kOtherDialog = {
    IDD_OTHER, "%s : その他の設定", HELP_OTHER_DIALOG, kOtherBindings, kOtherHelpPairs, OnInit, OnCommand, OnOk,
    nullptr, nullptr,
};

}  // namespace zanto
