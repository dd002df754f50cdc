#include "base/name_compare.h"

#include <gtest/gtest.h>

namespace zanto {
namespace {

// ア is 83 41 and ヂ is 83 61: their trail bytes are the letters A and a.
constexpr char kA[] = "\x83\x41";
constexpr char kDi[] = "\x83\x61";

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

TEST(NameCompare, FoldsSingleByteLettersOnly) {
  struct Case {
    std::string a, b;
    int order;  // sign of CompareNoCase(a, b)
  } cases[] = {
      {"readme.TXT", "README.txt", 0},
      {"abc", "abd", -1},
      {"b", "A", 1},
      {"ab", "abc", -1},
      {"", "", 0},
      // Folded letters order as small letters: "_" (0x5F) lies before them.
      {"_", "a", -1},
      {"_", "A", -1},
      // Double-byte characters compare exactly, trail bytes unfolded.
      {kA, kDi, -1},
      {kDi, kA, 1},
      {std::string("x.") + kA, std::string("X.") + kA, 0},
      // A lead byte at the very end is a single byte.
      {"\x83", "\x83", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareNoCase(c.a.c_str(), c.b.c_str())), c.order) << c.a << " / " << c.b;
    EXPECT_EQ(Sign(CompareNoCase(c.b.c_str(), c.a.c_str())), -c.order) << c.b << " / " << c.a;
    EXPECT_EQ(SameNoCase(c.a.c_str(), c.b.c_str()), c.order == 0) << c.a << " / " << c.b;
  }
}

TEST(NameCompare, LimitAndPaths) {
  EXPECT_EQ(CompareNoCase("[Search]x", "[search]y", 8), 0);
  EXPECT_NE(CompareNoCase("[Search]x", "[search]y", 9), 0);
  // A limit that ends inside a double-byte character compares its lead only.
  EXPECT_EQ(CompareNoCase(kA, kDi, 1), 0);

  EXPECT_TRUE(SamePath("C:\\Dir/Out.txt", "c:/dir\\OUT.TXT"));
  EXPECT_FALSE(SamePath("C:\\dir\\out.txt", "C:\\dir\\out.txt2"));
  // 表 (95 5C) holds a backslash as its trail byte; it is no separator.
  EXPECT_FALSE(SamePath("\x95\x5C", "\x95/"));
  EXPECT_FALSE(SamePath(kA, kDi));
}

}  // namespace
}  // namespace zanto
