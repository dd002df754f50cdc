// Which raw forms the scan of a UTF-8 or UTF-16 file looks for to step over
// lines that cannot match, as the bytes of a needle and the unit filter
// serve for Shift_JIS files.
#pragma once

#include "match/pattern.h"
#include "match/unicode_anchor.h"
#include "search/line_reader.h"

namespace zanto {

// The anchor for the lines reader hands out, when it reads a UTF-8 or
// UTF-16 file and there is a safe one: from the needle every matching line
// holds or from the filter (either may be null), whichever wants the rarer
// character. Null when lines must
// all be converted. Made again only when the needle, the filter or the
// form changes, not for every file.
const UnicodeAnchor* UnicodeAnchorOfFile(const LineReader& reader, const PlainNeedle* needle,
                                         const UnitFilter* filter);

}  // namespace zanto
