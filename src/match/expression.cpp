#include "match/expression.h"

#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "match/thesaurus.h"

namespace zanto {

SearchExpression gExpression;
int gExprError = kExprOk;
EvalStack gEvalStack;
int gTryTerms = 1;
uint32_t gBlockPatternTerms[kBlockPatterns];

namespace {

constexpr size_t kBlockMessageBuffer = 256;

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

// While the value of a "not" or "(" operand cannot matter (it is the right
// side of an and whose left side is false, or of an or whose left side is
// true), its terms are not tried. gSkipEntry is the stack index of that
// and/or entry, -1 when none. Terms come back at the first of: the next
// operator pushed, the reduction of that entry, the end of the operand's
// evaluation - not later, since the marks and synonym counts of terms tried
// after that point are part of the result.
int gSkipEntry = -1;
// The compile's syntax check runs the evaluator without trying any term.
bool gSyntaxCheck = false;

void UpdateTryTerms() { gTryTerms = gSkipEntry < 0 && !gSyntaxCheck ? 1 : 0; }

void EndSkip() {
  gSkipEntry = -1;
  UpdateTryTerms();
}

// ---------------------------------------------------------------------------
// Terms

SearchTerm* TermOf(uint32_t handle) { return static_cast<SearchTerm*>(ArenaBlock(handle)); }

enum class TermResult { Ok, Wrong, OutOfMemory };

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

// True when the raw line, read under reading, cannot hold a match of the
// term.
bool LacksRequiredText(const char* line, const SearchTerm& term, unsigned reading) {
  if (!RequiredTextDecides(term, reading)) return false;
  size_t offset = 0;
  return !FindPlain(line, term.requiredNeedle, reading, &offset);
}

// Compiles text into a new plain or pattern term for options. Word, Case
// and ZenHan make it a pattern term even when it is plain text: a byte
// search can honour none of them.
TermResult CompileTermText(const char* text, bool regular, MatchOptions options, uint32_t* handle) {
  auto* term = static_cast<SearchTerm*>(ArenaAllocate(sizeof(SearchTerm), handle));
  if (term == nullptr) return TermResult::OutOfMemory;
  const int compiled = regular ? CompilePattern(text, term->units, kPatternUnits, options.reading)
                               : CompileLiteral(text, term->units, kPatternUnits, options.reading);
  if (compiled == kCompileError) return CompileRanOutOfMemory() ? TermResult::OutOfMemory : TermResult::Wrong;
  const bool folded = options.word || (options.reading & (kReadFoldCase | kReadZenHan)) != 0;
  if (compiled == kCompiledPattern || folded || std::strlen(text) >= kTermTextBytes) {
    term->kind = kTermPattern;
    PrepareRequiredText(*term, options.reading);
    return TermResult::Ok;
  }
  term->kind = kTermPlain;
  CopyText(term->text, sizeof term->text, text);
  term->needle = PreparePlainNeedle(term->text);
  return TermResult::Ok;
}

// Compiles a term that is a word of the thesaurus into its synonym group.
TermResult CompileSynonyms(const ThesaurusGroup& group, MatchOptions options, uint32_t* handle) {
  auto* term = static_cast<SearchTerm*>(ArenaAllocate(sizeof(SearchTerm), handle));
  if (term == nullptr) return TermResult::OutOfMemory;
  term->kind = kTermSynonyms;
  for (int i = 0; i < group.count; ++i) {
    if (term->memberCount == kMaxSynonymMembers) {
      Trace("buffer overflow");
      break;
    }
    uint32_t member = 0;
    const TermResult result = CompileTermText(group.first[i].word, gSettings.Regular != 0, options, &member);
    if (result != TermResult::Ok) return result;
    // The arena may have moved nothing, but term stays valid: blocks never move.
    term->members[term->memberCount].entry = static_cast<uint32_t>(group.first + i - gThesaurus);
    term->members[term->memberCount].term = member;
    ++term->memberCount;
  }
  return TermResult::Ok;
}

void MarkMatch(size_t offset, MatchOptions options) {
  if (!options.markMatches || offset > kLineBuffer) return;
  gMatchMarks.at[offset] = 1;
  gMatchMarks.dirty = 1;
}

// Searches a plain or pattern term; other kinds are no match.
int MatchSimpleTerm(const char* line, const SearchTerm& term, MatchOptions options) {
  if (term.kind == kTermPlain) {
    size_t offset = 0;
    if (!FindPlain(line, term.needle, options.reading, &offset)) return 0;
    MarkMatch(offset, options);
    return 1;
  }
  if (LacksRequiredText(line, term, options.reading)) return 0;
  int unit = 0;
  if (!FindPatternIn(line, term.units, options, &unit)) return 0;
  if (unit < static_cast<int>(kLineBuffer)) MarkMatch(gUnitLine.position[unit], options);
  return 1;
}

int MatchSynonyms(const char* line, const SearchTerm& group, MatchOptions options) {
  for (int i = 0; i < group.memberCount; ++i) {
    const SearchTerm* member = TermOf(group.members[i].term);
    if (member == nullptr || (member->kind != kTermPlain && member->kind != kTermPattern)) {
      Trace("error 2 ");
      return 0;
    }
    if (!MatchSimpleTerm(line, *member, options)) continue;
    if (gSettings.Thesaurus && gThesaurus != nullptr) ++gThesaurus[group.members[i].entry].count;
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Tokens

struct Token {
  uint8_t code;
  uint32_t term;  // kTokenTerm: the term's handle
};

Token ReadToken() {
  Token token = {gExpression.tokens[gExpression.cursor], 0};
  if (token.code == kTokenEnd) return token;  // the cursor stays at the end
  ++gExpression.cursor;
  if (token.code == kTokenTerm) {
    std::memcpy(&token.term, gExpression.tokens + gExpression.cursor, sizeof token.term);
    gExpression.cursor += sizeof token.term;
  }
  return token;
}

void SetError(int error) {
  if (gExprError == kExprOk) gExprError = error;
}

// An operand: a term, "(" or "not".
Token ReadOperand() {
  const Token token = ReadToken();
  if (token.code == kTokenEnd) SetError(kExprMissingOperand);
  else if (token.code != kTokenTerm && token.code != kTokenOpen && token.code != kTokenNot) SetError(kExprUnexpected);
  return token;
}

// ---------------------------------------------------------------------------
// Evaluation

bool IsTermValue(uint32_t value) { return value >= kArenaHandleBase; }

uint32_t ValueOf(uint32_t value) {
  return IsTermValue(value) ? static_cast<uint32_t>(MatchTerm(gCurrentLine, value)) : value;
}

bool Push(uint32_t value, uint8_t precedence, uint8_t op) {
  if (gEvalStack.depth >= kEvalStackEntries) {
    SetError(kExprStackFull);
    return false;
  }
  gEvalStack.entry[gEvalStack.depth++] = {value, precedence, op};
  if (gEvalStack.depth == kEvalStackEntries) {
    SetError(kExprStackFull);
    return false;
  }
  return true;
}

void Pop() {
  --gEvalStack.depth;
  if (gEvalStack.depth <= gSkipEntry) {
    gSkipEntry = -1;
    UpdateTryTerms();
  }
}

const EvalEntry& Top() { return gEvalStack.entry[gEvalStack.depth - 1]; }

// Combines the top entry with c and pops it.
uint32_t Reduce(uint32_t c) {
  const EvalEntry top = Top();
  Pop();
  switch (top.op) {
    case kTokenAnd: return ValueOf(top.value) == 0 ? 0 : ValueOf(c);
    case kTokenOr: return ValueOf(top.value) == 1 ? 1 : ValueOf(c);
    case kTokenNot: return ValueOf(c) == 0 ? 1 : 0;
    default: SetError(kExprUnknownOperator); return kExprFailed;
  }
}

// Before a "not" or "(" operand of an and/or entry: the left side is tried
// now, and when it already decides the result the operand's terms are not
// tried for a while (see gSkipEntry). True when this started the skip.
bool SkipOperandIfDecided() {
  if (gEvalStack.depth == 0) return false;
  EvalEntry& top = gEvalStack.entry[gEvalStack.depth - 1];
  if (top.op != kTokenAnd && top.op != kTokenOr) return false;
  top.value = ValueOf(top.value);
  const bool decided = (top.op == kTokenAnd && top.value == 0) || (top.op == kTokenOr && top.value == 1);
  if (!decided || gSkipEntry >= 0) return false;
  gSkipEntry = gEvalStack.depth - 1;
  UpdateTryTerms();
  return true;
}

uint32_t Evaluate(uint8_t precedence, uint32_t value, uint8_t op) {
  for (;;) {
    if (gExprError != kExprOk) return kExprFailed;
    if (!Push(value, precedence, op)) return kExprFailed;
    const Token operand = ReadOperand();
    if (gExprError != kExprOk) return kExprFailed;
    uint32_t c = operand.term;
    if (operand.code == kTokenNot) {
      const bool skipped = SkipOperandIfDecided();
      c = Evaluate(PrecedenceOf(kTokenNot), 0, kTokenNot);
      if (skipped) EndSkip();
    } else if (operand.code == kTokenOpen) {
      const bool skipped = SkipOperandIfDecided();
      c = Evaluate(0, 0, 0);
      if (skipped) EndSkip();
      if (gExprError != kExprOk) return kExprFailed;
      if (ReadToken().code != kTokenClose) {
        SetError(kExprUnclosed);
        return kExprFailed;
      }
      Pop();  // the bottom entry of the parenthesised scope
    }
    if (gExprError != kExprOk) return kExprFailed;

    const Token next = ReadToken();
    if (IsOperator(next.code)) {
      // "a not b" would drop a silently: a not needs an operator before it.
      if (next.code == kTokenNot) {
        SetError(kExprUnexpected);
        return kExprFailed;
      }
      const uint8_t nextPrecedence = PrecedenceOf(next.code);
      while (gEvalStack.depth > 0 && Top().precedence >= nextPrecedence) c = Reduce(c);
      if (gExprError != kExprOk) return kExprFailed;
      EndSkip();  // the operator's right side may matter again
      precedence = nextPrecedence;
      value = c;
      op = next.code;
      continue;
    }
    if (next.code == kTokenClose) {
      --gExpression.cursor;  // the caller's ")"
    } else if (next.code != kTokenEnd) {
      SetError(kExprUnexpected);
      return kExprFailed;
    }
    while (gEvalStack.depth > 0 && Top().precedence != 0) c = Reduce(c);
    if (gExprError != kExprOk) return kExprFailed;
    return ValueOf(c);
  }
}

void ResetEvaluator() {
  gExpression.cursor = 0;
  gEvalStack.depth = 0;
  gSkipEntry = -1;
  UpdateTryTerms();
}

// ---------------------------------------------------------------------------
// Compiling the search string

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

// Asks whether to search without synonyms when the thesaurus cannot be
// read; false when the user declines.
bool LoadThesaurusOrAsk(ThesaurusLoader loadThesaurus) {
  if (loadThesaurus()) return true;
  const int answer = GetHost().ShowMessage("同義語ファイルを読み込めません\n同義語検索を行わないで検索しますか？",
                                           kBoxYesNo | kBoxIconInformation);
  if (answer != kAnswerYes) return false;
  FreeThesaurus();
  return true;
}

// Appends one token (and its term handle) when it fits before the end mark.
bool AppendToken(size_t* length, uint8_t code, uint32_t term) {
  const size_t need = code == kTokenTerm ? kTermTokenBytes : 1;
  if (*length + need + 1 > kTokenListBytes) return false;
  gExpression.tokens[(*length)++] = code;
  if (code == kTokenTerm) {
    std::memcpy(gExpression.tokens + *length, &term, sizeof term);
    *length += sizeof term;
  }
  return true;
}

TermResult CompileSearchTerm(const char* text, MatchOptions options, uint32_t* handle) {
  const ThesaurusGroup group = FindThesaurusGroup(text);
  if (group.first != nullptr) return CompileSynonyms(group, options, handle);
  return CompileTermText(text, gSettings.Regular != 0, options, handle);
}

// Runs the evaluator once over an empty line without trying terms; the
// whole token list must be read.
int CheckSyntax() {
  MarkLineStale();
  gCurrentLine[0] = '\0';
  gExprError = kExprOk;
  gSyntaxCheck = true;
  ResetEvaluator();
  Evaluate(0, 0, 0);
  // A ")" with no "(" would end the expression and leave the rest unread.
  if (gExprError == kExprOk && gExpression.tokens[gExpression.cursor] != kTokenEnd) SetError(kExprUnexpected);
  gSyntaxCheck = false;
  const int error = gExprError;
  ResetEvaluator();
  return error;
}

// Compiles block pattern index of the active set (always a regular
// expression) into gBlockPatternTerms. False when it is wrong or memory ran
// out; the message has been shown.
bool CompileBlockPattern(int index, const char* pattern, MatchOptions options) {
  const TermResult compiled = CompileTermText(pattern, true, options, &gBlockPatternTerms[index]);
  if (compiled == TermResult::OutOfMemory) {
    ShowOutOfMemory();
    return false;
  }
  if (compiled == TermResult::Wrong) {
    char message[kBlockMessageBuffer];
    std::snprintf(message, sizeof message, "ブロック開始／終了文字列が誤っています\n%s", pattern);
    ShowInformation(message);
    return false;
  }
  return true;
}

}  // namespace

void ResetExpressionCompiler() {
  std::memset(&gExpression, 0, sizeof gExpression);
  std::memset(gBlockPatternTerms, 0, sizeof gBlockPatternTerms);
  gExprError = kExprOk;
  ResetEvaluator();
}

int CompileSearchExpression(const char* searchText, ThesaurusLoader loadThesaurus) {
  if (gSettings.ZenHan) gSettings.Word = 0;
  if (!LoadThesaurusOrAsk(loadThesaurus)) return kCompileDeclined;
  const MatchOptions options = SearchTermOptions(gSettings);
  std::memset(&gExpression, 0, sizeof gExpression);
  char token[kTermTextBytes];
  size_t length = 0;
  const char* p = searchText;
  for (;;) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && *p != ' ') ++p;
    const size_t tokenLength = static_cast<size_t>(p - start);
    if (tokenLength >= sizeof token) return kCompileWrong;
    std::memcpy(token, start, tokenLength);
    token[tokenLength] = '\0';
    const uint8_t code = ClassifyToken(token, tokenLength);
    uint32_t handle = 0;
    if (code == kTokenTerm) {
      const TermResult result = CompileSearchTerm(token, options, &handle);
      if (result == TermResult::OutOfMemory) {
        ShowOutOfMemory();
        return kCompileDeclined;
      }
      if (result == TermResult::Wrong) return kCompileWrong;
    }
    if (!AppendToken(&length, code, handle)) return kCompileWrong;
  }
  if (length == 0) return kCompileWrong;
  gExpression.tokens[length] = kTokenEnd;
  return CheckSyntax() == kExprOk ? kCompileOk : kCompileWrong;
}

bool RequiredTextDecides(const SearchTerm& term, unsigned reading) {
  if (term.kind != kTermPattern || term.required[0] == '\0') return false;
  if (reading & (kReadZenHan | kReadSame1 | kReadFields)) return false;
  return !((reading & kReadFoldCase) && term.requiredHasLetters);
}

void ClearEvaluationState() {
  gExprError = kExprOk;
  ResetEvaluator();
}

void BeginLine() {
  MarkLineStale();
  if (gMatchMarks.dirty) std::memset(&gMatchMarks, 0, sizeof gMatchMarks);
}

int EvaluateLine() {
  ResetEvaluator();
  const uint32_t result = Evaluate(0, 0, 0);
  ResetEvaluator();
  if (gExprError != kExprOk) return 0;
  return result == 1 ? 1 : 0;
}

int MatchTerm(const char* line, uint32_t term, MatchOptions options) {
  if (!gTryTerms) return 0;
  const SearchTerm* block = TermOf(term);
  if (block == nullptr) {
    Trace("error ");
    return 0;
  }
  switch (block->kind) {
    case kTermPlain:
    case kTermPattern: return MatchSimpleTerm(line, *block, options);
    case kTermSynonyms: return MatchSynonyms(line, *block, options);
  }
  Trace("error ");
  return 0;
}

int MatchTerm(const char* line, uint32_t term) { return MatchTerm(line, term, SearchTermOptions(gSettings)); }

int MatchTermExact(const char* line, uint32_t term) {
  return MatchTerm(line, term, BlockPatternOptions(gSettings));
}

int CompileBlockPatterns() {
  std::memset(gBlockPatternTerms, 0, sizeof gBlockPatternTerms);
  const SearchSettings& s = gSettings;
  if (s.BlockSets == nullptr || s.BlockType < 0 || s.BlockType >= kBlockSets) return 1;
  const MatchOptions options = BlockPatternOptions(s);
  const BlockSet& set = s.BlockSets[s.BlockType];
  for (int i = 0; i < kBlockPatterns; ++i) {
    if (set.pattern[i][0] != '\0' && !CompileBlockPattern(i, set.pattern[i], options)) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Dump

std::string DumpTerm(uint32_t term) {
  const SearchTerm* block = TermOf(term);
  if (block == nullptr) return "?";
  switch (block->kind) {
    case kTermPlain: return std::string("\"") + block->text + "\"";
    case kTermPattern: return "/" + DumpPattern(block->units) + "/";
    case kTermSynonyms: {
      std::string text = "{";
      for (int i = 0; i < block->memberCount; ++i) {
        if (i > 0) text += ' ';
        text += std::to_string(block->members[i].entry) + ":" + DumpTerm(block->members[i].term);
      }
      return text + "}";
    }
  }
  return "?";
}

std::string DumpExpression() {
  std::string text;
  for (size_t i = 0; i < kTokenListBytes && gExpression.tokens[i] != kTokenEnd;) {
    if (!text.empty()) text += ' ';
    const uint8_t code = gExpression.tokens[i++];
    switch (code) {
      case kTokenOpen: text += '('; break;
      case kTokenClose: text += ')'; break;
      case kTokenAnd: text += "and"; break;
      case kTokenOr: text += "or"; break;
      case kTokenNot: text += "not"; break;
      case kTokenTerm: {
        uint32_t term = 0;
        std::memcpy(&term, gExpression.tokens + i, sizeof term);
        i += sizeof term;
        text += DumpTerm(term);
        break;
      }
      default: text += '?'; break;
    }
  }
  return text;
}

}  // namespace zanto
