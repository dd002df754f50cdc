#include "match/thesaurus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zanto {
namespace {

class Thesaurus : public ::testing::Test {
 protected:
  void TearDown() override { FreeThesaurus(); }

  static ThesaurusBuild Build(const std::string& text) {
    MemoryLineSource source(text.data(), text.size());
    return BuildThesaurus(source);
  }

  // The words a term expands to, joined by "|"; empty when it does not.
  static std::string Expand(const char* term) {
    const ThesaurusGroup group = FindThesaurusGroup(term);
    std::string words;
    for (int i = 0; i < group.count; ++i) words += (i ? "|" : "") + std::string(group.first[i].word);
    return words;
  }

  static std::vector<std::string> Words() {
    std::vector<std::string> words;
    for (const ThesaurusEntry* e = gThesaurus; e != nullptr && e->word != nullptr; ++e) {
      words.push_back(std::to_string(e->group) + ":" + e->word);
    }
    return words;
  }
};

TEST_F(Thesaurus, FirstGroupOfAWordWins) {
  ASSERT_EQ(Build("車 自動車 クルマ\n自動車 カー\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("自動車"), "車|自動車|クルマ");
  EXPECT_EQ(Expand("クルマ"), "車|自動車|クルマ");
  EXPECT_EQ(Expand("カー"), "自動車|カー");
  EXPECT_EQ(Expand("車両"), "");
  EXPECT_EQ(Expand("自動"), "");  // no prefix match
  EXPECT_EQ(Words(), (std::vector<std::string>{"0:車", "0:自動車", "0:クルマ", "1:自動車", "1:カー"}));
}

TEST_F(Thesaurus, LineFormat) {
  struct Case {
    std::string text;
    std::vector<std::string> words;
  } cases[] = {
      // Indented, empty and control-character lines are skipped and not numbered.
      {"a b\n c d\n\te\n\nf g\n\x01h\n", {"0:a", "0:b", "1:f", "1:g"}},
      // Spaces, tabs and CR LF separate words; runs of them are one break.
      {"a\tb  c\t \td\r\ne\r\n", {"0:a", "0:b", "0:c", "0:d", "1:e"}},
      {"one", {"0:one"}},                     // no final line end
      {"x \n", {"0:x"}},
      // Double-byte words whose trail bytes look like ASCII stay whole.
      {"表示 ソフト\n", {"0:表示", "0:ソフト"}},
      {"   \n\t\n", {}},                       // nothing but comments
      {"", {}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Build(c.text), ThesaurusBuild::Built) << c.text;
    EXPECT_EQ(Words(), c.words) << c.text;
  }
}

TEST_F(Thesaurus, WordsAreComparedExactly) {
  ASSERT_EQ(Build("ＰＣ パソコン\nCar auto\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("ＰＣ"), "ＰＣ|パソコン");
  EXPECT_EQ(Expand("ｐｃ"), "");
  EXPECT_EQ(Expand("PC"), "");
  EXPECT_EQ(Expand("car"), "");
  EXPECT_EQ(Expand("Car"), "Car|auto");
}

TEST_F(Thesaurus, AGroupOfOneIsItself) {
  ASSERT_EQ(Build("alone\npair mate\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("alone"), "alone");
  EXPECT_EQ(Expand("mate"), "pair|mate");
}

TEST_F(Thesaurus, EmptyFileGivesAnEmptyTable) {
  ASSERT_EQ(Build(" only comments\n"), ThesaurusBuild::Built);
  ASSERT_NE(gThesaurus, nullptr);
  EXPECT_EQ(gThesaurus[0].word, nullptr);
  EXPECT_EQ(Expand("only"), "");
}

TEST_F(Thesaurus, CountsResetAndFreeing) {
  ASSERT_EQ(Build("a b\nc\n"), ThesaurusBuild::Built);
  gThesaurus[0].count = 3;
  gThesaurus[2].count = 1;
  ResetThesaurusCounts();
  for (const ThesaurusEntry* e = gThesaurus; e->word != nullptr; ++e) EXPECT_EQ(e->count, 0);
  FreeThesaurus();
  EXPECT_EQ(gThesaurus, nullptr);
  EXPECT_EQ(Expand("a"), "");
  ResetThesaurusCounts();  // no table: nothing to do
}

// A file that grows between the two passes.
class GrowingSource : public LineSource {
 public:
  bool ReadLine(char* line, size_t capacity) override {
    const int lines = rewound_ ? 3 : 1;
    if (next_ >= lines || capacity < 8) return false;
    std::snprintf(line, capacity, "w%d x\n", next_++);
    return true;
  }
  bool Rewind() override {
    rewound_ = true;
    next_ = 0;
    return true;
  }

 private:
  bool rewound_ = false;
  int next_ = 0;
};

class UnrewindableSource : public MemoryLineSource {
 public:
  using MemoryLineSource::MemoryLineSource;
  bool Rewind() override { return false; }
};

TEST_F(Thesaurus, MoreWordsOnTheSecondPassEndTheTable) {
  GrowingSource source;
  EXPECT_EQ(BuildThesaurus(source), ThesaurusBuild::Truncated);
  EXPECT_EQ(Words(), (std::vector<std::string>{"0:w0", "0:x"}));
}

TEST_F(Thesaurus, ASourceThatCannotRewindLoadsNothing) {
  ASSERT_EQ(Build("old words\n"), ThesaurusBuild::Built);
  const std::string text = "a b\n";
  UnrewindableSource source(text.data(), text.size());
  EXPECT_EQ(BuildThesaurus(source), ThesaurusBuild::Failed);
  EXPECT_EQ(gThesaurus, nullptr);  // the old table is gone too
}

TEST(ThesaurusPath, RootedPathsAreTakenAsTheyAre) {
  struct Case {
    const char* path;
    bool rooted;
  } cases[] = {
      {"\\dict\\syn.txt", true}, {"/dict/syn.txt", true}, {"C:\\syn.txt", true}, {"c:syn.txt", true},
      {"syn.txt", false},        {"dict\\syn.txt", false}, {"", false},          {"x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRootedTablePath(c.path), c.rooted) << c.path;
}

}  // namespace
}  // namespace zanto
