#include "search/search_options.h"

#include "base/sjis.h"
#include "match/field_selection.h"
#include "search/target_options_from.h"

namespace zanto {

namespace {

const char* SelectedThesaurusFile(const SearchSettings& s) {
  switch (s.Thesaurus) {
    case 1: return s.ThesaurusFile0;
    case 2: return s.ThesaurusFile1;
    case 3: return s.ThesaurusFile2;
    default: return nullptr;
  }
}

}  // namespace

SearchOptions SearchOptionsFrom(const SearchSettings& s, SearchOptionNotes* notes) {
  SearchOptions options = {};
  // Folded kana and width have no word boundaries the search can honour.
  notes->wordCleared = s.ZenHan != 0 && s.Word != 0;
  const bool word = s.Word != 0 && s.ZenHan == 0;
  options.terms = {LineReadingOf(s), word, s.MatchStr != 0};
  options.regular = s.Regular != 0;
  const char* thesaurus = SelectedThesaurusFile(s);
  options.thesaurus = thesaurus != nullptr;
  CopyText(options.thesaurusFile, sizeof options.thesaurusFile, thesaurus != nullptr ? thesaurus : "");
  options.countSynonyms = s.ThesaurusCount != 0;
  CopyText(options.same1Path, sizeof options.same1Path, s.Same1Path);
  CopyText(options.fieldPara, sizeof options.fieldPara, s.FieldPara);
  CopyText(options.fieldNo, sizeof options.fieldNo, s.FieldNo);
  const bool blocks = s.BlockOut && s.BlockSets != nullptr && s.BlockType >= 0 && s.BlockType < kBlockSets;
  options.blockSet = blocks ? &s.BlockSets[s.BlockType] : nullptr;
  options.documents = s.DocSearch != 0;
  options.targets = TargetOptionsFrom(s);
  return options;
}

FieldSpecFault CheckFieldSpec(const SearchSettings& settings) {
  FieldSelection selection;
  return FillFieldSelection(settings.FieldPara, settings.FieldNo, &selection);
}

}  // namespace zanto
