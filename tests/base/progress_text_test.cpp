#include "base/progress_text.h"

#include <gtest/gtest.h>

#include <string>

namespace zanto {
namespace {

// The progress dialog's file line: a plain file, an archive while it is
// unpacked, and one of its members.
TEST(ProgressText, FileLines) {
  struct Case {
    FileReport file;
    std::string want;
  } cases[] = {
      {{"a.txt", 3, 12, 0, false}, "a.txt       ( 3/12)"},
      {{"arc.lzh", 4, 12, 0, true}, "arc.lzh     ( 4/12)解凍中"},
      {{"m.txt", 4, 12, 7, false}, "m.txt       ( 4- 7/12)"},
      {{"a-long-name.text", 100, 100, 0, false}, "a-long-name.text(100/100)"},
  };
  for (const Case& c : cases) {
    char line[kFileLineBuffer];
    FormatFileLine(c.file, line, sizeof line);
    EXPECT_EQ(line, c.want) << c.file.name;
  }
  char line[kDirectoryLineBuffer];
  FormatDirectoryLine("", line, sizeof line);
  EXPECT_STREQ(line, "") << "no directory, no prefix";
}

}  // namespace
}  // namespace zanto
