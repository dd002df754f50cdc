#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "search/settings_fixture.h"
#include "search/settings_io.h"

namespace zanto::test {
namespace {

std::vector<std::string> StoredArguments() {
  std::vector<std::string> out;
  for (int i = 1; i < gArguments.count; ++i) out.push_back(gArguments.entries[i]);
  return out;
}

using CommandLineSplit = SettingsTest;

TEST_F(CommandLineSplit, TokensQuotesAndTheRestOfTheLine) {
  struct Case {
    const char* line;
    std::vector<std::string> want;  // arguments after the program path
  } cases[] = {
      {"", {}},
      {"ZANTO32.EXE", {}},
      {"ZANTO32.EXE abc *.txt", {"abc", "*.txt"}},
      {"  \"C:\\Program Files\\ZANTO32.EXE\" \t abc\t d ", {"abc", "d"}},
      // Quotes: a token without them, no escape, scanning goes on after.
      {"Z \"a b\" c", {"a b", "c"}},
      {"Z \"a b", {"a b"}},
      {"Z \"\" x", {"", "x"}},
      {"Z \"ab\"cd", {"ab", "cd"}},
      {"Z ab\"cd ef\"", {"ab\"cd", "ef\""}},
      // -S and /s take the whole rest of the line, spaces and quotes kept.
      {"Z -S two  words \"q\" -W", {"two  words \"q\" -W"}},
      {"Z /s   x", {"x"}},
      {"Z a -Sb c", {"a", "b c"}},
      {"Z -S", {}},
      {"Z -s    ", {}},
      {"Z -WS x", {"-WS", "x"}},
      // Double-byte text passes through whole.
      {"Z \x95\x5C\x83\x41 \"\x95\x5C \x83\x41\"", {"\x95\x5C\x83\x41", "\x95\x5C \x83\x41"}},
  };
  for (const Case& c : cases) {
    SplitCommandLine(c.line, kProgramPath);
    ASSERT_GE(gArguments.count, 1) << c.line;
    EXPECT_STREQ(gArguments.entries[0], kProgramPath) << c.line;
    EXPECT_EQ(StoredArguments(), c.want) << c.line;
    EXPECT_EQ(gArguments.entries[gArguments.count], nullptr) << c.line;
  }
}

TEST_F(CommandLineSplit, KeepsAtMostFiveHundredEntries) {
  struct Case {
    int tokens;  // after the program token
    int wantCount;
  } cases[] = {{498, 499}, {499, 500}, {500, 500}, {700, 500}};
  for (const Case& c : cases) {
    std::string line = "ZANTO32.EXE";
    for (int i = 1; i <= c.tokens; ++i) line += " t" + std::to_string(i);
    SplitCommandLine(line.c_str(), kProgramPath);
    EXPECT_EQ(gArguments.count, c.wantCount) << c.tokens;
    EXPECT_STREQ(gArguments.entries[gArguments.count - 1],
                 ("t" + std::to_string(c.wantCount - 1)).c_str());
    EXPECT_EQ(gArguments.entries[gArguments.count], nullptr);
  }
}

TEST_F(CommandLineSplit, ProgramPathIsCutToAPathBuffer) {
  std::string longPath = "C:\\" + std::string(400, 'p') + "\\ZANTO32.EXE";
  SplitCommandLine("Z a", longPath.c_str());
  EXPECT_EQ(std::strlen(gArguments.entries[0]), kPathBuffer - 1);
  EXPECT_STREQ(gArguments.entries[1], "a");
}

// Applies a command line in pass 2 to a record full of sentinels and
// returns every field it changed.
Snapshot OptionEffect(const char* arguments) {
  FillSentinel(gSettings);
  Snapshot before = TakeSnapshot(gSettings);
  SplitCommandLine((std::string("ZANTO32.EXE ") + arguments).c_str(), kProgramPath);
  ApplyCommandLine(2);
  return Changes(before, TakeSnapshot(gSettings));
}

using CommandLineOptions = SettingsTest;

TEST_F(CommandLineOptions, EveryLetterChangesExactlyItsFields) {
  struct Case {
    const char* arguments;
    Snapshot want;
  } cases[] = {
      // Switches: the capital sets 1, the small letter 0 ...
      {"-W", {{"Word", "1"}}},           {"-w", {{"Word", "0"}}},
      {"-Z", {{"ZenHan", "1"}}},         {"-z", {{"ZenHan", "0"}}},
      {"-M", {{"DelSp", "1"}}},          {"-m", {{"DelSp", "0"}}},
      {"-H", {{"ShortCut", "1"}}},       {"-h", {{"ShortCut", "0"}}},
      {"-L", {{"PrintFile", "1"}}},      {"-l", {{"PrintFile", "0"}}},
      {"-P", {{"FullPath", "1"}}},       {"-p", {{"FullPath", "0"}}},
      {"-B", {{"TabToSpace", "1"}}},     {"-b", {{"TabToSpace", "0"}}},
      {"-U", {{"Verbose", "1"}}},        {"-u", {{"Verbose", "0"}}},
      {"-A", {{"Append", "1"}}},         {"-a", {{"Append", "0"}}},
      {"-R", {{"SubDir", "1"}}},         {"-r", {{"SubDir", "0"}}},
      {"-G", {{"Regular", "1"}}},        {"-g", {{"Regular", "0"}}},
      {"-T", {{"Connect2", "1"}}},       {"-t", {{"Connect2", "0"}}},
      {"-Y", {{"NotSearchBin", "1"}}},   {"-y", {{"NotSearchBin", "0"}}},
      {"-J", {{"LzhSearch", "1"}}},      {"-j", {{"LzhSearch", "0"}}},
      {"-Q", {{"DocSearch", "1"}}},      {"-q", {{"DocSearch", "0"}}},
      // ... except C: Case 1 means folded, so the capital stores 0.
      {"-C", {{"Case", "0"}}},           {"-c", {{"Case", "1"}}},
      {"-N", {{"Use3DControls", "0"}}},  {"-n", {{"Use3DControls", "0"}}},
      {"/W", {{"Word", "1"}}},
      // Switches combine, also in several arguments.
      {"-WRp", {{"Word", "1"}, {"SubDir", "1"}, {"FullPath", "0"}}},
      {"-W /r", {{"Word", "1"}, {"SubDir", "0"}}},
      // Option 1 and what follows it.
      {"-1", {{"Endmatch", "0"}}},
      {"-1-", {{"Endmatch", "1"}}},
      {"-1+", {{"Endmatch", "1"}, {"QuitAlways", "1"}}},
      {"-1W", {{"Endmatch", "0"}, {"Word", "1"}}},
      {"-1-W", {{"Endmatch", "1"}, {"Word", "1"}}},
      // Text options take the rest of the argument, in either case.
      {"-Dc:\\work", {{"Directory", "c:\\work"}}},
      {"-dx", {{"Directory", "x"}}},
      {"-D", {{"Directory", ""}}},
      {"-Oout.txt", {{"OutFile", "out.txt"}}},
      {"-oOUT", {{"OutFile", "OUT"}}},
      {"-Eed.exe", {{"ExecEdit", "ed.exe"}}},
      {"-eW", {{"ExecEdit", "W"}}},
      {"-!C/clip", {{"ExecClip", "/clip"}}},
      {"-!cx", {{"ExecClip", "x"}}},
      {"-WDd:\\x", {{"Word", "1"}, {"Directory", "d:\\x"}}},
      {"\"-Dc:\\my dir\"", {{"Directory", "c:\\my dir"}}},
      // K: no bounds.
      {"-K12", {{"CountStop", "12"}}},
      {"-k5000", {{"CountStop", "5000"}}},
      {"-K", {{"CountStop", "0"}}},
      // X: block set value - 1, set 0 when there is no such set.
      {"-X0", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-X1", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-X3", {{"BlockType", "2"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-X5", {{"BlockType", "4"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-X6", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-x9", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-XW", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      {"-X99999999999", {{"BlockType", "0"}, {"BlockOut", "1"}, {"Zengo", "0"}}},
      // V and V-: context lines, 1 when the value is no number of 0..99.
      {"-V3", {{"ZengoLine", "3"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-v0", {{"ZengoLine", "0"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-V99", {{"ZengoLine", "99"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-V100", {{"ZengoLine", "1"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-Vx", {{"ZengoLine", "1"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-V", {{"ZengoLine", "1"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-V-5", {{"ZengoLine2", "5"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-v-", {{"ZengoLine2", "1"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-X2 -V4", {{"BlockType", "1"}, {"ZengoLine", "4"}, {"Zengo", "1"}, {"BlockOut", "0"}}},
      {"-V4 -X2", {{"BlockType", "1"}, {"ZengoLine", "4"}, {"Zengo", "0"}, {"BlockOut", "1"}}},
      // !F: file-list forms, always without headings.
      {"-!F1", {{"Verbose", "0"}, {"FileListForm", "1"}, {"CountStop", "1"}}},
      {"-!F2", {{"Verbose", "0"}, {"FileListForm", "2"}}},
      {"-!f3", {{"Verbose", "0"}, {"FileListForm", "3"}}},
      {"-!Fx", {{"Verbose", "0"}}},
      {"-!F4", {{"Verbose", "0"}}},
      {"-!F", {{"Verbose", "0"}}},
      // !S and !W are flags that combine; "!" before anything else is ignored.
      {"-!S", {{"NoAutoStart", "1"}}},
      {"-!s!w", {{"NoAutoStart", "1"}, {"EchoQuery", "1"}}},
      {"-!W", {{"EchoQuery", "1"}}},
      {"-!R", {{"SubDir", "1"}}},
      {"-!Dx", {{"Directory", "x"}}},
      {"-W!", {{"Word", "1"}}},
      // Letters that mean nothing, and plain arguments in pass 2.
      {"-F?%", {}},
      {"-", {}},
      {"abc *.txt", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(OptionEffect(c.arguments), c.want) << c.arguments;
}

TEST_F(CommandLineOptions, OptionIMakesTheProfilePathAbsolute) {
  Snapshot changed = OptionEffect("-Imy.ini");
  ASSERT_EQ(changed.count("ProfilePath"), 1u);
  const std::string& path = changed["ProfilePath"];
  EXPECT_GT(path.size(), std::strlen("\\my.ini"));
  EXPECT_EQ(path.substr(path.size() - 7), "\\my.ini");
  EXPECT_EQ(path.find('/'), std::string::npos);
  EXPECT_EQ(changed["SettingsFileGiven"], "1");
  EXPECT_EQ(changed.size(), 2u);

  // A path that names nothing usable leaves the run without a profile.
  EXPECT_EQ(OptionEffect("-I"), (Snapshot{{"ProfilePath", ""}}));
  std::string tooLong = "-i" + std::string(kPathBuffer + 5, 'x');
  EXPECT_EQ(OptionEffect(tooLong.c_str()), (Snapshot{{"ProfilePath", ""}}));
}

TEST_F(CommandLineOptions, ValuesAreCutAtTheirCapacityOnACharacterBoundary) {
  struct Case {
    char letter[3];
    const char* field;
    size_t capacity;
  } cases[] = {{"D", "Directory", 270}, {"O", "OutFile", 270}, {"E", "ExecEdit", 270}, {"!C", "ExecClip", 50}};
  for (const Case& c : cases) {
    // The last byte that fits is the lead byte of 表: it goes too.
    std::string value = std::string(c.capacity - 2, 'v') + "\x95\x5C" + "tail";
    Snapshot changed = OptionEffect(("-" + std::string(c.letter) + value).c_str());
    EXPECT_EQ(changed[c.field], std::string(c.capacity - 2, 'v')) << c.field;
    value = std::string(c.capacity + 40, 'w');
    changed = OptionEffect(("-" + std::string(c.letter) + value).c_str());
    EXPECT_EQ(changed[c.field], std::string(c.capacity - 1, 'w')) << c.field;
  }
}

using CommandLinePass1 = SettingsTest;

TEST_F(CommandLinePass1, PlainArgumentsFillSearchAndFileFields) {
  struct Case {
    const char* line;
    const char* search;
    const char* files;
    int commandLineMode;
  } cases[] = {
      {"Z", "", "", 0},
      {"Z abc", "abc", "", 0},
      {"Z abc *.txt", "abc", "*.txt", 1},
      {"Z abc a.txt -W b.txt  c.txt", "abc", "a.txt b.txt c.txt", 1},
      {"Z \"a b\" x", "a b", "x", 1},
      {"Z -S two words", "two words", "", 0},
      {"Z abc -S *.txt *.doc", "abc", "*.txt *.doc", 1},
      {"Z \"\" *.txt", "", "*.txt", 1},
  };
  for (const Case& c : cases) {
    std::strcpy(gSettings.SearchHistory[0], "old");
    std::strcpy(gSettings.FileHistory[0], "old");
    SplitCommandLine(c.line, kProgramPath);
    ApplyCommandLine(1);
    EXPECT_STREQ(gSettings.SearchHistory[0], c.search) << c.line;
    EXPECT_STREQ(gSettings.FileHistory[0], c.files) << c.line;
    EXPECT_EQ(gSettings.CommandLineMode, c.commandLineMode) << c.line;
  }
}

TEST_F(CommandLinePass1, PassTwoLeavesPlainArgumentsAlone) {
  SplitCommandLine("Z abc x.txt -W", kProgramPath);
  ApplyCommandLine(1);
  std::strcpy(gSettings.SearchHistory[0], "from profile");
  std::strcpy(gSettings.FileHistory[0], "from profile");
  gSettings.Word = 0;
  ApplyCommandLine(2);
  EXPECT_STREQ(gSettings.SearchHistory[0], "from profile");
  EXPECT_STREQ(gSettings.FileHistory[0], "from profile");
  EXPECT_EQ(gSettings.Word, 1);
  EXPECT_EQ(gSettings.CommandLineMode, 1);
}

TEST_F(CommandLinePass1, LongPlainArgumentsStayInTheirEntries) {
  // A search string with a double-byte character across the limit.
  std::string search = std::string(127, 's') + "\x95\x5C" + "more";
  // File names that together are far longer than an entry.
  std::string line = "Z " + search;
  std::string joined;
  for (int i = 0; i < 12; ++i) {
    std::string name = "file" + std::to_string(i) + std::string(12, 'n') + ".txt";
    line += " " + name;
    joined += (i ? " " : "") + name;
  }
  SplitCommandLine(line.c_str(), kProgramPath);
  ApplyCommandLine(1);
  EXPECT_EQ(std::string(gSettings.SearchHistory[0]), std::string(127, 's'));
  EXPECT_EQ(std::string(gSettings.FileHistory[0]), joined.substr(0, kHistoryText - 1));
  EXPECT_EQ(gSettings.FileHistory[1][0], '\0');  // nothing ran over into entry 1
  EXPECT_EQ(gSettings.CommandLineMode, 1);
}

TEST_F(CommandLinePass1, ProgramFilesLieBesideTheProgram) {
  struct Case {
    const char* program;
    const char* profile;
    const char* help;
    const char* same1;
  } cases[] = {
      {"C:\\Tools\\ZANTO32.EXE", "C:\\Tools\\ZANTO.INI", "C:\\Tools\\ZANTO.HLP", "C:\\Tools\\ZAFIND1.TXT"},
      {"D:\\a\\b\\zanto32.exe", "D:\\a\\b\\ZANTO.INI", "D:\\a\\b\\ZANTO.HLP", "D:\\a\\b\\ZAFIND1.TXT"},
      {"E:\\\x95\x5C\\Z.EXE", "E:\\\x95\x5C\\ZANTO.INI", "E:\\\x95\x5C\\ZANTO.HLP", "E:\\\x95\x5C\\ZAFIND1.TXT"},
  };
  for (const Case& c : cases) {
    SplitCommandLine("ZANTO32.EXE -W", c.program);
    ApplyCommandLine(1);
    EXPECT_STREQ(gSettings.ProfilePath, c.profile);
    EXPECT_STREQ(gSettings.HelpPath, c.help);
    EXPECT_STREQ(gSettings.Same1Path, c.same1);
  }
}

}  // namespace
}  // namespace zanto::test
