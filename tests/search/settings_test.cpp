#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/sjis.h"
#include "search/settings_fixture.h"
#include "search/settings_io.h"
#include "support/temp_dir.h"

namespace zanto::test {
namespace {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

std::string Section(const std::string& name, const KeyValues& keys) {
  std::string text = "[" + name + "]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  return text;
}

// The text fits a field of capacity bytes, cut at a character boundary.
std::string Fit(const std::string& text, size_t capacity) {
  std::vector<char> buffer(capacity);
  CopyText(buffer.data(), capacity, text.c_str());
  return buffer.data();
}

class SettingsLoad : public SettingsTest {
 protected:
  // Starts as the program does: pass 1, the profile, pass 2. Without
  // option I among the arguments, the profile is the file ZANTO.INI of
  // the temporary directory.
  void Start(const std::string& arguments, const std::string& profile) {
    dir_.Write("ZANTO.INI", profile);
    Pass1(arguments);
    LoadSettings();
    ApplyCommandLine(2);
  }
  void Pass1(const std::string& arguments) {
    SplitCommandLine(("ZANTO32.EXE " + arguments).c_str(), kProgramPath);
    ApplyCommandLine(1);
    if (!gSettings.SettingsFileGiven) SetProfilePath("ZANTO.INI");
  }
  void SetProfilePath(const std::string& name) {
    std::snprintf(gSettings.ProfilePath, sizeof gSettings.ProfilePath, "%s", (dir_ / name).c_str());
  }
  TempDir dir_;
};

// ---- Start values ----

TEST_F(SettingsTest, PassOneSetsEveryStartValue) {
  FillSentinel(gSettings);
  SplitCommandLine("ZANTO32.EXE", kProgramPath);
  ApplyCommandLine(1);
  for (const auto& row : kExpectedFlags)
    EXPECT_EQ(gSettings.*row.field, row.start == kNone ? kSentinel : row.start) << row.key;
  for (const auto& row : kExpectedNumbers) EXPECT_EQ(gSettings.*row.field, row.start) << row.key;
  for (const auto& row : kExpectedTexts) EXPECT_STREQ(row.field(gSettings), row.start) << row.key;
  for (const char* entry0 : {gSettings.SearchHistory[0], gSettings.FileHistory[0], gSettings.DirHistory[0]})
    EXPECT_STREQ(entry0, "");
  EXPECT_STREQ(gSettings.SearchHistory[1], kSentinelText);  // only entry 0 is emptied
  for (const auto& row : kExtraInts)
    EXPECT_EQ(gSettings.*row.field, std::string(row.name) == "Use3DControls" ? 1 : 0) << row.name;
}

// ---- Which rows the profile sets ----

// A profile value for every row that differs from the row's start value.
KeyValues ProfileDifferingFromStart() {
  KeyValues keys;
  for (int n = 0; n < kHistoryEntries; ++n) keys.push_back({"string" + std::to_string(n), "s" + std::to_string(n)});
  for (int n = 0; n < kHistoryEntries; ++n) keys.push_back({"file" + std::to_string(n), "f" + std::to_string(n)});
  for (int n = 0; n < kDirHistoryEntries; ++n) keys.push_back({"dir" + std::to_string(n), "d" + std::to_string(n)});
  for (const auto& row : kExpectedFlags) keys.push_back({row.key, row.start == 1 ? "0" : "1"});
  for (const auto& row : kExpectedNumbers) keys.push_back({row.key, std::to_string(row.max)});
  for (const auto& row : kExpectedTexts) keys.push_back({row.key, Fit(std::string("v") + row.key, row.capacity)});
  return keys;
}

TEST_F(SettingsLoad, CommandLineModeReadsOnlyAlwaysRowsUnlessOptionIGivesTheProfile) {
  std::string profile = Section("search", ProfileDifferingFromStart());
  dir_.Write("OTHER.INI", profile);
  struct Case {
    std::string arguments;
    bool readsEveryRow;
    bool readsSearchAndFileHistory;
  } cases[] = {
      {"", true, true},
      {"abc", true, true},  // a search string alone is no command-line mode
      {"abc *.txt", false, false},
      {"abc *.txt \"-I" + (dir_ / "OTHER.INI") + "\"", true, false},
  };
  for (const Case& c : cases) {
    FillSentinel(gSettings);
    Start(c.arguments, profile);
    for (const auto& row : kExpectedFlags) {
      int fromProfile = row.start == 1 ? 0 : 1;
      int kept = row.start == kNone ? kSentinel : row.start;
      EXPECT_EQ(gSettings.*row.field, c.readsEveryRow || row.always ? fromProfile : kept)
          << c.arguments << " " << row.key;
    }
    for (const auto& row : kExpectedNumbers)
      EXPECT_EQ(gSettings.*row.field, c.readsEveryRow || row.always ? row.max : row.start)
          << c.arguments << " " << row.key;
    for (const auto& row : kExpectedTexts) {
      std::string fromProfile = Fit(std::string("v") + row.key, row.capacity);
      EXPECT_EQ(row.field(gSettings), c.readsEveryRow || row.always ? fromProfile : row.start)
          << c.arguments << " " << row.key;
    }
    EXPECT_STREQ(gSettings.SearchHistory[1], c.readsSearchAndFileHistory ? "s1" : kSentinelText) << c.arguments;
    EXPECT_STREQ(gSettings.FileHistory[1], c.readsSearchAndFileHistory ? "f1" : kSentinelText) << c.arguments;
    EXPECT_STREQ(gSettings.DirHistory[9], "d9") << c.arguments;
  }
}

TEST_F(SettingsLoad, WithoutAProfileFileEveryRowTakesItsFallback) {
  Pass1("");
  LoadSettings();
  for (const auto& row : kExpectedFlags) EXPECT_EQ(gSettings.*row.field, row.fallback) << row.key;
  for (const auto& row : kExpectedNumbers) EXPECT_EQ(gSettings.*row.field, row.fallback) << row.key;
  for (const auto& row : kExpectedTexts) EXPECT_STREQ(row.field(gSettings), "") << row.key;
  EXPECT_STREQ(gSettings.FileHistory[0], "");
}

TEST_F(SettingsLoad, AProfileThatCannotBeOpenedLeavesTheStartValues) {
  const std::string tooLarge = Section("search", {{"FullPath", "0"}}) + std::string(0x20000, ';');
  struct Case {
    const char* what;
    std::function<void()> prepare;
    std::function<void()> whileRunning;  // after the load, before the save
  } cases[] = {
      {"too large", [&] { dir_.Write("ZANTO.INI", tooLarge); }, nullptr},
      // Unread, the user's values exist only in the file: a later save
      // would put the start values in their place.
      {"too large, then smaller", [&] { dir_.Write("ZANTO.INI", tooLarge); },
       [&] { dir_.Write("ZANTO.INI", Section("search", {{"FullPath", "0"}})); }},
      {"no path", [&] { gSettings.ProfilePath[0] = '\0'; }, nullptr},
  };
  for (const Case& c : cases) {
    Pass1("");
    c.prepare();
    LoadSettings();
    if (c.whileRunning) c.whileRunning();
    std::string before = dir_.Read("ZANTO.INI");
    for (const auto& row : kExpectedFlags)
      if (row.start != kNone) {
        EXPECT_EQ(gSettings.*row.field, row.start) << c.what << " " << row.key;
      }
    for (const auto& row : kExpectedTexts) EXPECT_STREQ(row.field(gSettings), row.start) << c.what << " " << row.key;
    EXPECT_FALSE(SaveSettings()) << c.what;
    EXPECT_EQ(dir_.Read("ZANTO.INI"), before) << c.what;
  }
}

// ---- Values ----

TEST_F(SettingsLoad, FlagValuesCountByTheirFirstCharacter) {
  struct Case {
    std::optional<std::string> value;  // nullopt: key absent
    int want;                          // -1: the row's fallback
  } cases[] = {
      {"0", 0}, {"1", 1}, {"0abc", 0}, {"1yes", 1}, {"  1", 1},
      {"yes", -1}, {"2", -1}, {"-1", -1}, {"", -1}, {std::nullopt, -1},
  };
  for (const Case& c : cases) {
    KeyValues keys;
    if (c.value)
      for (const auto& row : kExpectedFlags) keys.push_back({row.key, *c.value});
    Start("", Section("search", keys));
    for (const auto& row : kExpectedFlags)
      EXPECT_EQ(gSettings.*row.field, c.want < 0 ? row.fallback : c.want) << c.value.value_or("(absent)") << " " << row.key;
  }
}

TEST_F(SettingsLoad, NumberValuesOutsideTheirRangeTakeTheFallback) {
  // Each case gives a row its profile text and the number that text reads
  // as (nullopt: the value is empty).
  struct Case {
    const char* what;
    std::function<std::string(const ExpectedNumber&)> text;
    std::function<std::optional<int>(const ExpectedNumber&)> reads;
  } cases[] = {
      {"min", [](auto& r) { return std::to_string(r.min); }, [](auto& r) { return r.min; }},
      {"max", [](auto& r) { return std::to_string(r.max); }, [](auto& r) { return r.max; }},
      {"max+1", [](auto& r) { return std::to_string(r.max + 1); }, [](auto& r) { return r.max + 1; }},
      {"digits then text", [](auto&) { return std::string("3abc"); }, [](auto&) { return 3; }},
      {"no digits", [](auto&) { return std::string("abc"); }, [](auto&) { return 0; }},
      {"sign", [](auto&) { return std::string("-2"); }, [](auto&) { return 0; }},
      {"huge", [](auto&) { return std::string("99999999999999999999"); }, [](auto&) { return 1000000; }},
      {"blank", [](auto&) { return std::string(""); }, [](auto&) { return std::optional<int>(); }},
  };
  for (const Case& c : cases) {
    KeyValues keys;
    for (const auto& row : kExpectedNumbers) keys.push_back({row.key, c.text(row)});
    Start("", Section("search", keys));
    int zengoLine = 0;
    for (const auto& row : kExpectedNumbers) {
      std::optional<int> read = c.reads(row);
      int want = read && *read >= row.min && *read <= row.max ? *read : row.fallback;
      if (!read && std::string(row.key) == "ZengoLine2") want = zengoLine;
      if (std::string(row.key) == "ZengoLine") zengoLine = want;
      EXPECT_EQ(gSettings.*row.field, want) << c.what << " " << row.key;
    }
  }
}

TEST_F(SettingsLoad, LinesAfterAMatchDefaultToTheLinesBefore) {
  struct Case {
    std::optional<std::string> zengoLine, zengoLine2;
    int wantLine, wantLine2;
  } cases[] = {
      {"3", std::nullopt, 3, 3},  {"3", "", 3, 3},     {"3", "5", 3, 5},
      {"150", std::nullopt, 1, 1}, {std::nullopt, std::nullopt, 1, 1},
      {"3", "100", 3, 1},         {"0", std::nullopt, 0, 0},
  };
  for (const Case& c : cases) {
    KeyValues keys;
    if (c.zengoLine) keys.push_back({"ZengoLine", *c.zengoLine});
    if (c.zengoLine2) keys.push_back({"ZengoLine2", *c.zengoLine2});
    Start("", Section("search", keys));
    EXPECT_EQ(gSettings.ZengoLine, c.wantLine) << c.zengoLine.value_or("-") << "/" << c.zengoLine2.value_or("-");
    EXPECT_EQ(gSettings.ZengoLine2, c.wantLine2) << c.zengoLine.value_or("-") << "/" << c.zengoLine2.value_or("-");
  }
}

TEST_F(SettingsLoad, TextValuesAreCutAtTheirCapacityOnACharacterBoundary) {
  struct Case {
    const char* what;
    std::function<std::string(size_t capacity)> value;
    std::function<std::string(size_t capacity)> want;
  } cases[] = {
      {"fits exactly", [](size_t n) { return std::string(n - 1, 'x'); }, [](size_t n) { return std::string(n - 1, 'x'); }},
      {"too long", [](size_t n) { return std::string(n + 30, 'y'); }, [](size_t n) { return std::string(n - 1, 'y'); }},
      {"lead byte last", [](size_t n) { return std::string(n - 2, 'z') + "\x95\x5C"; },
       [](size_t n) { return std::string(n - 2, 'z'); }},
      {"double-byte fits", [](size_t n) { return std::string(n - 3, 'w') + "\x95\x5C" + "w"; },
       [](size_t n) { return std::string(n - 3, 'w') + "\x95\x5C"; }},
  };
  for (const Case& c : cases) {
    KeyValues keys;
    for (const auto& row : kExpectedTexts) keys.push_back({row.key, c.value(row.capacity)});
    Start("", Section("search", keys));
    for (const auto& row : kExpectedTexts)
      EXPECT_EQ(row.field(gSettings), c.want(row.capacity)) << c.what << " " << row.key;
  }
}

// ---- Order of command line, profile and start values ----

TEST_F(SettingsLoad, CommandLineWinsOverProfileAndProfileOverStartValues) {
  std::string profile = Section("search", {{"Word", "1"}, {"SubDir", "1"}, {"CountStop", "5"},
                                           {"ExecEdit", "ed.exe"}, {"Directory", "C:\\fromprofile"}});
  Start("-w -K7", profile);
  EXPECT_EQ(gSettings.Word, 0);
  EXPECT_EQ(gSettings.SubDir, 1);
  EXPECT_EQ(gSettings.CountStop, 7);
  EXPECT_STREQ(gSettings.ExecEdit, "ed.exe");
  EXPECT_STREQ(gSettings.Directory, "C:\\fromprofile");
  EXPECT_EQ(gSettings.FullPath, 0);  // absent: the fallback, not the start value 1

  // Option D keeps the saved directory from being read at all.
  dir_.Write("ZANTO.INI", profile);
  Pass1("-DC:\\fromcmd");
  LoadSettings();
  EXPECT_STREQ(gSettings.Directory, "C:\\fromcmd");
  EXPECT_STREQ(gSettings.ExecEdit, "ed.exe");
}

TEST_F(SettingsLoad, HistoriesAndTheEmptyFileField) {
  KeyValues keys;
  std::string longEntry = std::string(127, 'L') + "\x95\x5C";
  keys.push_back({"string0", longEntry});
  for (int n = 1; n < kHistoryEntries; ++n) keys.push_back({"file" + std::to_string(n), "f" + std::to_string(n)});
  std::string longDir = std::string(300, 'D');
  keys.push_back({"dir0", longDir});
  Start("", Section("search", keys));
  EXPECT_EQ(std::string(gSettings.SearchHistory[0]), std::string(127, 'L'));
  for (int n = 0; n < kHistoryEntries - 1; ++n)
    EXPECT_EQ(std::string(gSettings.FileHistory[n]), "f" + std::to_string(n + 1));
  EXPECT_STREQ(gSettings.FileHistory[kHistoryEntries - 1], "");
  EXPECT_EQ(std::string(gSettings.DirHistory[0]), std::string(kDirHistoryText - 1, 'D'));
}

TEST_F(SettingsLoad, UnlhaTmpBecomesTheExtractionDirectory) {
  Start("", Section("search", {{"UnlhaTmp", "C:\\work\\tmp"}}));
  EXPECT_STREQ(gSettings.ArchiveTempDir, "C:\\work\\tmp");
}

// ---- Block sets ----

TEST_F(SettingsLoad, BlockPatternMarksAndTheClosingComma) {
  struct Case {
    std::optional<std::string> stored;
    int wantFlag;
    std::string wantPattern;
  } cases[] = {
      {"*abc ,", 1, "abc "},
      {"abc", 0, "abc"},
      {"#abc,", 0, "abc"},
      {"#*x,", 0, "*x"},
      {"*#x,", 1, "#x"},
      {"abc,,", 0, "abc,"},
      {",", 0, ""},
      {"*", 1, ""},
      {"", 0, ""},
      {std::nullopt, 0, ""},
      {"*" + std::string(100, 'p') + ",", 1, std::string(80, 'p')},
      {"#" + std::string(79, 'q') + "\x95\x5C,", 0, std::string(79, 'q')},
  };
  static_assert(std::size(cases) <= kBlockSets * kBlockPatterns);
  std::string profile = Section("search", {});
  for (int n = 0; n < kBlockSets; ++n) {
    KeyValues keys = {{"StartString", "start" + std::to_string(n)}, {"EndString", "end" + std::to_string(n)}};
    for (int j = 0; j < kBlockPatterns; ++j) {
      size_t index = static_cast<size_t>(n * kBlockPatterns + j);
      if (index < std::size(cases) && cases[index].stored)
        keys.push_back({"String" + std::to_string(j), *cases[index].stored});
    }
    char section[16];
    std::snprintf(section, sizeof section, "Block%02d", n);
    profile += Section(section, keys);
  }
  // Every flag set beforehand, so that a pattern without a mark must clear it.
  for (int n = 0; n < kBlockSets; ++n) std::memset(gSettings.BlockSets[n].endFlag, 1, kBlockPatterns);
  Start("abc *.txt", profile);  // block sets are read in command-line mode too
  for (size_t i = 0; i < std::size(cases); ++i) {
    const BlockSet& set = gSettings.BlockSets[i / kBlockPatterns];
    EXPECT_EQ(set.endFlag[i % kBlockPatterns], cases[i].wantFlag) << cases[i].stored.value_or("(absent)");
    EXPECT_EQ(std::string(set.pattern[i % kBlockPatterns]), cases[i].wantPattern) << cases[i].stored.value_or("(absent)");
  }
  EXPECT_STREQ(gSettings.BlockSets[0].startText, "start0");
  EXPECT_STREQ(gSettings.BlockSets[4].endText, "end4");
  EXPECT_EQ(gSettings.BlockSets[4].endFlag[9], 0);
}

// ---- Saving ----

// Every saved field set to a value that is neither its start value nor its
// fallback, so that a key that is not written or not read shows.
void FillForSave(int variant) {
  int i = 0;
  for (const auto& row : kExpectedFlags) gSettings.*row.field = (i++ + variant) % 2;
  i = 0;
  for (const auto& row : kExpectedNumbers) {
    int value = row.max - (i++ + variant) % 2;
    gSettings.*row.field = value == row.fallback ? row.min : value;
  }
  for (const auto& row : kExpectedTexts)
    CopyText(row.field(gSettings), row.capacity, (std::string("t") + row.key + "\x95\x5C" + row.key).c_str());
  for (int n = 0; n < kHistoryEntries; ++n) {
    std::snprintf(gSettings.SearchHistory[n], kHistoryText, "search %d %d", n, variant);
    std::snprintf(gSettings.FileHistory[n], kHistoryText, "*.f%d", n + variant);
  }
  std::memset(gSettings.SearchHistory[3], 's', kHistoryText - 1);
  for (int n = 0; n < kDirHistoryEntries; ++n) std::snprintf(gSettings.DirHistory[n], kDirHistoryText, "C:\\dir%d", n);
  const char* patterns[] = {"abc ", "*x", "#y", "a,", "", "\x95\x5C", "[0-9]+  "};
  for (int n = 0; n < kBlockSets; ++n) {
    BlockSet& set = gSettings.BlockSets[n];
    std::snprintf(set.startText, kBlockText, "--- start %d", n);
    std::snprintf(set.endText, kBlockText, "--- end %d", n);
    for (int j = 0; j < kBlockPatterns; ++j) {
      set.endFlag[j] = static_cast<uint8_t>((n + j + variant) % 2);
      CopyText(set.pattern[j], kBlockText, patterns[(n + j) % std::size(patterns)]);
    }
  }
  std::memset(gSettings.BlockSets[2].pattern[1], 'P', kBlockText - 1);
}

TEST_F(SettingsLoad, SavedSettingsLoadBackFieldByField) {
  for (int variant = 0; variant < 2; ++variant) {
    Pass1("");
    FillForSave(variant);
    SearchSettings saved = gSettings;
    std::vector<BlockSet> savedBlocks(gSettings.BlockSets, gSettings.BlockSets + kBlockSets);
    ASSERT_TRUE(SaveSettings());

    FreeBlockSets();
    gSettings = SearchSettings{};
    ASSERT_TRUE(AllocateBlockSets());
    Pass1("");
    LoadSettings();
    for (const auto& row : kExpectedFlags) EXPECT_EQ(gSettings.*row.field, saved.*row.field) << row.key;
    for (const auto& row : kExpectedNumbers) EXPECT_EQ(gSettings.*row.field, saved.*row.field) << row.key;
    for (const auto& row : kExpectedTexts) EXPECT_STREQ(row.field(gSettings), row.field(saved)) << row.key;
    for (int n = 0; n < kHistoryEntries; ++n) {
      EXPECT_STREQ(gSettings.SearchHistory[n], saved.SearchHistory[n]) << n;
      EXPECT_STREQ(gSettings.FileHistory[n], saved.FileHistory[n]) << n;
    }
    for (int n = 0; n < kDirHistoryEntries; ++n) EXPECT_STREQ(gSettings.DirHistory[n], saved.DirHistory[n]) << n;
    for (int n = 0; n < kBlockSets; ++n)
      EXPECT_EQ(std::memcmp(&gSettings.BlockSets[n], &savedBlocks[static_cast<size_t>(n)], sizeof(BlockSet)), 0) << n;
  }
}

// Keys of the file in order, as "[section]" and "key=value" lines.
std::vector<std::string> ProfileLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST_F(SettingsLoad, TheProfileListsKeysInTableOrder) {
  Pass1("");
  LoadSettings();
  gSettings.BlockSets[1].endFlag[0] = 1;
  std::strcpy(gSettings.BlockSets[1].pattern[0], "end ");
  std::strcpy(gSettings.BlockSets[1].pattern[1], "start");
  ASSERT_TRUE(SaveSettings());

  std::vector<std::string> want = {"[search]"};
  for (int n = 0; n < kHistoryEntries; ++n) want.push_back("string" + std::to_string(n) + "=");
  for (int n = 0; n < kHistoryEntries; ++n) want.push_back("file" + std::to_string(n) + "=");
  for (int n = 0; n < kDirHistoryEntries; ++n) want.push_back("dir" + std::to_string(n) + "=");
  for (const auto& row : kExpectedFlags) want.push_back(std::string(row.key) + "=" + std::to_string(row.fallback));
  for (const auto& row : kExpectedNumbers) want.push_back(std::string(row.key) + "=" + std::to_string(row.fallback));
  for (const auto& row : kExpectedTexts) want.push_back(std::string(row.key) + "=");
  for (int n = 0; n < kBlockSets; ++n) {
    char section[16];
    std::snprintf(section, sizeof section, "[Block%02d]", n);
    want.push_back(section);
    want.push_back("StartString=");
    want.push_back("EndString=");
    for (int j = 0; j < kBlockPatterns; ++j) {
      std::string pattern = "#,";
      if (n == 1 && j == 0) pattern = "*end ,";
      if (n == 1 && j == 1) pattern = "#start,";
      want.push_back("String" + std::to_string(j) + "=" + pattern);
    }
  }
  EXPECT_EQ(ProfileLines(dir_.Read("ZANTO.INI")), want);
}

TEST_F(SettingsLoad, SaveReportsAProfileThatCannotBeWritten) {
  Pass1("");
  gSettings.ProfilePath[0] = '\0';
  EXPECT_FALSE(SaveSettings());
  SetProfilePath("missing-directory/ZANTO.INI");
  EXPECT_FALSE(SaveSettings());
  SetProfilePath("ZANTO.INI");
  EXPECT_TRUE(SaveSettings());
  EXPECT_TRUE(dir_.Exists("ZANTO.INI"));
}

// ---- Histories ----

TEST(PushHistory, MovesRepeatedTextsToTheFront) {
  using Entries = std::vector<std::string>;
  struct Case {
    HistoryKind kind;
    Entries before;
    const char* text;
    Entries after;  // up to the first empty entry
  } cases[] = {
      {HistoryKind::Search, {"x", "abc", "y"}, "abc", {"abc", "x", "y"}},
      {HistoryKind::Search, {"x", "y"}, "new", {"new", "x", "y"}},
      {HistoryKind::Search, {"abc", "x"}, "abc", {"abc", "x"}},
      {HistoryKind::Search, {"abc"}, "ABC", {"ABC", "abc"}},  // exact for search strings
      {HistoryKind::Search, {}, "  abc  ", {"abc"}},
      {HistoryKind::Search, {"a", "b"}, "", {}},  // an empty text ends the list
      {HistoryKind::File, {"abc", "x"}, "ABC", {"ABC", "x"}},
      {HistoryKind::File, {"x", "*.TXT", "y"}, " *.txt", {"*.txt", "x", "y"}},
      {HistoryKind::Directory, {"C:\\A", "C:\\B"}, "c:\\b", {"c:\\b", "C:\\A"}},
      // Case is ignored only for single-byte letters: ア (83 41) and ツ (83 61)
      // differ although their second bytes are A and a.
      {HistoryKind::File, {"\x83\x41", "x"}, "\x83\x61", {"\x83\x61", "\x83\x41", "x"}},
      {HistoryKind::File, {"\x83\x41" "a", "x"}, "\x83\x41" "A", {"\x83\x41" "A", "x"}},
  };
  for (const Case& c : cases) {
    gSettings = SearchSettings{};
    char* first = c.kind == HistoryKind::Search ? gSettings.SearchHistory[0]
                  : c.kind == HistoryKind::File ? gSettings.FileHistory[0]
                                                : gSettings.DirHistory[0];
    size_t stride = c.kind == HistoryKind::Directory ? kDirHistoryText : kHistoryText;
    for (size_t i = 0; i < c.before.size(); ++i) std::strcpy(first + i * stride, c.before[i].c_str());
    PushHistory(c.kind, c.text);
    Entries after;
    for (size_t i = 0; first[i * stride] != '\0'; ++i) after.push_back(first + i * stride);
    EXPECT_EQ(after, c.after) << c.text;
  }
}

TEST(PushHistory, AFullHistoryLosesItsLastEntry) {
  struct Case {
    HistoryKind kind;
    int entries;
    size_t capacity;
  } cases[] = {{HistoryKind::Search, kHistoryEntries, kHistoryText},
               {HistoryKind::File, kHistoryEntries, kHistoryText},
               {HistoryKind::Directory, kDirHistoryEntries, kDirHistoryText}};
  for (const Case& c : cases) {
    for (const char* pushed : {"new", "e5", "LAST"}) {
      gSettings = SearchSettings{};
      char* first = c.kind == HistoryKind::Search ? gSettings.SearchHistory[0]
                    : c.kind == HistoryKind::File ? gSettings.FileHistory[0]
                                                  : gSettings.DirHistory[0];
      for (int i = 0; i < c.entries; ++i)
        std::snprintf(first + static_cast<size_t>(i) * c.capacity, c.capacity, "e%d", i);
      std::snprintf(first + static_cast<size_t>(c.entries - 1) * c.capacity, c.capacity, "last");
      PushHistory(c.kind, pushed);
      std::vector<std::string> want = {pushed};
      for (int i = 0; i < c.entries - 1; ++i)
        if (std::string(pushed) != "e" + std::to_string(i)) want.push_back("e" + std::to_string(i));
      // The last entry stays only when the pushed text came from further up;
      // "LAST" replaces it whether or not case counts.
      if (want.size() < static_cast<size_t>(c.entries)) want.push_back("last");
      std::vector<std::string> got;
      for (int i = 0; i < c.entries; ++i) got.push_back(first + static_cast<size_t>(i) * c.capacity);
      EXPECT_EQ(got, want) << pushed << " " << c.entries;
    }
  }
}

TEST(PushHistory, LongTextsAreCutToTheEntry) {
  gSettings = SearchSettings{};
  std::string text = std::string(127, 'a') + "\x95\x5C" + "rest";
  PushHistory(HistoryKind::File, text.c_str());
  EXPECT_EQ(std::string(gSettings.FileHistory[0]), std::string(127, 'a'));
  EXPECT_STREQ(gSettings.FileHistory[1], "");
  std::string dir = std::string(400, 'd');
  PushHistory(HistoryKind::Directory, dir.c_str());
  EXPECT_EQ(std::string(gSettings.DirHistory[0]), std::string(kDirHistoryText - 1, 'd'));
  EXPECT_STREQ(gSettings.DirHistory[1], "");
}

}  // namespace
}  // namespace zanto::test
