// How the file scan asks the search expression about a line: the per-file
// and per-line resets the evaluator needs, done in one place.
#pragma once

#include "match/pattern.h"

namespace zanto {

struct SearchTerm;

enum : int {
  kLineNoMatch = 0,
  kLineMatches = 1,
  kLineError = 2,  // the expression proved unusable
};

// Start of a file: terms are tried again, errors cleared.
void BeginFileEvaluation();
// Evaluates the search expression on gCurrentLine after the per-line
// resets (match marks cleared when MatchStr is on and they are dirty).
int EvaluateCurrentLine();
// When every matching line must hold one plain text byte for byte (a term
// the expression cannot be true without, plain text or a pattern whose
// required text decides for it), sets *needle to it and returns true.
// Lines of a Shift_JIS file without those bytes cannot match and need not
// be evaluated.
bool RequiredPlainText(PlainNeedle* needle);
// The pattern term a UnitFilter can test lines for: a term the expression
// cannot be true without (as for RequiredPlainText), without Same1 and
// field selection. Null when there is none.
const SearchTerm* RequiredPatternTerm();
// EvaluateCurrentLine, except that a line the filter (when given) shows
// cannot match is only started as a line, not tried.
int EvaluateCurrentLine(const UnitFilter* filter);
// The first block pattern (0..9) of the active set that matches line, or -1.
int MatchBlockPattern(const char* line);

}  // namespace zanto
