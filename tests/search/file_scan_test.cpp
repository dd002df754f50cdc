// The file scan and the search run over real files: every case builds its
// files in a fresh folder, runs a search and compares the whole result.
#include "search/file_scan.h"
#include "search/match_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/path.h"
#include "files/targets.h"
#include "match/expression.h"
#include "search/line_history.h"
#include "search/line_reader.h"
#include "search/prepared_search.h"
#include "search/search_options.h"
#include "search/result_output.h"
#include "search/scan_match.h"
#include "search/search_run.h"
#include "search/settings_io.h"
#include "support/test_output.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::FakeHost;
using test::TempDir;

struct File {
  std::string name;
  std::string bytes;
};

// Replaces every "{D}" by the folder (with its separator).
std::string Expand(std::string text, const std::string& dir) {
  for (size_t at; (at = text.find("{D}")) != std::string::npos;) text.replace(at, 3, dir);
  return text;
}

// "prefix1\r\n" ... "prefixN\r\n" for lines from..to.
std::string Lines(int from, int to, const std::string& prefix = "line ") {
  std::string out;
  for (int i = from; i <= to; ++i) out += prefix + std::to_string(i) + "\r\n";
  return out;
}

void StartSettings() {
  FreeBlockSets();
  gSettings = SearchSettings{};
  ASSERT_TRUE(AllocateBlockSets());
  gSettings.KanjiCode = 1;
  gSettings.BlockLine = 100;
  gSettings.LzhSearch = 1;
  gSettings.ZengoLine = gSettings.ZengoLine2 = 1;
  gAbortRequested = 0;
  gPauseRequested = 0;
}

struct RunCase {
  const char* name;
  void (*configure)(SearchSettings&);
  std::vector<File> files;
  const char* search;
  const char* field;
  std::string want;
};

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override { StartSettings(); }
  void TearDown() override { FreeBlockSets(); }

  void Write(const std::vector<File>& files) {
    for (const File& f : files) dir.Write(f.name, f.bytes);
  }
  // Runs search, for which the scan may step over lines, and fullSearch,
  // the same expression written so that every line is evaluated: the
  // result bytes and the message dispatches must be the same. Returns the
  // result text of the first run and its dispatch count.
  struct Outcome {
    std::string text;
    int dispatches;
  };
  Outcome ExpectSameAsFullEvaluation(const std::string& search, const std::string& fullSearch,
                                     const std::string& field) {
    host.processCalls = 0;
    Outcome fast = {Run(search, field), 0};
    fast.dispatches = host.processCalls;
    host.processCalls = 0;
    std::string full = Run(fullSearch, field);
    EXPECT_EQ(host.processCalls, fast.dispatches) << search;
    EXPECT_EQ(fast.text.size(), full.size()) << search;
    EXPECT_TRUE(fast.text == full) << search;
    return fast;
  }
  // Runs a search to the clipboard and returns the result text.
  std::string Run(const std::string& search, const std::string& field, int* result = nullptr) {
    host.clipboard.clear();
    int r = RunSearch({&Output()}, search.c_str(), Expand(field, dir.path()).c_str(), "");
    if (result) *result = r;
    Output().CopyToClipboard();
    return host.clipboard;
  }
  std::string X(const std::string& text) { return Expand(text, dir.path()); }

  // Runs every case in a folder of its own and compares the whole result.
  void RunCases(const std::vector<RunCase>& cases) {
    for (const RunCase& c : cases) {
      SCOPED_TRACE(c.name);
      StartSettings();
      c.configure(gSettings);
      TempDir caseDir;
      for (const File& f : c.files) caseDir.Write(f.name, f.bytes);
      host.clipboard.clear();
      EXPECT_EQ(RunSearch({&Output()}, c.search, Expand(c.field, caseDir.path()).c_str(), ""), kRunCompleted);
      Output().CopyToClipboard();
      EXPECT_EQ(host.clipboard, Expand(c.want, caseDir.path()));
    }
  }

  FakeHost host;

  // The search a run of text would prepare under the settings, or null.
  std::unique_ptr<PreparedSearch> Prepare(const char* text) {
    SearchOptionNotes notes;
    auto search = std::make_unique<PreparedSearch>();
    if (!PrepareSearch(SearchOptionsFrom(gSettings, &notes), text, host, search.get())) return nullptr;
    return search;
  }
  TempDir dir;
};

const char kThreeLines[] = "alpha one\r\nbeta two\r\nalpha three\r\n";

TEST_F(ScanTest, ResultLinesAndNotes) {
  std::vector<RunCase> cases = {
      {"plain lines", [](SearchSettings&) {}, {{"a.txt", kThreeLines}}, "alpha", "{D}a.txt",
       "alpha one\r\nalpha three\r\n"},
      {"file prefixes", [](SearchSettings& s) { s.PrintFile = 1; }, {{"a.txt", kThreeLines}}, "alpha", "{D}a.txt",
       "{D}a.txt 1:alpha one\r\n{D}a.txt 3:alpha three\r\n"},
      {"verbose notes",
       [](SearchSettings& s) { s.PrintFile = s.Verbose = 1; },
       {{"a.txt", kThreeLines}},
       "beta",
       "{D}a.txt",
       "===== {D}a.txt =====\r\n{D}a.txt 2:beta two\r\n"
       "*** {D}a.txt  3 行中 マッチした数 1(1)  ファイル(1/1)S\r\n"
       "検索総行数  3 行\r\n"},
      {"quoted in prefixes and count lines, not in headings",
       [](SearchSettings& s) { s.PrintFile = s.Verbose = 1; },
       {{"my file.txt", kThreeLines}},
       "beta",
       "\"{D}my file.txt\"",
       "===== {D}my file.txt =====\r\n\"{D}my file.txt\" 2:beta two\r\n"
       "*** \"{D}my file.txt\"  3 行中 マッチした数 1(1)  ファイル(1/1)S\r\n"
       "検索総行数  3 行\r\n"},
      {"count lines for every file, totals over the run",
       [](SearchSettings& s) { s.Verbose = 1; },
       {{"a.txt", kThreeLines}, {"b.txt", "none\r\n"}, {"c.txt", "alpha\r\n"}},
       "alpha",
       "{D}*.txt",
       "===== {D}a.txt =====\r\nalpha one\r\nalpha three\r\n"
       "*** {D}a.txt  3 行中 マッチした数 2(2)  ファイル(1/3)S\r\n"
       "*** {D}b.txt  1 行中 マッチした数 0(2)  ファイル(2/3)S\r\n"
       "===== {D}c.txt =====\r\nalpha\r\n"
       "*** {D}c.txt  1 行中 マッチした数 1(3)  ファイル(3/3)S\r\n"
       "検索総行数  5 行\r\n"},
      {"an empty file has no lines", [](SearchSettings& s) { s.Verbose = 1; }, {{"e.txt", ""}}, "x", "{D}e.txt",
       "*** {D}e.txt  0 行中 マッチした数 0(0)  ファイル(1/1)S\r\n検索総行数  0 行\r\n"},
      {"nothing found, quiet", [](SearchSettings&) {}, {{"a.txt", kThreeLines}}, "gamma", "{D}a.txt", ""},
      {"query echoed before the first match",
       [](SearchSettings& s) { s.EchoQuery = 1; },
       {{"a.txt", kThreeLines}},
       "alpha",
       "{D}a.txt",
       "{D}a.txt\r\nalpha\r\nalpha one\r\nalpha three\r\n"},
      {"marks with indentation and tabs",
       [](SearchSettings& s) {
         s.MatchStr = s.DelSp = 1;
         strcpy(s.MatchString, "@");
       },
       {{"a.txt", "  \tkey\tand key\r\n"}},
       "key",
       "{D}a.txt",
       "@key\tand key\r\n"},
      {"an archive that cannot be unpacked",
       [](SearchSettings& s) { s.Verbose = 1; },
       {{"x.lzh", "alpha\r\n"}},
       "alpha",
       "{D}x.lzh",
       "解凍できません({D}x.lzh)\r\n検索総行数  0 行\r\n"},
      {"archives left alone without LzhSearch",
       [](SearchSettings& s) { s.Verbose = 1, s.LzhSearch = 0; },
       {{"x.lzh", "alpha\r\n"}},
       "alpha",
       "{D}x.lzh",
       "検索総行数  0 行\r\n"},
  };
  RunCases(cases);
}

TEST_F(ScanTest, DateFilterNoteInsteadOfTheFile) {
  gSettings.Verbose = gSettings.Date = 1;
  strcpy(gSettings.DateStart, "80");
  strcpy(gSettings.DateEnd, "81");
  Write({{"a.txt", kThreeLines}});
  // The file's real date lies far outside 1980..1981; the note carries it.
  std::string got = Run("alpha", "{D}a.txt");
  EXPECT_EQ(got.rfind("skip a.txt date=", 0), 0u) << got;
  EXPECT_EQ(got.substr(got.find("\r\n")), "\r\n検索総行数  0 行\r\n");
}

// A run over the file-list dialog's list filters by the date and size
// ranges of the settings, as a run over the field does.
TEST_F(ScanTest, DateAndSizeRangesApplyToTheFileList) {
  gSettings.Verbose = gSettings.Date = gSettings.Size = 1;
  strcpy(gSettings.DateStart, "20");  // 2020..2069: files made now pass
  strcpy(gSettings.DateEnd, "69");
  strcpy(gSettings.SizeEnd, "1K");
  Write({{"a.txt", kThreeLines}, {"big.txt", std::string(2000, 'x') + "\r\nalpha\r\n"}});
  FileListEntries list;
  for (const char* name : {"{D}a.txt", "{D}big.txt"}) ASSERT_TRUE(AddFileListEntry(&list, X(name).c_str()));
  host.clipboard.clear();
  ASSERT_EQ(RunSearch({&Output(), nullptr, &list}, "alpha", "", ""), kRunCompleted);
  Output().CopyToClipboard();
  EXPECT_EQ(host.clipboard, X("===== {D}a.txt =====\r\nalpha one\r\nalpha three\r\n"
                              "*** {D}a.txt  3 行中 マッチした数 2(2)  ファイル(1/2)S\r\n"
                              "skip big.txt size=2009\r\n検索総行数  3 行\r\n"));
}

// A file past 4 GiB is measured whole by the size rule, in the sorted
// order and in the order found.
TEST_F(ScanTest, SizeFilterMeasuresFilesPastFourGibibytes) {
  for (int32_t order : {kSortByName, kSortAsFound}) {
    SCOPED_TRACE(order);
    StartSettings();
    gSettings.Verbose = gSettings.Size = gSettings.NotSearchBin = 1;
    gSettings.SortType = order;
    strcpy(gSettings.SizeEnd, "1000");
    TempDir caseDir;
    caseDir.WriteSparse("big.txt", (uint64_t{4} << 30) + 100, 0, "alpha\r\n");
    host.clipboard.clear();
    EXPECT_EQ(RunSearch({&Output()}, "alpha", (caseDir.path() + "*.txt").c_str(), ""), kRunCompleted);
    Output().CopyToClipboard();
    EXPECT_EQ(host.clipboard, "skip big.txt size=4294967396\r\n検索総行数  0 行\r\n");
  }
}

TEST_F(ScanTest, FileListForms) {
  std::vector<RunCase> cases = {
      {"paths only", [](SearchSettings& s) { s.FileListForm = 1, s.Verbose = 1; },
       {{"a.txt", kThreeLines}, {"b.txt", "alpha\r\n"}}, "alpha", "{D}*.txt",
       "===== {D}a.txt =====\r\n{D}a.txt\r\n*** {D}a.txt  1 行中 マッチした数 1(1)  ファイル(1/2)S\r\n"
       "===== {D}b.txt =====\r\n{D}b.txt\r\n*** {D}b.txt  1 行中 マッチした数 1(2)  ファイル(2/2)S\r\n"
       "検索総行数  2 行\r\n"},
      {"path and line numbers on one line", [](SearchSettings& s) { s.FileListForm = 2; },
       {{"a.txt", kThreeLines}, {"b.txt", "x\r\n"}}, "alpha", "{D}*.txt", "{D}a.txt\t1 3 \r\n"},
      {"path, then one number per line", [](SearchSettings& s) { s.FileListForm = 3; },
       {{"a.txt", kThreeLines}, {"b.txt", "x\r\n"}}, "alpha", "{D}*.txt", "{D}a.txt\r\n1\r\n3\r\n*\r\n"},
  };
  RunCases(cases);
}

TEST_F(ScanTest, CountStop) {
  std::vector<RunCase> cases = {
      {"stops after two", [](SearchSettings& s) { s.CountStop = 2, s.Verbose = 1; },
       {{"a.txt", "k1\r\nk2\r\nx\r\nk3\r\nk4\r\n"}}, "k", "{D}a.txt",
       "===== {D}a.txt =====\r\nk1\r\nk2\r\nskip...\r\n"
       "*** {D}a.txt  2 行中 マッチした数 2(2)  ファイル(1/1)S\r\n検索総行数  2 行\r\n"},
      {"quiet", [](SearchSettings& s) { s.CountStop = 2; }, {{"a.txt", "k1\r\nk2\r\nk3\r\n"}}, "k", "{D}a.txt",
       "k1\r\nk2\r\n"},
  };
  RunCases(cases);
}

TEST_F(ScanTest, ContextLines) {
  std::vector<RunCase> cases = {
      {"start of the file",
       [](SearchSettings& s) {
         s.Zengo = s.PrintFile = s.ZengoSign = 1;
         s.ZengoLine = 3;
         s.ZengoLine2 = 1;
       },
       {{"a.txt", "one\r\nmatch two\r\nthree\r\nfour\r\n"}},
       "match",
       "{D}a.txt",
       "{D}a.txt 1\r\n< one\r\n: match two\r\n> three\r\n"},
      {"first line: the header names the match",
       [](SearchSettings& s) {
         s.Zengo = s.PrintFile = 1;
         s.ZengoLine = 2;
         s.ZengoLine2 = 0;
         strcpy(s.ZStartString, "--");
         strcpy(s.ZEndString, "==");
       },
       {{"a.txt", "match\r\nx\r\n"}},
       "match",
       "{D}a.txt",
       "--\r\n{D}a.txt 1\r\nmatch\r\n"},
      {"heading text before the header, quoted path",
       [](SearchSettings& s) {
         s.Zengo = s.PrintFile = s.Midashi = 1;
         strcpy(s.StrMidashi, "■");
         s.ZengoLine = 1;
         s.ZengoLine2 = 0;
       },
       {{"a b.txt", "one\r\nmatch\r\n"}, {"c.txt", "match\r\n"}},
       "match",
       "\"{D}a b.txt\" {D}c.txt",
       "■ \"{D}a b.txt\" 1\r\none\r\nmatch\r\n■ {D}c.txt 1\r\nmatch\r\n"},
      {"lines after are searched again",
       [](SearchSettings& s) {
         s.Zengo = s.ZengoSign = 1;
         s.ZengoLine = 0;
         s.ZengoLine2 = 2;
         strcpy(s.ZEndString, "==");
       },
       {{"a.txt", "m1\r\nm2\r\nx\r\n"}},
       "m",
       "{D}a.txt",
       ": m1\r\n> m2\r\n> x\r\n==\r\n: m2\r\n> x\r\n==\r\n"},
      {"lines after end with the file",
       [](SearchSettings& s) {
         s.Zengo = 1;
         s.ZengoLine = 0;
         s.ZengoLine2 = 5;
       },
       {{"a.txt", "a\r\nm\r\nz"}},
       "m",
       "{D}a.txt",
       "m\r\nz\r\n"},
  };
  RunCases(cases);
}

TEST_F(ScanTest, ContextReachesAcrossTheHistoryHalves) {
  // 1000 lines fill one half: a match on line 1003 looks back into the
  // previous half.
  std::string text = Lines(1, 1002) + "match\r\n" + Lines(1004, 1010);
  Write({{"a.txt", text}});
  gSettings.Zengo = gSettings.PrintFile = 1;
  gSettings.ZengoLine = 5;
  gSettings.ZengoLine2 = 0;
  EXPECT_EQ(Run("match", "{D}a.txt"), X("{D}a.txt 998\r\n") + Lines(998, 1002) + "match\r\n");
}

// A file of zero bytes holding text at one place, made sparse: its size
// costs no disk, and zero bytes are read fast.
struct SparseText {
  uint64_t size;
  uint64_t at;  // offset of text
  std::string text;
};

// The lines the scan counts in the bytes of f before end (the start of a
// line, or the end of the file): every physical line once for each
// kLinePiece bytes it has begun.
unsigned long LinesBefore(const SparseText& f, uint64_t end) {
  unsigned long lines = 0;
  uint64_t lineStart = 0;
  for (size_t i = 0; i < f.text.size() && f.at + i < end; ++i) {
    if (f.text[i] != '\n') continue;
    lines += static_cast<unsigned long>((f.at + i + 1 - lineStart + kLinePiece - 1) / kLinePiece);
    lineStart = f.at + i + 1;
  }
  if (end > lineStart) lines += static_cast<unsigned long>((end - lineStart + kLinePiece - 1) / kLinePiece);
  return lines;
}

// The number of the line of f that begins with textAt.
std::string LineNumberOf(const SparseText& f, const std::string& textAt) {
  return std::to_string(LinesBefore(f, f.at + f.text.find(textAt)) + 1);
}

// The lines after the first match run over the end of a read and are read
// again from a mark before it: past 2 GiB too, where file offsets no
// longer fit in 32 bits.
TEST_F(ScanTest, ContextAcrossAReadPastTwoGibibytes) {
  const std::string beforeReadEnd = "\nbefore\nNEEDLE one\nafte";
  const std::string afterReadEnd = "r1\nafter2\nNEEDLE two\nlast line\n";
  for (uint64_t readEnd : {uint64_t{4} * kReadBuffer, (uint64_t{2} << 30) + kReadBuffer}) {
    SCOPED_TRACE(readEnd);
    StartSettings();
    gSettings.Zengo = gSettings.PrintFile = gSettings.ZengoSign = gSettings.Verbose = 1;
    gSettings.NotSearchBin = 0;  // zero bytes are text here
    const SparseText f = {readEnd + kReadBuffer + 100, readEnd - beforeReadEnd.size(), beforeReadEnd + afterReadEnd};
    TempDir caseDir;
    caseDir.WriteSparse("big.txt", f.size, f.at, f.text);
    host.clipboard.clear();
    ASSERT_EQ(RunSearch({&Output()}, "NEEDLE", (caseDir.path() + "*.txt").c_str(), ""), kRunCompleted);
    Output().CopyToClipboard();
    const std::string lines = std::to_string(LinesBefore(f, f.size));
    const std::string want = "===== {D}big.txt =====\r\n"
                             "{D}big.txt " + LineNumberOf(f, "before") + "\r\n< before\r\n: NEEDLE one\r\n> after1\r\n"
                             "{D}big.txt " + LineNumberOf(f, "after2") + "\r\n< after2\r\n: NEEDLE two\r\n> last line\r\n"
                             "*** {D}big.txt  " + lines + " 行中 マッチした数 2(2)  ファイル(1/1)S\r\n"
                             "検索総行数  " + lines + " 行\r\n";
    EXPECT_EQ(host.clipboard, Expand(want, caseDir.path()));
  }
}

TEST(LineHistory, HalvesAndReach) {
  LineHistory h;
  ASSERT_TRUE(h.Allocate());
  EXPECT_EQ(h.At(0), nullptr);
  for (int i = 1; i <= 2500; ++i) h.Add(("l" + std::to_string(i)).c_str());
  // Lines 2001..2500 in the current half, 1001..2000 in the previous one.
  EXPECT_STREQ(h.At(0), "l2500");
  EXPECT_STREQ(h.At(500), "l2000");
  EXPECT_STREQ(h.At(1499), "l1001");
  EXPECT_EQ(h.At(1500), nullptr);
  h.RemoveLast();
  EXPECT_STREQ(h.At(0), "l2499");
  // Long lines switch halves by bytes before 1000 lines.
  h.Clear();
  std::string wide(4000, 'w');
  for (int i = 0; i < 16; ++i) h.Add(wide.c_str());
  h.Add("last");
  EXPECT_STREQ(h.At(0), "last");
  EXPECT_EQ(strlen(h.At(16)), 4000u);
  h.Free();
  h.Add("ignored");
  EXPECT_EQ(h.At(0), nullptr);
}

void BlockSetUp(SearchSettings& s) {
  s.BlockOut = s.BlockSign = s.PrintFile = 1;
  s.BlockType = 0;
  BlockSet& set = s.BlockSets[0];
  strcpy(set.pattern[0], "^BEGIN");
  set.endFlag[0] = 0;
  strcpy(set.pattern[1], "^END");
  set.endFlag[1] = 1;
  strcpy(set.startText, "<<");
  strcpy(set.endText, ">>");
}

TEST_F(ScanTest, Blocks) {
  std::vector<RunCase> cases = {
      {"start and end patterns", BlockSetUp,
       {{"a.txt", "x\r\nBEGIN\r\nfoo\r\nhit\r\nbar\r\nEND\r\ny\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n{D}a.txt 2\r\n< BEGIN\r\n< foo\r\n: hit\r\n> bar\r\n> END\r\n>>\r\n"},
      {"the next start is given back and searched again", BlockSetUp,
       {{"a.txt", "BEGIN\r\nhit one\r\nBEGIN hit\r\nz\r\nEND\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n{D}a.txt 1\r\n< BEGIN\r\n: hit one\r\n>>\r\n"
       "<<\r\n{D}a.txt 3\r\n: BEGIN hit\r\n> z\r\n> END\r\n>>\r\n"},
      {"a match on an end line starts after it",
       BlockSetUp, {{"a.txt", "a\r\nEND hit\r\nb\r\nEND\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n{D}a.txt 3\r\n: END hit\r\n> b\r\n> END\r\n>>\r\n"},
      {"reach without patterns; the last line is searched again",
       [](SearchSettings& s) {
         BlockSetUp(s);
         s.BlockLine = 2;
         s.BlockSets[0].startText[0] = s.BlockSets[0].endText[0] = '\0';
       },
       {{"a.txt", "1\r\n2\r\n3\r\nhit\r\n5\r\nhit 6\r\n7\r\n"}}, "hit", "{D}a.txt",
       "{D}a.txt 2\r\n< 2\r\n< 3\r\n: hit\r\n> 5\r\n> hit 6\r\n"
       "{D}a.txt 4\r\n< hit\r\n< 5\r\n: hit 6\r\n> 7\r\n"},
      {"matches inside a block under BlockMulti",
       [](SearchSettings& s) {
         BlockSetUp(s);
         s.BlockMulti = 1;
         s.PrintFile = 0;
       },
       {{"a.txt", "BEGIN\r\nhit\r\nhit again\r\nEND\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n< BEGIN\r\n: hit\r\n: hit again\r\n> END\r\n>>\r\n"},
      {"heading text before the block header",
       [](SearchSettings& s) {
         BlockSetUp(s);
         s.Midashi = 1;
         strcpy(s.StrMidashi, "##");
       },
       {{"a.txt", "BEGIN\r\nhit\r\nEND\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n## {D}a.txt 1\r\n< BEGIN\r\n: hit\r\n> END\r\n>>\r\n"},
      {"reach running out at the first line of the file",
       [](SearchSettings& s) {
         BlockSetUp(s);
         s.BlockLine = 2;
       },
       {{"a.txt", "a\r\nhit\r\nz\r\n"}}, "hit", "{D}a.txt",
       "<<\r\n{D}a.txt 1\r\n< a\r\n: hit\r\n> z\r\n>>\r\n"},
      {"block reach at the start of the file",
       [](SearchSettings& s) {
         BlockSetUp(s);
         s.BlockSign = 0;
       },
       {{"a.txt", "a\r\nhit\r\n"}}, "hit", "{D}a.txt", "<<\r\n{D}a.txt 1\r\na\r\nhit\r\n>>\r\n"},
  };
  RunCases(cases);
}

TEST_F(ScanTest, ConnectedLines) {
  std::string longLine(4090, 'a');
  std::vector<RunCase> cases = {
      {"a term broken across two lines",
       [](SearchSettings& s) { s.Connect2 = s.PrintFile = 1; },
       {{"a.txt", "the sea\r\n  rch word\r\nnext\r\n"}},
       "search",
       "{D}a.txt",
       "{D}a.txt 1:the search word\r\n"},
      {"the second line is written without its blanks",
       [](SearchSettings& s) { s.Connect2 = s.PrintFile = 1; },
       {{"a.txt", "ab\r\n\x81\x40 \tcd\r\n"}},
       "cd",
       "{D}a.txt",
       "{D}a.txt 1:abcd\r\n{D}a.txt 2:cd\r\n"},
      {"context writes the line's own text",
       [](SearchSettings& s) {
         s.Connect2 = s.Zengo = 1;
         s.ZengoLine = 0;
         s.ZengoLine2 = 0;
       },
       {{"a.txt", "xy\r\nzz\r\n"}},
       "yz",
       "{D}a.txt",
       "xy\r\n"},
  };
  RunCases(cases);

  // A join that would overflow the line is cut at 4095 bytes, on a
  // character boundary.
  StartSettings();
  gSettings.Connect2 = 1;
  std::string first(4093, 'a');
  Write({{"long.txt", first + "\r\n\x82\xa0\x82\xa0tail\r\n"}});
  std::string got = Run("aaa", "{D}long.txt");
  EXPECT_EQ(got, first + "\x82\xa0" "\r\n");
}

TEST_F(ScanTest, LongPhysicalLinesCountTwice) {
  gSettings.Verbose = 1;
  std::string line(5000, 'x');
  line[4500] = 'Q';
  Write({{"a.txt", line + "\r\n"}});
  std::string want = X("===== {D}a.txt =====\r\n") + line.substr(4095) + "\r\n" +
                     X("*** {D}a.txt  2 行中 マッチした数 1(1)  ファイル(1/1)S\r\n検索総行数  2 行\r\n");
  EXPECT_EQ(Run("Q", "{D}a.txt"), want);
}

TEST_F(ScanTest, BinaryFilesByKanjiCode) {
  struct Case {
    const char* name;
    int kanjiCode;
    std::string bytes;
    bool skipped;
  } cases[] = {
      {"0xFE in Shift_JIS", 1, "key \xfe\r\n", true},
      {"0xFE in EUC-JP", 2, "key \xfe\xfe\n", false},
      {"0xFD in JIS", 3, "key \xfd\n", true},
      {"0xFF in EUC-JP", 2, "key \xff\n", true},
      {"NUL in Shift_JIS", 1, std::string("key \0\r\n", 7), true},
      {"late NUL is not looked at", 1, std::string(600, 'a') + std::string("\0\r\nkey\r\n", 8), false},
      {"text", 1, "key\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartSettings();
    gSettings.NotSearchBin = gSettings.Verbose = 1;
    gSettings.KanjiCode = c.kanjiCode;
    TempDir d;
    d.Write("b.dat", c.bytes);
    host.clipboard.clear();
    RunSearch({&Output()}, "key", (d / "b.dat").c_str(), "");
    Output().CopyToClipboard();
    if (c.skipped) {
      EXPECT_EQ(host.clipboard, "skip " + (d / "b.dat") + " is binary\r\n検索総行数  0 行\r\n");
    } else {
      EXPECT_NE(host.clipboard.find("マッチした数 1(1)"), std::string::npos) << host.clipboard;
    }
  }
}

TEST_F(ScanTest, OutputFileIsNeverSearched) {
  gSettings.Verbose = 1;
  Write({{"a.txt", "key\r\n"}, {"out.txt", "key from an old result\r\n"}});
  std::string out = dir / "out.txt";
  ASSERT_EQ(RunSearch({&Output()}, "key", (dir / "*.txt").c_str(), out.c_str()), kRunCompleted);
  EXPECT_EQ(dir.Read("out.txt"), X("===== {D}a.txt =====\r\nkey\r\n"
                                    "*** {D}a.txt  1 行中 マッチした数 1(1)  ファイル(1/2)S\r\n"
                                    "skip {D}out.txt\r\n"
                                    "検索総行数  1 行\r\n"));
  // Append keeps the earlier result in front.
  gSettings.Append = 1;
  gSettings.Verbose = 0;
  ASSERT_EQ(RunSearch({&Output()}, "key", (dir / "a.txt").c_str(), out.c_str()), kRunCompleted);
  EXPECT_EQ(dir.Read("out.txt").substr(dir.Read("out.txt").size() - 5), "key\r\n");
  EXPECT_NE(dir.Read("out.txt").find("検索総行数  1 行\r\nkey\r\n"), std::string::npos);
  // Without Append an existing file is emptied even when nothing matches.
  gSettings.Append = 0;
  ASSERT_EQ(RunSearch({&Output()}, "nothing", (dir / "a.txt").c_str(), out.c_str()), kRunCompleted);
  EXPECT_EQ(dir.Read("out.txt"), "");
  EXPECT_EQ(host.clipboardCopies, 0);
}

void* NoTargetMemory(size_t) { return nullptr; }

// Runs that fail show one message and write no totals: a wrong search text
// is found before the output is opened, a missing sort array after.
TEST_F(ScanTest, FailedRunsWriteNoTotals) {
  struct Case {
    const char* name;
    const char* search;
    TargetAllocator allocator;
    const char* message;
    const char* output;
  } cases[] = {
      {"wrong search text", "a b", nullptr, "検索文字列が誤っています", "old\r\n"},
      {"no sort array", "key", NoTargetMemory, "メモリが足りません", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartSettings();
    gSettings.Verbose = 1;
    gSettings.SortType = 0;
    Write({{"a.txt", "key\r\n"}, {"out.txt", "old\r\n"}});
    host.boxes.clear();
    SetTargetAllocator(c.allocator);
    EXPECT_EQ(RunSearch({&Output()}, c.search, (dir / "a.txt").c_str(), (dir / "out.txt").c_str()), kRunFailed);
    SetTargetAllocator(nullptr);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, c.message);
    EXPECT_EQ(dir.Read("out.txt"), c.output);
  }
}

TEST_F(ScanTest, UnopenableFileQuestion) {
  struct Case {
    const char* name;
    std::vector<int> answers;
    int boxes;        // boxes shown for the three missing files
    bool aborted;
  } cases[] = {
      {"yes asks again", {kAnswerYes, kAnswerYes, kAnswerYes}, 3, false},
      {"no asks no more", {kAnswerNo}, 1, false},
      {"cancel stops the run", {kAnswerCancel}, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartSettings();
    gSettings.Verbose = 1;
    host.boxes.clear();
    host.answers.assign(c.answers.begin(), c.answers.end());
    ASSERT_TRUE(Output().PrepareBuffer());
    const auto search = Prepare("key");
    ASSERT_NE(search, nullptr);
    LineMatcher matcher(search->compiled, search->Tables());
    uint32_t matches = 0;
    auto run = std::make_unique<ScanRun>(matches, "", "");
    const ScanContext context = {search.get(), &matcher, run.get(), &Output(), nullptr};
    host.boxes.clear();
    for (int i = 0; i < 3 && !gAbortRequested; ++i) {
      char path[kPathBuffer];
      strcpy(path, (dir / ("missing" + std::to_string(i) + ".txt")).c_str());
      FindRecord record;
      EXPECT_EQ(ScanFile({path, static_cast<unsigned>(i) + 1, 3, &record, "", nullptr, 0, "m"}, context), 1);
    }
    EXPECT_EQ(static_cast<int>(host.boxes.size()), c.boxes);
    EXPECT_EQ(gAbortRequested != 0, c.aborted);
    std::string want = "ファイルを開けません\n" + (dir / "missing0.txt") + "\nこれ以降もエラーメッセージを表示しますか？";
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes[0].text, want);
    EXPECT_EQ(host.boxes[0].style, kBoxYesNoCancel | kBoxIconInformation);
    Output().CopyToClipboard();
    EXPECT_EQ(host.clipboard.rfind("cannot open " + (dir / "missing0.txt") + "\r\n", 0), 0u);
  }
}

TEST_F(ScanTest, StopAndPause) {
  Write({{"a.txt", Lines(1, 1000, "key ")}, {"b.txt", "key b\r\n"}});
  gSettings.Verbose = 1;
  // A stop at the second message point ends the file there and the run
  // before the next file; the totals are still written.
  host.onProcess = [](int call) {
    if (call == 2) gAbortRequested = 1;
  };
  std::string got = Run("key", "{D}*.txt");
  EXPECT_EQ(host.processCalls, 2);
  EXPECT_EQ(got.find("key b"), std::string::npos);
  const std::string tail = X("key 302\r\n*** {D}a.txt  302 行中 マッチした数 302(302)  ファイル(1/2)S\r\n") +
                           "途中で中止しました\r\n検索総行数  302 行\r\n";
  ASSERT_GT(got.size(), tail.size());
  EXPECT_EQ(got.substr(got.size() - tail.size()), tail);

  // A pause keeps dispatching messages until it is lifted; the run then
  // goes on to the end.
  StartSettings();
  host.processCalls = 0;
  host.onProcess = [](int call) {
    if (call == 1) gPauseRequested = 1;
    if (call == 5) gPauseRequested = 0;
  };
  got = Run("key", "{D}*.txt");
  EXPECT_EQ(got, Lines(1, 1000, "key ") + "key b\r\n");
  // Points at lines 1, 302, 603, 904 of a.txt and line 1 of b.txt, the
  // first one held for five calls.
  EXPECT_EQ(host.processCalls, 5 + 3 + 1);
}

TEST_F(ScanTest, ProgressDisplay) {
  Write({{"a.txt", Lines(1, 30, "key ")}});
  Run("key", "{D}a.txt");
  // Counts are shown one by one below 10, then every eighth.
  EXPECT_EQ(host.progressText[kProgressMatchCount], "24 個マッチ");
  // The heading, then every match while the run has fewer than 20.
  ASSERT_EQ(host.progressLines.size(), 1u + 19u);
  EXPECT_EQ(host.progressLines[0], "■ a.txt ■■■■■");
  EXPECT_EQ(host.progressLines[1], " key 1");
  // List lines are cut to 120 bytes without splitting a character.
  StartSettings();
  host.progressLines.clear();
  std::string wide = "k";
  for (int i = 0; i < 100; ++i) wide += "\x82\xa0";
  Write({{"w.txt", wide + "\r\n"}});
  Run("k", "{D}w.txt");
  ASSERT_EQ(host.progressLines.size(), 2u);
  EXPECT_EQ(host.progressLines[1], " k" + wide.substr(1, 118));
}

TEST_F(ScanTest, OverflowStopsEveryFile) {
  std::string big;
  for (int i = 0; i < 14000; ++i) big += "key " + std::string(90, 'x') + "\r\n";
  Write({{"a.txt", big}, {"b.txt", "key b\r\n"}});
  gSettings.Verbose = 1;
  std::string got = Run("key", "{D}*.txt");
  ASSERT_GT(got.size(), kOverflowNoticeLength);
  EXPECT_EQ(got.substr(got.size() - kOverflowNoticeLength), kOverflowNotice);
  EXPECT_EQ(got.find("key b"), std::string::npos);
}

TEST_F(ScanTest, KanjiCodesAreConverted) {
  gSettings.KanjiCode = 0;
  gSettings.PrintFile = 1;
  // あいう in EUC-JP (no CR) and in JIS.
  Write({{"e.txt", "x \xa4\xa2\xa4\xa4\xa4\xa6\n"}, {"j.txt", "y \x1b$B$\"$$$&\x1b(B\n"}});
  std::string hiragana = "\x82\xa0\x82\xa2\x82\xa4";
  gSettings.Verbose = 1;
  std::string got = Run(hiragana, "{D}*.txt");
  EXPECT_NE(got.find(X("{D}e.txt 1:x ") + hiragana + "\r\n"), std::string::npos) << got;
  EXPECT_NE(got.find("ファイル(1/2)E\r\n"), std::string::npos);
  EXPECT_NE(got.find(X("{D}j.txt 1:y ") + hiragana + "\r\n"), std::string::npos) << got;
  EXPECT_NE(got.find("ファイル(2/2)J\r\n"), std::string::npos);
}

// Lines that cannot hold a plain term are stepped over without evaluating
// them; "key or key" is always evaluated line by line, so both must give
// the same result, line numbers, counts and message points included.
TEST_F(ScanTest, SteppingOverLinesChangesNothing) {
  std::string text;
  unsigned seed = 12345;
  auto next = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  // Mostly lines without the term (no piece sequence spells it), some of
  // them longer than one line buffer; some lines get the term, some a
  // look-alike whose "k" is the trail byte of a double-byte character.
  const std::string pieces[] = {"abc ", "\x82\xa0", "k ", "ey", "\t", "e", "y", "\x95\x5c"};
  auto addLines = [&](size_t until) {
    while (text.size() < until) {
      unsigned length = next(40) == 0 ? 3000 + next(6000) : next(120);
      std::string line;
      while (line.size() < length) line += pieces[next(8)];
      if (next(15) == 0) line.insert(next(static_cast<unsigned>(line.size()) + 1), "key");
      if (next(15) == 0) line += "\x82key";
      text += line + (next(3) == 0 ? "\n" : "\r\n");
    }
  };
  // One term across the first boundary of the read buffer.
  addLines(kReadBuffer - 10000);
  text += std::string(kReadBuffer - 1 - text.size(), 'x') + "key\r\n";
  addLines(900000);
  // A term right across the 4095-byte cut of a long line.
  text += std::string(4093, 'x') + "key\r\n";
  Write({{"a.txt", text}});
  gSettings.PrintFile = gSettings.Verbose = gSettings.MatchStr = 1;
  strcpy(gSettings.MatchString, "|");
  Outcome fast = ExpectSameAsFullEvaluation("key", "key or key", "{D}a.txt");
  EXPECT_GT(fast.dispatches, 10);
  EXPECT_NE(fast.text.find("x|key"), std::string::npos);    // across the buffer boundary
  EXPECT_EQ(fast.text.find("xxke"), std::string::npos);     // the cut splits the term: no match

  // With the needle's term further on, the terms before it are tried on
  // the lines stepped over too, without effect: "key and not key" is never
  // true, and the "or" makes the second search evaluate every line.
  ExpectSameAsFullEvaluation("( k or y ) and key and not abc", "( k or y ) and key and not abc or key and not key", "{D}a.txt");

  // Under ZenHan the lines are not stepped over but tested for the folded
  // characters of the term before they are converted.
  gSettings.ZenHan = 1;
  ExpectSameAsFullEvaluation("( k or y ) and key", "( k or y ) and key or key and not key", "{D}a.txt");
  gSettings.ZenHan = 0;

  // A pattern term is stepped over by its required text ("ke") alike.
  gSettings.Regular = 1;
  ExpectSameAsFullEvaluation("ke[y]", "ke[y] or ke[y]", "{D}a.txt");
}

// Which expressions let the scan step over lines by one text, and which
// text: the first term's, when the others are joined to it by "and".
TEST_F(ScanTest, RequiredTextForSteppingOverLines) {
  struct Case {
    const char* search;
    void (*configure)(SearchSettings&);
    const char* text;  // null: no stepping
  } cases[] = {
      {"key", [](SearchSettings&) {}, "key"},
      {"key and other", [](SearchSettings&) {}, "key"},
      {"key or other", [](SearchSettings&) {}, nullptr},
      {"other and key or x", [](SearchSettings&) {}, nullptr},
      {"key and not other", [](SearchSettings&) {}, "key"},
      {"not other and key", [](SearchSettings&) {}, "key"},
      {"( a or b ) and key and not c", [](SearchSettings&) {}, "key"},
      {"not ( key ) and other", [](SearchSettings&) {}, "other"},
      {"( key )", [](SearchSettings&) {}, nullptr},  // not looked into
      {"( a or b ) and not c", [](SearchSettings&) {}, nullptr},
      {"ab+cde", [](SearchSettings& s) { s.Regular = 1; }, "cde"},
      {"ab+cde and x", [](SearchSettings& s) { s.Regular = 1; }, "cde"},
      {"a.b", [](SearchSettings& s) { s.Regular = 1; }, "a"},
      {"[ab]*", [](SearchSettings& s) { s.Regular = 1; }, nullptr},
      {"ab+cde", [](SearchSettings& s) { s.Regular = s.Case = 1; }, nullptr},  // letters fold
      {"ab+\\x8140", [](SearchSettings& s) { s.Regular = s.Case = 1; }, "\x81\x40"},
      {"ab+cde", [](SearchSettings& s) { s.Regular = s.ZenHan = 1; }, nullptr},
      {"ab+cde", [](SearchSettings& s) { s.Regular = s.Same1 = 1; }, nullptr},
      {"ab+cde", [](SearchSettings& s) { s.Regular = s.FieldSearch = 1; }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.search);
    StartSettings();
    c.configure(gSettings);
    const auto search = Prepare(c.search);
    ASSERT_NE(search, nullptr);
    const bool stepping = search->haveNeedle;
    EXPECT_EQ(stepping, c.text != nullptr);
    if (stepping && c.text != nullptr) {
      EXPECT_EQ(std::string(search->needle.text, search->needle.length), c.text);
    }
  }
}

// With both a needle and a filter, lines are stepped over by the filter
// alone where it wants a character rarer than any the needle holds.
TEST_F(ScanTest, TheFilterStepsAloneWhereItWantsTheRarerCharacter) {
  const struct {
    const char* search;
    bool filterFirst;
  } cases[] = {
      {"\x83\x74\x83\x40\x83\x43\x83\x8b.*\x8d\xed\x8f\x9c", true},  // ファイル.*削除: 削 beside katakana
      {"cde.*X", true},
      {"ab+cde", false},  // the filter's letters are the needle's
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.search);
    StartSettings();
    gSettings.Regular = 1;
    const auto search = Prepare(c.search);
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(search->haveNeedle && search->haveFilter);
    EXPECT_EQ(search->filterFirst, c.filterFirst);
  }
}

// Which terms the scan tests lines for by their characters: pattern terms
// (literal text too under Case or ZenHan) without Same1 and field selection.
TEST_F(ScanTest, PatternTermForTheUnitFilter) {
  struct Case {
    const char* search;
    void (*configure)(SearchSettings&);
    bool filtered;
  } cases[] = {
      {"key", [](SearchSettings& s) { s.ZenHan = 1; }, true},
      {"( a or b ) and key", [](SearchSettings& s) { s.Case = 1; }, true},
      {"ab+\\x8140", [](SearchSettings& s) { s.Regular = 1; }, true},
      {"key or other", [](SearchSettings& s) { s.ZenHan = 1; }, false},
      {"key", [](SearchSettings&) {}, false},  // plain text: stepped over by it
      {"key", [](SearchSettings& s) { s.ZenHan = s.Same1 = 1; }, false},
      {"key", [](SearchSettings& s) { s.ZenHan = s.FieldSearch = 1; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.search);
    StartSettings();
    c.configure(gSettings);
    const auto search = Prepare(c.search);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(RequiredPatternTerm(search->compiled, search->options.terms.reading) != nullptr, c.filtered);
  }
}

// Lines are stepped over a block of bytes at a time where they are short;
// runs of empty lines (many line ends in one block, near a message point)
// and lines around the one-piece limit must count exactly as when read.
TEST_F(ScanTest, SteppingOverRunsOfShortAndLongLinesChangesNothing) {
  const std::string ends[] = {"\r\n", "\n"};
  std::string text;
  for (int round = 0; round < 40; ++round) {
    const std::string& end = ends[round % 2];
    for (int i = 0; i < 200 + round * 37; ++i) text += end;
    for (size_t length : {4093, 4094, 4095, 4096, 4097, 8190, 8191}) {
      text += std::string(length - end.size() + (round % 3), 'x') + end;
      text += "a\n";
    }
    text += std::string(round * 7, 'y') + "key" + end;
  }
  Write({{"a.txt", text}});
  gSettings.PrintFile = gSettings.Verbose = 1;
  // Stepped over by the plain text, then by the folded characters.
  for (int zenHan : {0, 1}) {
    SCOPED_TRACE(zenHan);
    gSettings.ZenHan = zenHan;
    ExpectSameAsFullEvaluation("key", "key or key", "{D}a.txt");
  }
}

TEST_F(ScanTest, SynonymCountsAfterEachFile) {
  // ＰＣ and パソコン are one group.
  const std::string pc = "\x82\x6f\x82\x62", pasokon = "\x83\x70\x83\x5c\x83\x52\x83\x93";
  Write({{"syn.txt", pc + " " + pasokon + "\r\n"}, {"a.txt", pasokon + " one\r\n" + pasokon + "\r\n" + pc + "\r\n"}});
  gSettings.Thesaurus = 1;
  gSettings.ThesaurusCount = 1;
  strcpy(gSettings.ThesaurusFile0, (dir / "syn.txt").c_str());
  std::string got = Run(pc, "{D}a.txt");
  EXPECT_EQ(got, pasokon + " one\r\n" + pasokon + "\r\n" + pc + "\r\n** " + pc + "=1\r\n** " + pasokon + "=2\r\n");
  // Every line counts its synonyms, also where the plain term after the
  // group is missing: such lines are not stepped over.
  got = Run(pc + " and one", "{D}a.txt");
  EXPECT_EQ(got, pasokon + " one\r\n** " + pc + "=1\r\n** " + pasokon + "=2\r\n");
  // Nor where the first term is missing but the group is reached past an
  // operator inside parentheses.
  got = Run("one and ( zzz or " + pc + " )", "{D}a.txt");
  EXPECT_EQ(got, pasokon + " one\r\n** " + pc + "=1\r\n** " + pasokon + "=2\r\n");
}

// Counts and table places past 16 bits: a word beyond the 65,536th of the
// table, found on more than 65,535 lines of one file, is counted whole and
// to itself.
TEST_F(ScanTest, SynonymCountsPastSixteenBits) {
  std::string table;
  for (int i = 0; i < 70000; ++i) table += "w" + std::to_string(i) + "\r\n";
  table += "alpha beta\r\n";
  std::string text;
  for (int i = 0; i < 70001; ++i) text += "beta\r\n";
  Write({{"syn.txt", table}, {"a.txt", text}});
  gSettings.Thesaurus = 1;
  gSettings.ThesaurusCount = 1;
  strcpy(gSettings.ThesaurusFile0, (dir / "syn.txt").c_str());
  const std::string got = Run("alpha", "{D}a.txt");
  EXPECT_EQ(got.substr(got.find("** ")), "** beta=70001\r\n");
}

std::string gShortcutTarget;
long ResolveForTest(const char*, char* target, char*) {
  strcpy(target, gShortcutTarget.c_str());
  return 1;
}

TEST_F(ScanTest, ShortcutsAreSearchedThroughTheirTargets) {
  Write({{"real.txt", "key\r\n"}, {"link.lnk", "not text"}});
  char target[kPathBuffer];
  strcpy(target, (dir / "real.txt").c_str());
  NormalizePath(target);
  gShortcutTarget = target;
  SetShortcutResolver(ResolveForTest);
  gSettings.ShortCut = gSettings.Verbose = 1;
  std::string got = Run("key", "{D}link.lnk");
  SetShortcutResolver(nullptr);
  EXPECT_EQ(got, "===== " + gShortcutTarget + "(" + X("{D}link.lnk") + ") =====\r\nkey\r\n*** " + gShortcutTarget +
                     "  1 行中 マッチした数 1(1)  ファイル(1/1)S\r\n検索総行数  1 行\r\n");
}

TEST_F(ScanTest, LastAccessTimeIsRestored) {
  Write({{"a.txt", "key\r\n"}});
  const std::string path = dir / "a.txt";
  OsFileTimes before;
  ASSERT_TRUE(OsGetFileTimes(path.c_str(), &before));
  // An access time well before the last write, which reading would move.
  const uint64_t old = before.lastWrite - 3600ull * 24 * 1000000000ull;
  ASSERT_TRUE(OsSetLastAccessTime(path.c_str(), old));
  OsFileTimes set;
  ASSERT_TRUE(OsGetFileTimes(path.c_str(), &set));
  EXPECT_EQ(Run("key", "{D}a.txt"), "key\r\n");
  OsFileTimes after;
  ASSERT_TRUE(OsGetFileTimes(path.c_str(), &after));
  EXPECT_EQ(after.lastAccess, set.lastAccess);
}

}  // namespace
}  // namespace zanto

namespace zanto {
namespace {

// text (ASCII and UTF-8) as UTF-16 of the given byte order, mark first.
std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    size_t n = 1;
    if (c >= 0xE0) {
      cp = (c & 0x0Fu) << 12 | (utf8[i + 1] & 0x3Fu) << 6 | (utf8[i + 2] & 0x3Fu);
      n = 3;
    } else if (c >= 0xC0) {
      cp = (c & 0x1Fu) << 6 | (utf8[i + 1] & 0x3Fu);
      n = 2;
    }
    const char high = static_cast<char>(cp >> 8), low = static_cast<char>(cp & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
    i += n;
  }
  return out;
}

// The result of a verbose search with file prefixes that finds one line.
std::string OneMatch(unsigned long line, const std::string& text, unsigned long lines, char code) {
  const std::string n = std::to_string(lines);
  return "===== {D}u.txt =====\r\n{D}u.txt " + std::to_string(line) + ":" + text + "\r\n*** {D}u.txt  " + n +
         " 行中 マッチした数 1(1)  ファイル(1/1)" + code + "\r\n検索総行数  " + n + " 行\r\n";
}

void Verbose(SearchSettings& s) {
  s.PrintFile = s.Verbose = 1;
  s.KanjiCode = kKanjiAuto;
}

// One character of the twin files below: its Shift_JIS bytes and the code
// units written for it in the Unicode files (several that land on one
// character, malformed ones that land on none).
struct TwinChar {
  std::string sjis;
  std::vector<uint32_t> units;  // code points; 0xDC00 alone is a lone surrogate
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp == 0xDC00) {
    out += "\xC0";  // malformed: converts to nothing
  } else if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
  } else if (cp < 0x10000) {
    out += {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | cp >> 18), static_cast<char>(0x80 | (cp >> 12 & 0x3F)),
            static_cast<char>(0x80 | (cp >> 6 & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
  }
}

void AppendUtf16(std::string& out, uint32_t cp, bool bigEndian) {
  auto unit = [&](uint32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  if (cp >= 0x10000) {
    unit(0xD800 + ((cp - 0x10000) >> 10));
    unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
  } else {
    unit(cp);
  }
}

// A UTF-8 and a UTF-16 (both byte orders) file give the result of their
// Shift_JIS twin byte for byte, whether their lines are stepped over by a
// needle, by the characters of a folded term or not at all: lines longer
// in raw bytes than a piece but not once converted, lines cut into
// pieces, code points that land on one character, characters Shift_JIS
// lacks, malformed bytes (inside a term's text too), context, blocks and
// joined lines.
TEST_F(ScanTest, UnicodeFilesGiveTheResultOfTheirShiftJisTwin) {
  const TwinChar chars[] = {
      {"a", {'a'}}, {"k", {'k'}}, {"e", {'e'}}, {"y", {'y'}}, {" ", {' '}}, {"x", {'x'}},
      {"\x82\xA0", {0x3042}},                  // あ
      {"\x94\x4C", {0x732B}},                  // 猫
      {"\x95\x5C", {0x8868}},                  // 表
      {"\xB6", {0xFF76}},                      // ｶ
      {"\x81\x60", {0x301C}}, {"\x81\x60", {0xFF5E}},  // ～ from either code point
      {"\x82\x81", {0xFF41}},                  // ａ
      {"\x83\x94", {0x30F4}},                  // ヴ
      {"\x82\xC2", {0x3064}},                  // つ
      {"\xC2", {0xFF82}},                      // ﾂ
      {"\x81\xAC", {0xFC}}, {"\x81\xAC", {0x1F600}},  // 〓 for ü and for a character past the BMP
      {"", {0xDC00}},                          // malformed
      {"\x81\xAC\x88\xEA", {0x0A05, 0x4E00}},   // 〓一: 05 0A 00 4E in UTF-16LE, no line end
  };
  const unsigned kinds = sizeof chars / sizeof chars[0];
  const TwinChar above = {"\x8F\xE3", {0x4E0A}};  // 上: 0A 4E in UTF-16LE, no line end
  unsigned seed = 2024;
  auto next = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  std::string sjis, utf8 = "\xEF\xBB\xBF", le = "\xFF\xFE", be = "\xFE\xFF";
  auto put = [&](const TwinChar& c) {
    sjis += c.sjis;
    for (uint32_t u : c.units) {
      AppendUtf8(utf8, u);
      AppendUtf16(le, u, false);
      AppendUtf16(be, u, true);
    }
  };
  auto putText = [&](const char* text) {
    for (const char* p = text; *p != '\0'; ++p) put({std::string(1, *p), {static_cast<unsigned char>(*p)}});
  };
  while (sjis.size() < 400000) {
    const unsigned shape = next(60);
    if (shape == 0) {
      for (int i = 0; i < 1800; ++i) put(next(2) ? chars[7] : above);  // 5400 bytes of UTF-8, 3600 of Shift_JIS
    } else if (shape == 1) {
      for (unsigned i = 3000 + next(6000); i > 0; --i) put(chars[next(6)]);  // ASCII past a piece
    } else {
      if (next(25) == 0) putText(next(2) ? "BEGIN " : "END ");
      for (unsigned i = next(50); i > 0; --i) put(next(3) == 0 ? chars[next(kinds)] : chars[6 + next(2)]);
      if (next(20) == 0) putText("key");
    }
    putText(next(3) == 0 ? "\n" : "\r\n");
  }
  Write({{"s/a.txt", sjis}, {"8/a.txt", utf8}, {"l/a.txt", le}, {"b/a.txt", be}});

  struct Search {
    const char* text;
    void (*configure)(SearchSettings&);
  } searches[] = {
      {"猫", [](SearchSettings&) {}},
      {"key", [](SearchSettings&) {}},
      {"key and not 表", [](SearchSettings&) {}},
      {"not 猫", [](SearchSettings&) {}},
      {"～", [](SearchSettings&) {}},
      {"〓", [](SearchSettings&) {}},
      {"上上上上猫", [](SearchSettings&) {}},
      {"猫あ猫", [](SearchSettings&) {}},  // malformed bytes between them in some lines
      {"あa猫", [](SearchSettings&) {}},
      {"ｶ", [](SearchSettings& s) { s.Case = 1; }},
      {"A", [](SearchSettings& s) { s.Case = s.ZenHan = 1; }},
      {"つ", [](SearchSettings& s) { s.ZenHan = 1; }},
      {"ﾂ", [](SearchSettings& s) { s.ZenHan = 1; }},
      {"表.*y", [](SearchSettings& s) { s.Regular = 1; }},
      {"[ke]y", [](SearchSettings& s) { s.Regular = 1; }},
      {"key", [](SearchSettings& s) { s.Zengo = 1, s.ZengoLine = 2, s.ZengoLine2 = 1; }},
      {"ｶ", [](SearchSettings& s) { BlockSetUp(s), s.BlockLine = 5; }},
      {"key", [](SearchSettings& s) { s.Connect2 = 1; }},
  };
  for (const Search& search : searches) {
    SCOPED_TRACE(search.text);
    std::string want;
    int wantDispatches = 0;
    for (const char* sub : {"s", "8", "l", "b"}) {
      StartSettings();
      gSettings.PrintFile = 1;
      gSettings.KanjiCode = sub[0] == 's' ? kKanjiSjis : sub[0] == '8' ? kKanjiUtf8 : kKanjiUtf16;
      search.configure(gSettings);
      host.processCalls = 0;
      std::string got = Run(search.text, std::string("{D}") + sub + "/a.txt");
      for (size_t at; (at = got.find(X(std::string("{D}") + sub + "/"))) != std::string::npos;) {
        got.replace(at, X(std::string("{D}") + sub + "/").size(), "{D}");
      }
      if (sub[0] == 's') {
        want = got;
        wantDispatches = host.processCalls;
        EXPECT_GT(std::count(want.begin(), want.end(), '\n'), 20);
        continue;
      }
      SCOPED_TRACE(sub);
      EXPECT_EQ(host.processCalls, wantDispatches);
      EXPECT_EQ(got.size(), want.size());
      EXPECT_TRUE(got == want);
    }
  }
}

TEST_F(ScanTest, UnicodeFilesAreReadAsShiftJis) {
  const std::string aiu = "\xE3\x81\x82\xE3\x81\x84";  // あい in UTF-8
  const std::string kana = "\xEF\xBD\xB6\xEF\xBE\x9E";  // ｶﾞ, half-width, in UTF-8
  const std::string longLine = std::string(4094, 'x') + aiu + "Q\r\n";
  std::string acrossRead;  // あ across the bytes read at a time
  for (int i = 0; i < 2621; ++i) acrossRead += std::string(99, 'x') + "\n";
  acrossRead += std::string(42, 'y') + aiu + "Q\n";
  std::vector<RunCase> cases = {
      {"UTF-8 with mark, CR LF", Verbose, {{"u.txt", "\xEF\xBB\xBF" "x\r\nz " + aiu + "\r\n"}}, "あい", "{D}u.txt",
       OneMatch(2, "z あい", 2, 'U')},
      {"UTF-8 without mark, LF", Verbose, {{"u.txt", "x\nz " + aiu + "\n"}}, "あい", "{D}u.txt",
       OneMatch(2, "z あい", 2, 'U')},
      {"the mark is no part of the first line", Verbose, {{"u.txt", "\xEF\xBB\xBF" "ab\r\n"}}, "ab", "{D}u.txt",
       OneMatch(1, "ab", 1, 'U')},
      {"UTF-16LE", Verbose, {{"u.txt", Utf16("x\r\nz " + aiu + "\r\n", false)}}, "あい", "{D}u.txt",
       OneMatch(2, "z あい", 2, 'W')},
      {"UTF-16BE", Verbose, {{"u.txt", Utf16("x\r\nz " + aiu + "\n", true)}}, "あい", "{D}u.txt",
       OneMatch(2, "z あい", 2, 'W')},
      {"outside Shift_JIS", Verbose, {{"u.txt", "\xC3\xBC" + aiu + "\n"}}, "あい", "{D}u.txt",
       OneMatch(1, "〓あい", 1, 'U')},
      {"half-width kana by the fuzzy search",
       [](SearchSettings& s) { Verbose(s), s.ZenHan = 1; },
       {{"u.txt", "x\n" + kana + "\n"}},
       "ガ",
       "{D}u.txt",
       OneMatch(2, "\xB6\xDE", 2, 'U')},
      {"a character across the end of the sample", Verbose,
       {{"u.txt", std::string(4094, 'a') + "\n" + aiu + "\n"}}, "あい", "{D}u.txt", OneMatch(2, "あい", 2, 'U')},
      {"a character across a long-line split", Verbose, {{"u.txt", "\xEF\xBB\xBF" + longLine}}, "あいQ",
       "{D}u.txt", OneMatch(2, "あいQ", 2, 'U')},
      {"a character across the bytes read at a time",
       [](SearchSettings& s) { Verbose(s), s.KanjiCode = kKanjiUtf8; },
       {{"u.txt", acrossRead}},
       "あいQ",
       "{D}u.txt",
       OneMatch(2622, std::string(42, 'y') + "あいQ", 2622, 'U')},
      {"UTF-8 forced", [](SearchSettings& s) { Verbose(s), s.KanjiCode = kKanjiUtf8; }, {{"u.txt", "ab\r\n"}},
       "ab", "{D}u.txt", OneMatch(1, "ab", 1, 'U')},
      {"UTF-16 forced, no mark", [](SearchSettings& s) { Verbose(s), s.KanjiCode = kKanjiUtf16; },
       {{"u.txt", Utf16("ab\n", false).substr(2)}}, "ab", "{D}u.txt", OneMatch(1, "ab", 1, 'W')},
  };
  RunCases(cases);
}

// A UTF-16 file is binary only for a U+0000 character: its mark and the
// zero halves of its ASCII are no reason.
TEST_F(ScanTest, BinaryUtf16FilesByCharacter) {
  struct Case {
    const char* name;
    std::string bytes;
    bool skipped;
  } cases[] = {
      {"text", Utf16("key \xEF\xBD\xB6\n", false), false},
      {"text, big endian", Utf16("key\n", true), false},
      {"a U+0000", Utf16("key\n", false) + std::string(2, '\0'), true},
      {"zero bytes across two characters", Utf16("k\xC4\x80" "key\n", false), false},  // 6B 00 00 01
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartSettings();
    gSettings.NotSearchBin = gSettings.Verbose = 1;
    gSettings.KanjiCode = kKanjiAuto;
    TempDir d;
    d.Write("b.dat", c.bytes);
    host.clipboard.clear();
    RunSearch({&Output()}, "key", (d / "b.dat").c_str(), "");
    Output().CopyToClipboard();
    EXPECT_EQ(host.clipboard.find("is binary") != std::string::npos, c.skipped) << host.clipboard;
  }
}

// The bytes of one of the office documents other tools wrote.
std::string DocumentFixture(const char* name) {
  std::string bytes;
  FILE* file = fopen((std::string(ZANTO_DOCUMENT_FIXTURES) + "/" + name).c_str(), "rb");
  EXPECT_NE(file, nullptr) << name;
  if (file == nullptr) return bytes;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

// The package with one byte of a member's data changed, so that the member
// no longer inflates to what the directory says of it.
std::string WithDamagedMember(std::string package, const std::string& name) {
  constexpr size_t kLocalHeader = 30;
  const size_t header = package.find(name) - kLocalHeader;  // the local header comes first
  const size_t extra = static_cast<unsigned char>(package[header + 28]) |
                       static_cast<size_t>(static_cast<unsigned char>(package[header + 29])) << 8;
  package[header + kLocalHeader + name.size() + extra + 8] ^= 0x55;
  return package;
}

// An office document is searched as its text, a paragraph a line, in
// UTF-8; one that is no document is a binary file, one whose package cannot
// give a part a file that cannot be opened; and without DocSearch the
// package is a binary file like any other.
TEST_F(ScanTest, OfficeDocumentsAreSearchedAsTheirText) {
  const std::string words = DocumentFixture("words.docx");
  const auto documents = [](SearchSettings& s) { s.Verbose = s.PrintFile = s.NotSearchBin = s.DocSearch = 1; };
  std::vector<RunCase> cases = {
      {"a word over two runs, numbered by its paragraph", documents, {{"w.docx", words}}, "分割された", "{D}w.docx",
       "===== {D}w.docx =====\r\n{D}w.docx 2:分割された語\r\n"
       "*** {D}w.docx  9 行中 マッチした数 1(1)  ファイル(1/1)U\r\n検索総行数  9 行\r\n"},
      {"paragraphs before and after, read again",
       [](SearchSettings& s) { s.Zengo = s.PrintFile = s.ZengoSign = s.DocSearch = 1; },
       {{"w.docx", words}}, "段落 or 終わり", "{D}w.docx",
       "{D}w.docx 2\r\n< 分割された語\r\n: 日本語の段落です。\r\n> \r\n"
       "{D}w.docx 8\r\n< 右\r\n: 終わり\r\n"},
      {"a document cut short is binary", documents, {{"w.docx", words.substr(0, words.size() / 2)}}, "分割",
       "{D}w.docx", "skip {D}w.docx is binary\r\n検索総行数  0 行\r\n"},
      {"a part the package cannot give", documents, {{"w.docx", WithDamagedMember(words, "word/document.xml")}},
       "分割", "{D}w.docx", "cannot open {D}w.docx\r\n検索総行数  0 行\r\n"},
      {"without DocSearch the package is binary",
       [](SearchSettings& s) { s.Verbose = s.NotSearchBin = 1; },
       {{"w.docx", words}}, "分割", "{D}w.docx", "skip {D}w.docx is binary\r\n検索総行数  0 行\r\n"},
  };
  RunCases(cases);
}

}  // namespace
}  // namespace zanto
