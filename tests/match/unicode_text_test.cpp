#include "base/unicode_text.h"

#include <gtest/gtest.h>

#include <string>

#include "base/sjis.h"
#include "base/unicode_table.h"

namespace zanto {
namespace {

using namespace std::string_literals;

struct Converted {
  std::string text;
  UnicodeStep step;
};

Converted Convert(UnicodeForm form, const std::string& in, bool final = true, size_t room = 64) {
  std::string out(room, '?');
  const UnicodeStep step = ConvertUnicodeLine(form, reinterpret_cast<const unsigned char*>(in.data()), in.size(),
                                              final, out.data(), room);
  return {out.substr(0, step.written), step};
}

TEST(UnicodeConvert, Utf8Lines) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"abc\r\nnext", "abc\r\n"},                        // up to the line end
      {"\xE3\x81\x82\xE6\xBC\xA2\xE5\xAD\x97", "あ漢字"},
      {"\xEF\xBD\xB6\xEF\xBE\x9E", "\xB6\xDE"},          // half-width kana: one byte each
      {"\xEF\xBF\xA5\xEF\xBD\x9E", "￥～"},
      // Characters Shift_JIS lacks: 〓, never a look-alike.
      {"\xC3\xBC" "\xC2\xA5" "\xF0\x9F\x98\x80" "\xEF\xBB\xBF", "〓〓〓〓"},
      // Malformed bytes go: overlong, surrogate, stray continuation, past U+10FFFF.
      {"a\xC0\xAF" "b\xED\xA0\x80" "c\x80\xFF" "d\xF4\x90\x80\x80" "e", "abcde"},
      {"\xE3\x81" "x", "x"},                              // a sequence cut by a byte that cannot go on
      {"\xE3\x81", ""},                                  // cut by the end of the file
      {"a\0b"s, "a\0b"s},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(UnicodeForm::Utf8, c.in).text, c.out) << c.in;
}

TEST(UnicodeConvert, Utf16Lines) {
  struct Case {
    UnicodeForm form;
    std::string in, out;
  } cases[] = {
      {UnicodeForm::Utf16Le, "a\0\r\0\n\0b\0"s, "a\r\n"},
      {UnicodeForm::Utf16Be, "\0a\0\r\0\n\0b"s, "a\r\n"},
      {UnicodeForm::Utf16Le, "\x42\x30\x22\x6F\x76\xFF"s, "あ漢\xB6"},
      {UnicodeForm::Utf16Be, "\x30\x42\x6F\x22\xFF\x76"s, "あ漢\xB6"},
      {UnicodeForm::Utf16Le, "\xFC\0"s, "〓"},                             // ü
      {UnicodeForm::Utf16Le, "\x3D\xD8\x00\xDE"s, "〓"},                    // a surrogate pair
      {UnicodeForm::Utf16Le, "\x00\xDEx\0\x3D\xD8y\0"s, "xy"},              // lone surrogates go
      {UnicodeForm::Utf16Le, "x\0y"s, "x"},                                 // an odd last byte goes
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(c.form, c.in).text, c.out) << c.in;
}

// A character is written whole or waited for: never split by the room left
// or by the end of the bytes at hand.
TEST(UnicodeConvert, CharactersAreNeverSplit) {
  const std::string text = "a\xE3\x81\x82" "b";  // aあb
  struct Case {
    UnicodeForm form;
    std::string in;
    bool final;
    size_t room;
    std::string out;
    size_t read;
    bool full, cut;
  } cases[] = {
      {UnicodeForm::Utf8, text, true, 2, "a", 1, true, false},
      {UnicodeForm::Utf8, text, true, 3, "aあ", 4, true, false},
      {UnicodeForm::Utf8, text, true, 4, "aあb", 5, false, false},
      {UnicodeForm::Utf8, text.substr(0, 3), false, 8, "a", 1, false, true},
      {UnicodeForm::Utf8, text.substr(0, 3), true, 8, "a", 3, false, false},
      {UnicodeForm::Utf16Le, "a\0\x3D\xD8\x00"s, false, 8, "a", 2, false, true},
      {UnicodeForm::Utf16Le, "a\0\x3D\xD8\x00"s, true, 8, "a", 5, false, false},
  };
  for (const Case& c : cases) {
    const Converted got = Convert(c.form, c.in, c.final, c.room);
    EXPECT_EQ(got.text, c.out) << c.in << " " << c.room;
    EXPECT_EQ(got.step.read, c.read) << c.in << " " << c.room;
    EXPECT_EQ(got.step.full, c.full) << c.in << " " << c.room;
    EXPECT_EQ(got.step.cut, c.cut) << c.in << " " << c.room;
  }
}

TEST(UnicodeConvert, TableIsSortedAndHoldsOnlyShiftJisCharacters) {
  ASSERT_GT(kUnicodeToSjisCount, 7000u);
  for (size_t i = 0; i < kUnicodeToSjisCount; ++i) {
    const uint32_t entry = kUnicodeToSjis[i];
    if (i > 0) {
      ASSERT_GT(entry >> 16, kUnicodeToSjis[i - 1] >> 16) << i;
    }
    const unsigned code = entry & 0xFFFF;
    if (code < 0x100) {
      ASSERT_TRUE(code >= 0xA1 && code <= 0xDF) << std::hex << entry;
    } else {
      ASSERT_TRUE(IsSjisLead(code >> 8) && IsSjisTrail(code & 0xFF)) << std::hex << entry;
    }
    ASSERT_EQ(UnicodeToSjis(entry >> 16), code) << std::hex << entry;
  }
}

TEST(UnicodeConvert, MarksAndByteOrder) {
  struct Case {
    UnicodeForm form;
    std::string bytes;
    size_t mark;
  } cases[] = {
      {UnicodeForm::Utf8, "\xEF\xBB\xBF" "a", 3}, {UnicodeForm::Utf8, "\xEF\xBB", 0},
      {UnicodeForm::Utf16Le, "\xFF\xFE", 2},      {UnicodeForm::Utf16Le, "\xFE\xFF", 0},
      {UnicodeForm::Utf16Be, "\xFE\xFF", 2},      {UnicodeForm::Utf16Be, "\xFF", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnicodeMarkLength(c.form, reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()),
              c.mark)
        << c.bytes;
  }
  const unsigned char big[] = {0xFE, 0xFF}, little[] = {0xFF, 0xFE}, none[] = {'a', 0};
  EXPECT_EQ(Utf16FormOf(big, 2), UnicodeForm::Utf16Be);
  EXPECT_EQ(Utf16FormOf(little, 2), UnicodeForm::Utf16Le);
  EXPECT_EQ(Utf16FormOf(none, 2), UnicodeForm::Utf16Le);
  EXPECT_EQ(Utf16FormOf(big, 1), UnicodeForm::Utf16Le);
}

}  // namespace
}  // namespace zanto
