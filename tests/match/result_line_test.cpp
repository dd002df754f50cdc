#include "match/result_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zanto {
namespace {

// Each case is a piece of result text; the last line is the one looked at.
struct Case {
  std::vector<std::string> lines;
  const char* path;  // nullptr: not a result line
  unsigned long line;
};

TEST(ResultLine, TargetOfEveryLineForm) {
  const Case cases[] = {
      {{"===== C:\\doc\\a.txt ====="}, "C:\\doc\\a.txt", 1},
      {{"===== C:\\ext\\1\\m.txt(C:\\arc\\x.lzh) ====="}, "C:\\ext\\1\\m.txt", 1},
      {{"===== data (old)\\b.txt ====="}, "data (old)\\b.txt", 1},
      {{"*** \"my docs\\c.txt\"  120 行中 マッチした数 2(5)  ファイル(1/3)S"}, "my docs\\c.txt", 1},
      {{"a.txt 12:猫がいる"}, "a.txt", 12},
      {{"sub\\a.txt 7<before"}, "sub\\a.txt", 7},
      {{"sub\\a.txt 9>after: 3:x"}, "sub\\a.txt", 9},
      {{"\"C:\\my docs\\a b.txt\" 345:text with \"quotes\" 1:"}, "C:\\my docs\\a b.txt", 345},
      {{"\"C:\\my docs\\a b.txt\" 40"}, "C:\\my docs\\a b.txt", 40},  // context header
      // Trail byte 0x5C: 表 is 95 5C, ソ is 83 5C.
      {{"表\\ソ.txt 3:表示"}, "表\\ソ.txt", 3},
      {{"\"C:\\表 ソ\\能.txt\" 8:x"}, "C:\\表 ソ\\能.txt", 8},
      {{"■ 表\\a.txt 21:"}, "表\\a.txt", 21},
      {{"list dir\\a.txt\t3 15 27 "}, "list dir\\a.txt", 3},
      {{"dir\\my a.txt", "4", "19"}, "dir\\my a.txt", 19},
      {{"dir\\a.txt"}, "dir\\a.txt", 1},
      // A matched line whose text holds a tab and numbers is still a prefix.
      {{"data.tsv 1:東京\t123"}, "data.tsv", 1},
      {{"data.tsv 7:\t1 2 "}, "data.tsv", 7},
      // Parentheses end a file's own name unless they hold a shortcut or
      // an archive.
      {{"===== memo(2) ====="}, "memo(2)", 1},
      {{"===== C:\\doc\\a(old).txt(C:\\desk\\a.LNK) ====="}, "C:\\doc\\a(old).txt", 1},
      {{"===== x\\(1)(y.Lzh) ====="}, "x\\(1)", 1},
      // Not result lines.
      {{"検索総行数  1234 行"}, nullptr, 0},
      {{"skip C:\\a.exe is binary"}, nullptr, 0},
      {{"解凍できません(C:\\x.lzh)"}, nullptr, 0},
      {{"** 猫=3"}, nullptr, 0},
      {{"途中で中止しました"}, nullptr, 0},
      {{"吾輩は猫である。名前はまだ無い。"}, nullptr, 0},
      {{"■ a.txt 21:text after the prefix"}, nullptr, 0},
      {{"a.txt 1234567890:too long a number"}, nullptr, 0},
      {{"*", "12"}, nullptr, 0},
      {{""}, nullptr, 0},
      {{"\"unclosed 3:x"}, nullptr, 0},
      {{"x.txt 3:" + std::string(300, 'a'), "\"" + std::string(kMaxPath + 1, 'a') + "\" 3:x"}, nullptr, 0},
  };
  for (const Case& c : cases) {
    std::vector<const char*> lines;
    for (const std::string& s : c.lines) lines.push_back(s.c_str());
    ResultTarget target = {};
    const bool found = FindResultTarget(lines.data(), lines.size(), lines.size() - 1, &target);
    SCOPED_TRACE(c.lines.back());
    ASSERT_EQ(found, c.path != nullptr);
    if (found) {
      EXPECT_STREQ(target.path, c.path);
      EXPECT_EQ(target.line, c.line);
    }
  }
}

// A line of an archive member's file names the archive through the heading
// above it, whose first path is the member as it was extracted.
TEST(ResultLine, MemberLinesNameTheirArchive) {
  const std::string heading = "===== C:\\t\\$ZANTO$.TMP\\arc.0A1B2C3D\\d\\m.txt(C:\\arc.lzh) =====";
  const std::string member = "C:\\t\\$ZANTO$.TMP\\arc.0A1B2C3D\\d\\m.txt";
  struct Case {
    std::vector<std::string> lines;
    const char* archive;  // "": a plain file
  } cases[] = {
      {{heading}, "C:\\arc.lzh"},
      {{heading, member + " 3:猫"}, "C:\\arc.lzh"},
      {{heading, member + " 3:猫", member + " 4<犬", "*** " + member + "  9 行中 マッチした数 1(1)  ファイル(1-1/1)S"},
       "C:\\arc.lzh"},
      {{heading, "===== a.txt =====", "a.txt 2:猫"}, ""},
      {{heading, "a.txt 2:猫"}, ""},
      {{"===== m.txt(C:\\m.lnk) =====", "m.txt 2:猫"}, ""},
      {{member + " 3:猫"}, ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> lines;
    for (const std::string& s : c.lines) lines.push_back(s.c_str());
    ResultTarget target = {};
    SCOPED_TRACE(c.lines.back());
    ASSERT_TRUE(FindResultTarget(lines.data(), lines.size(), lines.size() - 1, &target));
    EXPECT_STREQ(target.archive, c.archive);
  }
}

}  // namespace
}  // namespace zanto
