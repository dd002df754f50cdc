// A prepared search is only read while lines are matched: two searches,
// each with its own matcher, can run side by side over the same lines and
// each finds what it finds alone.
#include "search/prepared_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "search/scan_match.h"
#include "search/search_options.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

const std::string kCar = "\x8E\xD4";                        // 車
const std::string kAutomobile = "\x8E\xA9\x93\xAE\x8E\xD4";  // 自動車
const std::string kWideA = "\x82\x81";                       // ａ

// One search and its matcher, and what it has found so far: each matching
// line with its marks, each block pattern line, and the synonym counts at
// the end of each file.
struct Searcher {
  std::unique_ptr<PreparedSearch> search = std::make_unique<PreparedSearch>();
  std::unique_ptr<LineMatcher> matcher;
  std::string found;

  void Line(const std::string& line, int number) {
    CopyText(matcher->line, kLineBuffer, line.c_str());
    if (EvaluateCurrentLine(*matcher) == kLineMatches) {
      found += std::to_string(number) + ":";
      for (size_t i = 0; i < line.size(); ++i) found += std::string(matcher->marks.at[i] ? "|" : "") + line[i];
      found += "\n";
    }
    const int block = matcher->MatchBlockPattern(line.c_str());
    if (block >= 0) found += "block " + std::to_string(block) + " at " + std::to_string(number) + "\n";
  }
  void EndFile() {
    const Thesaurus* thesaurus = search->compiled.thesaurus;
    for (size_t i = 0; thesaurus != nullptr && i < thesaurus->Size(); ++i) {
      if (matcher->SynonymCount(i) > 0) found += "** " + std::to_string(i) + "=" + std::to_string(matcher->SynonymCount(i)) + "\n";
    }
    matcher->BeginFile();
  }
};

class PreparedSearchTest : public ::testing::Test {
 protected:
  std::unique_ptr<Searcher> Make(const SearchSettings& settings, const char* text) {
    auto searcher = std::make_unique<Searcher>();
    SearchOptionNotes notes;
    EXPECT_TRUE(PrepareSearch(SearchOptionsFrom(settings, &notes), text, host_, searcher->search.get()));
    searcher->matcher = std::make_unique<LineMatcher>(searcher->search->compiled, searcher->search->Tables());
    searcher->matcher->BeginFile();
    return searcher;
  }

  // The lines of each file, to every searcher in turn.
  static void Run(const std::vector<std::vector<std::string>>& files, const std::vector<Searcher*>& searchers) {
    for (const auto& file : files) {
      for (size_t n = 0; n < file.size(); ++n) {
        for (Searcher* s : searchers) s->Line(file[n], static_cast<int>(n) + 1);
      }
      for (Searcher* s : searchers) s->EndFile();
    }
  }

  test::FakeHost host_;
  test::TempDir dir_;
};

TEST_F(PreparedSearchTest, TwoSearchesInterleavedFindWhatEachFindsAlone) {
  dir_.Write("syn.txt", kCar + " " + kAutomobile + "\r\n");
  static BlockSet sets[kBlockSets] = {};
  std::strcpy(sets[1].pattern[0], "^---");
  // A: synonyms, marks and a decided operand whose terms are not all tried.
  SearchSettings a = {};
  a.MatchStr = 1;
  a.Thesaurus = 1;
  std::strcpy(a.ThesaurusFile0, (dir_ / "syn.txt").c_str());
  const std::string searchA = "( key ) or not zzz and " + kAutomobile;
  // B: a regular expression under case and width folding, with blocks.
  SearchSettings b = {};
  b.MatchStr = b.Regular = b.Case = b.ZenHan = b.BlockOut = 1;
  b.BlockSets = sets;
  b.BlockType = 1;
  const char* textB = "x and not ( a or b ) or c.*d";

  const std::vector<std::vector<std::string>> files = {
      {"key " + kCar + " lock", "---", "C " + kWideA + " D", "xyz", "lock key " + kAutomobile},
      {"nothing", "--- cd", "x a", kCar + kCar + " key", "xq"},
  };
  auto aloneA = Make(a, searchA.c_str());
  auto aloneB = Make(b, textB);
  Run(files, {aloneA.get()});
  Run(files, {aloneB.get()});
  auto bothA = Make(a, searchA.c_str());
  auto bothB = Make(b, textB);
  Run(files, {bothA.get(), bothB.get()});

  EXPECT_EQ(bothA->found, aloneA->found);
  EXPECT_EQ(bothB->found, aloneB->found);
  // The searches found something of their own, so the comparison means it.
  EXPECT_NE(aloneA->found.find("** "), std::string::npos) << aloneA->found;
  EXPECT_NE(aloneA->found.find("|"), std::string::npos) << aloneA->found;
  EXPECT_NE(aloneB->found.find("block 0"), std::string::npos) << aloneB->found;
  EXPECT_NE(aloneB->found.find("|"), std::string::npos) << aloneB->found;
  EXPECT_NE(aloneA->found, aloneB->found);
}

}  // namespace
}  // namespace zanto
