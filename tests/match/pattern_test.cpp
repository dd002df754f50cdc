#include "match/pattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/settings.h"
#include "match/line_source.h"

namespace zanto {
namespace {

// Shift_JIS characters used below, as bytes.
const std::string kHiraA = "\x82\xA0";     // あ
const std::string kHiraI = "\x82\xA2";     // い
const std::string kHiraN = "\x82\xF1";     // ん
const std::string kKataA = "\x83\x41";     // ア: its trail byte is "A"
const std::string kNeko = "\x94\x4C";      // 猫
const std::string kHyo = "\x95\x5C";       // 表: its trail byte is "\"
const std::string kWideA = "\x82\x81";     // ａ
const std::string kWideB = "\x82\x82";     // ｂ
const std::string kWideC = "\x82\x83";     // ｃ
const std::string kLongVowel = "\x81\x5B"; // ー

struct Options {
  bool word = false, caseFold = false, zenHan = false, fields = false;
};

// The matching state these cases run against, as one scan's matcher holds
// it, and the calls as the search makes them under the settings' options.
TermArena gArena;
Same1Table gSame1;
FieldSelection gFieldSelection;
PatternWork gWork;  // static: it is too large for the stack
char gCurrentLine[kLineBuffer];
UnitLine& gUnitLine = gWork.unitLine;

unsigned Reading() { return LineReadingOf(gSettings); }
MatchOptions TermOptions() { return {Reading(), gSettings.Word != 0, gSettings.MatchStr != 0}; }
PatternWork& Work() {
  gWork.same1 = gSame1.Loaded() ? &gSame1 : nullptr;
  gWork.fields = &gFieldSelection;
  return gWork;
}
int CompilePattern(const char* text, PatternUnit* out, int capacity) {
  CompileContext context = {&gArena, gSame1.Loaded() ? &gSame1 : nullptr, false};
  return zanto::CompilePattern(text, out, capacity, Reading(), context);
}
int CompileLiteral(const char* text, PatternUnit* out, int capacity) {
  CompileContext context = {&gArena, gSame1.Loaded() ? &gSame1 : nullptr, false};
  return zanto::CompileLiteral(text, out, capacity, Reading(), context);
}
void MarkLineStale() { zanto::MarkLineStale(gWork); }
void ConvertLine(const char* line) { zanto::ConvertLine(Work(), line, Reading()); }
bool FindPattern(const PatternUnit* pattern, int* unitIndex) {
  return FindPatternIn(Work(), gCurrentLine, pattern, TermOptions(), unitIndex);
}
bool FindPlain(const char* line, const char* text, size_t* offset) {
  return zanto::FindPlain(Work(), line, PreparePlainNeedle(text), Reading(), offset);
}
bool BuildUnitFilter(const PatternUnit* pattern, UnitFilter* filter) {
  return zanto::BuildUnitFilter(pattern, Reading(), filter);
}
uint64_t PatternMatchSteps() { return gWork.steps; }
void ResetPatternMatchSteps() { gWork.steps = 0; }

class PatternTest : public ::testing::Test {
 protected:
  void SetUp() override { Apply({}); }
  void TearDown() override {
    Apply({});
    std::memset(&gFieldSelection, 0, sizeof gFieldSelection);
    gArena.Free();
    gSame1.Free();
  }

  static void Apply(const Options& o) {
    gSettings.Word = o.word;
    gSettings.Case = o.caseFold;
    gSettings.ZenHan = o.zenHan;
    gSettings.FieldSearch = o.fields;
    gSettings.Same1 = 0;
  }

  static void SetLine(const std::string& line) {
    std::strncpy(gCurrentLine, line.c_str(), kLineBuffer - 1);
    gCurrentLine[kLineBuffer - 1] = '\0';
    MarkLineStale();
  }

  // Byte offset where the regular expression matches the line, -1 for no
  // match, -2 when it does not compile.
  static int FindRegular(const std::string& pattern, const std::string& line) {
    PatternUnit units[kPatternUnits];
    if (CompilePattern(pattern.c_str(), units, kPatternUnits) == kCompileError) return -2;
    SetLine(line);
    int unit = 0;
    if (!FindPattern(units, &unit)) return -1;
    return gUnitLine.position[unit];
  }

  static int FindPlainOffset(const std::string& text, const std::string& line) {
    size_t offset = 0;
    return FindPlain(line.c_str(), text.c_str(), &offset) ? static_cast<int>(offset) : -1;
  }
};

// ---------------------------------------------------------------------------
// Compiling.

struct CompileCase {
  std::string text;
  int want;          // kCompiledPlain, kCompiledPattern or kCompileError
  std::string dump;  // compiled form, when it compiles
};

void ExpectCompiles(int (*compile)(const char*, PatternUnit*, int), const CompileCase& c) {
  PatternUnit units[kPatternUnits];
  const int got = compile(c.text.c_str(), units, kPatternUnits);
  EXPECT_EQ(got, c.want) << "term: " << c.text;
  if (got != kCompileError && c.want != kCompileError) {
    EXPECT_EQ(DumpPattern(units), c.dump) << "term: " << c.text;
  }
}

TEST_F(PatternTest, RegularExpressionsCompileWithQuantifiersInFront) {
  const CompileCase cases[] = {
      {"abc", kCompiledPlain, "abc"},
      {"ab*", kCompiledPattern, "a*b"},
      {"ab+c", kCompiledPattern, "a+bc"},
      {"ab?", kCompiledPattern, "a?b"},
      {"x.z", kCompiledPattern, "x.z"},
      {"x[a-c]*y", kCompiledPattern, "x*[a-c]y"},
      {".+", kCompiledPattern, "+."},
      // Operator positions: ^ only first, $ only last; elsewhere plain bytes.
      {"^abc$", kCompiledPattern, "^abc$"},
      {"a$b", kCompiledPattern, "a\\$b"},
      {"a^b", kCompiledPattern, "a\\^b"},
      {"$", kCompiledPattern, "$"},
      {"a$*", kCompiledPattern, "a*\\$"},
      {"^", kCompiledPattern, "^"},
      // Quantifier errors.
      {"*abc", kCompileError, ""},
      {"+a", kCompileError, ""},
      {"?a", kCompileError, ""},
      {"a**", kCompileError, ""},
      {"a*+", kCompileError, ""},
      {"a+?", kCompileError, ""},
      {"^*", kCompileError, ""},
      {"^+a", kCompileError, ""},
      {"", kCompileError, ""},
      // Escapes.
      {"\\s", kCompiledPattern, "<20>"},
      {"\\S\\t\\T", kCompiledPattern, "<20><09><09>"},
      {"\\e\\E", kCompiledPattern, "<1B><1B>"},
      {"\\x41", kCompiledPattern, "A"},
      {"\\X4a", kCompiledPattern, "J"},
      {"\\x414", kCompiledPattern, "<0414>"},
      {"\\x82a0", kCompiledPattern, "<82A0>"},
      {"\\x82a0b", kCompiledPattern, "<82A0>b"},
      {"\\101", kCompiledPattern, "A"},
      {"\\1011", kCompiledPattern, "A1"},
      {"\\7", kCompiledPattern, "<07>"},
      {"a\\", kCompiledPattern, "a\\\\"},
      {"\\\\", kCompiledPattern, "\\\\"},
      {"\\*", kCompiledPattern, "\\*"},
      {"\\[x", kCompiledPattern, "\\[x"},
      {"\\and", kCompiledPattern, "and"},
      {"ab\\x", kCompiledPattern, "ab"},        // a hex escape with no digit ends the pattern
      {"a\\x*", kCompiledPattern, "a"},
      {"\\" + kHyo, kCompiledPattern, "<955C>"},  // an escaped double-byte character stays whole
      {"\\xFF2A", kCompileError, ""},           // operator codes are no characters
      {"\\xff5b", kCompileError, ""},
      // Double-byte characters are single units, even with a trail byte "\".
      {kHyo + "*", kCompiledPattern, "*<955C>"},
      {kKataA + "+", kCompiledPattern, "+<8341>"},
  };
  for (const CompileCase& c : cases) ExpectCompiles(CompilePattern, c);
}

TEST_F(PatternTest, ClassesCompileToBitmaps) {
  const CompileCase cases[] = {
      {"[abc]", kCompiledPattern, "[a-c]"},
      {"[abc", kCompiledPattern, "[a-c]"},  // unclosed: ends with the text
      {"[a-c]x", kCompiledPattern, "[a-c]x"},
      {"[-a]", kCompiledPattern, "[\\-a]"},
      {"[^-a]", kCompiledPattern, "[^\\-a]"},
      {"[^a]", kCompiledPattern, "[^a]"},
      {"[a-ce]", kCompiledPattern, "[a-ce]"},
      {"[a-c-e]", kCompiledPattern, "[a-e]"},
      {"[\\]]", kCompiledPattern, "[\\]]"},
      {"[\\x41-\\x43]", kCompiledPattern, "[A-C]"},
      {"[" + kHiraA + "-" + kHiraI + "]", kCompiledPattern, "[<82A0>-<82A2>]"},
      {"[^" + kHiraA + "-" + kHiraN + "]", kCompiledPattern, "[^<82A0>-<82F1>]"},
      // Double-byte ranges skip codes that are no characters (trail 0x7F).
      {"[\\x837e-\\x8380]", kCompiledPattern, "[<837E>-<8380>]"},
      {"[b-a]", kCompileError, ""},
      {"[a-a]", kCompileError, ""},
      {"[a-]", kCompileError, ""},  // "]" is below "a"
      {"[a-", kCompileError, ""},
      {"[a-" + kHiraA + "]", kCompileError, ""},  // one end single, one double
      {"[\\x8000]", kCompileError, ""},           // not a character
      {"[\\x0100]", kCompileError, ""},
  };
  for (const CompileCase& c : cases) ExpectCompiles(CompilePattern, c);
}

TEST_F(PatternTest, PatternLengthLimitCountsUnitsAndClasses) {
  const std::string fits(kPatternUnits - 1, 'a');
  EXPECT_EQ(FindRegular(fits, "x" + fits), 1);
  EXPECT_EQ(FindRegular(fits + "a", fits + "a"), -2);
  // Double-byte characters count one unit each.
  std::string wide;
  for (int i = 0; i < kPatternUnits - 1; ++i) wide += kHiraA;
  EXPECT_EQ(FindRegular(wide, wide), 0);
  EXPECT_EQ(FindRegular(wide + "a", wide), -2);
  // A class needs its 5 units and the terminating one inside the 500.
  const std::string before(kPatternUnits - 1 - kClassUnits, 'a');
  EXPECT_EQ(FindRegular(before + "[b]", before + "b"), 0);
  EXPECT_EQ(FindRegular(before + "a[b]", before + "ab"), -2);
  // Literal terms: same limit.
  PatternUnit units[kPatternUnits];
  EXPECT_EQ(CompileLiteral(fits.c_str(), units, kPatternUnits), kCompiledPlain);
  EXPECT_EQ(CompileLiteral((fits + "a").c_str(), units, kPatternUnits), kCompileError);
}

TEST_F(PatternTest, LiteralTermsReadOnlyEscapes) {
  const CompileCase cases[] = {
      {"abc", kCompiledPlain, "abc"},
      {"a*b", kCompiledPlain, "a\\*b"},
      {"^a.b$", kCompiledPlain, "\\^a\\.b\\$"},
      {"[ab]", kCompiledPlain, "\\[ab]"},
      {"*", kCompiledPlain, "\\*"},
      {"a\\sb", kCompiledPattern, "a<20>b"},
      {"\\and", kCompiledPattern, "and"},
      {"\\\\", kCompiledPattern, "\\\\"},
      {"", kCompileError, ""},
  };
  for (const CompileCase& c : cases) ExpectCompiles(CompileLiteral, c);
}

TEST_F(PatternTest, FoldingAppliesToTermsAndClasses) {
  Apply({.caseFold = true});
  ExpectCompiles(CompilePattern, {"abC", kCompiledPlain, "ABC"});
  ExpectCompiles(CompilePattern, {"[a-c]", kCompiledPattern, "[A-C]"});
  ExpectCompiles(CompileLiteral, {kWideA + "b", kCompiledPlain, "<8281>B"});  // full-width stays
  Apply({.zenHan = true});
  // Letters widen to upper case; punctuation and the long vowel are dropped.
  ExpectCompiles(CompileLiteral, {"a-b", kCompiledPlain, "<8260><8261>"});
  ExpectCompiles(CompileLiteral, {kWideA, kCompiledPlain, "<8260>"});
  ExpectCompiles(CompileLiteral, {kLongVowel, kCompiledPlain, ""});
  ExpectCompiles(CompilePattern, {"[a" + kLongVowel + "]", kCompiledPattern, "[<8260>]"});
  // Everything before the quantifier folded away: nothing to repeat.
  ExpectCompiles(CompilePattern, {kLongVowel + "*", kCompileError, ""});
}

// ---------------------------------------------------------------------------
// Matching.

struct MatchCase {
  std::string pattern;
  std::string line;
  int want;  // byte offset, -1 no match
};

void ExpectMatches(const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    PatternUnit units[kPatternUnits];
    ASSERT_NE(CompilePattern(c.pattern.c_str(), units, kPatternUnits), kCompileError) << c.pattern;
    std::strcpy(gCurrentLine, c.line.c_str());
    MarkLineStale();
    int unit = 0;
    const int got = FindPattern(units, &unit) ? gUnitLine.position[unit] : -1;
    EXPECT_EQ(got, c.want) << "pattern " << c.pattern << " line " << c.line;
  }
}

TEST_F(PatternTest, OperatorsMatch) {
  ExpectMatches({
      // Any character: a double-byte character is one unit; never the end.
      {"x.z", "xyz", 0},
      {"x.z", "ax" + kHiraA + "z", 1},
      {"x.z", "xy", -1},
      {"x.z", "xy\r\nz", -1},
      {"x..z", "x" + kHiraA + "z", -1},
      // Anchors.
      {"^abc", "abc def", 0},
      {"^abc", " abc", -1},
      {"abc$", "xabc", 1},
      {"abc$", "abcx", -1},
      {"abc$", "xabc\r\n", 1},
      {"abc$", "abc\rx", -1},
      {"a$b", "xa$b", 1},
      {"a^b", "a^b", 0},
      {"$", "abc", 3},
      {"^", "abc", 0},
      // Repetition is shortest-first, with backtracking.
      {"a.*c", "xabcbc", 1},
      {"b+c", "abbbc", 1},
      {"b+c", "ac", -1},
      {"ab*c", "ac", 0},
      {"ab*c", "abbx abbbc", 5},
      {"ab?c", "ac", 0},
      {"ab?c", "abc", 0},
      {"ab?c", "abbc", -1},
      {"a?b", "xb", 1},
      {"a.?b", "ab", 0},
      {"[0-9]+x", "a12 34x", 4},
      {"a[bc]*d", "abcbcd", 0},
      {"a[bc]*d", "abcxd", -1},
      {"x.*", "ax", 1},
      // Classes.
      {"[^" + kHiraA + "-" + kHiraN + "]", kHiraA + kHiraI + "x", 4},
      {"[^" + kHiraA + "-" + kHiraN + "]", kHiraA + kHiraI, -1},
      {"[" + kHiraA + "-" + kHiraN + "]+", "ab" + kHiraI, 2},
      {"[abc", "xxc", 2},
      {"[^a]", "aaa", -1},
      // Escapes.
      {"\\s", "a b", 1},
      {"\\t", "a\tb", 1},
      {"\\x41", "zA", 1},
      {"\\101", "zA", 1},
      {"a\\", "xa\\", 1},
      {"\\x82a0", "x" + kHiraA, 1},
      {"\\*", "a*", 1},
      // A single-byte unit never matches inside a double-byte character.
      {"A", kKataA, -1},
      {"A", kKataA + "A", 2},
      {"\\\\", kHyo, -1},
      {"\\\\", kHyo + "\\", 2},
      {".A", kKataA, -1},
  });
}

TEST_F(PatternTest, WordBoundaries) {
  Apply({.word = true});
  ExpectMatches({
      {"cat", "concat", -1},
      {"cat", "cats", -1},
      {"cat", "a cat.", 2},
      {"cat", kNeko + "cat" + kNeko, 2},
      {"cat", "concat cat", 7},
      {"cat", "cat_", -1},
      {"ab*", "abbb", -1},  // a repetition at the end takes nothing
      {"ab*", "ab", -1},
      {"ab*", "a b", 0},
      {"ab+", "abbb", -1},
      {"ab?", "ab", 0},     // "?" gives its unit back only on failure
      {"ab?", "abc", -1},
      {"a.c", "xabc abc", 5},
      {"-x", "a-x", 1},      // the start is no word character: no start rule
      {"x-", "x-a", 0},
      {kHiraA, "a" + kHiraA + "a", 1},
  });
}

TEST_F(PatternTest, CaseAndZenHanFoldLines) {
  Apply({.caseFold = true});
  ExpectMatches({
      {"abc", "xABC", 1},
      {"ABC", "xabc", 1},
      {"abc", kWideA + kWideB + kWideC, -1},  // full-width letters are not Case's
      {"[a-c]+", "xBcA", 1},
  });
  Apply({.zenHan = true});
  ExpectMatches({
      {"abc", kWideA + kWideB + kWideC, 0},
      {"a-b", "xAB", 1},
      {kLongVowel, "anything", 0},  // folds to nothing: matches every line
      {"[" + kWideA + "]", "xA", 1},
  });
}

TEST_F(PatternTest, FieldSelectionBlanksOtherFields) {
  Apply({.fields = true});
  gFieldSelection.separator[static_cast<unsigned char>(',')] = 1;
  gFieldSelection.separator[static_cast<unsigned char>(' ')] = 1;
  gFieldSelection.selected[2] = 1;
  ExpectMatches({
      {"abc", "abc,xyz", -1},
      {"abc", "xyz,abc", 4},
      {"b.c", "b,c", -1},  // a separator is kept, but field 1 is blank
      {kHiraA, kHiraA + "," + kHiraA, 3},
      {"c", "a  c", 3},      // a run of spaces separates once
      {"c", "a , c", -1},    // space then comma: field 2; comma then space: field 3
      {"d", "a b d", -1},
  });
  struct PlainCase {
    std::string text, line;
    int want;
  } plain[] = {
      {"abc", "abc,xyz", -1},
      {"abc", "xyz,abc", 4},
      {kHiraA, kHiraA + "," + kHiraA, 3},
      {"c", "a  c", 3},
      {"d", "a b d", -1},
  };
  for (const PlainCase& c : plain) EXPECT_EQ(FindPlainOffset(c.text, c.line), c.want) << c.line;
  // Field 100 and beyond are never searched.
  gFieldSelection.selected[2] = 0;
  gFieldSelection.selected[kFieldLimit] = 1;
  std::string line;
  for (int i = 1; i < kFieldLimit; ++i) line += "a,";
  EXPECT_EQ(FindPlainOffset("x", line + "x"), static_cast<int>(line.size()));
  EXPECT_EQ(FindPlainOffset("x", line + "a,x"), -1);
}

TEST_F(PatternTest, Same1GroupsSearchAsOne) {
  const std::string sai1 = "\x8D\xD6", sai2 = "\x90\xC4", sai3 = "\xE2\x56";  // 斎 斉 齋
  const std::string table = sai1 + sai2 + sai3 + "\n";
  MemoryLineSource source(table.data(), table.size());
  ASSERT_TRUE(gSame1.Build(source));
  gSettings.Same1 = 1;
  // A mapped character makes the term a pattern term of representatives.
  ExpectCompiles(CompileLiteral, {sai2, kCompiledPattern, "<8DD6>"});
  ExpectCompiles(CompileLiteral, {kHiraA, kCompiledPlain, "<82A0>"});
  ExpectMatches({
      {sai2, "x" + sai3, 1},
      {sai3, sai1, 0},
      {"[" + sai2 + "]", "a" + sai3, 1},  // class members are mapped like the line
      {"[^" + sai1 + "]", sai2, -1},
  });
  // With ZenHan the line is mapped before folding, as the term is.
  gSettings.ZenHan = 1;
  ExpectMatches({
      {sai2, sai2, 0},
      {sai1 + kHiraA, sai3 + "\x83\x41", 0},  // and ア folds to あ
  });
  gSettings.Same1 = 0;
  ExpectMatches({{sai2, sai3, -1}});
}

// ---------------------------------------------------------------------------
// Plain search.

TEST_F(PatternTest, PlainSearchNeverStartsInsideACharacter) {
  struct Case {
    std::string text, line;
    int want;
  } cases[] = {
      {"abc", "xxabc", 2},
      {"abc", "ab", -1},
      {"A", kKataA, -1},
      {"A", kKataA + "A", 2},
      {"AA", kKataA + "AA", 2},  // overlapping the rejected occurrence
      {"\\", kHyo + "\\", 2},
      {"\\", kHyo, -1},
      {"\\x", kHyo + "x\\x", 3},
      {kKataA, "A" + kKataA, 1},
      {kHiraA, kHiraA, 0},
      {"\x82", kHiraA, 0},  // a lone lead byte at a character start
      {"\xA0", kHiraA, -1},
      {"a", "", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindPlainOffset(c.text, c.line), c.want) << c.line;
}

TEST_F(PatternTest, MidCharacterTest) {
  struct Case {
    std::string text;
    size_t index;
    int want;
  } cases[] = {
      {kKataA, 1, 2},
      {kKataA, 0, 1},
      {kKataA + "A", 2, 1},
      {"a" + kKataA, 2, 2},
      {kHiraA + kHiraA + kHiraA, 5, 2},
      {kHiraA + kHiraA + kHiraA, 4, 1},
      {"\x82\x82\x82\x82\x82", 3, 2},
      {"\x82\x82\x82\x82\x82", 4, 1},
      {"a\xA0\xA0\x82\x41", 4, 2},  // half-width kana are not leads
  };
  for (const Case& c : cases) EXPECT_EQ(IsMidCharacter(c.text.c_str(), c.index), c.want) << c.index;
}

TEST_F(PatternTest, RequiredTextIsWhatEveryMatchHolds) {
  struct Case {
    std::string pattern;
    bool avoidLetters;
    std::string want;
  } cases[] = {
      {"abc", false, "abc"},
      {"ab*cd", false, "cd"},  // b may be absent
      {"x.yz", false, "yz"},
      {"[ab]c", false, "c"},
      {"^ab$", false, "ab"},
      {"a?", false, ""},
      {".", false, ""},
      {"aB1", true, "1"},
      {"b" + kKataA + "b", true, kKataA},  // its trail byte "A" is no letter
      {kKataA + "b" + kHyo, false, kKataA + "b" + kHyo},
  };
  for (const Case& c : cases) {
    PatternUnit units[kPatternUnits];
    ASSERT_NE(CompilePattern(c.pattern.c_str(), units, kPatternUnits), kCompileError) << c.pattern;
    char text[16];
    EXPECT_EQ(RequiredText(units, c.avoidLetters, text, sizeof text), c.want.size()) << c.pattern;
    EXPECT_EQ(std::string(text), c.want) << c.pattern;
  }
  // Cut to the capacity at a character boundary.
  PatternUnit units[kPatternUnits];
  ASSERT_NE(CompilePattern((kHiraA + kHiraA + kHiraA).c_str(), units, kPatternUnits), kCompileError);
  char small[6];
  EXPECT_EQ(RequiredText(units, false, small, sizeof small), 4u);
}

// ---------------------------------------------------------------------------
// Bounded work.

TEST_F(PatternTest, NestedRepetitionsTakeBoundedSteps) {
  const std::string line(kLineBuffer - 1, 'a');
  struct Case {
    std::string pattern;
    int want;
  } cases[] = {
      {"a*a*a*a*a*a*a*b", -1},
      {"a*a*a*a*a*a*a*$", 0},
      {".*.*.*.*.*.*.*b", -1},
      {"a?a?a?a?a?a?a?a?a?a?aaaaaaaaaab", -1},
      {"[a]+[a]+[a]+[a]+[a]+c", -1},
  };
  for (const Case& c : cases) {
    ResetPatternMatchSteps();
    EXPECT_EQ(FindRegular(c.pattern, line), c.want) << c.pattern;
    // A handful of visits per (element, unit) pair, nothing exponential.
    EXPECT_LT(PatternMatchSteps(), 32u * kLineBuffer) << c.pattern;
  }
}

// ---------------------------------------------------------------------------
// A slow oracle: the dialect matched by plain recursion over the pattern's
// elements, with no memo and no skipping ahead.

struct Element {
  enum Kind { Char, Any, Class, Start, End } kind;
  std::string chars;  // Char: the character; Class: the members
  bool negated = false;
  char quantifier = 0;
};

std::vector<std::string> SplitChars(const std::string& text) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < text.size();) {
    const size_t n = IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

struct Oracle {
  std::vector<Element> elements;
  std::vector<std::string> line;
  bool word;

  static bool IsWord(const std::string& c) {
    return c.size() == 1 && (std::isalnum(static_cast<unsigned char>(c[0])) || c[0] == '_');
  }
  bool WordAt(int i) const { return i >= 0 && i < static_cast<int>(line.size()) && IsWord(line[i]); }
  bool EndOk(int i) const { return !(word && WordAt(i - 1) && WordAt(i)); }
  bool Consumes(const Element& e, int i) const {
    if (i >= static_cast<int>(line.size())) return false;
    if (e.kind == Element::Any) return true;
    if (e.kind == Element::Char) return line[i] == e.chars;
    const bool in = e.chars.find(line[i]) != std::string::npos && line[i].size() == 1;
    return in != e.negated;
  }
  bool Match(size_t k, int i) const {
    if (k == elements.size()) return EndOk(i);
    const Element& e = elements[k];
    if (e.kind == Element::Start) return i == 0 && Match(k + 1, i);
    if (e.kind == Element::End) return i == static_cast<int>(line.size()) && Match(k + 1, i);
    switch (e.quantifier) {
      case '?': return (Consumes(e, i) && Match(k + 1, i + 1)) || Match(k + 1, i);
      case '*':
      case '+': {
        int j = i;
        if (e.quantifier == '+') {
          if (!Consumes(e, j)) return false;
          ++j;
        }
        if (k + 1 == elements.size()) return EndOk(j);
        for (;; ++j) {
          if (Match(k + 1, j)) return true;
          if (!Consumes(e, j)) return false;
        }
      }
      default: return Consumes(e, i) && Match(k + 1, i + 1);
    }
  }
  // Byte offset of the first match, or -1.
  int Find() const {
    for (int start = 0; start <= static_cast<int>(line.size()); ++start) {
      if (word && WordAt(start - 1) && WordAt(start)) continue;
      if (Match(0, start)) {
        int offset = 0;
        for (int i = 0; i < start; ++i) offset += static_cast<int>(line[i].size());
        return offset;
      }
    }
    return -1;
  }
};

TEST_F(PatternTest, MatcherAgreesWithSlowOracle) {
  std::mt19937 random(20240611);
  const std::vector<std::string> alphabet = {"a", "b", "A", " ", kHiraA, kKataA};
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  for (int round = 0; round < 4000; ++round) {
    Oracle oracle;
    oracle.word = pick(2) == 1;
    std::string pattern;
    if (pick(5) == 0) {
      pattern += '^';
      oracle.elements.push_back({Element::Start, ""});
    }
    const int count = 1 + pick(5);
    for (int n = 0; n < count; ++n) {
      Element e{Element::Char, ""};
      const int kind = pick(8);
      if (kind == 0) {
        e.kind = Element::Any;
        pattern += '.';
      } else if (kind == 1) {
        e.kind = Element::Class;
        e.negated = pick(2) == 1;
        e.chars = pick(2) ? "ab" : "A ";
        pattern += std::string("[") + (e.negated ? "^" : "") + e.chars + "]";
      } else {
        e.chars = alphabet[pick(3) == 0 ? 4 + pick(2) : pick(3)];
        pattern += e.chars;
      }
      const int q = pick(6);
      if (q < 3) {
        e.quantifier = "*+?"[q];
        pattern += e.quantifier;
      }
      oracle.elements.push_back(e);
    }
    if (pick(5) == 0) {
      pattern += '$';
      oracle.elements.push_back({Element::End, ""});
    }
    std::string line;
    const int length = pick(12);
    for (int n = 0; n < length; ++n) line += alphabet[pick(static_cast<int>(alphabet.size()))];
    oracle.line = SplitChars(line);
    Apply({.word = oracle.word});
    ASSERT_EQ(FindRegular(pattern, line), oracle.Find())
        << "pattern " << pattern << " line [" << line << "] word " << oracle.word;
    gArena.Free();
  }
}

// Lines without field selection or Same1 are converted by a loop of their
// own; with every field selected and no separator, the field-walking loop
// must give the same units and positions.
TEST_F(PatternTest, UnitLinesAgreeWithTheFieldWalkingConversion) {
  std::mt19937 random(91);
  const std::vector<std::string> pieces = {"a", "Z", "5", " ", "\r", "\n", "\r\n", kKataA, kHyo, kHiraA, kNeko,
                                           kLongVowel, "\x83\x94", "\x83\x40", "\xA7", "\xCC", "\xDF", "\x83",
                                           kWideA};
  auto unitsOf = [](const std::string& line, bool fields) {
    gSettings.FieldSearch = fields;
    ConvertLine(line.c_str());
    std::vector<int> got;
    for (int i = 0; i <= gUnitLine.length; ++i) got.insert(got.end(), {gUnitLine.unit[i], gUnitLine.position[i]});
    got.push_back(gUnitLine.position[gUnitLine.length + 1]);
    return got;
  };
  std::memset(gFieldSelection.selected, 1, sizeof gFieldSelection.selected);
  std::vector<std::string> lines = {std::string(kLineBuffer - 2, 'x') + kNeko,
                                    std::string(kLineBuffer - 3, 'x') + "\x83\x94\x83\x40"};
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    for (int n = static_cast<int>(random() % 12); n > 0; --n) line += pieces[random() % pieces.size()];
    lines.push_back(line);
  }
  for (const std::string& line : lines) {
    for (const Options& o : {Options{}, Options{.caseFold = true}, Options{.zenHan = true},
                             Options{.caseFold = true, .zenHan = true}}) {
      Apply(o);
      ASSERT_EQ(unitsOf(line, false), unitsOf(line, true)) << "[" << line << "] " << o.caseFold << o.zenHan;
    }
  }
}

// The unit filter may let a line through that does not match, but never
// holds back one that does; and it holds back lines that lack a character.
TEST_F(PatternTest, UnitFilterNeverRefusesAMatchingLine) {
  static UnitFilter filter;
  const std::string vu = "\x83\x94", smallA = "\x83\x40", halfFu = "\xCC", fu = "\x82\xD3", ha = "\x82\xCD";
  struct Case {
    Options options;
    std::string pattern, line;
    bool passes;
  } cases[] = {
      {{.zenHan = true}, "\xCC\xDF\xDB\xBE\xBD", "\x83\x76\x83\x8D\x83\x5A\x83\x58", true},  // ﾌﾟﾛｾｽ: プロセス
      {{.zenHan = true}, "\xCC\xDF\xDB\xBE\xBD", "process", false},
      {{.zenHan = true}, "\xCC\xDF\xDB\xBE\xBD", "\x83\x76\x83\x8D\x83\x5A", false},  // no su
      {{.zenHan = true}, fu, vu, true},                 // VU alone reads as fu
      {{.zenHan = true}, ha, vu + smallA, true},        // VU with small a reads as ha
      {{.zenHan = true}, fu, halfFu, true},             // at the very start of the line
      {{.zenHan = true}, "abc", kWideA + kWideB + kWideC, true},
      {{.zenHan = true}, "abc", kWideA + kWideB, false},
      {{.caseFold = true}, "abc", "xABC", true},
      {{.caseFold = true}, "abc", "xAB", false},
  };
  for (const Case& c : cases) {
    Apply(c.options);
    PatternUnit units[kPatternUnits];
    ASSERT_NE(CompilePattern(c.pattern.c_str(), units, kPatternUnits), kCompileError) << c.pattern;
    ASSERT_TRUE(BuildUnitFilter(units, &filter)) << c.pattern;
    EXPECT_EQ(MayHoldUnits(c.line.c_str(), filter), c.passes) << c.pattern << " in " << c.line;
  }
  Apply({.zenHan = true});
  PatternUnit any[kPatternUnits];
  ASSERT_NE(CompilePattern(".*", any, kPatternUnits), kCompileError);
  EXPECT_FALSE(BuildUnitFilter(any, &filter));  // nothing every match holds

  std::mt19937 random(5);
  const std::vector<std::string> pieces = {"a", "B", "1", "-", " ", kHiraA, kKataA, kWideA, kLongVowel, vu, smallA,
                                           halfFu, "\xDF", "\xB1", fu, ha, "\x83", "\x82"};
  int matched = 0;
  for (int round = 0; round < 4000; ++round) {
    Apply({.caseFold = random() % 2 == 1, .zenHan = random() % 4 != 0});
    std::string pattern, line;
    for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) {
      pattern += pieces[random() % pieces.size()];
      if (random() % 5 == 0) pattern += ".*";
    }
    for (int n = static_cast<int>(random() % 10); n > 0; --n) line += pieces[random() % pieces.size()];
    PatternUnit units[kPatternUnits];
    if (CompilePattern(pattern.c_str(), units, kPatternUnits) == kCompileError) continue;
    SetLine(line);
    int unit = 0;
    if (!FindPattern(units, &unit)) continue;
    ++matched;
    if (BuildUnitFilter(units, &filter)) {
      ASSERT_TRUE(MayHoldUnits(line.c_str(), filter)) << pattern << " in " << line;
      ASSERT_LT(NextAnchorPlace(line.c_str(), 0, line.size(), filter), line.size()) << pattern << " in " << line;
    }
  }
  EXPECT_GT(matched, 200);
}

// A place of the anchor's character counts only where the next character
// that folds to something is the one the pattern holds after it, in the
// same line.
TEST_F(PatternTest, AnchorPlacesAreThoseFollowedAsInThePattern) {
  static UnitFilter filter;
  const std::string pu = "\x83\x76", ro = "\x83\x8D", se = "\x83\x5A", su = "\x83\x58", halfRo = "\xDB";
  const std::string dot = "\x81\x45", hiraSe = "\x82\xB9", vu = "\x83\x94";
  struct Case {
    std::string text;
    size_t place;  // of the first place kept; npos: none
  } cases[] = {
      {pu + ro + se + su, 2},
      {pu + ro + su + se, std::string::npos},                 // all there, out of order
      {pu + ro + dot + " " + hiraSe + su, 2},                 // the dot and the space fold to nothing
      {"x" + halfRo + hiraSe, 1},                             // half-width and hiragana forms
      {pu + ro + "\n" + se + su + "\n" + ro + se, 10},         // a line end comes first
      {pu + ro + "\r\n" + se, std::string::npos},
      {ro + vu, 0},                                           // VU reads by what follows it
  };
  Apply({.zenHan = true});
  PatternUnit units[kPatternUnits];
  ASSERT_NE(CompilePattern("\xCC\xDF\xDB\xBE\xBD", units, kPatternUnits), kCompileError);  // ﾌﾟﾛｾｽ
  ASSERT_TRUE(BuildUnitFilter(units, &filter));
  for (const Case& c : cases) {
    const size_t found = NextAnchorPlace(c.text.c_str(), 0, c.text.size(), filter);
    EXPECT_EQ(found == c.text.size() ? std::string::npos : found, c.place) << c.text;
  }
}

TEST_F(PatternTest, PlainSearchAgreesWithCharacterWalk) {
  std::mt19937 random(77);
  const std::vector<std::string> pieces = {"A", "a", "\\", kKataA, kHyo, kHiraA, "\x83", "\x95"};
  for (int round = 0; round < 3000; ++round) {
    std::string line, text;
    for (int n = static_cast<int>(random() % 10); n > 0; --n) line += pieces[random() % pieces.size()];
    for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) text += pieces[random() % pieces.size()];
    if (random() % 2 && !line.empty()) {
      const size_t from = random() % line.size();
      text = line.substr(from, 1 + random() % 3);
    }
    int want = -1;
    for (size_t i = 0; i + text.size() <= line.size();
         i += IsSjisLead(static_cast<unsigned char>(line[i])) ? 2 : 1) {
      if (line.compare(i, text.size(), text) == 0) {
        want = static_cast<int>(i);
        break;
      }
    }
    ASSERT_EQ(FindPlainOffset(text, line), want) << "text [" << text << "] line [" << line << "]";
  }
}

}  // namespace
}  // namespace zanto
