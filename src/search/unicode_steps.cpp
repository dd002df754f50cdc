#include "search/unicode_steps.h"

namespace zanto {

namespace {

// The better of the needle's anchor and the filter's: the filter may want
// a rarer character than the needle holds (削 beside ファイル in ファイル.*削除).
bool BestAnchor(const PlainNeedle* needle, const UnitFilter* filter, UnicodeForm form, UnicodeAnchor* best) {
  bool usable = needle != nullptr && AnchorOfNeedle(*needle, form, best);
  UnicodeAnchor byFilter;
  if (filter != nullptr && AnchorOfFilter(*filter, form, &byFilter) && (!usable || byFilter.score < best->score)) {
    *best = byFilter;
    usable = true;
  }
  return usable;
}

}  // namespace

bool FilterWantsRarer(const PlainNeedle& needle, const UnitFilter& filter) {
  // Characters weigh alike in every form; UTF-8 stands for them all.
  UnicodeAnchor byNeedle, byFilter;
  if (!AnchorOfFilter(filter, UnicodeForm::Utf8, &byFilter)) return false;
  return !AnchorOfNeedle(needle, UnicodeForm::Utf8, &byNeedle) || byFilter.score < byNeedle.score;
}

void MakeUnicodeAnchors(const PlainNeedle* needle, const UnitFilter* filter, UnicodeAnchors* anchors) {
  static constexpr UnicodeForm kForms[kUnicodeForms] = {UnicodeForm::Utf8, UnicodeForm::Utf16Le,
                                                        UnicodeForm::Utf16Be};
  for (int i = 0; i < kUnicodeForms; ++i) {
    anchors->usable[i] = BestAnchor(needle, filter, kForms[i], &anchors->anchor[i]);
  }
}

const UnicodeAnchor* UnicodeAnchorOfFile(const LineReader& reader, const UnicodeAnchors& anchors) {
  UnicodeForm form;
  if (!reader.ReadsUnicode(&form)) return nullptr;
  const int i = static_cast<int>(form);
  return anchors.usable[i] ? &anchors.anchor[i] : nullptr;
}

}  // namespace zanto
