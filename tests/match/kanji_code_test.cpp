#include "match/kanji_code.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/sjis.h"

namespace zanto {
namespace {

int Guess(const std::string& bytes) {
  return GuessKanjiCode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(KanjiDetect, CodeFromTheFirstBytes) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    int code;
  } cases[] = {
      {"", kKanjiSjis},                             // empty file
      {"plain ascii\n", kKanjiEuc},                 // no CR: converts unchanged
      {"plain ascii\r\n", kKanjiSjis},
      // Escape sequences make JIS, before anything else is looked at.
      {"a\x1B$B$\"\x1B(B\n", kKanjiJis},
      {"\x1B(J\r\n", kKanjiJis},
      {"\x1B$@", kKanjiJis},
      {"\x82\xA0\x1B$B", kKanjiJis},                // even after Shift_JIS bytes
      {"ab\0\x1B$B"s, kKanjiEuc},                   // ESC after a NUL is not looked at
      {"a\x1B" "x\n", kKanjiEuc},                   // ESC alone is no sequence
      {"a\x1B", kKanjiEuc},
      // EUC-JP validity.
      {"\xA4\xA2\xA4\xA4\n", kKanjiEuc},
      {"\xA4\xA2\r\n", kKanjiSjis},                 // CR: always Shift_JIS
      {"\x8E\xB1\x8E\xDF\n", kKanjiEuc},            // half-width kana
      {"\x8E\x41\n", kKanjiSjis},
      {"\x8F\xB0\xA1\n", kKanjiEuc},                // JIS X 0212 prefix
      {"\xA4\x41\n", kKanjiSjis},                   // second byte out of range
      {"\x82\xA0\n", kKanjiSjis},                   // Shift_JIS hiragana
      {"\x88\x9F\n", kKanjiSjis},
      {"\xFF\n", kKanjiSjis},
      {"\xA0\xA1\n", kKanjiSjis},
      {"abc\xA4", kKanjiEuc},                       // the last byte is not checked
      {"abc\xFF", kKanjiEuc},
      {"\xA4\xA2\xA4", kKanjiEuc},
  };
  for (const Case& c : cases) EXPECT_EQ(Guess(c.bytes), c.code) << c.bytes;
}

// The marks come first, then JIS escapes, then well-formed UTF-8 before the
// CR rule; only the marks and multi-byte UTF-8 decide anything new.
TEST(KanjiDetect, UnicodeFiles) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    int code;
  } cases[] = {
      {"\xFF\xFE" "a\0\r\0"s, kKanjiUtf16},
      {"\xFE\xFF\0a"s, kKanjiUtf16},
      {"\xFF\xFE\x1B$B"s, kKanjiUtf16},             // the mark before the ESC test
      {"\xEF\xBB\xBF" "abc\r\n", kKanjiUtf8},     // a mark with ASCII only
      {"\xEF\xBB\xBF\x1B$B", kKanjiUtf8},
      {"\xE3\x81\x82\x1B$B", kKanjiJis},           // no mark: ESC first
      {"a\xE3\x81\x82\r\n", kKanjiUtf8},          // before the CR rule
      {"a\xE3\x81\x82\n", kKanjiUtf8},
      {"a\xE3\x81", kKanjiSjis},                     // the file ends inside a character
      {"a\xE3\x81" "b\n", kKanjiSjis},              // cut inside the sample: not UTF-8
      {"\xC2\xA1\xC2\xA2\n", kKanjiUtf8},          // 臓蔵 in EUC-JP reads as UTF-8
      {"\xC2\xA1\xA4\xA2\n", kKanjiEuc},           // ...but not in longer EUC-JP text
      {"\xE0\x80\x80\n", kKanjiSjis},               // overlong: not UTF-8
      {"\xB1\xB2\r\n", kKanjiSjis},                 // half-width kana in Shift_JIS
      {"\xFF\n", kKanjiSjis},
  };
  for (const Case& c : cases) EXPECT_EQ(Guess(c.bytes), c.code) << c.bytes;
}

// Text lines of exactly length ASCII bytes, ended by eol.
std::string AsciiLines(size_t length, const std::string& eol) {
  std::string text;
  while (text.size() < length) text += "plain text" + eol;
  text.resize(length);
  return text;
}

// The sample's last byte starts a character: the bytes after it finish the
// character before the code is decided, so a Shift_JIS or EUC-JP lead byte
// that could start UTF-8 does not make the file UTF-8.
TEST(KanjiDetect, CharacterCutByTheEndOfTheSample) {
  const size_t last = kKanjiSampleBytes - 1;
  const std::string crlf = AsciiLines(last, "\r\n"), lf = AsciiLines(last, "\n");
  struct Case {
    const char* name;
    std::string bytes;
    int code;
  } cases[] = {
      {"Shift_JIS half-width kana", crlf + "\xC3\r\n\x93\x8C\x8B\x9E\r\n", kKanjiSjis},  // ﾃ, then 東京
      {"Shift_JIS kanji", crlf + "\xE4\x40\r\n", kKanjiSjis},                         // 隋
      {"EUC-JP kanji", lf + "\xC5\xEC\xB5\xFE\n", kKanjiEuc},                          // 東京
      {"EUC-JP kanji, three-byte lead", lf + "\xE4\xA1\n", kKanjiEuc},                 // 筺
      {"UTF-8 finished after the sample", lf + "\xE3\x81\x82\n", kKanjiUtf8},         // あ
      {"UTF-8 cut one byte later", lf.substr(1) + "\xE3\x81\x82\n", kKanjiUtf8},
      {"file ending inside it, LF", lf + "\xC3", kKanjiEuc},
      {"file ending inside it, CR LF", crlf + "\xE3\x81", kKanjiSjis},
      {"a CR after the sample", lf + "\xC5\xEC\r\n", kKanjiEuc},  // only the character is read on
  };
  for (const Case& c : cases) EXPECT_EQ(Guess(c.bytes), c.code) << c.name;
}

// The rule written byte by byte, as the oracle for the memchr-based scan.
int GuessByteByByte(const std::string& s) {
  if (s.empty()) return kKanjiSjis;
  for (size_t i = 0; i + 1 < s.size() && s[i] != 0; ++i) {
    if (s[i] == '\x1B' && (s[i + 1] == '$' || s[i + 1] == '(')) return kKanjiJis;
  }
  if (s.find('\r') != std::string::npos) return kKanjiSjis;
  return IsEucJp(reinterpret_cast<const unsigned char*>(s.data()), s.size()) ? kKanjiEuc : kKanjiSjis;
}

TEST(KanjiDetect, AgreesWithTheByteByByteRule) {
  const char alphabet[] = {'\0', '\x1B', '$', '(', '\r', 'a', '\xA4'};
  unsigned seed = 7;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    seed = seed * 1103515245u + 12345u;
    for (unsigned n = (seed >> 16) % 9; n > 0; --n) {
      seed = seed * 1103515245u + 12345u;
      bytes += alphabet[(seed >> 16) % sizeof alphabet];
    }
    ASSERT_EQ(Guess(bytes), GuessByteByByte(bytes)) << round;
  }
}

TEST(KanjiDetect, DriveAndSettingComeFirst) {
  struct Case {
    const char* path;
    int setting;
    const char* drives;
    int code;
  } cases[] = {
      {"C:\\doc\\a.txt", kKanjiAuto, "cd", kKanjiEuc},
      {"d:\\a.txt", kKanjiSjis, "CD", kKanjiEuc},   // drive beats the setting
      {"D:\\a.txt", kKanjiJis, "cd", kKanjiEuc},
      {"E:\\a.txt", kKanjiAuto, "cd", kKanjiAuto},
      {"E:\\a.txt", kKanjiJis, "cd", kKanjiJis},
      {"E:\\a.txt", kKanjiSjis, "", kKanjiSjis},
      {"E:\\a.txt", kKanjiEuc, "", kKanjiEuc},
      {"\\\\server\\share\\a.txt", kKanjiAuto, "\\s", kKanjiAuto},  // no drive
      {"a.txt", kKanjiAuto, "a", kKanjiAuto},
      {"E:\\a.txt", kKanjiUtf8, "", kKanjiUtf8},
      {"E:\\a.txt", kKanjiUtf16, "", kKanjiUtf16},
      {"C:\\a.txt", 6, "", kKanjiAuto},              // out of range: automatic
      {"C:\\a.txt", -1, "", kKanjiAuto},
  };
  for (const Case& c : cases) EXPECT_EQ(ForcedKanjiCode(c.path, c.setting, c.drives), c.code) << c.path;
}

std::string Euc(std::string line) {
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  EucLineToSjis(buffer.data());
  return buffer.data();
}

std::string Jis(std::string line) {
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  JisLineToSjis(buffer.data());
  return buffer.data();
}

TEST(KanjiConvert, EucLines) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"abc 123\n", "abc 123\n"},
      {"\xA4\xA2\xA4\xA4\xA4\xA6", "あいう"},
      {"\xB4\xC1\xBB\xFA\n", "漢字\n"},
      {"\xA5\xB3\xA5\xF3\xA1\xBC", "コンー"},
      {"\xA3\xC1\xA3\xE1", "Ａａ"},
      {"\xB0\xA1\xF4\xA6", "亜熙"},                 // first and last of level 2
      {"\x8E\xB1\x8E\xDF", "\xB1\xDF"},             // half-width kana: one byte each
      {"\x8E" "a", "a"},                            // 0x8E without kana
      {"\x8E", ""},
      {"\x8F\xB0\xA1" "x", "亜x"},                  // JIS X 0212: the last two bytes
      {"\xA4" "a", "a"},                            // a lone first byte
      {"\xA4", ""},
      {"\x80\x8D\x90\xA0\xFF" "z", "z"},
      {"a\xB4\xC1" "b\xA4\xA2\r\n", "a漢bあ\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Euc(c.in), c.out) << c.in;
}

TEST(KanjiConvert, JisLines) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain\n", "plain\n"},
      {"\x1B$B$\"$$\x1B(B\n", "あい\n"},
      {"a\x1B$@4A;z\x1B(Jb", "a漢字b"},
      {"\x1B$B4A\x1B(B4A", "漢4A"},                 // ASCII again after ESC ( B
      // A kanji run that reaches the line end loses the line end only.
      {"\x1B$B4A;z\r\n", "漢字"},
      {"\x1B$B4A ;z", "漢字"},                      // a space in kanji mode goes
      {"\x1B$B4", ""},                              // half a kanji at the end
      // Half-width kana by escape or by SO/SI, and 8-bit kana.
      {"\x1B(I1_\x1B(Bx", "\xB1\xDF" "x"},
      {"\x0E" "1_\x0F" "1", "\xB1\xDF" "1"},
      {"\x0E" "\x20\x7F" "1", "\xB1"},              // 0xA0 and 0xFF are no kana
      {"\xB1\xDF", "\xB1\xDF"},
      {"\x82\xA0" "a", "\xA0" "a"},                 // a Shift_JIS lead byte goes
      // Escapes that switch nothing are ordinary bytes.
      {"\x1B" "x", "\x1B" "x"},
      {"\x1B$", "\x1B$"},
      {"\x1B(", "\x1B("},
      {"\x1B$A", "\x1B$A"},
      {"\x1B", "\x1B"},
  };
  for (const Case& c : cases) EXPECT_EQ(Jis(c.in), c.out) << c.in;
}

TEST(KanjiConvert, EveryLineStartsInAscii) {
  char line[64];
  std::strcpy(line, "\x1B$B4A");
  JisLineToSjis(line);
  std::strcpy(line, "4A");
  JisLineToSjis(line);
  EXPECT_STREQ(line, "4A");
}

TEST(KanjiConvert, JisRowCellToShiftJis) {
  EXPECT_EQ(JisToSjis(0x24, 0x22), 0x82A0);  // あ
  EXPECT_EQ(JisToSjis(0x30, 0x21), 0x889F);  // 亜
  EXPECT_EQ(JisToSjis(0x21, 0x21), 0x8140);  // full-width space
  EXPECT_EQ(JisToSjis(0x21, 0x60), 0x8180);  // skips trail 0x7F
  EXPECT_EQ(JisToSjis(0x5E, 0x7E), 0x9FFC);
  EXPECT_EQ(JisToSjis(0x5F, 0x21), 0xE040);
  EXPECT_EQ(JisToSjis(0x7E, 0x7E), 0xEFFC);
  // Every row/cell pair is a distinct double-byte character.
  std::set<uint16_t> seen;
  for (unsigned row = 0x21; row <= 0x7E; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
      const uint16_t code = JisToSjis(static_cast<unsigned char>(row), static_cast<unsigned char>(cell));
      ASSERT_TRUE(IsSjisLead(code >> 8) && IsSjisTrail(code & 0xFF)) << std::hex << row << " " << cell;
      seen.insert(code);
    }
  }
  EXPECT_EQ(seen.size(), 94u * 94u);
}

}  // namespace
}  // namespace zanto
