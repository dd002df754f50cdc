// The search expression: the search string as terms joined by and, or, not
// and parentheses, compiled once per run into a token list whose term tokens
// refer to compiled SearchTerms, and from it into the steps the evaluator
// takes on every line (expression_compiler.cpp). The line matcher
// (line_matcher.h) runs the steps.
//
// Errors in this layer: compilers return a result code (CompileResult) and
// show nothing; matching answers 1 or 0. The layer above tells the user.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/settings.h"
#include "match/pattern.h"
#include "match/term_arena.h"
#include "match/thesaurus.h"

namespace zanto {

// Token codes of the token list.
enum : uint8_t {
  kTokenEnd = 0x00,
  kTokenOpen = 0x28,   // "("
  kTokenClose = 0x29,  // ")"
  kTokenAnd = 0x81,
  kTokenOr = 0x82,
  kTokenNot = 0x83,
  kTokenTerm = 0x84,   // followed by the term's 32-bit arena handle
};
constexpr size_t kTokenListBytes = 1024;  // end mark included
constexpr size_t kTermTokenBytes = 5;

// What a term block holds.
enum TermKind : uint8_t {
  kTermPlain = 0,     // text searched byte-wise as typed (FindPlain)
  kTermPattern = 1,   // compiled units (FindPattern)
  kTermSynonyms = 3,  // a thesaurus group: each member is a term of its own
};

constexpr size_t kTermTextBytes = 1001;  // plain text, NUL included
constexpr size_t kRequiredTextBytes = 64;  // quick test of a pattern term, NUL included
constexpr int kMaxSynonymMembers = 166;

struct SynonymMember {
  uint32_t entry;  // index of the member's ThesaurusEntry in the thesaurus
  uint32_t term;   // arena handle of the member's own term (plain or pattern)
};

// One compiled term, allocated zero-filled in the TermArena.
struct SearchTerm {
  TermKind kind;
  char text[kTermTextBytes];          // kTermPlain: the text as typed
  PlainNeedle needle;                 // kTermPlain: prepared search of text
  PatternUnit units[kPatternUnits];   // kTermPattern: compiled pattern
  char required[kRequiredTextBytes];  // kTermPattern: bytes every match holds
                                      // in the raw line (unless folded), or empty
  PlainNeedle requiredNeedle;         // prepared search of required
  bool requiredHasLetters;            // required holds ASCII letters (Case folds them)
  uint16_t memberCount;               // kTermSynonyms
  SynonymMember members[kMaxSynonymMembers];
};

// The evaluation stack's room; an expression nested deeper is wrong.
constexpr int kEvalStackEntries = 50;

// One step of the evaluator. The evaluator reads the expression with
// operator precedence on a stack whose entries hold a truth value or an
// untried term; which steps it takes follows from the tokens alone, so they
// are worked out once, and only the values are left to each line.
enum class StepAction : uint8_t {
  PushZero,       // push {0, precedence, op}: the bottom of a scope or a "not"
  PushValue,      // push {the current value, precedence, op}
  LoadTerm,       // the current value becomes the untried term
  SkipIfDecided,  // the next operand cannot matter: its terms are not tried
                  // for a while (flag slot remembers whether this started it)
  EndSkipIf,      // ends the skip that slot started, if it did
  EndSkip,        // an operator's right side may matter again
  PopScope,       // drops the bottom entry of a parenthesised scope
  Reduce,         // combines the top entry with the current value
  Value,          // the current value is tried when it is a term
};
struct ExpressionStep {
  StepAction action;
  uint8_t precedence;  // PushZero, PushValue
  uint8_t op;          // PushZero, PushValue: kTokenAnd, kTokenOr, kTokenNot or 0
  uint8_t slot;        // SkipIfDecided, EndSkipIf
  uint32_t term;       // LoadTerm
};

struct CompiledExpression {
  uint8_t tokens[kTokenListBytes] = {};  // ended by kTokenEnd
  std::vector<ExpressionStep> steps;     // what every line's evaluation does
};

// What the search's terms are compiled and matched under.
struct TermRules {
  MatchOptions options;        // the search's own terms
  bool regular;                // Regular: terms are regular expressions
  const Same1Table* same1;     // Same1's table, or null
  const Thesaurus* thesaurus;  // synonym groups, or null for none
};

// A compiled search: its terms, its expression and its block patterns. It
// is only read while lines are matched, so several matchers may share it.
struct CompiledSearch {
  TermArena arena;
  CompiledExpression expression;
  uint32_t blockTerms[kBlockPatterns] = {};  // 0 where a pattern is empty
  MatchOptions termOptions = {0, false, false};
  MatchOptions blockOptions = {0, false, false};
  const Thesaurus* thesaurus = nullptr;  // counted synonyms, or null

  const SearchTerm* Term(uint32_t handle) const { return static_cast<const SearchTerm*>(arena.Block(handle)); }
};

enum class CompileResult {
  Ok,
  Wrong,        // the caller shows "検索文字列が誤っています" (or the block message)
  OutOfMemory,  // the caller shows the out-of-memory message
};

// Compiles the search string into search under rules.
CompileResult CompileSearchExpression(const char* searchText, const TermRules& rules, CompiledSearch* search);

// Compiles the patterns of a block set (always regular expressions, under
// BlockPatternOptions of the search's own) into search->blockTerms. On Wrong
// *wrongIndex names the pattern.
CompileResult CompileBlockPatterns(const BlockSet& set, const TermRules& rules, CompiledSearch* search,
                                   int* wrongIndex);

// True when a pattern term's required text decides for it: a line whose
// raw bytes lack the text cannot match. Only where the line, read under
// reading (LineReading), has its own characters as units: no ZenHan, Same1
// or field selection, and letters only without Case.
bool RequiredTextDecides(const SearchTerm& term, unsigned reading);

// Readable text of the compiled expression, for tests and traces: operators
// as words, plain terms as "text", pattern terms as /pattern/, synonym groups
// as {entry:term ...}.
std::string DumpExpression(const CompiledSearch& search);
std::string DumpTerm(const CompiledSearch& search, uint32_t term);

}  // namespace zanto
