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
  bool fromNeedle;
  char needle[kLineBuffer];  // the needle's text, when fromNeedle
  UnitFilter filter;         // else the filter's
  UnicodeAnchor anchor;
};

AnchorCache gAnchors[kUnicodeForms];

bool SameSource(const AnchorCache& cache, const PlainNeedle* needle, const UnitFilter* filter) {
  if (!cache.made || cache.fromNeedle != (needle != nullptr)) return false;
  if (needle != nullptr) return needle->length < sizeof cache.needle && std::strcmp(cache.needle, needle->text) == 0;
  return cache.filter.wanted == filter->wanted && std::memcmp(cache.filter.byPair, filter->byPair, sizeof filter->byPair) == 0;
}

void Remake(AnchorCache& cache, UnicodeForm form, const PlainNeedle* needle, const UnitFilter* filter) {
  cache.made = true;
  cache.fromNeedle = needle != nullptr;
  if (needle != nullptr) {
    // A needle too long to keep is made again for each file.
    const bool fits = needle->length < sizeof cache.needle;
    cache.made = fits;
    cache.needle[0] = '\0';
    if (fits) std::memcpy(cache.needle, needle->text, needle->length + 1);
    cache.usable = AnchorOfNeedle(*needle, form, &cache.anchor);
  } else {
    cache.filter.wanted = filter->wanted;
    std::memcpy(cache.filter.byPair, filter->byPair, sizeof filter->byPair);
    cache.usable = AnchorOfFilter(*filter, form, &cache.anchor);
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
