// What the settings record must look like, row by row, written out
// independently of the program's own tables, and helpers to compare whole
// records: a snapshot names every field, so a test can check that an
// option changed exactly the fields it should and nothing else.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "search/settings_io.h"

namespace zanto::test {

constexpr int kNone = -1;  // no start value: the field keeps what it had

struct ExpectedFlag {
  const char* key;
  int32_t SearchSettings::*field;
  bool always;
  int start;
  int fallback;
};

struct ExpectedNumber {
  const char* key;
  int32_t SearchSettings::*field;
  bool always;
  int start, min, max, fallback;
};

struct ExpectedText {
  const char* key;
  char* (*field)(SearchSettings&);
  size_t capacity;
  bool always;
  const char* start;
};

#define F(key) #key, &SearchSettings::key
inline const ExpectedFlag kExpectedFlags[] = {
    {F(Word), false, 0, 0},           {F(Case), false, 0, 0},
    {F(DelSp), false, 0, 0},          {F(ShortCut), false, 1, 1},
    {F(PrintFile), false, 1, 1},      {F(TabToSpace), false, 0, 0},
    {F(FullPath), false, 1, 0},       {F(Append), false, 0, 0},
    {F(ZenHan), false, 0, 0},         {F(Verbose), false, 1, 1},
    {F(Endmatch), false, 1, 1},       {F(SubDir), false, 0, 0},
    {F(Connect2), false, 0, 0},       {F(LzhSearch), false, 1, 1},
    {F(NotSearchBin), false, 1, 1},   {F(BlockSign), true, kNone, 1},
    {F(ZengoSign), true, kNone, 1},   {F(Zengo), false, kNone, 0},
    {F(BlockOut), false, kNone, 0},   {F(Date), false, 0, 0},
    {F(Size), false, 0, 0},           {F(MatchStr), false, 0, 0},
    {F(Regular), false, 1, 1},        {F(Same1), true, kNone, 0},
    {F(ThesaurusCount), false, kNone, 0}, {F(BlockMulti), true, kNone, 0},
    {F(PrintFileList), false, 0, 0},  {F(SearchHide), false, 0, 0},
    {F(FieldSearch), false, 0, 0},    {F(Midashi), false, 0, 0},
    {F(SortRev), false, 0, 0},        {F(SmallDialog), true, kNone, 0},
    {F(DocSearch), false, 1, 1},
};

inline const ExpectedNumber kExpectedNumbers[] = {
    {F(CountStop), false, 0, 0, 999, 0},   {F(ZengoLine), false, 0, 0, 99, 1},
    {F(ZengoLine2), false, 0, 0, 99, 1},   {F(BlockType), false, 0, 0, 4, 0},
    {F(BlockLine), true, 0, 1, 999, 100},  {F(SortType), false, 0, 0, 3, 0},
    {F(DelUnlha), true, 0, 0, 2, 1},       {F(Thesaurus), false, 0, 0, 3, 0},
    {F(KanjiCode), true, 0, 0, 5, 1},      {F(DlgFontPoint), true, 0, 8, 30, 10},
};
#undef F

#define T(key) #key, [](SearchSettings& s) -> char* { return s.key; }
inline const ExpectedText kExpectedTexts[] = {
    {T(Directory), 270, false, ""},      {T(OutFile), 270, false, ""},
    {T(ExecEdit), 270, false, "KZW32.EXE"}, {T(ExecClip), 50, false, "-C"},
    {T(NotSearchExt), 270, true, ""},    {T(ZStartString), 81, true, ""},
    {T(ZEndString), 81, true, ""},       {T(DateStart), 7, false, ""},
    {T(DateEnd), 7, false, ""},          {T(SizeStart), 9, false, ""},
    {T(SizeEnd), 9, false, ""},          {T(MatchString), 11, false, ""},
    {T(ThesaurusFile0), 270, false, ""}, {T(ThesaurusFile1), 270, false, ""},
    {T(ThesaurusFile2), 270, false, ""}, {T(UnlhaTmp), 270, true, ""},
    {T(EUCDrive), 5, true, ""},          {T(FieldPara), 64, true, ""},
    {T(FieldNo), 64, true, ""},          {T(StrMidashi), 31, true, "■"},
    {T(FontDialog), 80, true, ""},
};

// Fields outside the profile that the command line sets.
struct ExtraInt {
  const char* name;
  int32_t SearchSettings::*field;
};
#define X(key) {#key, &SearchSettings::key}
inline const ExtraInt kExtraInts[] = {
    X(CommandLineMode), X(SettingsFileGiven), X(FileListForm), X(EchoQuery),
    X(NoAutoStart),     X(QuitAlways),        X(Use3DControls),
};
#undef X
inline const ExpectedText kExtraTexts[] = {
    {T(ProfilePath), 270, false, ""},        {T(HelpPath), 270, false, ""},
    {T(Same1Path), 270, false, ""},          {T(SearchHistory[0]), 129, false, ""},
    {T(FileHistory[0]), 129, false, ""},     {T(DirHistory[0]), 271, false, ""},
    {T(ArchiveTempDir), 270, false, ""},
};
#undef T

using Snapshot = std::map<std::string, std::string>;

// Every int and text field by name.
inline Snapshot TakeSnapshot(SearchSettings& s) {
  Snapshot shot;
  for (const auto& row : kExpectedFlags) shot[row.key] = std::to_string(s.*row.field);
  for (const auto& row : kExpectedNumbers) shot[row.key] = std::to_string(s.*row.field);
  for (const auto& row : kExtraInts) shot[row.name] = std::to_string(s.*row.field);
  for (const auto& row : kExpectedTexts) shot[row.key] = row.field(s);
  for (const auto& row : kExtraTexts) shot[row.key] = row.field(s);
  return shot;
}

// The fields of after that differ from before, with their new values.
inline Snapshot Changes(const Snapshot& before, const Snapshot& after) {
  Snapshot changed;
  for (const auto& [name, value] : after)
    if (before.at(name) != value) changed[name] = value;
  return changed;
}

constexpr int32_t kSentinel = 7;
constexpr char kSentinelText[] = "~";

// Puts a value no rule produces into every field, so that any write shows.
inline void FillSentinel(SearchSettings& s) {
  for (const auto& row : kExpectedFlags) s.*row.field = kSentinel;
  for (const auto& row : kExpectedNumbers) s.*row.field = kSentinel;
  for (const auto& row : kExtraInts) s.*row.field = kSentinel;
  for (const auto& row : kExpectedTexts) std::strcpy(row.field(s), kSentinelText);
  for (const auto& row : kExtraTexts) std::strcpy(row.field(s), kSentinelText);
  std::strcpy(s.SearchHistory[1], kSentinelText);
  std::strcpy(s.FileHistory[1], kSentinelText);
  std::strcpy(s.DirHistory[1], kSentinelText);
}

// Fresh settings for every test, with the block store allocated.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeBlockSets();
    FreeArguments();
    gSettings = SearchSettings{};
    ASSERT_TRUE(AllocateBlockSets());
  }
  void TearDown() override {
    FreeBlockSets();
    FreeArguments();
  }
};

// A program path for command-line tests, and the command line with it.
constexpr char kProgramPath[] = "C:\\Tools\\ZANTO32.EXE";

}  // namespace zanto::test
