#include "match/unicode_anchor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/settings.h"
#include "match/folding.h"
#include "match/term_arena.h"

namespace zanto {
namespace {

// The forms of an anchor as hex, sorted: "E6BCA2 EFBD81".
std::string FormsText(const UnicodeAnchor& anchor) {
  std::vector<std::string> forms;
  for (int k = 0; k < anchor.forms.count; ++k) {
    std::string hex;
    for (int b = 0; b < anchor.forms.length[k]; ++b) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", anchor.forms.bytes[k][b]);
      hex += two;
    }
    forms.push_back(hex);
  }
  std::sort(forms.begin(), forms.end());
  std::string text;
  for (const std::string& f : forms) text += (text.empty() ? "" : " ") + f;
  return text;
}

// The forms the scan would look for: for a term that needs no folding,
// those of its plain text; else those of its filter. "none" when there is
// no safe anchor.
std::string AnchorFormsOf(const char* term, unsigned reading, UnicodeForm form) {
  static UnitFilter filter;
  UnicodeAnchor anchor;
  bool found;
  if (reading == 0) {
    found = AnchorOfNeedle(PreparePlainNeedle(term), form, &anchor);
  } else {
    TermArena arena;
    CompileContext context = {&arena, nullptr, false};
    PatternUnit units[kPatternUnits];
    EXPECT_NE(CompileLiteral(term, units, kPatternUnits, reading, context), kCompileError) << term;
    found = BuildUnitFilter(units, reading, &filter) && AnchorOfFilter(filter, form, &anchor);
  }
  return found ? FormsText(anchor) : "none";
}

constexpr unsigned kCase = kReadFoldCase, kZen = kReadZenHan;

TEST(UnicodeAnchor, FormsOfTerms) {
  struct Case {
    const char* term;
    unsigned reading;
    UnicodeForm form;
    const char* forms;
  } cases[] = {
      {"漢", 0, UnicodeForm::Utf8, "E6BCA2"},
      {"漢", 0, UnicodeForm::Utf16Le, "226F"},
      {"漢", 0, UnicodeForm::Utf16Be, "6F22"},
      // Two code points land on ～ and on ￢: both are looked for.
      {"～", 0, UnicodeForm::Utf8, "E3809C EFBD9E"},
      {"￢", 0, UnicodeForm::Utf16Le, "AC00 E2FF"},
      // The rarest whole character of plain text: "z" before "e", the
      // kanji before the common ASCII letters.
      {"ez", 0, UnicodeForm::Utf8, "7A"},
      {"the漢", 0, UnicodeForm::Utf8, "E6BCA2"},
      {"ｶ", 0, UnicodeForm::Utf8, "EFBDB6"},
      // つ, whose trail byte is ﾂ: both fold to つ.
      {"ﾂ", kZen, UnicodeForm::Utf8, "E381A3 E381A4 E38383 E38384 E383B4 EFBDAF EFBE82"},
      // Folded terms: every member of the fold class of the character.
      {"a", kCase, UnicodeForm::Utf8, "41 61"},
      {"a", kCase | kZen, UnicodeForm::Utf8, "41 61 E383B4 EFBCA1 EFBD81"},
      {"あ", kZen, UnicodeForm::Utf8, "E38181 E38182 E382A1 E382A2 E383B4 EFBDA7 EFBDB1"},
      {"あ", kZen, UnicodeForm::Utf16Be, "3041 3042 30A1 30A2 30F4 FF67 FF71"},
      // 〓 is what every character without a Shift_JIS form becomes: no
      // safe anchor, unless the term holds another character.
      {"〓", 0, UnicodeForm::Utf8, "none"},
      {"〓", kCase, UnicodeForm::Utf8, "none"},
      {"〓猫", kCase, UnicodeForm::Utf8, "E78CAB"},
      // A character no code point converts to: no line can hold it.
      {"\x85\x40", 0, UnicodeForm::Utf8, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnchorFormsOf(c.term, c.reading, c.form), c.forms) << c.term << " reading " << c.reading;
  }
}

// The members read from a filter are exactly the characters whose unit
// folds to the wanted one (katakana VU, taken to fold to every unit, with
// them), for every character under every folding.
TEST(UnicodeAnchor, FoldMembersAreTheFoldClass) {
  static UnitFilter filter;
  static PatternWork work;  // too large for the stack
  for (unsigned reading : {0u, kCase, kZen, kCase | kZen}) {
    std::map<PatternUnit, std::set<uint16_t>> classes;
    for (int index = 0; index < kCharIndexCount; ++index) {
      const int code = CodeOfCharIndex(index);
      if (code <= 0 || code == '\n') continue;
      char text[3] = {static_cast<char>(code > 0xFF ? code >> 8 : code), static_cast<char>(code > 0xFF ? code : 0), 0};
      ConvertLine(work, text, reading);
      if (work.unitLine.length == 1) classes[work.unitLine.unit[0]].insert(static_cast<uint16_t>(code));
    }
    std::vector<PatternUnit> units;
    for (const auto& entry : classes) units.push_back(entry.first);
    for (size_t first = 0; first < units.size(); first += kFilterUnits) {
      PatternUnit pattern[kFilterUnits + 1] = {};
      const size_t n = std::min<size_t>(kFilterUnits, units.size() - first);
      std::copy(units.begin() + first, units.begin() + first + n, pattern);
      ASSERT_TRUE(BuildUnitFilter(pattern, reading, &filter));
      for (size_t k = 0; k < n; ++k) {
        std::set<uint16_t> expected = classes[pattern[k]];
        if (reading & kZen) expected.insert(kKatakanaVu);
        uint16_t members[0x100];
        const int count = FoldMembersOf(filter, static_cast<uint8_t>(1u << k), members, 0x100);
        ASSERT_GE(count, 0);
        EXPECT_EQ(std::set<uint16_t>(members, members + count), expected)
            << "unit " << std::hex << pattern[k] << " reading " << reading;
      }
    }
  }
}

// The next place a form may be: never past the first form, found across
// the forms' different lengths, cut forms included.
TEST(UnicodeAnchor, NextFormInRawBytes) {
  const uint16_t sign = 0x8160;  // ～, two code points
  UnicodeAnchor utf8, utf16;
  ASSERT_TRUE(AnchorOfCharacters(&sign, 1, UnicodeForm::Utf8, &utf8));
  ASSERT_TRUE(AnchorOfCharacters(&sign, 1, UnicodeForm::Utf16Le, &utf16));
  struct Case {
    const UnicodeAnchor* anchor;
    std::string bytes;
    size_t from, expected;
  } cases[] = {
      {&utf8, "abc\xE3\x80\x9C", 0, 3},
      {&utf8, "\xE3\x80\x9C", 1, 3},                    // starts before from
      {&utf8, "x\x9C\x80\x9C\xEF\xBD\x9E", 0, 4},       // a key alone is no form
      {&utf8, "\xEF\xBD\x9Ey\xE3\x80\x9C", 0, 0},
      {&utf8, "xy\xE3\x80", 0, 2},                      // cut: its line runs on
      {&utf16, std::string("a\0\x1C\x30", 4), 0, 2},
      {&utf16, std::string("a\0\x1C", 3), 0, 2},        // cut after its key
      {&utf16, std::string("a\0b\0", 4), 0, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextAnchorForm(c.bytes.data(), c.from, c.bytes.size(), *c.anchor), c.expected);
  }
}

// Raw UTF-8 text, whatever the character set of the program's strings.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// A plain needle's anchor passes over its form where the well-formed
// characters on both sides of it are not the run's (the needle's
// characters around the anchor's, here all of them), but not where a
// malformed byte, which the conversion drops, may join two of them, nor
// where the text held ends or begins before the run does. A space is no
// run's character.
TEST(UnicodeAnchor, NeedleRunAroundTheAnchor) {
  struct Case {
    const char* needle;  // the anchor is 削 or マ
    std::string bytes;
    size_t expected;
  } cases[] = {
      {"ファイル削除", Utf8(u8"xファイル削除y"), 13},
      {"ファイル削除", Utf8(u8"ファイル削x"), 16},                // 除 is missing
      {"ファイル削除", Utf8(u8"aァイル削除"), 16},                // フ is missing
      {"ファイル削除", Utf8(u8"a削除 ァイル削除 ファイル削除"), 36},
      {"ファイル削除", Utf8(u8"ァイル削除"), 9},                  // what comes before is not held
      {"ファイル削除", Utf8(u8"ファイル") + "\x80" + Utf8(u8"削除"), 13},  // a malformed byte before 削
      {"ファイル削除", Utf8(u8"ファイ") + "\xE3" + Utf8(u8"ル削除"), 13},  // one before ル
      {"ファイル削除", Utf8(u8"ファイル削") + "\xE9", 12},           // the text held ends
      {"ファイル削除", Utf8(u8"ファイル削") + "\xE9\x99", 12},
      {"マジック", Utf8(u8"マジッ") + "\x83" + Utf8(u8"ク"), 0},
      {"マジック", Utf8(u8"マジッグ マジック"), 13},
      {"マ ジック", Utf8(u8"マx"), 0},
  };
  for (const Case& c : cases) {
    UnicodeAnchor anchor;
    ASSERT_TRUE(AnchorOfNeedle(PreparePlainNeedle(c.needle), UnicodeForm::Utf8, &anchor));
    EXPECT_EQ(NextAnchorForm(c.bytes.data(), 0, c.bytes.size(), anchor), c.expected) << c.bytes;
  }
}

}  // namespace
}  // namespace zanto
