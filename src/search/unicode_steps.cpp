#include "search/unicode_steps.h"

#include <cstring>

#include "base/bounds.h"

namespace zanto {

namespace {

constexpr int kUnicodeForms = 3;  // UTF-8, UTF-16LE, UTF-16BE

// One form's anchor, with what it was made from.
struct AnchorCache {
  bool made;
  bool usable;
  bool haveNeedle, haveFilter;
  char needle[kLineBuffer];  // the needle's text
  UnitFilter filter;         // the filter's wanted characters and pairs
  UnicodeAnchor anchor;
};

AnchorCache gAnchors[kUnicodeForms];

bool SameSource(const AnchorCache& cache, const PlainNeedle* needle, const UnitFilter* filter) {
  if (!cache.made || cache.haveNeedle != (needle != nullptr) || cache.haveFilter != (filter != nullptr)) return false;
  if (needle != nullptr && std::strcmp(cache.needle, needle->text) != 0) return false;
  return filter == nullptr || (cache.filter.wanted == filter->wanted &&
                               std::memcmp(cache.filter.byPair, filter->byPair, sizeof filter->byPair) == 0);
}

// The better of the needle's anchor and the filter's: the filter may want
// a rarer character than the needle holds (削 beside ファイル in ファイル.*削除).
void Remake(AnchorCache& cache, UnicodeForm form, const PlainNeedle* needle, const UnitFilter* filter) {
  // A needle too long to keep is made again for each file.
  cache.made = needle == nullptr || needle->length < sizeof cache.needle;
  cache.haveNeedle = needle != nullptr;
  cache.haveFilter = filter != nullptr;
  cache.needle[0] = '\0';
  if (cache.made && needle != nullptr) std::memcpy(cache.needle, needle->text, needle->length + 1);
  if (filter != nullptr) {
    cache.filter.wanted = filter->wanted;
    std::memcpy(cache.filter.byPair, filter->byPair, sizeof filter->byPair);
  }
  UnicodeAnchor byFilter;
  cache.usable = needle != nullptr && AnchorOfNeedle(*needle, form, &cache.anchor);
  if (filter != nullptr && AnchorOfFilter(*filter, form, &byFilter) &&
      (!cache.usable || byFilter.score < cache.anchor.score)) {
    cache.anchor = byFilter;
    cache.usable = true;
  }
}

}  // namespace

const UnicodeAnchor* UnicodeAnchorOfFile(const LineReader& reader, const PlainNeedle* needle,
                                         const UnitFilter* filter) {
  UnicodeForm form;
  if (!reader.ReadsUnicode(&form) || (needle == nullptr && filter == nullptr)) return nullptr;
  AnchorCache& cache = gAnchors[static_cast<int>(form)];
  if (!SameSource(cache, needle, filter)) Remake(cache, form, needle, filter);
  return cache.usable ? &cache.anchor : nullptr;
}

}  // namespace zanto
