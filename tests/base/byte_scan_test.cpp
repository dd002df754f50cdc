#include "base/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zanto {
namespace {

size_t SlowCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// Every way of counting agrees with a byte-by-byte count, at every start
// alignment and for every length across the word and vector sizes. Bytes
// one bit from LF (0x0B, 0x8A, 0x0E) and the extremes 0x00 and 0xFF lie next
// to the line ends, and runs of all-LF bytes are long enough for the
// per-byte sums to reach their limits.
TEST(ByteScan, LineFeedCountsAgreeWithAByteByByteCount) {
  const std::string pieces[] = {
      "abc\r\ndef\r\n",
      std::string("\n\x0b\x8a\x0e\x00\xff\n", 7),
      std::string(300, 'x') + "\n",
      std::string(4097, '\n'),              // past 255 vectors and 31 or 63 words of sums
      "\x95\x5c\n\x82\xa0\x0a\x0a",         // double-byte text: no trail byte is LF
      std::string(64, '\x8a'),
  };
  std::string text;
  for (int round = 0; round < 3; ++round) {
    for (const std::string& p : pieces) text += p;
  }
  using Count = size_t (*)(const char*, size_t);
  const Count counts[] = {CountLineFeeds, byte_scan::CountLineFeedsByWords, byte_scan::CountLineFeedsByVector};
  for (Count count : counts) {
    for (size_t start = 0; start < 16; ++start) {
      for (size_t length = 0; start + length <= text.size(); length += length < 80 ? 1 : 397) {
        const std::string part = text.substr(start, length);
        ASSERT_EQ(count(text.data() + start, length), SlowCount(part)) << "start " << start << " length " << length;
      }
    }
  }
}

// Every way of finding a byte, or any byte of a set, returns the first one
// in the span, or null, at every start and length, for the bytes next to
// each other in the text and for a byte it lacks.
TEST(ByteScan, FindByteFindsTheFirstInTheSpan) {
  const std::string text = std::string("ab\ncd\x8a\x00\xff\x0b", 9) + std::string(40, 'x') + "\x8a\n" +
                           std::string(17, '\xff') + "\x95\x5c" + std::string(33, '\0') + "\n";
  using Find = const char* (*)(const char*, size_t, char);
  using FindAny = const char* (*)(const char*, size_t, const ByteSet&);
  const Find finds[] = {FindByte, byte_scan::FindByteByWords, byte_scan::FindByteByVector};
  const FindAny findAnys[] = {FindAnyByte, byte_scan::FindAnyByteBytewise, byte_scan::FindAnyByteByVector};
  const std::string sets[] = {"\n", "\x8a", std::string(1, '\0'), "\xff", "\x5c", "y", "y\x5c",
                              std::string("\x0b\x95\x00\x8a", 4), "yzw\x01\x02\x03\x04\xff"};
  for (const std::string& wanted : sets) {
    ByteSet set{static_cast<int>(wanted.size()), {}};
    std::copy(wanted.begin(), wanted.end(), set.values);
    for (size_t start = 0; start < text.size(); ++start) {
      for (size_t length = 0; start + length <= text.size(); ++length) {
        const size_t at = text.substr(start, length).find_first_of(wanted);
        const char* want = at == std::string::npos ? nullptr : text.data() + start + at;
        for (FindAny find : findAnys) ASSERT_EQ(find(text.data() + start, length, set), want) << "start " << start;
        if (wanted.size() > 1) continue;
        for (Find find : finds) {
          ASSERT_EQ(find(text.data() + start, length, wanted[0]), want)
              << "byte " << int(static_cast<unsigned char>(wanted[0])) << " start " << start << " length " << length;
        }
      }
    }
  }
}

// The first place where a string starts, or where the span's last bytes
// begin one, by trying every place.
size_t SlowFindShortString(const std::string& span, const std::vector<std::string>& strings) {
  for (size_t at = 0; at < span.size(); ++at) {
    for (const std::string& s : strings) {
      if (span.compare(at, s.size(), s, 0, std::min(s.size(), span.size() - at)) == 0) return at;
    }
  }
  return span.size();
}

// The vector way and the way by keys find the first string at every start
// and length, so at every place in and across the vector's blocks: strings
// cut by the end of the span, keys and first bytes alone, and a longer
// string that starts before a shorter one but has its key after it. The
// sets are UTF-8 forms (key last), UTF-16LE forms (key first) and mixed
// lengths.
TEST(ByteScan, FindShortStringFindsTheFirstInTheSpan) {
  struct Set {
    std::vector<std::string> strings;
    std::vector<size_t> keyAt;
  } sets[] = {
      {{"\xE3\x83\x9E"}, {2}},                                   // one kana
      {{"\xE3\x80\x9C", "\xEF\xBD\x9E"}, {2, 2}},               // the two code points of one character
      {{"\x1C\x30", "\x5E\xFF"}, {0, 0}},                         // UTF-16LE units
      {{"a", "\xC3\xA9", "\xE3\x81\x82", "\x82"}, {0, 1, 2, 0}},  // 1, 2 and 3 bytes
      {{"x\x80\x82", "\x80"}, {2, 0}},                              // the later key starts first
  };
  const std::string text = std::string("\xE3\x83\x9E\xE3\x81\x82 \xE3\x83\xE3\x83\x9E\x9E\x9E\x83\x9E") +
                           std::string(20, 'b') + "\xE3\x80\x9C\xEF\xBD\x9E" + "x\x80\x82" + "a\xC3\xA9" +
                           std::string("\x1C\x30\x1C\x30\x5E\xFF", 6) + std::string(40, 'd') + "\xE3\x81\x82\xE3\x83";
  using Find = const char* (*)(const char*, size_t, const ShortStrings&);
  const Find finds[] = {FindShortString, byte_scan::FindShortStringByKeys, byte_scan::FindShortStringByVector};
  for (const Set& set : sets) {
    ShortStrings strings;
    for (size_t k = 0; k < set.strings.size(); ++k) {
      const std::string& s = set.strings[k];
      ASSERT_TRUE(AddShortString(&strings, reinterpret_cast<const uint8_t*>(s.data()), s.size(), set.keyAt[k]));
    }
    for (size_t start = 0; start < text.size(); ++start) {
      for (size_t length = 0; start + length <= text.size(); ++length) {
        const size_t at = SlowFindShortString(text.substr(start, length), set.strings);
        const char* want = at == length ? nullptr : text.data() + start + at;
        for (Find find : finds) {
          ASSERT_EQ(find(text.data() + start, length, strings), want)
              << "set " << set.strings[0] << " start " << start << " length " << length;
        }
      }
    }
  }
  ShortStrings full;
  const uint8_t one = 'a';
  for (int k = 0; k < kMaxShortStrings; ++k) ASSERT_TRUE(AddShortString(&full, &one, 1, 0));
  EXPECT_FALSE(AddShortString(&full, &one, 1, 0));
}

}  // namespace
}  // namespace zanto
