// The search expression: the search string as terms joined by and, or, not
// and parentheses, compiled once per run into a token list whose term tokens
// refer to compiled SearchTerms, and evaluated against every line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/settings.h"
#include "match/pattern.h"
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
  uint32_t entry;  // index of the member's ThesaurusEntry in gThesaurus
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

// The compiled search string and the evaluator's read cursor.
struct SearchExpression {
  uint8_t tokens[kTokenListBytes];  // ended by kTokenEnd
  size_t cursor;                    // next token to read
};
extern SearchExpression gExpression;

// Evaluator errors; set once, then every step returns kExprFailed.
enum : int {
  kExprOk = 0,
  kExprMissingOperand = 1,  // the expression ends where an operand is expected
  kExprUnclosed = 2,        // "(" without its ")"
  kExprUnexpected = 3,      // a token where it cannot stand
  kExprUnknownOperator = 4, // a stack entry with no operator (never from input)
  kExprStackFull = 5,       // too deeply nested
};
constexpr uint32_t kExprFailed = 0x8000;
extern int gExprError;

// One entry of the evaluation stack. A value below kArenaHandleBase is a
// truth value (0 or 1), from there on an untried term.
constexpr int kEvalStackEntries = 50;
struct EvalEntry {
  uint32_t value;
  uint8_t precedence;
  uint8_t op;  // kTokenAnd, kTokenOr, kTokenNot; 0 at the bottom of a scope
};
struct EvalStack {
  EvalEntry entry[kEvalStackEntries];
  int depth;
};
extern EvalStack gEvalStack;

// While 0, every term reads as no match without being tried: the value of
// the operand being evaluated cannot change the result. 1 at the start of
// every file.
extern int gTryTerms;

// The terms of the active block set's ten patterns; 0 where a pattern is
// empty.
extern uint32_t gBlockPatternTerms[kBlockPatterns];

// Results of CompileSearchExpression.
enum : int {
  kCompileOk = 0,
  kCompileWrong = 1,     // the caller shows "検索文字列が誤っています"
  kCompileDeclined = 2,  // ended quietly: the user declined to go on without
                         // synonyms, or memory ran out (already reported)
};

// Start of a run: forgets the previous run's expression and block terms.
// (The run frees the TermArena at its end.)
void ResetExpressionCompiler();

// Compiles the search string into gExpression under Regular, Word, Case,
// ZenHan, Same1 and Thesaurus. With ZenHan set, Word is cleared in the
// settings. Loads the thesaurus with loadThesaurus; when that fails asks
// whether to go on without synonyms.
int CompileSearchExpression(const char* searchText, ThesaurusLoader loadThesaurus);

// True when a pattern term's required text decides for it: a line whose
// raw bytes lack the text cannot match. Only where the line, read under
// reading (LineReading), has its own characters as units: no ZenHan, Same1
// or field selection, and letters only without Case.
bool RequiredTextDecides(const SearchTerm& term, unsigned reading);

// Start of a file: terms are tried again and the error is cleared.
void ClearEvaluationState();

// Start of a line: gUnitLine becomes stale and dirty match marks are
// cleared. The caller has stored the line in gCurrentLine.
void BeginLine();

// 1 when gCurrentLine satisfies the expression, else 0. gExprError tells
// whether the expression failed.
int EvaluateLine();

// 1 when the term (an arena handle) matches line under options, else 0.
// Records the match start in gMatchMarks when options.markMatches and
// counts the first matching synonym.
int MatchTerm(const char* line, uint32_t term, MatchOptions options);
// MatchTerm for the search's own terms (SearchTermOptions of gSettings).
int MatchTerm(const char* line, uint32_t term);
// MatchTerm for a block pattern (BlockPatternOptions of gSettings): no Case,
// ZenHan or Word, and no match marks.
int MatchTermExact(const char* line, uint32_t term);

// Compiles the active block set's patterns (always regular expressions,
// under BlockPatternOptions) into gBlockPatternTerms. 1 compiled; 0 a
// pattern is wrong or memory ran out (the message has been shown).
int CompileBlockPatterns();

// Readable text of the compiled expression, for tests and traces: operators
// as words, plain terms as "text", pattern terms as /pattern/, synonym groups
// as {entry:term ...}.
std::string DumpExpression();
std::string DumpTerm(uint32_t term);

}  // namespace zanto
