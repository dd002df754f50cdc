// The matcher of one scan: the current line, what matching records about
// it, and all the working state of evaluating a compiled search on it. The
// file scan owns one; the compiled search is only read, so two matchers may
// run one search, or two searches, side by side.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bounds.h"
#include "match/expression.h"
#include "match/pattern.h"

namespace zanto {

// One flag per byte offset of the current line: 1 where some term's match
// starts. Written only while MatchStr is on.
struct MatchMarks {
  uint8_t at[kLineBuffer + 1];  // +1: the offset just past a full line
  int dirty;                    // some flag is set
};

// The tables matching reads besides the compiled search.
struct MatchTables {
  const Same1Table* same1 = nullptr;       // Same1's table, or null
  const FieldSelection* fields = nullptr;  // FieldSearch's selection
};

class LineMatcher {
 public:
  LineMatcher(const CompiledSearch& search, const MatchTables& tables);
  LineMatcher(const LineMatcher&) = delete;
  LineMatcher& operator=(const LineMatcher&) = delete;

  char line[kLineBuffer] = {};  // the current line, NUL-terminated Shift_JIS
  MatchMarks marks = {};
  PatternWork work;

  // Start of a file: the synonym counts start again from 0.
  void BeginFile();
  // Start of a line: the unit line becomes stale and dirty match marks are
  // cleared. The caller has stored the line in line.
  void BeginLine();
  // 1 when line satisfies the expression, else 0.
  int EvaluateLine();
  // 1 when the term (an arena handle) matches text under options, else 0.
  // Records the match start in marks when options.markMatches and counts
  // the first matching synonym.
  int MatchTerm(const char* text, uint32_t term, MatchOptions options);
  // The first block pattern that text matches, or -1.
  int MatchBlockPattern(const char* text);
  // Lines of the current file where the thesaurus entry matched first.
  uint32_t SynonymCount(size_t entry) const { return entry < synonymCounts_.size() ? synonymCounts_[entry] : 0; }

  const CompiledSearch& Search() const { return search_; }

 private:
  struct Entry {
    uint32_t value;  // below kArenaHandleBase a truth value, from there an untried term
    uint8_t precedence;
    uint8_t op;
  };

  int MatchSimpleTerm(const char* text, const SearchTerm& term, MatchOptions options);
  int MatchSynonyms(const char* text, const SearchTerm& group, MatchOptions options);
  void MarkMatch(size_t offset, MatchOptions options);
  uint32_t ValueOf(uint32_t value);
  uint32_t Reduce(uint32_t current);
  void Pop();
  bool SkipOperandIfDecided();
  void EndSkip();

  const CompiledSearch& search_;
  std::vector<uint32_t> synonymCounts_;  // by thesaurus entry
  Entry stack_[kEvalStackEntries] = {};
  int depth_ = 0;
  // While skipEntry_ >= 0, the value of the operand being evaluated cannot
  // change the result (it is the right side of an and whose left side is
  // false, or of an or whose left side is true): its terms read as no match
  // without being tried. skipEntry_ is the stack index of that and/or
  // entry. Terms come back at the first of: the next operator, the
  // reduction of that entry, the end of the operand - not later, since the
  // marks and synonym counts of terms tried after that point are part of
  // the result.
  int skipEntry_ = -1;
  bool skipStarted_[kEvalStackEntries] = {};  // by nested operand
};

}  // namespace zanto
