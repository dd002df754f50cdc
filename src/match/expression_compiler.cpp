// Compiling the search string: its terms into the arena, its tokens into the
// token list, and the token list into the evaluator's steps.
#include <cstring>

#include "base/host.h"
#include "base/sjis.h"
#include "match/expression.h"

namespace zanto {

namespace {

// Binding strength of each operator: not binds tightest, then and, then or.
struct OperatorPrecedence {
  uint8_t op, precedence;
};
constexpr OperatorPrecedence kPrecedenceTable[] = {
    {kTokenNot, 98},
    {kTokenAnd, 80},
    {kTokenOr, 74},
};

uint8_t PrecedenceOf(uint8_t op) {
  for (const OperatorPrecedence& entry : kPrecedenceTable) {
    if (entry.op == op) return entry.precedence;
  }
  return 0;
}

bool IsOperator(uint8_t code) { return code == kTokenAnd || code == kTokenOr || code == kTokenNot; }

// ---------------------------------------------------------------------------
// Terms

// Most lines of a search hold no match. A pattern term's required text lets
// them be refused by a byte search of the raw line, before the line is
// converted to units.
void PrepareRequiredText(SearchTerm& term, unsigned reading) {
  const bool caseFold = (reading & kReadFoldCase) != 0;
  if (RequiredText(term.units, caseFold, term.required, sizeof term.required) == 0) return;
  term.requiredNeedle = PreparePlainNeedle(term.required);
  for (size_t i = 0; term.required[i] != '\0'; i += SjisCharLength(term.required, i)) {
    const char c = term.required[i];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) term.requiredHasLetters = true;
  }
}

// Compiles text into a new plain or pattern term for options. Word, Case
// and ZenHan make it a pattern term even when it is plain text: a byte
// search can honour none of them.
CompileResult CompileTermText(const char* text, bool regular, MatchOptions options, const TermRules& rules,
                              CompiledSearch* search, uint32_t* handle) {
  auto* term = static_cast<SearchTerm*>(search->arena.Allocate(sizeof(SearchTerm), handle));
  if (term == nullptr) return CompileResult::OutOfMemory;
  CompileContext context = {&search->arena, rules.same1, false};
  const int compiled = regular ? CompilePattern(text, term->units, kPatternUnits, options.reading, context)
                               : CompileLiteral(text, term->units, kPatternUnits, options.reading, context);
  if (compiled == kCompileError) return context.outOfMemory ? CompileResult::OutOfMemory : CompileResult::Wrong;
  const bool folded = options.word || (options.reading & (kReadFoldCase | kReadZenHan)) != 0;
  if (compiled == kCompiledPattern || folded || std::strlen(text) >= kTermTextBytes) {
    term->kind = kTermPattern;
    PrepareRequiredText(*term, options.reading);
    return CompileResult::Ok;
  }
  term->kind = kTermPlain;
  CopyText(term->text, sizeof term->text, text);
  term->needle = PreparePlainNeedle(term->text);
  return CompileResult::Ok;
}

// Compiles a term that is a word of the thesaurus into its synonym group.
CompileResult CompileSynonyms(Thesaurus::Group group, const TermRules& rules, CompiledSearch* search,
                              uint32_t* handle) {
  auto* term = static_cast<SearchTerm*>(search->arena.Allocate(sizeof(SearchTerm), handle));
  if (term == nullptr) return CompileResult::OutOfMemory;
  term->kind = kTermSynonyms;
  for (int i = 0; i < group.count; ++i) {
    if (term->memberCount == kMaxSynonymMembers) {
      Trace("buffer overflow");
      break;
    }
    const size_t entry = group.first + static_cast<size_t>(i);
    uint32_t member = 0;
    const CompileResult result =
        CompileTermText(rules.thesaurus->Entry(entry).word, rules.regular, rules.options, rules, search, &member);
    if (result != CompileResult::Ok) return result;
    // Blocks never move: term stays valid while the arena grows.
    term->members[term->memberCount].entry = static_cast<uint32_t>(entry);
    term->members[term->memberCount].term = member;
    ++term->memberCount;
  }
  return CompileResult::Ok;
}

CompileResult CompileSearchTerm(const char* text, const TermRules& rules, CompiledSearch* search, uint32_t* handle) {
  if (rules.thesaurus != nullptr) {
    const Thesaurus::Group group = rules.thesaurus->FindGroup(text);
    if (group.count > 0) return CompileSynonyms(group, rules, search, handle);
  }
  return CompileTermText(text, rules.regular, rules.options, rules, search, handle);
}

// ---------------------------------------------------------------------------
// Tokens

bool EqualsKeyword(const char* token, size_t length, const char* keyword) {
  if (std::strlen(keyword) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = token[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return true;
}

uint8_t ClassifyToken(const char* token, size_t length) {
  if (length == 1 && token[0] == '(') return kTokenOpen;
  if (length == 1 && token[0] == ')') return kTokenClose;
  if (EqualsKeyword(token, length, "and")) return kTokenAnd;
  if (EqualsKeyword(token, length, "or")) return kTokenOr;
  if (EqualsKeyword(token, length, "not")) return kTokenNot;
  return kTokenTerm;
}

// Appends one token (and its term handle) when it fits before the end mark.
bool AppendToken(uint8_t* tokens, size_t* length, uint8_t code, uint32_t term) {
  const size_t need = code == kTokenTerm ? kTermTokenBytes : 1;
  if (*length + need + 1 > kTokenListBytes) return false;
  tokens[(*length)++] = code;
  if (code == kTokenTerm) {
    std::memcpy(tokens + *length, &term, sizeof term);
    *length += sizeof term;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Steps
//
// The steps are those of an evaluator that reads the token list with
// operator precedence, pushing {value, precedence, op} entries and reducing
// them as the operators that follow allow. Its reading order decides which
// terms are tried and when (the match marks and synonym counts are part of
// the result), so the steps keep that order exactly: they are worked out by
// the same reading, done once with a stack of precedences in place of
// values.

struct Token {
  uint8_t code;
  uint32_t term;  // kTokenTerm: the term's handle
};

class StepBuilder {
 public:
  StepBuilder(const uint8_t* tokens, std::vector<ExpressionStep>* steps) : tokens_(tokens), steps_(steps) {}

  // False when the token list is no expression.
  bool Build() {
    Evaluate(0, false, 0);
    // A ")" with no "(" would end the expression and leave the rest unread.
    if (ok_ && tokens_[cursor_] != kTokenEnd) ok_ = false;
    return ok_;
  }

 private:
  Token ReadToken() {
    Token token = {tokens_[cursor_], 0};
    if (token.code == kTokenEnd) return token;  // the cursor stays at the end
    ++cursor_;
    if (token.code == kTokenTerm) {
      std::memcpy(&token.term, tokens_ + cursor_, sizeof token.term);
      cursor_ += sizeof token.term;
    }
    return token;
  }

  // An operand: a term, "(" or "not".
  Token ReadOperand() {
    const Token token = ReadToken();
    if (token.code != kTokenTerm && token.code != kTokenOpen && token.code != kTokenNot) ok_ = false;
    return token;
  }

  void Emit(StepAction action, uint8_t precedence = 0, uint8_t op = 0, uint8_t slot = 0, uint32_t term = 0) {
    steps_->push_back({action, precedence, op, slot, term});
  }

  bool Push(bool current, uint8_t precedence, uint8_t op) {
    if (depth_ >= kEvalStackEntries - 1) {  // a full stack is too deep
      ok_ = false;
      return false;
    }
    Emit(current ? StepAction::PushValue : StepAction::PushZero, precedence, op);
    precedence_[depth_++] = precedence;
    return true;
  }

  void Reduce() {
    Emit(StepAction::Reduce);
    --depth_;
  }

  // An operand that is "not" or "(": its own scope, evaluated while the
  // entry below it may have decided that its terms need not be tried.
  void NestedOperand(uint8_t precedence, uint8_t op) {
    const auto slot = static_cast<uint8_t>(nesting_++);
    Emit(StepAction::SkipIfDecided, 0, 0, slot);
    Evaluate(precedence, false, op);
    Emit(StepAction::EndSkipIf, 0, 0, slot);
    --nesting_;
  }

  void Evaluate(uint8_t precedence, bool current, uint8_t op) {
    for (;;) {
      if (!ok_ || !Push(current, precedence, op)) return;
      const Token operand = ReadOperand();
      if (!ok_) return;
      if (operand.code == kTokenTerm) {
        Emit(StepAction::LoadTerm, 0, 0, 0, operand.term);
      } else if (operand.code == kTokenNot) {
        NestedOperand(PrecedenceOf(kTokenNot), kTokenNot);
      } else {
        NestedOperand(0, 0);
        if (!ok_) return;
        if (ReadToken().code != kTokenClose) {
          ok_ = false;
          return;
        }
        Emit(StepAction::PopScope);
        --depth_;
      }
      if (!ok_) return;

      const Token next = ReadToken();
      if (IsOperator(next.code)) {
        // "a not b" would drop a silently: a not needs an operator before it.
        if (next.code == kTokenNot) {
          ok_ = false;
          return;
        }
        const uint8_t nextPrecedence = PrecedenceOf(next.code);
        while (depth_ > 0 && precedence_[depth_ - 1] >= nextPrecedence) Reduce();
        Emit(StepAction::EndSkip);
        precedence = nextPrecedence;
        current = true;
        op = next.code;
        continue;
      }
      if (next.code == kTokenClose) {
        --cursor_;  // the caller's ")"
      } else if (next.code != kTokenEnd) {
        ok_ = false;
        return;
      }
      while (depth_ > 0 && precedence_[depth_ - 1] != 0) Reduce();
      Emit(StepAction::Value);
      return;
    }
  }

  const uint8_t* tokens_;
  std::vector<ExpressionStep>* steps_;
  size_t cursor_ = 0;
  int depth_ = 0;
  uint8_t precedence_[kEvalStackEntries] = {};
  int nesting_ = 0;  // nested operands open; never above the stack's depth
  bool ok_ = true;
};

}  // namespace

CompileResult CompileSearchExpression(const char* searchText, const TermRules& rules, CompiledSearch* search) {
  search->termOptions = rules.options;
  search->blockOptions = BlockPatternOptions(rules.options);
  search->thesaurus = rules.thesaurus;
  CompiledExpression& expression = search->expression;
  std::memset(expression.tokens, 0, sizeof expression.tokens);
  expression.steps.clear();
  char token[kTermTextBytes];
  size_t length = 0;
  const char* p = searchText;
  for (;;) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && *p != ' ') ++p;
    const size_t tokenLength = static_cast<size_t>(p - start);
    if (tokenLength >= sizeof token) return CompileResult::Wrong;
    std::memcpy(token, start, tokenLength);
    token[tokenLength] = '\0';
    const uint8_t code = ClassifyToken(token, tokenLength);
    uint32_t handle = 0;
    if (code == kTokenTerm) {
      const CompileResult result = CompileSearchTerm(token, rules, search, &handle);
      if (result != CompileResult::Ok) return result;
    }
    if (!AppendToken(expression.tokens, &length, code, handle)) return CompileResult::Wrong;
  }
  if (length == 0) return CompileResult::Wrong;
  expression.tokens[length] = kTokenEnd;
  StepBuilder builder(expression.tokens, &expression.steps);
  return builder.Build() ? CompileResult::Ok : CompileResult::Wrong;
}

CompileResult CompileBlockPatterns(const BlockSet& set, const TermRules& rules, CompiledSearch* search,
                                   int* wrongIndex) {
  std::memset(search->blockTerms, 0, sizeof search->blockTerms);
  const MatchOptions options = BlockPatternOptions(rules.options);
  for (int i = 0; i < kBlockPatterns; ++i) {
    if (set.pattern[i][0] == '\0') continue;
    const CompileResult result = CompileTermText(set.pattern[i], true, options, rules, search, &search->blockTerms[i]);
    if (result == CompileResult::Ok) continue;
    *wrongIndex = i;
    return result;
  }
  return CompileResult::Ok;
}

bool RequiredTextDecides(const SearchTerm& term, unsigned reading) {
  if (term.kind != kTermPattern || term.required[0] == '\0') return false;
  if (reading & (kReadZenHan | kReadSame1 | kReadFields)) return false;
  return !((reading & kReadFoldCase) && term.requiredHasLetters);
}

}  // namespace zanto
