#include "base/sjis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zanto {
namespace {

// 表 is 0x95 0x5C: its trail byte is a backslash.
const std::string kHyo = "\x95\x5C";

TEST(SjisCut, TruncateNeverSplitsADoubleByteCharacter) {
  struct Case {
    std::string text;
    size_t limit;
    std::string want;
  } cases[] = {
      {"abcdefg", 5, "abcde"},
      {"abcd" + kHyo + "x", 5, "abcd"},          // fifth byte is a lead byte
      {"abcd" + kHyo + "x", 6, "abcd" + kHyo},
      {"ab", 10, "ab"},                          // shorter: unchanged
      {kHyo + kHyo, 3, kHyo},
      {"", 4, ""},
      {"abc", 0, ""},
  };
  for (const Case& c : cases) {
    char buf[32];
    std::strcpy(buf, c.text.c_str());
    size_t n = TruncateText(buf, c.limit);
    EXPECT_EQ(buf, c.want) << c.text << " / " << c.limit;
    EXPECT_EQ(n, c.want.size());
  }
}

// A count, not a NUL-terminated cut: the bytes may hold NULs of their own.
TEST(SjisCut, WholeCharLengthLeavesOutAHalfCharacter) {
  struct Case {
    std::string bytes;
    size_t limit;
    size_t want;
  } cases[] = {
      {"abcdefg", 5, 5},
      {"abcd" + kHyo + "x", 5, 4},  // the fifth byte starts 表
      {"abcd" + kHyo + "x", 6, 6},
      {kHyo + kHyo, 3, 2},
      {std::string("a\0b", 3), 3, 3},
      {"abc", 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(WholeCharLength(c.bytes.data(), c.limit), c.want) << c.bytes << " / " << c.limit;
}

TEST(SjisCut, CopyAndAppendStayWithinCapacity) {
  char buf[6];
  std::memset(buf, 'Z', sizeof buf);
  EXPECT_EQ(CopyText(buf, sizeof buf, ("abcd" + kHyo).c_str()), 4u);  // 表 would need bytes 5,6 + NUL
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(AppendText(buf, sizeof buf, "xyz"), 5u);
  EXPECT_STREQ(buf, "abcdx");
  EXPECT_EQ(AppendText(buf, sizeof buf, "q"), 5u);  // full: nothing more fits
  EXPECT_EQ(CopyText(buf, sizeof buf, kHyo.c_str()), 2u);
  EXPECT_EQ(std::string(buf), kHyo);
}

}  // namespace
}  // namespace zanto
