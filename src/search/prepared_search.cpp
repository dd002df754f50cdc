#include "search/prepared_search.h"

#include <cstdio>

#include "base/host.h"
#include "match/field_selection.h"
#include "search/match_files.h"
#include "search/scan_match.h"

namespace zanto {

namespace {

constexpr size_t kBlockMessageBuffer = 256;
constexpr char kNoThesaurusQuestion[] = "同義語ファイルを読み込めません\n同義語検索を行わないで検索しますか？";
constexpr char kWrongBlockFormat[] = "ブロック開始／終了文字列が誤っています\n%s";

// Loads the thesaurus, or asks whether to search without synonyms when it
// cannot be read; false when the user declines.
bool LoadThesaurusOrAsk(const SearchOptions& options, Host& host, Thesaurus* thesaurus) {
  if (!options.thesaurus || LoadThesaurus(options.thesaurusFile, thesaurus)) return true;
  if (host.ShowMessage(kNoThesaurusQuestion, kBoxYesNo | kBoxIconInformation) != kAnswerYes) return false;
  thesaurus->Free();
  return true;
}

bool CompileExpression(const char* text, const TermRules& rules, PreparedSearch* search) {
  const CompileResult result = CompileSearchExpression(text, rules, &search->compiled);
  if (result == CompileResult::Wrong) ShowInformation(kWrongSearchText);
  if (result == CompileResult::OutOfMemory) ShowOutOfMemory();
  return result == CompileResult::Ok;
}

bool CompileBlocks(const TermRules& rules, PreparedSearch* search) {
  const BlockSet* set = search->options.blockSet;
  if (set == nullptr) return true;
  int wrong = 0;
  const CompileResult result = CompileBlockPatterns(*set, rules, &search->compiled, &wrong);
  if (result == CompileResult::OutOfMemory) ShowOutOfMemory();
  if (result == CompileResult::Wrong) {
    char message[kBlockMessageBuffer];
    std::snprintf(message, sizeof message, kWrongBlockFormat, set->pattern[wrong]);
    ShowInformation(message);
  }
  return result == CompileResult::Ok;
}

}  // namespace

bool PrepareSearch(const SearchOptions& options, const char* text, Host& host, PreparedSearch* search) {
  search->options = options;
  const unsigned reading = options.terms.reading;
  if (reading & kReadSame1) LoadSame1Table(options.same1Path, &search->same1);
  if (reading & kReadFields) FillFieldSelection(options.fieldPara, options.fieldNo, &search->fields, false);
  search->dateSize = DateSizeFilterFrom(options.targets.ranges);
  if (!LoadThesaurusOrAsk(options, host, &search->thesaurus)) return false;
  const TermRules rules = {options.terms, options.regular, search->same1.Loaded() ? &search->same1 : nullptr,
                           search->thesaurus.Loaded() ? &search->thesaurus : nullptr};
  if (!CompileExpression(text, rules, search) || !CompileBlocks(rules, search)) return false;
  search->haveNeedle = RequiredPlainText(search->compiled, reading, &search->needle);
  const SearchTerm* term = RequiredPatternTerm(search->compiled, reading);
  search->haveFilter = term != nullptr && BuildUnitFilter(term->units, reading, &search->filter);
  search->filterFirst = search->haveNeedle && search->haveFilter && FilterWantsRarer(search->needle, search->filter);
  MakeUnicodeAnchors(search->haveNeedle ? &search->needle : nullptr, search->haveFilter ? &search->filter : nullptr,
                     &search->unicodeAnchors);
  return true;
}

}  // namespace zanto
