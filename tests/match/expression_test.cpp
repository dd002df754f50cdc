#include "match/expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/settings.h"
#include "match/thesaurus.h"
#include "match/line_matcher.h"
#include "search/match_files.h"
#include "search/prepared_search.h"
#include "search/search_options.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

const std::string kWidePC = "\x82\x6F\x82\x62";                  // ＰＣ
const std::string kPasokon = "\x83\x70\x83\x5C\x83\x52\x83\x93";  // パソコン
const std::string kHiraA = "\x82\xA0";                           // あ
const std::string kWideA = "\x82\x81";                           // ａ
const std::string kWideC = "\x82\x83";                           // ｃ
const std::string kKataA = "\x83\x41";                           // ア

// What Compile gives back, as a run would take it.
enum : int { kCompileOk, kCompileWrong, kCompileDeclined };

class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SearchSettings& s = gSettings;
    s.Word = s.Case = s.ZenHan = s.Regular = s.Same1 = s.FieldSearch = s.MatchStr = 0;
    s.Thesaurus = s.ThesaurusCount = 0;
    s.BlockSets = nullptr;
    blocks_ = false;
  }
  void TearDown() override {
    FreeTermArena();
    failAfter_ = -1;
    gSettings.BlockSets = nullptr;
    SetUp();
  }

  // Prepares the search as a run does (the notes written back, the
  // thesaurus question asked, the block patterns compiled once
  // CompileBlockPatterns was called) and makes a matcher for it.
  int Compile(const std::string& text) {
    SearchOptionNotes notes;
    SearchOptions options = SearchOptionsFrom(gSettings, &notes);
    if (notes.wordCleared) gSettings.Word = 0;
    if (blocks_) options.blockSet = &gSettings.BlockSets[gSettings.BlockType];
    auto next = std::make_unique<PreparedSearch>();
    next->compiled.arena.failAfter = failAfter_;
    const size_t boxes = host_.boxes.size();
    if (!PrepareSearch(options, text.c_str(), host_, next.get())) {
      const bool wrong = host_.boxes.size() > boxes && host_.boxes.back().text == kWrongSearchText;
      return wrong ? kCompileWrong : kCompileDeclined;
    }
    search_ = std::move(next);
    matcher_ = std::make_unique<LineMatcher>(search_->compiled, search_->Tables());
    return kCompileOk;
  }
  // The active block set's patterns, prepared with a search: 1 compiled.
  int CompileBlockPatterns() {
    blocks_ = true;
    return Compile("x") == kCompileOk ? 1 : 0;
  }
  void FreeTermArena() {
    matcher_.reset();
    search_.reset();
  }

  // Evaluates the compiled expression on line as the file scan does.
  int Evaluate(const std::string& line) {
    std::strcpy(matcher_->line, line.c_str());
    matcher_->BeginLine();
    return matcher_->EvaluateLine();
  }
  int MatchTermExact(const char* line, uint32_t term) {
    return matcher_->MatchTerm(line, term, search_->compiled.blockOptions);
  }
  uint32_t BlockTerm(int index) const { return search_->compiled.blockTerms[index]; }
  std::string DumpExpression() const { return zanto::DumpExpression(search_->compiled); }
  std::string DumpTerm(uint32_t term) const { return zanto::DumpTerm(search_->compiled, term); }
  uint32_t Count(size_t entry) const { return matcher_->SynonymCount(entry); }

  std::vector<int> MarkedOffsets() const {
    std::vector<int> offsets;
    for (size_t i = 0; i <= kLineBuffer; ++i) {
      if (matcher_->marks.at[i]) offsets.push_back(static_cast<int>(i));
    }
    return offsets;
  }

  // A thesaurus file with the given lines, selected as file 1.
  void UseThesaurus(const std::string& lines) {
    dir_.Write("syn.txt", lines);
    thesaurusPath_ = dir_ / "syn.txt";
    std::strcpy(gSettings.ThesaurusFile0, thesaurusPath_.c_str());
    gSettings.Thesaurus = 1;
  }

  test::FakeHost host_;
  test::TempDir dir_;
  std::string thesaurusPath_;
  std::unique_ptr<PreparedSearch> search_;
  std::unique_ptr<LineMatcher> matcher_;
  long failAfter_ = -1;
  bool blocks_ = false;
};

// ---------------------------------------------------------------------------
// Tokens.

TEST_F(ExpressionTest, SearchStringsSplitIntoTokens) {
  struct Case {
    std::string text, dump;
  } cases[] = {
      {"abc and def", "\"abc\" and \"def\""},
      {"abc AND def", "\"abc\" and \"def\""},
      {"abc And def", "\"abc\" and \"def\""},
      {"a oR b", "\"a\" or \"b\""},
      {"NoT a", "not \"a\""},
      {"  a   or    b  ", "\"a\" or \"b\""},
      {"( a or b ) and c", "( \"a\" or \"b\" ) and \"c\""},
      {"(a or b) and c", "\"(a\" or \"b)\" and \"c\""},  // a parenthesis must stand alone
      {"a\tb or c", "\"a\tb\" or \"c\""},                  // only half-width spaces split
      {"\\and or b", "/and/ or \"b\""},                    // an escaped keyword is a term
      {"andy or ornot", "\"andy\" or \"ornot\""},
      {"a*b", "\"a*b\""},                                  // literal without Regular
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text), kCompileOk) << c.text;
    EXPECT_EQ(DumpExpression(), c.dump) << c.text;
    FreeTermArena();
  }
}

TEST_F(ExpressionTest, TermKindFollowsRegularAndFolding) {
  struct Case {
    int regular, word, caseFold;
    std::string text, dump;
  } cases[] = {
      {1, 0, 0, "ab*", "/a*b/"},
      {1, 0, 0, "abc", "\"abc\""},  // nothing special: searched plain
      {0, 1, 0, "abc", "/abc/"},    // Word needs the unit form
      {0, 0, 1, "abc", "/ABC/"},
      {0, 0, 0, "a\\sb", "/a<20>b/"},
  };
  for (const Case& c : cases) {
    gSettings.Regular = c.regular;
    gSettings.Word = c.word;
    gSettings.Case = c.caseFold;
    EXPECT_EQ(Compile(c.text), kCompileOk) << c.text;
    EXPECT_EQ(DumpExpression(), c.dump) << c.text;
    FreeTermArena();
  }
  // ZenHan clears Word for good.
  gSettings.Word = 1;
  gSettings.ZenHan = 1;
  EXPECT_EQ(Compile("abc"), kCompileOk);
  EXPECT_EQ(gSettings.Word, 0);
}

// ---------------------------------------------------------------------------
// Errors.

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST_F(ExpressionTest, WrongSearchStringsAreRefused) {
  // What is wrong with each, as the step builder finds it.
  enum { kExprMissingOperand, kExprUnclosed, kExprUnexpected, kExprStackFull };
  struct Case {
    std::string text;
    int error;  // what is wrong; -1: refused before the expression is read
  } cases[] = {
      {"abc def", kExprUnexpected},
      {"a and", kExprMissingOperand},
      {"not", kExprMissingOperand},
      {"(", kExprMissingOperand},
      {"a and ( b", kExprUnclosed},
      {"( a", kExprUnclosed},
      {"and a", kExprUnexpected},
      {"a ( b", kExprUnexpected},
      {"( )", kExprUnexpected},
      {")", kExprUnexpected},
      {"a or or b", kExprUnexpected},
      {"a not b", kExprUnexpected},  // would silently drop a
      {"( a ) not b", kExprUnexpected},
      {"a ) b", kExprUnexpected},    // would silently ignore b
      {"a )", kExprUnexpected},
      {Repeat("not ", 49) + "a", kExprStackFull},
      {Repeat("( ", 49) + "a" + Repeat(" )", 49), kExprStackFull},
      {"", -1},
      {"    ", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text), kCompileWrong) << c.text << " (" << c.error << ")";
    FreeTermArena();
  }
  gSettings.Regular = 1;
  for (const char* badTerm : {"*a", "a and [b-a]", "a or ^*"}) {
    EXPECT_EQ(Compile(badTerm), kCompileWrong) << badTerm;
    FreeTermArena();
  }
}

TEST_F(ExpressionTest, NestingLimitsCountTheBottomEntry) {
  EXPECT_EQ(Compile(Repeat("not ", 48) + "a"), kCompileOk);
  EXPECT_EQ(Evaluate("a"), 1);  // an even number of nots
  EXPECT_EQ(Evaluate("b"), 0);
  FreeTermArena();
  EXPECT_EQ(Compile(Repeat("( ", 48) + "a" + Repeat(" )", 48)), kCompileOk);
  EXPECT_EQ(Evaluate("xa"), 1);
}

TEST_F(ExpressionTest, TokenListIsBoundedNotOverrun) {
  // A term takes 5 bytes, an operator 1, the end mark 1: 170 terms fit.
  const std::string fits = "t" + Repeat(" or t", 169);
  EXPECT_EQ(Compile(fits), kCompileOk);
  EXPECT_EQ(Evaluate("xt"), 1);
  FreeTermArena();
  EXPECT_EQ(Compile(fits + " or t"), kCompileWrong);
  FreeTermArena();
  EXPECT_EQ(Compile(Repeat("( ", 40) + "t" + Repeat(" )", 40) + Repeat(" or t", 163)), kCompileWrong);
}

// ---------------------------------------------------------------------------
// Evaluation.

TEST_F(ExpressionTest, PrecedenceAndGrouping) {
  struct Case {
    std::string expression, line;
    int want;
  } cases[] = {
      // a or (b and c), not (a or b) and c.
      {"a or b and c", "a", 1},
      {"a or b and c", "b", 0},
      {"a or b and c", "bc", 1},
      {"b and c or a", "a", 1},
      // (not a) and b, not not (a and b).
      {"not a and b", "b", 1},
      {"not a and b", "ab", 0},
      {"not a and b", "", 0},
      {"not not a", "a", 1},
      {"not not a", "b", 0},
      {"( a or b ) and c", "a", 0},
      {"( a or b ) and c", "bc", 1},
      {"not ( a or b )", "", 1},
      {"not ( a or b )", "b", 0},
      {"a and b or c and d", "cd", 1},
      {"a and b or c and d", "ac", 0},
      {"a or not b and not c", "ab", 1},
      {"a or not b and not c", "b", 0},
      {"a or not b and not c", "", 1},
      {"a or not b and not c", "c", 0},
      {"x and not a or b", "b", 1},  // the skipped operand ends at the and
      {"x and not a and b", "b", 0},
      {"a or ( b and ( c or d ) )", "bd", 1},
      {"a or ( b and ( c or d ) )", "cd", 0},
      {"( ( a ) )", "a", 1},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Compile(c.expression), kCompileOk) << c.expression;
    EXPECT_EQ(Evaluate(c.line), c.want) << c.expression << " on [" << c.line << "]";
    FreeTermArena();
  }
}

// A decided and/or skips the terms of a "not" or "(" operand only until the
// next operator is pushed: terms after it are tried again, and their marks
// and synonym counts reach the result even where the line was decided.
TEST_F(ExpressionTest, DecidedOperandsSkipTermsUntilTheNextOperator) {
  gSettings.MatchStr = 1;
  struct Case {
    std::string expression, line;
    int want;
    std::vector<int> marks;
  } cases[] = {
      {"a and b", "xb", 0, {}},
      {"a or b", "ab", 1, {0}},
      {"a and not b", "xb", 0, {}},
      {"a and ( b or c )", "xbc", 0, {1}},  // the or inside turns terms back on
      {"a or ( b and c )", "abc", 1, {0, 1, 2}},
      {"a and b and ( c )", "bc", 0, {}},
      {"x and not a or b", "ab", 1, {1}},  // b is needed, a is not
      {"a and b", "ab", 1, {0, 1}},
      {"b and a", "ab", 1, {0, 1}},
      {"( key ) or not zzz and lock", "key lock", 1, {0, 4}},
      {"( key ) or not zzz and lock", "lock key", 1, {0, 5}},
      {"( key ) or not zzz and lock", "key only", 1, {0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Compile(c.expression), kCompileOk) << c.expression;
    EXPECT_EQ(Evaluate(c.line), c.want) << c.expression;
    EXPECT_EQ(MarkedOffsets(), c.marks) << c.expression << " on [" << c.line << "]";
    FreeTermArena();
  }

  const std::string car = "\x8E\xD4";                        // 車
  const std::string automobile = "\x8E\xA9\x93\xAE\x8E\xD4";  // 自動車
  const std::string carKana = "\x83\x4E\x83\x8B\x83\x7D";     // クルマ
  const std::string garage = car + "\x8C\xC9";               // 車庫
  UseThesaurus(car + " " + automobile + " " + carKana + "\r\n");
  ASSERT_EQ(Compile("( key ) or not zzz and " + automobile), kCompileOk);
  ASSERT_NE(search_->compiled.thesaurus, nullptr);
  matcher_->BeginFile();
  EXPECT_EQ(Evaluate("key " + garage), 1);
  EXPECT_EQ(Count(0), 1);  // 車, the member that matched
  EXPECT_EQ(MarkedOffsets(), (std::vector<int>{0, 4}));
}

TEST_F(ExpressionTest, MarksComeFromPlainAndPatternTerms) {
  gSettings.MatchStr = 1;
  struct Case {
    int regular, zenHan;
    std::string expression, line;
    std::vector<int> marks;
  } cases[] = {
      {0, 0, "cd", "abcd", {2}},
      {1, 0, "c.", "abcd", {2}},
      {1, 0, "d", kHiraA + "d", {2}},          // unit 1, byte 2
      {1, 0, "c$", kHiraA + kHiraA + "c", {4}},
      {0, 1, "c", kWideA + kWideC, {2}},       // folded line, offsets of the raw line
      {0, 0, "A", kKataA + "A", {2}},           // never inside a character
      {0, 0, "A or b", kKataA + "b", {2}},
      {1, 0, "$", "abc", {3}},
  };
  for (const Case& c : cases) {
    gSettings.Regular = c.regular;
    gSettings.ZenHan = c.zenHan;
    ASSERT_EQ(Compile(c.expression), kCompileOk) << c.expression;
    Evaluate(c.line);
    EXPECT_EQ(MarkedOffsets(), c.marks) << c.expression;
    FreeTermArena();
  }
  // Without MatchStr nothing is marked; a new line clears dirty marks.
  gSettings.Regular = gSettings.ZenHan = 0;
  ASSERT_EQ(Compile("b"), kCompileOk);
  EXPECT_EQ(Evaluate("ab"), 1);
  EXPECT_EQ(Evaluate("xxxx"), 0);
  EXPECT_TRUE(MarkedOffsets().empty());
  gSettings.MatchStr = 0;
  ASSERT_EQ(Compile("b"), kCompileOk);  // options are the search's, fixed when it is prepared
  EXPECT_EQ(Evaluate("ab"), 1);
  EXPECT_TRUE(MarkedOffsets().empty());
}

TEST_F(ExpressionTest, QuickRefusalOfLinesKeepsEveryMatch) {
  const std::string hyo = "\x95\x5C";                                 // 表
  const std::string file = "\x83\x74\x83\x40\x83\x43\x83\x8B";  // ファイル
  const std::string halfFile = "\xCC\xA7\xB2\xD9";                  // ﾌｧｲﾙ
  struct Case {
    int regular, caseFold, zenHan, word;
    std::string expression, line;
    int want;
  } cases[] = {
      {1, 1, 0, 0, "fi.e", "a FILE", 1},
      {1, 1, 0, 0, "A" + hyo, "a" + hyo, 1},
      {1, 0, 0, 0, "ab*c", "ac", 1},
      {1, 0, 0, 0, "x[ab]y", "xay", 1},
      {1, 0, 0, 0, "x[ab]y", "xy", 0},
      {0, 0, 0, 1, "cat", "a cat", 1},
      {0, 0, 0, 1, "cat", "concat", 0},
      {0, 0, 1, 0, file, halfFile, 1},
      {0, 1, 0, 0, file, "x" + file, 1},
      {0, 1, 0, 0, "A", "\x83\x41", 0},  // inside ア
  };
  for (const Case& c : cases) {
    gSettings.Regular = c.regular;
    gSettings.Case = c.caseFold;
    gSettings.ZenHan = c.zenHan;
    gSettings.Word = c.word;
    ASSERT_EQ(Compile(c.expression), kCompileOk) << c.expression;
    EXPECT_EQ(Evaluate(c.line), c.want) << c.expression << " on [" << c.line << "]";
    FreeTermArena();
  }
}

// ---------------------------------------------------------------------------
// Thesaurus.

TEST_F(ExpressionTest, SynonymGroupsMatchAndCount) {
  UseThesaurus(kWidePC + " " + kPasokon + "\r\n" + "car auto\r\n");
  gSettings.MatchStr = 1;
  ASSERT_EQ(Compile(kWidePC), kCompileOk);
  EXPECT_EQ(DumpExpression(), "{0:\"" + kWidePC + "\" 1:\"" + kPasokon + "\"}");
  ASSERT_NE(search_->compiled.thesaurus, nullptr);
  EXPECT_EQ(Evaluate("new " + kPasokon), 1);
  EXPECT_EQ(MarkedOffsets(), std::vector<int>{4});
  EXPECT_EQ(Count(0), 0);
  EXPECT_EQ(Count(1), 1);
  // Only the first matching member counts.
  EXPECT_EQ(Evaluate(kPasokon + kWidePC), 1);
  EXPECT_EQ(Count(0), 1);
  EXPECT_EQ(Count(1), 1);
  FreeTermArena();

  // A group after a false and is not tried, so it counts nothing.
  ASSERT_EQ(Compile("x and auto"), kCompileOk);
  EXPECT_EQ(Evaluate("auto"), 0);
  EXPECT_EQ(Evaluate("x car"), 1);
  EXPECT_EQ(Count(2), 1);
  EXPECT_EQ(Count(3), 0);
  FreeTermArena();

  // Words are compared exactly: a term that differs in case is no word.
  ASSERT_EQ(Compile("Car"), kCompileOk);
  EXPECT_EQ(DumpExpression(), "\"Car\"");
}

TEST_F(ExpressionTest, LargeSynonymGroupsKeepTheirFirstMembers) {
  std::string line;
  for (int i = 0; i < kMaxSynonymMembers + 2; ++i) line += "w" + std::to_string(i) + " ";
  UseThesaurus(line + "\n");
  gSettings.Word = 1;
  ASSERT_EQ(Compile("w0"), kCompileOk);
  EXPECT_EQ(Evaluate("w165"), 1);
  EXPECT_EQ(Evaluate("w166"), 0);  // the 167th member was left out
  EXPECT_EQ(host_.traces, std::vector<std::string>{"buffer overflow"});
}

TEST_F(ExpressionTest, UnreadableThesaurusAsksToGoOn) {
  std::strcpy(gSettings.ThesaurusFile0, (dir_ / "missing.txt").c_str());
  gSettings.Thesaurus = 1;
  host_.answers = {kAnswerNo};
  EXPECT_EQ(Compile("a"), kCompileDeclined);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "同義語ファイルを読み込めません\n同義語検索を行わないで検索しますか？");
  EXPECT_EQ(host_.boxes[0].style, static_cast<unsigned>(kBoxYesNo | kBoxIconInformation));
  host_.answers = {kAnswerYes};
  EXPECT_EQ(Compile("a"), kCompileOk);
  EXPECT_EQ(Evaluate("a"), 1);
}

// ---------------------------------------------------------------------------
// Memory.

TEST_F(ExpressionTest, ExhaustedMemoryIsReportedNotDereferenced) {
  gSettings.Regular = 1;
  for (long allowed : {0L, 1L, 2L}) {  // the term, its class, the second term
    failAfter_ = allowed;
    EXPECT_EQ(Compile("a[bc] or d"), kCompileDeclined) << allowed;
    ASSERT_FALSE(host_.boxes.empty());
    EXPECT_EQ(host_.boxes.back().text, "メモリが足りません");
    FreeTermArena();
  }
  failAfter_ = -1;
  EXPECT_EQ(Compile("a[bc] or d"), kCompileOk);
}

// ---------------------------------------------------------------------------
// Block patterns.

TEST_F(ExpressionTest, BlockPatternsAreRegularAndExact) {
  static BlockSet sets[kBlockSets];
  std::memset(sets, 0, sizeof sets);
  gSettings.BlockSets = sets;
  gSettings.BlockType = 2;
  std::strcpy(sets[2].pattern[0], "^abc");
  std::strcpy(sets[2].pattern[3], "x*yz");
  std::strcpy(sets[0].pattern[0], "*wrong");  // another set: not compiled
  gSettings.Case = gSettings.Word = gSettings.MatchStr = 1;
  ASSERT_EQ(CompileBlockPatterns(), 1);
  EXPECT_EQ(DumpTerm(BlockTerm(0)), "/^abc/");
  EXPECT_EQ(BlockTerm(1), 0u);
  EXPECT_EQ(DumpTerm(BlockTerm(3)), "/*xyz/");
  EXPECT_EQ(gSettings.Case, 1);  // put back after the compile

  std::memset(&matcher_->marks, 0, sizeof matcher_->marks);
  EXPECT_EQ(MatchTermExact("abcdef", BlockTerm(0)), 1);  // Word would refuse it
  EXPECT_EQ(MatchTermExact("ABC", BlockTerm(0)), 0);     // Case is off
  EXPECT_EQ(MatchTermExact("z yz", BlockTerm(3)), 1);
  EXPECT_EQ(matcher_->marks.dirty, 0);
  EXPECT_EQ(gSettings.Case + gSettings.Word + gSettings.MatchStr, 3);
  // A line of the history, not the current one, is converted for the test.
  std::strcpy(matcher_->line, "nothing");
  matcher_->BeginLine();
  EXPECT_EQ(MatchTermExact("abc", BlockTerm(0)), 1);
  EXPECT_EQ(MatchTermExact(matcher_->line, BlockTerm(0)), 0);

  failAfter_ = 1;
  EXPECT_EQ(CompileBlockPatterns(), 0);
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0].text, "メモリが足りません");
  failAfter_ = -1;

  std::strcpy(sets[2].pattern[5], "[b-a]");
  EXPECT_EQ(CompileBlockPatterns(), 0);
  ASSERT_EQ(host_.boxes.size(), 2u);
  EXPECT_EQ(host_.boxes[1].text, "ブロック開始／終了文字列が誤っています\n[b-a]");
}

// A block pattern is found as written whatever the search's options, while
// a search term of the same text honours them; no call changes a setting,
// not even for its own length. Of the two rows for each folding, one shows
// a block pattern compiled with the folding, the other a block pattern
// tried on the unit line kept from the term's folding: the block pattern is
// tried on the line the term was just tried on. (Each line holds the block
// pattern's first character, or its folded form, so that the quick byte
// test of the required text does not decide first.)
TEST_F(ExpressionTest, BlockPatternsIgnoreTheOptionsSearchTermsHonour) {
  const std::string wideA = "\x82\x60", wideB = "\x82\x61", wideC = "\x82\x62";  // ＡＢＣ
  struct Row {
    int32_t SearchSettings::*option;  // turned on for the row
    std::string pattern, line;
    int term;                // the search term matches
    std::vector<int> marks;  // where the search term marks its match
    int block;               // the block pattern matches (and marks nothing)
  };
  const Row rows[] = {
      {&SearchSettings::Case, "a.c", "ABC", 1, {}, 0},
      {&SearchSettings::Case, "A.C", "Abc", 1, {}, 0},
      {&SearchSettings::ZenHan, "a.c", wideA + wideB + wideC, 1, {}, 0},
      {&SearchSettings::ZenHan, wideA + "." + wideC, wideA + "bc", 1, {}, 0},
      {&SearchSettings::Word, "a.c", "abcd", 0, {}, 1},
      {&SearchSettings::MatchStr, "b.", "abc", 1, {1}, 1},
  };
  static BlockSet sets[kBlockSets];
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern);
    SetUp();
    std::memset(sets, 0, sizeof sets);
    std::strcpy(sets[1].pattern[0], row.pattern.c_str());
    gSettings.BlockSets = sets;
    gSettings.BlockType = 1;
    gSettings.Regular = 1;
    gSettings.*row.option = 1;
    SearchSettings before;
    std::memcpy(&before, &gSettings, sizeof before);
    const auto unchanged = [&] { return std::memcmp(&before, &gSettings, sizeof before) == 0; };

    ASSERT_EQ(CompileBlockPatterns(), 1);
    EXPECT_TRUE(unchanged());
    ASSERT_EQ(Compile(row.pattern), kCompileOk);
    EXPECT_EQ(Evaluate(row.line), row.term);
    EXPECT_EQ(MarkedOffsets(), row.marks);
    EXPECT_TRUE(unchanged());
    std::memset(&matcher_->marks, 0, sizeof matcher_->marks);
    EXPECT_EQ(MatchTermExact(matcher_->line, BlockTerm(0)), row.block);
    EXPECT_EQ(MarkedOffsets(), std::vector<int>{});
    EXPECT_TRUE(unchanged());
    FreeTermArena();
  }
}

}  // namespace
}  // namespace zanto
