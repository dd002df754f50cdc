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

}  // namespace
}  // namespace zanto
