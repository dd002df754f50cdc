#include "match/thesaurus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zanto {
namespace {

class ThesaurusTable : public ::testing::Test {
 protected:
  ThesaurusBuild Build(const std::string& text) {
    MemoryLineSource source(text.data(), text.size());
    return table_.Build(source);
  }

  // The words a term expands to, joined by "|"; empty when it does not.
  std::string Expand(const char* term) const {
    const Thesaurus::Group group = table_.FindGroup(term);
    std::string words;
    for (int i = 0; i < group.count; ++i) words += (i ? "|" : "") + std::string(table_.Entry(group.first + i).word);
    return words;
  }

  std::vector<std::string> Words() const {
    std::vector<std::string> words;
    for (size_t i = 0; i < table_.Size(); ++i) {
      words.push_back(std::to_string(table_.Entry(i).group) + ":" + table_.Entry(i).word);
    }
    return words;
  }

  Thesaurus table_;
};

TEST_F(ThesaurusTable, FirstGroupOfAWordWins) {
  ASSERT_EQ(Build("車 自動車 クルマ\n自動車 カー\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("自動車"), "車|自動車|クルマ");
  EXPECT_EQ(Expand("クルマ"), "車|自動車|クルマ");
  EXPECT_EQ(Expand("カー"), "自動車|カー");
  EXPECT_EQ(Expand("車両"), "");
  EXPECT_EQ(Expand("自動"), "");  // no prefix match
  EXPECT_EQ(Words(), (std::vector<std::string>{"0:車", "0:自動車", "0:クルマ", "1:自動車", "1:カー"}));
}

TEST_F(ThesaurusTable, LineFormat) {
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

TEST_F(ThesaurusTable, WordsAreComparedExactly) {
  ASSERT_EQ(Build("ＰＣ パソコン\nCar auto\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("ＰＣ"), "ＰＣ|パソコン");
  EXPECT_EQ(Expand("ｐｃ"), "");
  EXPECT_EQ(Expand("PC"), "");
  EXPECT_EQ(Expand("car"), "");
  EXPECT_EQ(Expand("Car"), "Car|auto");
}

TEST_F(ThesaurusTable, AGroupOfOneIsItself) {
  ASSERT_EQ(Build("alone\npair mate\n"), ThesaurusBuild::Built);
  EXPECT_EQ(Expand("alone"), "alone");
  EXPECT_EQ(Expand("mate"), "pair|mate");
}

TEST_F(ThesaurusTable, EmptyFileGivesAnEmptyTable) {
  ASSERT_EQ(Build(" only comments\n"), ThesaurusBuild::Built);
  EXPECT_TRUE(table_.Loaded());
  EXPECT_EQ(table_.Size(), 0u);
  EXPECT_EQ(Expand("only"), "");
}

TEST_F(ThesaurusTable, Freeing) {
  ASSERT_EQ(Build("a b\nc\n"), ThesaurusBuild::Built);
  table_.Free();
  EXPECT_FALSE(table_.Loaded());
  EXPECT_EQ(Expand("a"), "");
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

TEST_F(ThesaurusTable, MoreWordsOnTheSecondPassEndTheTable) {
  GrowingSource source;
  EXPECT_EQ(table_.Build(source), ThesaurusBuild::Truncated);
  EXPECT_EQ(Words(), (std::vector<std::string>{"0:w0", "0:x"}));
}

TEST_F(ThesaurusTable, ASourceThatCannotRewindLoadsNothing) {
  ASSERT_EQ(Build("old words\n"), ThesaurusBuild::Built);
  const std::string text = "a b\n";
  UnrewindableSource source(text.data(), text.size());
  EXPECT_EQ(table_.Build(source), ThesaurusBuild::Failed);
  EXPECT_FALSE(table_.Loaded());  // the old table is gone too
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
