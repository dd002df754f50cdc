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

bool RequiredPlainText(PlainNeedle* needle) {
  const uint8_t* t = gExpression.tokens;
  const SearchTerm* first = nullptr;
  size_t i = 0;
  for (bool wantTerm = true;; wantTerm = !wantTerm) {
    if (i + kTermTokenBytes >= kTokenListBytes) return false;
    uint8_t code = t[i];
    if (wantTerm) {
      if (code != kTokenTerm) return false;
      uint32_t handle;
      memcpy(&handle, t + i + 1, sizeof handle);
      i += kTermTokenBytes;
      if (first == nullptr) first = static_cast<const SearchTerm*>(ArenaBlock(handle));
      continue;
    }
    if (code == kTokenEnd) break;
    if (code != kTokenAnd) return false;
    ++i;
  }
  if (first == nullptr) return false;
  if (first->kind == kTermPlain && first->needle.length > 0) {
    *needle = first->needle;
    return true;
  }
  if (RequiredTextDecides(*first)) {
    *needle = first->requiredNeedle;
    return true;
  }
  return false;
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
