#include "search/result_output.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/settings.h"
#include "match/line_matcher.h"
#include "support/fake_host.h"
#include "support/test_output.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::FakeHost;
using test::TempDir;

class ResultOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSettings = SearchSettings{};
    ASSERT_TRUE(Output().PrepareBuffer());
  }
  void TearDown() override { Output().Close(); }

  // The collected text, as the clipboard receives it.
  std::string Collected() {
    Output().CopyToClipboard();
    return host.clipboard;
  }

  FakeHost host;
  TempDir dir;
};

// What one WriteResultLine call writes under a set of options.
struct LineCase {
  const char* name;
  void (*configure)(SearchSettings&);
  std::string line;
  const char* path;
  unsigned long number;
  char sign;
  std::vector<size_t> marks;
  std::string want;
};

TEST_F(ResultOutputTest, LineFormats) {
  const LineCase cases[] = {
      // Prefixes by output mode.
      {"no prefix", [](SearchSettings&) {}, "text\r\n", "a.txt", 12, ':', {}, "text\r\n"},
      {"file prefix", [](SearchSettings& s) { s.PrintFile = 1; }, "text\r\n", "a.txt", 12, ':', {},
       "a.txt 12:text\r\n"},
      {"file prefix, before sign", [](SearchSettings& s) { s.PrintFile = 1; }, "ctx\r\n", "a.txt", 11, '<', {},
       "a.txt 11<ctx\r\n"},
      {"file prefix, quoted path", [](SearchSettings& s) { s.PrintFile = 1; }, "text\r\n", "my dir\\a.txt", 3,
       ':', {}, "\"my dir\\a.txt\" 3:text\r\n"},
      {"heading text on its own line",
       [](SearchSettings& s) {
         s.PrintFile = 1;
         s.Midashi = 1;
         strcpy(s.StrMidashi, "■");
       },
       "text\r\n", "a.txt", 7, ':', {}, "■ a.txt 7:\r\ntext\r\n"},
      {"context sign", [](SearchSettings& s) { s.Zengo = s.ZengoSign = s.PrintFile = 1; }, "ctx\r\n", "a.txt",
       4, '>', {}, "> ctx\r\n"},
      {"context without sign", [](SearchSettings& s) { s.Zengo = s.PrintFile = 1; }, "ctx\r\n", "a.txt", 4, '>',
       {}, "ctx\r\n"},
      {"block sign wins over context",
       [](SearchSettings& s) { s.BlockOut = s.BlockSign = s.Zengo = s.ZengoSign = s.PrintFile = 1; }, "x\r\n",
       "a.txt", 4, '<', {}, "< x\r\n"},
      {"block without sign", [](SearchSettings& s) { s.BlockOut = s.ZengoSign = 1; }, "x\r\n", "a.txt", 4, '<',
       {}, "x\r\n"},
      // Line ends: one LF, then one CR.
      {"bare LF", [](SearchSettings&) {}, "text\n", "a", 1, ':', {}, "text\r\n"},
      {"no line end", [](SearchSettings&) {}, "text", "a", 1, ':', {}, "text\r\n"},
      {"two LFs keep one", [](SearchSettings&) {}, "text\n\n", "a", 1, ':', {}, "text\n\r\n"},
      // Clean-up.
      {"leading blanks removed", [](SearchSettings& s) { s.DelSp = 1; }, " \t text\r\n", "a", 1, ':', {},
       "text\r\n"},
      {"full-width space is no blank", [](SearchSettings& s) { s.DelSp = 1; }, "\x81\x40x\r\n", "a", 1, ':', {},
       "\x81\x40x\r\n"},
      {"tabs to spaces", [](SearchSettings& s) { s.TabToSpace = 1; }, "\ta\tb\t\r\n", "a", 1, ':', {},
       " a b \r\n"},
      // Match marks.
      {"marks", [](SearchSettings& s) { s.MatchStr = 1, strcpy(s.MatchString, "[*]"); }, "abcdef\r\n", "a", 1,
       ':', {0, 3}, "[*]abc[*]def\r\n"},
      {"mark past the end",
       [](SearchSettings& s) { s.MatchStr = 1, strcpy(s.MatchString, "!"); }, "ab\r\n", "a", 1, ':', {2},
       "ab!\r\n"},
      {"marks only on matching lines",
       [](SearchSettings& s) { s.MatchStr = 1, strcpy(s.MatchString, "!"); }, "ab\r\n", "a", 1, '<', {0}, "ab\r\n"},
      {"mark after removed indentation",
       [](SearchSettings& s) {
         s.MatchStr = s.DelSp = 1;
         strcpy(s.MatchString, "!");
       },
       "\t  key\r\n", "a", 1, ':', {3}, "!key\r\n"},
      {"marks with tabs to spaces and a prefix",
       [](SearchSettings& s) {
         s.MatchStr = s.TabToSpace = s.PrintFile = 1;
         strcpy(s.MatchString, "<<");
       },
       "a\tb\r\n", "f b", 9, ':', {2}, "\"f b\" 9:a <<b\r\n"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    gSettings = SearchSettings{};
    c.configure(gSettings);
    MatchMarks marks = {};
    for (size_t m : c.marks) marks.at[m] = 1;
    ASSERT_TRUE(Output().PrepareBuffer());
    char line[kLineBuffer];
    strcpy(line, c.line.c_str());
    Output().WriteLine(line, c.path, c.number, c.sign, &marks);
    host.clipboard.clear();
    EXPECT_EQ(Collected(), c.want);
  }
}

TEST_F(ResultOutputTest, QuotePathOnlyForSpaces) {
  EXPECT_STREQ(QuotePath("c:\\a\\b.txt").text, "c:\\a\\b.txt");
  EXPECT_STREQ(QuotePath("c:\\my docs\\b.txt").text, "\"c:\\my docs\\b.txt\"");
  // A path too long for the buffer is cut, never written past it.
  std::string longPath(400, 'x');
  longPath[10] = ' ';
  const QuotedPath held = QuotePath(longPath.c_str());
  const char* quoted = held.text;
  EXPECT_LT(strlen(quoted), kQuotedPath);
  EXPECT_EQ(quoted[0], '"');
  EXPECT_EQ(quoted[strlen(quoted) - 1], '"');
}

TEST_F(ResultOutputTest, FormattedTextIsCutAtACharacterBoundary) {
  std::string wide;
  for (int i = 0; i < 700; ++i) wide += "\x82\xa0";  // あ
  Output().WriteFormat("xy%s", wide.c_str());
  std::string got = Collected();
  ASSERT_EQ(got.size(), 1022u);  // "xy" and 510 whole characters; byte 1023 was a lead byte
  EXPECT_EQ(got.substr(got.size() - 2), "\x82\xa0");
}

// Only the buffer bounds a formatted text; a file takes it whole, so a long
// synonym keeps its count and its line end.
TEST_F(ResultOutputTest, FormattedTextGoesToAFileWhole) {
  std::string word;
  for (int i = 0; i < 600; ++i) word += "\x82\xa0";  // あ
  ASSERT_TRUE(Output().OpenFile((dir / "out.txt").c_str(), false));
  Output().WriteFormat("** %s=%d\r\n", word.c_str(), 1);
  Output().WriteFormat("%s\r\n", "next");
  Output().Close();
  EXPECT_EQ(dir.Read("out.txt"), "** " + word + "=1\r\nnext\r\n");
}

TEST_F(ResultOutputTest, EmptyResultLeavesTheClipboardAlone) {
  Output().CopyToClipboard();
  EXPECT_EQ(host.clipboardCopies, 0);
}

TEST_F(ResultOutputTest, ChunksAreJoinedForTheClipboard) {
  std::string line(98, 'a');
  line += "\r\n";
  std::string want;
  for (int i = 0; i < 2000; ++i) {
    Output().WriteText(line.c_str());
    want += line;
  }
  EXPECT_FALSE(Output().Overflow());
  EXPECT_EQ(Collected(), want);
  EXPECT_EQ(host.clipboardCopies, 1);
  // The next run starts empty again with the kept first chunk.
  ASSERT_TRUE(Output().PrepareBuffer());
  Output().WriteText("next\r\n");
  host.clipboard.clear();
  EXPECT_EQ(Collected(), "next\r\n");
}

// 614 lines of 100 bytes fill a chunk (the 615th would reach 61440), so the
// buffer holds 20 x 614 lines and then the notice, whichever writer is used.
TEST_F(ResultOutputTest, OverflowEndsTheTextWithTheNotice) {
  struct Writer {
    const char* name;
    void (*write)(const std::string&);
  } writers[] = {
      {"text", [](const std::string& s) { Output().WriteText(s.c_str()); }},
      {"format", [](const std::string& s) { Output().WriteFormat("%s", s.c_str()); }},
  };
  std::string line(98, 'q');
  line += "\r\n";
  constexpr int kLinesThatFit = 20 * 614;
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.name);
    ASSERT_TRUE(Output().PrepareBuffer());
    for (int i = 0; i < kLinesThatFit + 50; ++i) w.write(line);
    EXPECT_TRUE(Output().Overflow());
    Output().WriteFormat("検索総行数  %lu 行\r\n", 5ul);
    char tail[] = "more\r\n";
    Output().WriteLine(tail, "a", 1, ':');
    std::string got = Collected();
    ASSERT_EQ(got.size(), kLinesThatFit * line.size() + kOverflowNoticeLength);
    EXPECT_EQ(got.substr(got.size() - kOverflowNoticeLength), kOverflowNotice);
    EXPECT_EQ(got.substr(0, line.size()), line);
    host.clipboard.clear();
  }
}

TEST_F(ResultOutputTest, OverlongTextIsCutIntoOneChunk) {
  std::string huge;
  for (int i = 0; i < 40000; ++i) huge += "\x82\xa0";
  Output().WriteText(huge.c_str());
  Output().WriteText("end");
  std::string got = Collected();
  EXPECT_EQ(got.size(), kResultChunkFill - 2 + 3);  // 61438 bytes of whole characters, then "end"
  EXPECT_EQ(got.substr(got.size() - 5), "\x82\xa0" "end");
}

TEST_F(ResultOutputTest, OutputFileReplacedOrAppended) {
  const std::string path = dir / "out.txt";
  struct Case {
    bool append;
    bool exists;
    std::string want;
  } cases[] = {
      {false, true, "new\r\n7 lines\r\n"},
      {true, true, "old\r\nnew\r\n7 lines\r\n"},
      {true, false, "new\r\n7 lines\r\n"},
      {false, false, "new\r\n7 lines\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "append " << c.append << " exists " << c.exists);
    std::remove(path.c_str());
    if (c.exists) dir.Write("out.txt", "old\r\n");
    ASSERT_TRUE(Output().OpenFile(path.c_str(), c.append));
    Output().WriteText("new\r\n");
    Output().WriteFormat("%d lines\r\n", 7);
    Output().Close();
    EXPECT_EQ(dir.Read("out.txt"), c.want);
    // A run that wrote to a file leaves the clipboard alone.
    Output().CopyToClipboard();
    EXPECT_EQ(host.clipboardCopies, 0);
  }
  EXPECT_FALSE(Output().OpenFile((dir / "missing\\dir\\out.txt").c_str(), false));
}

TEST_F(ResultOutputTest, LargeOutputFileIsWrittenWhole) {
  const std::string path = dir / "big.txt";
  ASSERT_TRUE(Output().OpenFile(path.c_str(), false));
  std::string want;
  for (int i = 0; i < 30000; ++i) {
    Output().WriteFormat("line %d\r\n", i);
    want += "line " + std::to_string(i) + "\r\n";
  }
  Output().Close();
  EXPECT_EQ(dir.Read("big.txt"), want);
}

}  // namespace
}  // namespace zanto
