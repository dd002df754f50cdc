// The current line and what matching records about it. The file scan stores
// each line here; the expression evaluator tests it; the result output reads
// the match marks when it writes the line.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/bounds.h"

namespace zanto {

// One flag per byte offset of the current line: 1 where some term's match
// starts. Written only while MatchStr is on.
struct MatchMarks {
  uint8_t at[kLineBuffer + 1];  // +1: the offset just past a full line
  int dirty;                    // some flag is set
};

extern char gCurrentLine[kLineBuffer];  // NUL-terminated Shift_JIS
extern MatchMarks gMatchMarks;

}  // namespace zanto
