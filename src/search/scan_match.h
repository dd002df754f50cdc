// How the file scan asks the compiled search about a line, and what lets it
// step over lines that cannot match.
#pragma once

#include "match/expression.h"
#include "match/line_matcher.h"
#include "match/pattern.h"

namespace zanto {

enum : int {
  kLineNoMatch = 0,
  kLineMatches = 1,
};

// Evaluates the search expression on matcher.line after the per-line
// resets (match marks cleared when MatchStr is on and they are dirty).
// With a filter, a line it shows cannot match is only started as a line,
// not tried.
int EvaluateCurrentLine(LineMatcher& matcher, const UnitFilter* filter = nullptr);
// When every matching line must hold one plain text byte for byte (a term
// the expression cannot be true without, plain text or a pattern whose
// required text decides for it under reading), sets *needle to it and
// returns true. Lines of a Shift_JIS file without those bytes cannot match
// and need not be evaluated.
bool RequiredPlainText(const CompiledSearch& search, unsigned reading, PlainNeedle* needle);
// The pattern term a UnitFilter can test lines for: a term the expression
// cannot be true without (as for RequiredPlainText), without Same1 and
// field selection. Null when there is none.
const SearchTerm* RequiredPatternTerm(const CompiledSearch& search, unsigned reading);

}  // namespace zanto
