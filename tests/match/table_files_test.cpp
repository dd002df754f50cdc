// Loading the tables from real files and sampling files for their kanji
// code, through the files layer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "files/path.h"
#include "match/folding.h"
#include "match/kanji_code.h"
#include "match/thesaurus.h"
#include "search/match_files.h"
#include "search/search_options.h"
#include "search/settings_io.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

class TableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSettings_ = gSettings;
    savedArguments_ = gArguments;
    program_ = dir_ / "ZANTO32.EXE";
    gArguments.count = 1;
    gArguments.entries[0] = program_.data();
    gArguments.entries[1] = nullptr;
    CopyText(gSettings.Same1Path, kPathBuffer, (dir_ / "ZAFIND1.TXT").c_str());
  }
  void TearDown() override {
    gSettings = savedSettings_;
    gArguments = savedArguments_;
  }

  void SelectThesaurus(int which, const std::string& path) {
    gSettings.Thesaurus = which;
    char* files[] = {gSettings.ThesaurusFile0, gSettings.ThesaurusFile1, gSettings.ThesaurusFile2};
    CopyText(files[which - 1], kPathBuffer, path.c_str());
  }

  std::string FirstWords() const {
    std::string words;
    for (size_t i = 0; i < thesaurus_.Size(); ++i) words += (words.empty() ? "" : "|") + std::string(thesaurus_.Entry(i).word);
    return words;
  }

  // The loaders as a run calls them, from the settings.
  int LoadThesaurus() {
    SearchOptionNotes notes;
    const SearchOptions options = SearchOptionsFrom(gSettings, &notes);
    return zanto::LoadThesaurus(options.thesaurus ? options.thesaurusFile : nullptr, &thesaurus_) ? 1 : 0;
  }
  void LoadSame1Table() { zanto::LoadSame1Table(gSettings.Same1Path, &same1_); }

  Thesaurus thesaurus_;
  Same1Table same1_;

  test::FakeHost host_;
  test::TempDir dir_;
  std::string program_;
  SearchSettings savedSettings_;
  ArgumentVector savedArguments_;
};

TEST_F(TableFiles, Same1TableComesFromBesideTheProgram) {
  dir_.Write("ZAFIND1.TXT", "\x8D\xD6\x90\xC4\r\n");  // 斎斉, CR LF
  LoadSame1Table();
  bool mapped = false;
  EXPECT_EQ(Same1Map(&same1_, 0x90C4, &mapped), 0x8DD6);
  EXPECT_TRUE(mapped);
  EXPECT_TRUE(host_.traces.empty());
}

TEST_F(TableFiles, MissingSame1FileLeavesNoTableAndATrace) {
  dir_.Write("ZAFIND1.TXT", "\x8D\xD6\x90\xC4\n");
  LoadSame1Table();
  ASSERT_TRUE(same1_.Loaded());
  CopyText(gSettings.Same1Path, kPathBuffer, (dir_ / "NONE.TXT").c_str());
  LoadSame1Table();
  EXPECT_FALSE(same1_.Loaded());  // the old table does not linger
  ASSERT_EQ(host_.traces.size(), 1u);
  EXPECT_EQ(host_.traces[0], "can not open " + dir_ / "NONE.TXT");
}

TEST_F(TableFiles, NothingToLoad) {
  SelectThesaurus(1, "syn.txt");
  gSettings.Thesaurus = 0;
  EXPECT_EQ(LoadThesaurus(), 1);
  EXPECT_FALSE(thesaurus_.Loaded());
  SelectThesaurus(2, "");
  EXPECT_EQ(LoadThesaurus(), 1);
  EXPECT_FALSE(thesaurus_.Loaded());
  gSettings.Thesaurus = 4;
  EXPECT_EQ(LoadThesaurus(), 1);
  EXPECT_FALSE(thesaurus_.Loaded());
}

TEST_F(TableFiles, RelativeThesaurusIsTakenBesideTheProgram) {
  dir_.Write("syn.txt", "beside program\r\n");
  test::TempDir elsewhere;
  elsewhere.Write("syn.txt", "current directory\n");
  char savedCurrent[kPathBuffer];
  ASSERT_TRUE(OsGetCurrentDirectory(savedCurrent, sizeof savedCurrent));
  ASSERT_TRUE(OsSetCurrentDirectory(elsewhere.path().c_str()));
  SelectThesaurus(1, "syn.txt");
  const int loaded = LoadThesaurus();
  OsSetCurrentDirectory(savedCurrent);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(FirstWords(), "beside|program");
}

TEST_F(TableFiles, EachSettingSelectsItsFile) {
  test::TempDir other;
  other.Write("a.txt", "first\n");
  other.Write("b.txt", "second\n");
  other.Write("c.txt", "third\n");
  const char* names[] = {"a.txt", "b.txt", "c.txt"};
  const char* words[] = {"first", "second", "third"};
  for (int which = 1; which <= 3; ++which) {
    SelectThesaurus(which, other / names[which - 1]);  // a rooted path is taken as it is
    EXPECT_EQ(LoadThesaurus(), 1) << which;
    EXPECT_EQ(FirstWords(), words[which - 1]) << which;
  }
}

TEST_F(TableFiles, UnreadableThesaurusReportsFailure) {
  dir_.Write("syn.txt", "old table\n");
  SelectThesaurus(1, "syn.txt");
  ASSERT_EQ(LoadThesaurus(), 1);
  SelectThesaurus(1, "missing.txt");
  EXPECT_EQ(LoadThesaurus(), 0);
  EXPECT_FALSE(thesaurus_.Loaded());
  SelectThesaurus(3, dir_ / "missing.txt");
  EXPECT_EQ(LoadThesaurus(), 0);
}

TEST_F(TableFiles, ThesaurusLinesAcrossReadChunks) {
  // Many lines, so lines cross the loader's read chunks.
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "w" + std::to_string(i) + " x" + std::to_string(i) + "\r\n";
  dir_.Write("big.txt", text);
  SelectThesaurus(1, "big.txt");
  ASSERT_EQ(LoadThesaurus(), 1);
  const Thesaurus::Group group = thesaurus_.FindGroup("x2999");
  ASSERT_EQ(group.count, 2);
  EXPECT_STREQ(thesaurus_.Entry(group.first).word, "w2999");
  EXPECT_EQ(thesaurus_.Entry(group.first).group, 2999u);
}

class KanjiFiles : public TableFiles {
 protected:
  // The code of a file holding bytes; also checks that the file is left at
  // its start.
  int Detect(const std::string& bytes) {
    dir_.Write("t.txt", bytes);
    const std::string path = dir_ / "t.txt";
    const intptr_t file = OpenRawFile(path.c_str(), kOpenRead);
    EXPECT_GE(file, 0);
    const int code = DetectKanjiCode(path.c_str(), file);
    char head[8] = {};
    const long got = ReadRawFile(file, head, sizeof head - 1);
    EXPECT_EQ(std::string(head, got > 0 ? static_cast<size_t>(got) : 0), bytes.substr(0, 7));
    CloseRawFile(file);
    return code;
  }
};

TEST_F(KanjiFiles, AutomaticDetection) {
  gSettings.KanjiCode = kKanjiAuto;
  gSettings.EUCDrive[0] = '\0';
  EXPECT_EQ(Detect(""), kKanjiSjis);
  EXPECT_EQ(Detect("\xA4\xA2\n"), kKanjiEuc);
  EXPECT_EQ(Detect("\xA4\xA2\r\n"), kKanjiSjis);
  EXPECT_EQ(Detect("\x1B$B$\"\x1B(B\r\n"), kKanjiJis);
  EXPECT_EQ(Detect("\x82\xA0\n"), kKanjiSjis);
  // Only the first 4096 bytes count.
  EXPECT_EQ(Detect(std::string(4096, 'a') + "\r\n\x82\xA0"), kKanjiEuc);
  EXPECT_EQ(Detect(std::string(4095, 'a') + "\r\n"), kKanjiSjis);
  // ...but a character the 4096th byte starts is read to its end: EUC-JP 東.
  EXPECT_EQ(Detect(std::string(4095, 'a') + "\xC5\xEC\n"), kKanjiEuc);
  EXPECT_EQ(host_.traces.size(), 8u);
  EXPECT_EQ(host_.traces[0], "check kanji ");
}

TEST_F(KanjiFiles, SettingAndDriveOverrideTheBytes) {
  const std::string eucWithCr = "\xA4\xA2\r\n";
  gSettings.KanjiCode = kKanjiEuc;
  EXPECT_EQ(Detect(eucWithCr), kKanjiEuc);
  gSettings.KanjiCode = kKanjiJis;
  EXPECT_EQ(Detect("plain\n"), kKanjiJis);
  EXPECT_TRUE(host_.traces.empty());  // nothing sampled

  char full[kPathBuffer];
  ASSERT_TRUE(OsFullPath(dir_.path().c_str(), full, sizeof full));
  if (full[1] != ':') GTEST_SKIP() << "paths here have no drive letter";
  gSettings.KanjiCode = kKanjiAuto;
  const char drive[] = {static_cast<char>(full[0] | 0x20), '\0'};  // given in lower case
  CopyText(gSettings.EUCDrive, sizeof gSettings.EUCDrive, drive);
  EXPECT_EQ(Detect(eucWithCr), kKanjiEuc);
  gSettings.KanjiCode = kKanjiSjis;
  EXPECT_EQ(Detect(eucWithCr), kKanjiEuc);
}

}  // namespace
}  // namespace zanto
