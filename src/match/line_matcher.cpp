#include "match/line_matcher.h"

#include <cstring>

#include "base/host.h"

namespace zanto {

LineMatcher::LineMatcher(const CompiledSearch& search, const MatchTables& tables) : search_(search) {
  work.same1 = tables.same1;
  work.fields = tables.fields;
  if (search.thesaurus != nullptr) synonymCounts_.assign(search.thesaurus->Size(), 0);
}

void LineMatcher::BeginFile() {
  std::fill(synonymCounts_.begin(), synonymCounts_.end(), 0u);
  depth_ = 0;
  skipEntry_ = -1;
}

void LineMatcher::BeginLine() {
  MarkLineStale(work);
  if (marks.dirty) std::memset(&marks, 0, sizeof marks);
}

// ---------------------------------------------------------------------------
// Terms

void LineMatcher::MarkMatch(size_t offset, MatchOptions options) {
  if (!options.markMatches || offset > kLineBuffer) return;
  marks.at[offset] = 1;
  marks.dirty = 1;
}

// Searches a plain or pattern term; other kinds are no match.
int LineMatcher::MatchSimpleTerm(const char* text, const SearchTerm& term, MatchOptions options) {
  if (term.kind == kTermPlain) {
    size_t offset = 0;
    if (!FindPlain(work, text, term.needle, options.reading, &offset)) return 0;
    MarkMatch(offset, options);
    return 1;
  }
  if (RequiredTextDecides(term, options.reading)) {
    size_t offset = 0;
    if (!FindPlain(work, text, term.requiredNeedle, options.reading, &offset)) return 0;
  }
  int unit = 0;
  if (!FindPatternIn(work, text, term.units, options, &unit)) return 0;
  if (unit < static_cast<int>(kLineBuffer)) MarkMatch(work.unitLine.position[unit], options);
  return 1;
}

int LineMatcher::MatchSynonyms(const char* text, const SearchTerm& group, MatchOptions options) {
  for (int i = 0; i < group.memberCount; ++i) {
    const SearchTerm* member = search_.Term(group.members[i].term);
    if (member == nullptr || (member->kind != kTermPlain && member->kind != kTermPattern)) {
      Trace("error 2 ");
      return 0;
    }
    if (!MatchSimpleTerm(text, *member, options)) continue;
    const uint32_t entry = group.members[i].entry;
    if (entry < synonymCounts_.size()) ++synonymCounts_[entry];
    return 1;
  }
  return 0;
}

int LineMatcher::MatchTerm(const char* text, uint32_t term, MatchOptions options) {
  if (skipEntry_ >= 0) return 0;
  const SearchTerm* block = search_.Term(term);
  if (block == nullptr) {
    Trace("error ");
    return 0;
  }
  switch (block->kind) {
    case kTermPlain:
    case kTermPattern: return MatchSimpleTerm(text, *block, options);
    case kTermSynonyms: return MatchSynonyms(text, *block, options);
  }
  Trace("error ");
  return 0;
}

int LineMatcher::MatchBlockPattern(const char* text) {
  // History lines share addresses over time: the unit form of an earlier
  // line must not be taken for this one.
  MarkLineStale(work);
  for (int p = 0; p < kBlockPatterns; ++p) {
    const uint32_t term = search_.blockTerms[p];
    if (term != 0 && MatchTerm(text, term, search_.blockOptions)) return p;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Evaluation

uint32_t LineMatcher::ValueOf(uint32_t value) {
  if (value < kArenaHandleBase) return value;
  return static_cast<uint32_t>(MatchTerm(line, value, search_.termOptions));
}

void LineMatcher::EndSkip() { skipEntry_ = -1; }

void LineMatcher::Pop() {
  --depth_;
  if (depth_ <= skipEntry_) skipEntry_ = -1;
}

// Combines the top entry with current and pops it.
uint32_t LineMatcher::Reduce(uint32_t current) {
  const Entry top = stack_[depth_ - 1];
  Pop();
  switch (top.op) {
    case kTokenAnd: return ValueOf(top.value) == 0 ? 0 : ValueOf(current);
    case kTokenOr: return ValueOf(top.value) == 1 ? 1 : ValueOf(current);
    default: return ValueOf(current) == 0 ? 1 : 0;  // kTokenNot
  }
}

// Before a "not" or "(" operand of an and/or entry: the left side is tried
// now, and when it already decides the result the operand's terms are not
// tried for a while. True when this started the skip.
bool LineMatcher::SkipOperandIfDecided() {
  if (depth_ == 0) return false;
  Entry& top = stack_[depth_ - 1];
  if (top.op != kTokenAnd && top.op != kTokenOr) return false;
  top.value = ValueOf(top.value);
  const bool decided = (top.op == kTokenAnd && top.value == 0) || (top.op == kTokenOr && top.value == 1);
  if (!decided || skipEntry_ >= 0) return false;
  skipEntry_ = depth_ - 1;
  return true;
}

int LineMatcher::EvaluateLine() {
  depth_ = 0;
  skipEntry_ = -1;
  uint32_t current = 0;
  for (const ExpressionStep& step : search_.expression.steps) {
    switch (step.action) {
      case StepAction::PushZero: stack_[depth_++] = {0, step.precedence, step.op}; break;
      case StepAction::PushValue: stack_[depth_++] = {current, step.precedence, step.op}; break;
      case StepAction::LoadTerm: current = step.term; break;
      case StepAction::SkipIfDecided: skipStarted_[step.slot] = SkipOperandIfDecided(); break;
      case StepAction::EndSkipIf:
        if (skipStarted_[step.slot]) EndSkip();
        break;
      case StepAction::EndSkip: EndSkip(); break;
      case StepAction::PopScope: Pop(); break;
      case StepAction::Reduce: current = Reduce(current); break;
      case StepAction::Value: current = ValueOf(current); break;
    }
  }
  depth_ = 0;
  skipEntry_ = -1;
  return current == 1 ? 1 : 0;
}

}  // namespace zanto
