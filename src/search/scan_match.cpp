#include "search/scan_match.h"

#include <cstring>

namespace zanto {

namespace {

// The text every line a term matches holds byte for byte, if it has one.
bool NeedleOf(const SearchTerm& term, unsigned reading, PlainNeedle* needle) {
  if (term.kind == kTermPlain && term.needle.length > 0) {
    *needle = term.needle;
    return true;
  }
  if (RequiredTextDecides(term, reading)) {
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
template <typename Accept>
const SearchTerm* FindRequiredTerm(const CompiledSearch& search, Accept accept) {
  const uint8_t* t = search.expression.tokens;
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
    const SearchTerm* term = search.Term(handle);
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

}  // namespace

bool RequiredPlainText(const CompiledSearch& search, unsigned reading, PlainNeedle* needle) {
  PlainNeedle found;
  const SearchTerm* term =
      FindRequiredTerm(search, [reading, &found](const SearchTerm& t) { return NeedleOf(t, reading, &found); });
  return term != nullptr && NeedleOf(*term, reading, needle);
}

// A pattern term whose line units the unit filter can foresee: folded by
// Case or ZenHan or not at all, but not mapped by Same1 or blanked by field
// selection. (With a needle, the filter still refuses the lines that hold
// the needle but lack another character of the term.)
const SearchTerm* RequiredPatternTerm(const CompiledSearch& search, unsigned reading) {
  const bool filterable = (reading & (kReadSame1 | kReadFields)) == 0;
  return FindRequiredTerm(search, [filterable](const SearchTerm& t) { return filterable && t.kind == kTermPattern; });
}

int EvaluateCurrentLine(LineMatcher& matcher, const UnitFilter* filter) {
  matcher.BeginLine();  // a refused line is started as an evaluated one would be
  if (filter != nullptr && !MayHoldUnits(matcher.line, *filter)) return kLineNoMatch;
  return matcher.EvaluateLine() ? kLineMatches : kLineNoMatch;
}

}  // namespace zanto
