#include "search/scan_match.h"

#include <cstring>

#include "base/settings.h"
#include "match/expression.h"
#include "match/line_state.h"
#include "match/pattern.h"

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
  if (RequiredTextDecides(term, LineReadingOf(gSettings))) {
    *needle = term.requiredNeedle;
    return true;
  }
  return false;
}

// The expression is read at its top level (outside parentheses): without
// an "or" there, it is true only when each of its operands is, and an
// operand that is a term not under "not" must match. The first such term
// that accept takes is returned. A synonym group counts the lines where
// one of its words is found, so lines are evaluated for the count unless
// the term is the first operand: then evaluation stops at it - except
// inside parentheses, where the next operator brings terms back.
const SearchTerm* FindRequiredTerm(bool (*accept)(const SearchTerm&)) {
  const uint8_t* t = gExpression.tokens;
  int depth = 0;
  bool negated = false;   // the next top-level operand follows "not"
  bool synonyms = false;  // the expression holds a synonym group
  bool groupedSynonyms = false;  // one of them inside parentheses
  const SearchTerm* found = nullptr;
  size_t foundAt = 0;     // token offset of found
  for (size_t i = 0; i < kTokenListBytes && t[i] != kTokenEnd;) {
    const uint8_t code = t[i];
    if (code != kTokenTerm) {
      if (code == kTokenOr && depth == 0) return nullptr;
      if (code == kTokenNot && depth == 0) negated = true;
      if (code == kTokenOpen && depth++ == 0) negated = false;  // the group is the operand
      if (code == kTokenClose) --depth;
      ++i;
      continue;
    }
    if (i + kTermTokenBytes >= kTokenListBytes) return nullptr;
    uint32_t handle;
    memcpy(&handle, t + i + 1, sizeof handle);
    const auto* term = static_cast<const SearchTerm*>(ArenaBlock(handle));
    if (term == nullptr) return nullptr;
    if (term->kind == kTermSynonyms) {
      synonyms = true;
      if (depth > 0) groupedSynonyms = true;
    }
    if (depth == 0 && !negated && found == nullptr && accept(*term)) {
      found = term;
      foundAt = i;
    }
    if (depth == 0) negated = false;
    i += kTermTokenBytes;
  }
  return (foundAt == 0 && !groupedSynonyms) || !synonyms ? found : nullptr;
}

bool HasNeedle(const SearchTerm& term) {
  PlainNeedle needle;
  return NeedleOf(term, &needle);
}

// A pattern term whose line units the unit filter can foresee: folded by
// Case or ZenHan or not at all, but not mapped by Same1 or blanked by field
// selection. (With a needle, the filter still refuses the lines that hold
// the needle but lack another character of the term.)
bool IsFilterablePattern(const SearchTerm& term) {
  return term.kind == kTermPattern && (LineReadingOf(gSettings) & (kReadSame1 | kReadFields)) == 0;
}

}  // namespace

bool RequiredPlainText(PlainNeedle* needle) {
  const SearchTerm* term = FindRequiredTerm(HasNeedle);
  return term != nullptr && NeedleOf(*term, needle);
}

const SearchTerm* RequiredPatternTerm() { return FindRequiredTerm(IsFilterablePattern); }

int EvaluateCurrentLine(const UnitFilter* filter) {
  if (filter == nullptr || MayHoldUnits(gCurrentLine, *filter)) return EvaluateCurrentLine();
  BeginLine();  // the line is started as an evaluated one would be
  return kLineNoMatch;
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
