// Extended-search dialog (template 107): archive extraction, one-character
// equivalences, office documents searched as their text, the thesaurus
// files and the kanji code of the files.
#include <cstdio>
#include <cstring>

#include "base/settings.h"
#include "base/sjis.h"
#include "files/archive_support.h"
#include "files/os.h"
#include "ui/drop_target.h"
#include "ui/option_dialog.h"
#include "ui/resource.h"
#include "ui/search_bridge.h"

namespace zanto {

namespace {

constexpr int kReadable = 4;  // OsAccess mode
constexpr unsigned kVersionPerMajor = 100;
constexpr size_t kCaptionBuffer = 64;

#define ZANTO_TEXT_BOX(id, field, status) {id, gSettings.field, kBindText + sizeof gSettings.field, status}

const ControlBinding kExtendedBindings[] = {
    ZANTO_TEXT_BOX(IDC_UNLHA_TMP, UnlhaTmp, "LZH を解凍するディレクトリ(フォルダ)　ドラッグ＆ドロップが可能です"),
    {IDC_DEL_UNLHA_ALWAYS, &gSettings.DelUnlha, kBindRadio + 0, "解凍したファイルは検索後、ただちに削除(ﾀｸﾞｼﾞｬﾝﾌﾟはできなくなります)"},
    {IDC_DEL_UNLHA_NO_MATCH, &gSettings.DelUnlha, kBindRadio + 1, "解凍したファイルは検索後、１つもマッチしなかったとき削除する"},
    {IDC_DEL_UNLHA_NEVER, &gSettings.DelUnlha, kBindRadio + 2, "解凍したファイルは検索後、そのまま残す"},
    {IDC_SAME1, &gSettings.Same1, kBindCheck, "１文字の同一視検索を行います(ZAFIND1.TXT を使用)"},
    {IDC_DOC_SEARCH, &gSettings.DocSearch, kBindCheck, "Word・Excel・PowerPoint・OpenDocument の文書は本文を段落ごとの行として検索します"},
    {IDC_THESAURUS_OFF, &gSettings.Thesaurus, kBindRadio + 0, "同義語検索を行いません"},
    {IDC_THESAURUS_1, &gSettings.Thesaurus, kBindRadio + 1, "同義語ファイル１を使用して同義語検索を行います"},
    {IDC_THESAURUS_2, &gSettings.Thesaurus, kBindRadio + 2, "同義語ファイル２を使用して同義語検索を行います"},
    {IDC_THESAURUS_3, &gSettings.Thesaurus, kBindRadio + 3, "同義語ファイル３を使用して同義語検索を行います"},
    ZANTO_TEXT_BOX(IDC_THESAURUS_FILE_1, ThesaurusFile0, "同義語ファイル１　ドラッグ＆ドロップが可能です"),
    ZANTO_TEXT_BOX(IDC_THESAURUS_FILE_2, ThesaurusFile1, "同義語ファイル２　ドラッグ＆ドロップが可能です"),
    ZANTO_TEXT_BOX(IDC_THESAURUS_FILE_3, ThesaurusFile2, "同義語ファイル３　ドラッグ＆ドロップが可能です"),
    {IDC_THESAURUS_COUNT, &gSettings.ThesaurusCount, kBindCheck, "マッチした同義語の数を出力"},
    {IDC_EUC_DRIVE, gSettings.EUCDrive, kBindText + sizeof gSettings.EUCDrive, "強制的に EUC ファイルであると見なすドライブの指定"},
    {IDC_KANJI_CODE, nullptr, kBindCombo, "ファイルの漢字コードの指定"},
    {IDC_HELP_BUTTON, nullptr, kBindCheck, "使い方を詳しく表示"},
    {0, nullptr, 0, nullptr},
};

#undef ZANTO_TEXT_BOX

const HelpPair kExtendedHelpPairs[] = {{IDC_ARCHIVE_GROUP, IDC_ARCHIVE_GROUP}, {0, 0}};

// The KanjiCode choices, in KanjiCodeChoice order.
constexpr const char* kKanjiCodeItems[] = {"A:自動判定", "ShiftJIS", "EUC", "JIS", "UTF-8", "UTF-16"};

constexpr int kDropTargets[] = {IDC_UNLHA_TMP, IDC_THESAURUS_FILE_1, IDC_THESAURUS_FILE_2, IDC_THESAURUS_FILE_3};
constexpr int kDeleteChoices[] = {IDC_DEL_UNLHA_ALWAYS, IDC_DEL_UNLHA_NO_MATCH, IDC_DEL_UNLHA_NEVER};

void ApplyThesaurusDependency(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDC_THESAURUS_COUNT), !IsChecked(dialog, IDC_THESAURUS_OFF));
}

void ShowArchiveLibrary(HWND dialog) {
  if (!ProgramArchives().Ready()) {
    EnableControls(dialog, kDeleteChoices, false);
    return;
  }
  // Each bound library by its name without ".DLL", one after another.
  char caption[kCaptionBuffer] = "";
  for (size_t library = 0; library < ArchiveLibraryCount(); ++library) {
    unsigned version = ProgramArchives().LibraryVersion(library);
    if (version == 0) continue;
    char name[kCaptionBuffer];
    CopyText(name, sizeof name, ArchiveLibraryFile(library));
    if (char* dot = std::strrchr(name, '.')) *dot = '\0';
    char part[kCaptionBuffer];
    std::snprintf(part, sizeof part, "%s%s version=%u.%02u", caption[0] != '\0' ? "  " : "", name,
                  version / kVersionPerMajor, version % kVersionPerMajor);
    AppendText(caption, sizeof caption, part);
  }
  SetDlgItemTextA(dialog, IDC_ARCHIVE_GROUP, caption);
}

void FillKanjiCodes(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_KANJI_CODE);
  for (const char* item : kKanjiCodeItems) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(gSettings.KanjiCode), 0);
}

void OnInit(HWND dialog) {
  if (!OsAccess(gSettings.Same1Path, kReadable)) EnableWindow(GetDlgItem(dialog, IDC_SAME1), FALSE);
  ShowArchiveLibrary(dialog);
  for (int id : kDropTargets) MakeDropTarget(GetDlgItem(dialog, id));
  ApplyThesaurusDependency(dialog);
  FillKanjiCodes(dialog);
}

void OnCommand(HWND dialog, int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == IDC_THESAURUS_OFF || id == IDC_THESAURUS_1 || id == IDC_THESAURUS_2 || id == IDC_THESAURUS_3) {
    ApplyThesaurusDependency(dialog);
  }
}

bool OnOk(HWND dialog) {
  SaveControls(dialog, kExtendedBindings);
  LRESULT chosen = SendDlgItemMessageA(dialog, IDC_KANJI_CODE, CB_GETCURSEL, 0, 0);
  if (chosen != CB_ERR) gSettings.KanjiCode = static_cast<int32_t>(chosen);
  return true;
}

}  // namespace

const OptionDialog kExtendedDialog = {
    IDD_EXTENDED, "%s : 拡張検索の設定", HELP_EXTENDED_DIALOG, kExtendedBindings, kExtendedHelpPairs, OnInit,
    OnCommand, OnOk, nullptr, nullptr,
};

}  // namespace zanto
