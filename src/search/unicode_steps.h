// Which raw forms the scan of a UTF-8 or UTF-16 file looks for to step over
// lines that cannot match, as the bytes of a needle and the unit filter
// serve for Shift_JIS files. Made once with the prepared search, one anchor
// per Unicode form.
#pragma once

#include "match/pattern.h"
#include "match/unicode_anchor.h"
#include "search/line_reader.h"

namespace zanto {

constexpr int kUnicodeForms = 3;  // UTF-8, UTF-16LE, UTF-16BE

struct UnicodeAnchors {
  bool usable[kUnicodeForms] = {};
  UnicodeAnchor anchor[kUnicodeForms] = {};
};

// For each form, the anchor from the needle every matching line holds or
// from the filter (either may be null), whichever wants the rarer
// character; unusable where neither gives a safe one.
void MakeUnicodeAnchors(const PlainNeedle* needle, const UnitFilter* filter, UnicodeAnchors* anchors);

// True when the filter wants a character expected to be rarer in text than
// every character of the needle: then lines are better stepped over by the
// filter alone, which looks for that character, than by the needle.
bool FilterWantsRarer(const PlainNeedle& needle, const UnitFilter& filter);

// The anchor for the lines reader hands out, when it reads a UTF-8 or
// UTF-16 file and there is a safe one; null when lines must all be
// converted.
const UnicodeAnchor* UnicodeAnchorOfFile(const LineReader& reader, const UnicodeAnchors& anchors);

}  // namespace zanto
