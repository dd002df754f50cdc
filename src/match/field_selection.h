// What a field search looks at: FieldPara names the bytes that separate
// fields, FieldNo the numbers of the fields searched. Both are parsed into
// the FieldSelection the matcher reads (match/pattern.h).
#pragma once

#include "match/pattern.h"

namespace zanto {

// Which text of a field spec does not parse.
enum class FieldSpecFault {
  kNone,
  kNumbers,  // a field-number word is malformed or out of range
};

// Fills selection from the two texts. Separators: words split at spaces;
// "\s" is the space, "\t" the tab, "\\" or a lone "\" the backslash, "\"
// with any other character nothing, and any other word its first byte; no
// word at all gives the comma. Field numbers: words "n" or "n-m" with n and
// m from 1 to 99 (a range in either order); no word at all gives field 1.
// Returns kNone, or kNumbers when a number word is malformed (the fields of
// the words before it stay selected). With trace, each separator and field
// read goes to the trace channel.
FieldSpecFault FillFieldSelection(const char* separators, const char* numbers, FieldSelection* selection,
                                  bool trace = true);

}  // namespace zanto
