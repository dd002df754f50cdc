#include "search/scan_match.h"

#include <cstring>

#include "match/expression.h"
#include "match/line_state.h"
#include "match/pattern.h"
#include "search/settings.h"

namespace zanto {

void BeginFileEvaluation() { ClearEvaluationState(); }

int EvaluateCurrentLine() {
  BeginLine();
  int matched = EvaluateLine();
  if (gExprError != kExprOk) return kLineError;
  return matched ? kLineMatches : kLineNoMatch;
}

namespace {

// The text every line a term matches holds byte for byte, if it has one.
bool NeedleOf(const SearchTerm& term, PlainNeedle* needle) {
  if (term.kind == kTermPlain && term.needle.length > 0) {
    *needle = term.needle;
    return true;
  }
  if (RequiredTextDecides(term)) {
    *needle = term.requiredNeedle;
    return true;
  }
  return false;
}

}  // namespace

// The expression is read at its top level (outside parentheses): without
// an "or" there, it is true only when each of its operands is, and an
// operand that is a term not under "not" must match. The first such term
// that has a needle gives it. A synonym group counts the lines where one of
// its words is found, so lines are evaluated for the count unless the
// needle's term is the first operand: then evaluation stops at it.
bool RequiredPlainText(PlainNeedle* needle) {
  const uint8_t* t = gExpression.tokens;
  int depth = 0;
  bool negated = false;   // the next top-level operand follows "not"
  bool synonyms = false;  // the expression holds a synonym group
  bool found = false;
  size_t foundAt = 0;     // token offset of the term that gave the needle
  for (size_t i = 0; i < kTokenListBytes && t[i] != kTokenEnd;) {
    const uint8_t code = t[i];
    if (code != kTokenTerm) {
      if (code == kTokenOr && depth == 0) return false;
      if (code == kTokenNot && depth == 0) negated = true;
      if (code == kTokenOpen && depth++ == 0) negated = false;  // the group is the operand
      if (code == kTokenClose) --depth;
      ++i;
      continue;
    }
    if (i + kTermTokenBytes >= kTokenListBytes) return false;
    uint32_t handle;
    memcpy(&handle, t + i + 1, sizeof handle);
    const auto* term = static_cast<const SearchTerm*>(ArenaBlock(handle));
    if (term == nullptr) return false;
    if (term->kind == kTermSynonyms) synonyms = true;
    if (depth == 0 && !negated && !found && NeedleOf(*term, needle)) {
      found = true;
      foundAt = i;
    }
    if (depth == 0) negated = false;
    i += kTermTokenBytes;
  }
  return found && (foundAt == 0 || !synonyms);
}

int MatchBlockPattern(const char* line) {
  // History lines share addresses over time: the unit form of an earlier
  // line must not be taken for this one.
  MarkLineStale();
  for (int p = 0; p < kBlockPatterns; ++p) {
    if (gBlockPatternTerms[p] != 0 && MatchTermExact(line, gBlockPatternTerms[p])) return p;
  }
  return -1;
}

}  // namespace zanto
