#include "match/folding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zanto {
namespace {

using Units = std::vector<uint16_t>;

// The codes of a Shift_JIS text, one per character.
Units Codes(const std::string& text) {
  Units units;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (IsSjisLead(lead) && i + 1 < text.size()) {
      units.push_back(static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(text[i + 1])));
      i += 2;
    } else {
      units.push_back(lead);
      i += 1;
    }
  }
  return units;
}

// A term as ZenHan sees it: each character folded, dropped ones left out.
Units FoldTerm(const std::string& text) {
  Units units;
  for (size_t i = 0; i < text.size();) {
    const FoldedChar folded = ZenHanFoldText(text.c_str() + i);
    if (folded.unit != 0) units.push_back(folded.unit);
    i += static_cast<size_t>(folded.length);
  }
  return units;
}

std::string Show(const Units& units) {
  std::string s;
  for (uint16_t u : units) s += std::to_string(u) + " ";
  return s;
}

TEST(ZenHan, VariantsOfOneWordFoldAlike) {
  struct Case {
    std::string text, folded;
  } cases[] = {
      // Long vowel marks are dropped, small kana grow, katakana and half-width
      // kana become hiragana, voicing marks go.
      {"コンピューター", "こんひゆた"},
      {"コンピュータ", "こんひゆた"},
      {"ｺﾝﾋﾟｭｰﾀｰ", "こんひゆた"},
      {"こんぴゅうた", "こんひゆうた"},  // a written vowel stays
      {"ヴァイオリン", "はいおりん"},
      {"バイオリン", "はいおりん"},
      {"ヴィーナス", "ひなす"},
      {"ヴ", "ふ"},
      {"ｶﾞｯｺｳ", "かつこう"},
      // Letters meet in full-width capitals; punctuation and spaces go.
      {"ABC", "ＡＢＣ"},
      {"abc", "ＡＢＣ"},
      {"ＡＢＣ", "ＡＢＣ"},
      {"ａｂｃ", "ＡＢＣ"},
      {"A-B", "ＡＢ"},
      {"a b", "ＡＢ"},
      {"１２３", "１２３"},
      {"123", "１２３"},
      // Sound-alike kana meet: du with zu, wa with ha, wo with o.
      {"みかづき", "みかすき"},
      {"みかずき", "みかすき"},
      {"わを", "はお"},
      {"ヲ", "お"},
      // Kanji, Greek and Cyrillic stay; full-width symbols go.
      {"漢字", "漢字"},
      {"ΑΩЖ", "ΑΩЖ"},
      {"【注意】", "注意"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(FoldTerm(c.text)), Show(Codes(c.folded))) << c.text;
  }
}

TEST(ZenHan, TermsOfDroppedCharactersFoldToNothing) {
  for (const std::string text : {"ー", "、", "。", "　", "ｰ", "ﾞﾟ", "-", " ", "!?", "･｢｣", "─┼", "\t"}) {
    EXPECT_TRUE(FoldTerm(text).empty()) << text;
  }
}

TEST(ZenHan, EveryHiragana) {
  // Each pair: a hiragana and what it folds to.
  const Units pairs = Codes(
      "ぁあ" "ああ" "ぃい" "いい" "ぅう" "うう" "ぇえ" "ええ" "ぉお" "おお"
      "かか" "がか" "きき" "ぎき" "くく" "ぐく" "けけ" "げけ" "ここ" "ごこ"
      "ささ" "ざさ" "しし" "じし" "すす" "ずす" "せせ" "ぜせ" "そそ" "ぞそ"
      "たた" "だた" "ちち" "ぢち" "っつ" "つつ" "づす" "てて" "でて" "とと" "どと"
      "なな" "にに" "ぬぬ" "ねね" "のの"
      "はは" "ばは" "ぱは" "ひひ" "びひ" "ぴひ" "ふふ" "ぶふ" "ぷふ" "へへ" "べへ" "ぺへ"
      "ほほ" "ぼほ" "ぽほ"
      "まま" "みみ" "むむ" "めめ" "もも" "ゃや" "やや" "ゅゆ" "ゆゆ" "ょよ" "よよ"
      "らら" "りり" "るる" "れれ" "ろろ" "ゎは" "わは" "ゐい" "ゑえ" "をお" "んん");
  ASSERT_EQ(pairs.size(), 2u * (0x82F1 - 0x829F + 1));
  for (size_t i = 0; i < pairs.size(); i += 2) {
    const uint16_t hiragana = pairs[i];
    const uint16_t want = pairs[i + 1];
    EXPECT_EQ(hiragana, 0x829F + i / 2) << "pair " << i / 2;
    EXPECT_EQ(NormalizeWide(hiragana), want) << "hiragana " << std::hex << hiragana;
    EXPECT_EQ(NormalizeWide(want), want) << "folding twice changes " << std::hex << hiragana;
  }
}

TEST(ZenHan, EveryKatakanaFoldsLikeItsHiragana) {
  const Units katakana = Codes(
      "ァアィイゥウェエォオカガキギクグケゲコゴサザシジスズセゼソゾタダチヂッツヅテデトド"
      "ナニヌネノハバパヒビピフブプヘベペホボポマミムメモャヤュユョヨラリルレロヮワヰヱヲン");
  const Units hiragana = Codes(
      "ぁあぃいぅうぇえぉおかがきぎくぐけげこごさざしじすずせぜそぞただちぢっつづてでとど"
      "なにぬねのはばぱひびぴふぶぷへべぺほぼぽまみむめもゃやゅゆょよらりるれろゎわゐゑをん");
  ASSERT_EQ(katakana.size(), hiragana.size());
  for (size_t i = 0; i < katakana.size(); ++i) {
    EXPECT_EQ(NormalizeWide(katakana[i]), NormalizeWide(hiragana[i])) << std::hex << katakana[i];
  }
  const Units extra = Codes("ヴヵヶ"), extraWant = Codes("ふかけ");
  for (size_t i = 0; i < extra.size(); ++i) EXPECT_EQ(NormalizeWide(extra[i]), extraWant[i]);
}

TEST(ZenHan, EveryHalfWidthKanaWidens) {
  const std::string half = "ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ";
  const Units wide = Codes("おあいうえおやゆよつあいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん");
  ASSERT_EQ(half.size(), wide.size());
  for (size_t i = 0; i < half.size(); ++i) {
    EXPECT_EQ(WidenHalf(static_cast<unsigned char>(half[i])), wide[i]) << i;
  }
  // Bytes without a wide form come back as they are.
  for (unsigned c : {0x00u, 0x09u, 0x20u, 0x2Du, 0x7Eu, 0x80u, 0xA0u, 0xA1u, 0xA5u, 0xB0u, 0xDEu, 0xDFu, 0xE0u, 0xFFu}) {
    EXPECT_EQ(WidenHalf(static_cast<unsigned char>(c)), c) << std::hex << c;
    EXPECT_EQ(ZenHanFold(static_cast<uint16_t>(c)), 0) << std::hex << c;
  }
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(WidenHalf(c), 0x824F + (c - '0'));
  for (char c = 'A'; c <= 'Z'; ++c) {
    EXPECT_EQ(WidenHalf(c), 0x8260 + (c - 'A'));
    EXPECT_EQ(WidenHalf(c + 0x20), 0x8260 + (c - 'A'));
  }
}

TEST(ZenHan, CodeRangeBoundaries) {
  struct Case {
    uint16_t code, want;
  } cases[] = {
      {0x8140, 0},       {0x815B, 0},       {0x824E, 0},  // space, long vowel, last symbol
      {0x824F, 0x824F},  {0x8279, 0x8279},                // digits and capitals
      {0x827A, 0},       {0x8280, 0},
      {0x8281, 0x8260},  {0x829A, 0x8279},                // small letters
      {0x829B, 0},       {0x829E, 0},       {0x82F2, 0},  {0x82FC, 0},
      {0x837F, 0},       {0x8397, 0x8397},  {0x8491, 0x8491},
      {0x8492, 0},       {0x84A0, 0},       {0x889E, 0},
      {0x889F, 0x889F},  {0x9FFC, 0x9FFC},  {0xE040, 0xE040}, {0xFCFC, 0xFCFC},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeWide(c.code), c.want) << std::hex << c.code;
}

// The tables the fold looks in against the rules they are made from, for
// every 16-bit code: characters, single bytes and codes that are neither.
TEST(ZenHan, TablesAgreeWithTheRulesForEveryCode) {
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const auto unit = static_cast<uint16_t>(code);
    ASSERT_EQ(NormalizeWide(unit), NormalizeWideByRanges(unit)) << std::hex << code;
    uint16_t byRule = NormalizeWideByRanges(unit);
    if (code < 0x100) {
      const uint16_t wide = WidenHalf(static_cast<unsigned char>(code));
      byRule = wide == code ? 0 : NormalizeWideByRanges(wide);
    }
    ASSERT_EQ(ZenHanFold(unit), byRule) << std::hex << code;
  }
}

TEST(ZenHan, VuSequenceTakesAFollowingSmallVowel) {
  struct Case {
    std::string text;
    std::string folded;  // empty: no VU here
    int length;
  } cases[] = {
      {"ヴァ", "は", 4}, {"ヴィ", "ひ", 4}, {"ヴゥ", "ふ", 4}, {"ヴェ", "へ", 4}, {"ヴォ", "ほ", 4},
      {"ヴｧ", "は", 3}, {"ヴｨ", "ひ", 3}, {"ヴｩ", "ふ", 3}, {"ヴｪ", "へ", 3}, {"ヴｫ", "ほ", 3},
      {"ヴ", "ふ", 2},   {"ヴア", "ふ", 2}, {"ヴｱ", "ふ", 2}, {"ヴャ", "ふ", 2},
      {"ヴ\x83", "ふ", 2},  // a lead byte cut off by the end of the text
      {"ブァ", "", 0},   {"ァ", "", 0},     {"", "", 0},      {"\x83", "", 0},
  };
  for (const Case& c : cases) {
    const FoldedChar folded = VuSequence(c.text.c_str());
    const uint16_t want = c.folded.empty() ? 0 : Codes(c.folded)[0];
    EXPECT_EQ(folded.unit, want) << c.text;
    EXPECT_EQ(folded.length, c.length) << c.text;
  }
}

TEST(CaseFolding, OnlyAsciiLowerCaseChanges) {
  EXPECT_EQ(CaseFold('a'), 'A');
  EXPECT_EQ(CaseFold('z'), 'Z');
  for (uint16_t unit : {uint16_t{'A'}, uint16_t{'@'}, uint16_t{'['}, uint16_t{'`'}, uint16_t{'{'}, uint16_t{0xE1},
                        uint16_t{0x8281}}) {
    EXPECT_EQ(CaseFold(unit), unit) << std::hex << unit;
  }
}

TEST(CharIndexTest, DenseAndDistinctOverEveryCharacter) {
  std::vector<bool> seen(kCharIndexCount, false);
  int characters = 0;
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const int index = CharIndex(code);
    if (code >= 0x100 && !IsDoubleByteCode(code)) {
      EXPECT_EQ(index, -1) << std::hex << code;
      continue;
    }
    ASSERT_GE(index, 0) << std::hex << code;
    ASSERT_LT(index, kCharIndexCount) << std::hex << code;
    EXPECT_FALSE(seen[index]) << "two codes share index " << index;
    seen[index] = true;
    ++characters;
  }
  EXPECT_EQ(CharIndex(0x8140), 256);
  EXPECT_EQ(CharIndex(0xE040), 256 + 31 * 189);  // 0xE0 follows 0x9F
  EXPECT_EQ(CharIndex(0xFCFC), 11595);
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfCharIndex(index);
    if (code >= 0) {
      EXPECT_EQ(CharIndex(static_cast<unsigned>(code)), index) << index;
    } else {
      EXPECT_FALSE(seen[index]) << index;  // only unused indexes name no code
    }
  }
  EXPECT_LT(kCharIndexCount, kSame1Entries);
  EXPECT_GT(characters, 11000);
}

Same1Table gTable;  // the table the Same1 cases load

// Loads a ZAFIND1.TXT image.
void LoadTable(const std::string& text) {
  MemoryLineSource source(text.data(), text.size());
  ASSERT_TRUE(gTable.Build(source));
}

// The representative of a one-character text; empty when it is unmapped.
std::string Representative(const std::string& character) {
  bool mapped = false;
  const uint16_t code = Codes(character)[0];
  const uint16_t rep = Same1Map(gTable.Loaded() ? &gTable : nullptr, code, &mapped);
  if (!mapped) {
    EXPECT_EQ(rep, code);
    return "";
  }
  return std::string{static_cast<char>(rep >> 8), static_cast<char>(rep & 0xFF)};
}

class Same1 : public ::testing::Test {
 protected:
  void TearDown() override { gTable.Free(); }
};

TEST_F(Same1, GroupLinesAndComments) {
  struct Case {
    std::string table;
    std::vector<std::pair<std::string, std::string>> maps;  // character, representative or ""
  } cases[] = {
      {"斎斉齋齊\n", {{"斎", "斎"}, {"斉", "斎"}, {"齋", "斎"}, {"齊", "斎"}, {"済", ""}}},
      {" 斎斉\n", {{"斎", ""}, {"斉", ""}}},              // leading space: comment
      {"\t斎斉\n", {{"斎", ""}, {"斉", ""}}},
      {"A斎斉\n", {{"斎", ""}, {"斉", ""}}},
      {"ｱ斎斉\n", {{"斎", ""}, {"斉", ""}}},             // half-width kana: comment
      {"斎 斉\n", {{"斎", "斎"}, {"斉", ""}}},            // a space ends the list
      {"斎斉A齋\n", {{"斉", "斎"}, {"齋", ""}}},
      {"斎斉\r\n齋齊\r\n", {{"斉", "斎"}, {"齊", "齋"}}},  // CR LF lines
      {"斎斉", {{"斉", "斎"}}},                           // no final line end
      {"斎斉\x81", {{"斉", "斎"}}},                       // cut lead byte
      {"\n\n斎斉\n", {{"斉", "斎"}}},
      // Later lines win.
      {"斎斉\n斉齋\n", {{"斎", "斎"}, {"斉", "斉"}, {"齋", "斉"}}},
      {"斎斉\n齋斎\n", {{"斎", "齋"}, {"斉", "斎"}, {"齋", "齋"}}},
  };
  for (const Case& c : cases) {
    LoadTable(c.table);
    for (const auto& [character, rep] : c.maps) {
      EXPECT_EQ(Representative(character), rep) << "table \"" << c.table << "\", character " << character;
    }
  }
}

TEST_F(Same1, ALineLongerThanOneReadStaysOneGroup) {
  // 200 kanji: 400 bytes, more than one read of the table file.
  std::string line;
  const Units kanji = Codes("亜唖娃阿哀愛挨姶逢葵茜穐悪握渥旭葦芦鯵梓圧斡扱宛姐虻飴絢綾鮎或粟袷安庵按暗案闇鞍杏");
  for (int i = 0; i < 5; ++i) {
    for (uint16_t k : kanji) line += std::string{static_cast<char>(k >> 8), static_cast<char>(k & 0xFF)};
  }
  LoadTable("漢" + line + "\n");
  EXPECT_EQ(Representative("漢"), "漢");
  EXPECT_EQ(Representative("杏"), "漢");
  EXPECT_EQ(Representative("亜"), "漢");
}

TEST_F(Same1, NothingIsMappedWithoutATable) {
  EXPECT_EQ(Representative("斉"), "");
  LoadTable("斎斉\n");
  EXPECT_EQ(Representative("斉"), "斎");
  bool mapped = true;
  EXPECT_EQ(Same1Map(&gTable, 'A', &mapped), 'A');  // single bytes are never mapped
  EXPECT_FALSE(mapped);
  EXPECT_EQ(Same1Map(&gTable, 0x8100, &mapped), 0x8100);  // not a character
  EXPECT_FALSE(mapped);
  gTable.Free();
  EXPECT_EQ(Representative("斉"), "");
}

}  // namespace
}  // namespace zanto
