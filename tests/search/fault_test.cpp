// The program when the file system fails: every file call goes through the
// fault layer (support/os_fault.h), which fails the calls a case names.
// Saving the profile, the settings or a list never loses the old file; a
// run goes on past a file that vanishes, a directory that cannot be read or
// a file that changes while it is read, and closes its output whatever
// happens to its writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "files/list_file.h"
#include "files/path.h"
#include "files/targets.h"
#include "profile/profile.h"
#include "search/result_output.h"
#include "search/search_run.h"
#include "search/settings_io.h"
#include "search/target_options_from.h"
#include "support/test_output.h"
#include "support/fake_host.h"
#include "support/os_fault.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::FakeHost;
using test::FaultPlan;
using test::TempDir;

const char kOldProfile[] = "[search]\r\nWord=1\r\nstring0=old search\r\n";
const char kOldList[] = "old1.txt\r\nold2.txt\r\n";

// The names in dir, sorted.
std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void StartSettings() {
  FreeBlockSets();
  gSettings = SearchSettings{};
  ASSERT_TRUE(AllocateBlockSets());
  gSettings.KanjiCode = 1;
  gSettings.BlockLine = 100;
  gSettings.ZengoLine = gSettings.ZengoLine2 = 1;
  gAbortRequested = 0;
  gPauseRequested = 0;
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override { StartSettings(); }
  void TearDown() override {
    test::ClearFaults();
    FreeBlockSets();
  }
  FakeHost host;
};

// Three writers of a file the user keeps: each either puts the new file in
// place whole or leaves the old one as it was, and no other file behind.
TEST_F(FaultTest, SavesKeepTheOldFileWhole) {
  struct Case {
    const char* name;
    FaultPlan plan;
    bool profileSaved;  // profile and settings
    bool listSaved;
  } cases[] = {
      {"no fault", {}, true, true},
      {"new file cut off halfway", {.writeName = "~~KZW", .writeLimit = 10}, false, false},
      {"disk full", {.writeAny = true, .writeLimit = 0}, false, false},
      {"new file cannot be created", {.openFails = "~~KZW"}, false, false},
      {"new file fails to close", {.closeFails = "~~KZW"}, false, false},
      {"old file cannot be set aside", {.renameFails = ".BAK"}, false, true},
      {"new file cannot take its place", {.renameFails = "~~KZW"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string profilePath = dir / "ZANTO.INI";
    const std::string listPath = dir / "A.LST";
    // What each save leaves when it succeeds: its file, and for the profile
    // the old one as .BAK.
    const std::vector<std::string> savedEntries = {"A.LST", "ZANTO.BAK", "ZANTO.INI"};
    const std::vector<std::string> oldEntries = {"A.LST", "ZANTO.INI"};

    // The profile itself.
    dir.Write("ZANTO.INI", kOldProfile);
    dir.Write("A.LST", kOldList);
    Profile* profile = OpenProfile(profilePath.c_str());
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(SetProfileValue(profile, "search", "string0", std::string(300, 'n').c_str()));
    test::SetFaults(c.plan);
    EXPECT_EQ(SaveProfile(profile, profilePath.c_str()), c.profileSaved ? 1 : 0);
    EXPECT_EQ(test::OpenFileCount(), 0);
    if (c.profileSaved) {
      EXPECT_EQ(dir.Read("ZANTO.INI"), "[search]\r\nWord=1\r\nstring0=" + std::string(300, 'n') + "\r\n");
      EXPECT_EQ(dir.Read("ZANTO.BAK"), kOldProfile);
    } else {
      EXPECT_GT(test::FaultsFired(), 0);
      EXPECT_EQ(dir.Read("ZANTO.INI"), kOldProfile);
    }
    EXPECT_EQ(Entries(dir), c.profileSaved ? savedEntries : oldEntries);
    test::ClearFaults();

    // The settings written into it.
    std::filesystem::remove(dir / "ZANTO.BAK");
    dir.Write("ZANTO.INI", kOldProfile);
    std::strcpy(gSettings.ProfilePath, profilePath.c_str());
    LoadSettings();
    PushHistory(HistoryKind::Search, "new search");
    test::SetFaults(c.plan);
    EXPECT_EQ(SaveSettings(), c.profileSaved);
    EXPECT_EQ(test::OpenFileCount(), 0);
    test::ClearFaults();
    if (c.profileSaved) {
      EXPECT_NE(dir.Read("ZANTO.INI").find("string0=new search\r\nstring1=old search\r\n"), std::string::npos);
    } else {
      EXPECT_EQ(dir.Read("ZANTO.INI"), kOldProfile);
    }
    EXPECT_EQ(Entries(dir), c.profileSaved ? savedEntries : oldEntries);

    // A list of the file-list dialog.
    std::filesystem::remove(dir / "ZANTO.BAK");
    std::vector<std::string> lines = {"new1.txt", "new2.txt:member.c"};
    auto read = [](void* context, int index, char* out) {
      auto& entries = *static_cast<std::vector<std::string>*>(context);
      if (index >= static_cast<int>(entries.size())) return false;
      std::strcpy(out, entries[static_cast<size_t>(index)].c_str());
      return true;
    };
    test::SetFaults(c.plan);
    EXPECT_EQ(SaveListFile(listPath.c_str(), read, &lines), c.listSaved);
    EXPECT_EQ(test::OpenFileCount(), 0);
    test::ClearFaults();
    EXPECT_EQ(dir.Read("A.LST"), c.listSaved ? "new1.txt\r\nnew2.txt:member.c\r\n" : kOldList);
    EXPECT_EQ(Entries(dir), oldEntries);
    EXPECT_TRUE(host.boxes.empty());
  }
}

// A search whose files or output fail under it: the outcome, the messages
// shown and the result text; the output file is always closed.
TEST_F(FaultTest, RunsGoOnOrFailWithTheirMessage) {
  std::string filler;
  for (int i = 0; i < 30000; ++i) filler += "filler line " + std::to_string(i) + "\r\n";
  struct File {
    std::string name, bytes;
  };
  const std::vector<File> files = {
      {"a.txt", "key a\r\n"},
      {"b.txt", "key b\r\n"},
      {"sub/c.txt", "key c\r\n"},
      {"sub2/d.txt", "key d\r\n"},
      {"big.txt", "key first\r\n" + filler + "key last\r\n"},
  };
  struct Case {
    const char* name;
    FaultPlan plan;
    bool context;               // context lines (the scan seeks back)
    bool toFile;                // result into out.log instead of the clipboard
    int result;
    std::vector<std::string> boxes;  // texts, {D} the folder
    std::vector<std::string> found;  // result lines that must be there
    std::vector<std::string> missing;
  } cases[] = {
      {"no fault", {}, false, false, kRunCompleted, {}, {"key a", "key b", "key c", "key d", "key first", "key last"}, {}},
      {"a file vanishes after it was listed",
       {.vanishes = "b.txt"},
       false,
       false,
       kRunCompleted,
       {"ファイルを開けません\nb.txt\nこれ以降もエラーメッセージを表示しますか？"},
       {"key a", "key c", "cannot open b.txt"},
       {"key b"}},
      {"a directory cannot be read",
       {.findFails = "sub/"},
       false,
       false,
       kRunCompleted,
       {},
       {"key a", "key d", "key last"},
       {"key c"}},
      {"a file grows while it is read", {.grows = "big.txt", .growBytes = 200000}, false, false, kRunCompleted, {},
       {"key first", "key last", "key d"}, {}},
      {"a file shrinks while it is read", {.shrinks = "big.txt", .shrinkTo = 11}, false, false, kRunCompleted, {},
       {"key first", "key d"}, {"key last"}},
      {"a file shrinks under the context look-back", {.shrinks = "big.txt", .shrinkTo = 11}, true, false,
       kRunCompleted, {}, {"key first", "key d"}, {"key last"}},
      {"the output file cannot be opened", {.openFails = "out.log"}, false, true, kRunFailed,
       {"出力ファイルを開けません"}, {}, {"key a"}},
      // A result file that lacks text is reported, not handed on as whole.
      {"the disk fills while the result is written", {.writeName = "out.log", .writeLimit = 40}, false, true,
       kRunFailed, {"出力ファイルに書き込めません"}, {}, {"key last"}},
      {"the output file fails to close", {.closeFails = "out.log"}, false, true, kRunFailed,
       {"出力ファイルに書き込めません"}, {"key a", "key last"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartSettings();
    gSettings.Verbose = 1;
    gSettings.SubDir = 1;
    gSettings.Zengo = c.context;
    TempDir dir;
    for (const File& f : files) dir.Write(f.name, f.bytes);
    auto expand = [&](std::string text) {
      for (size_t at; (at = text.find("{D}")) != std::string::npos;) text.replace(at, 3, dir.path());
      return text;
    };
    host.boxes.clear();
    host.clipboard.clear();
    host.answers.assign(4, kAnswerYes);
    const std::string out = c.toFile ? dir / "out.log" : "";
    test::SetFaults(c.plan);
    // A pattern without a path is searched again in every subdirectory.
    char home[kPathBuffer];
    ASSERT_TRUE(OsGetCurrentDirectory(home, sizeof home));
    ASSERT_TRUE(OsSetCurrentDirectory(dir.path().c_str()));
    EXPECT_EQ(RunSearch({&Output()}, "key", "*.txt", out.c_str()), c.result);
    ASSERT_TRUE(OsSetCurrentDirectory(home));
    EXPECT_EQ(test::OpenFileCount(), 0);
    if (!c.plan.writeName.empty() || !c.plan.vanishes.empty() || !c.plan.findFails.empty() ||
        !c.plan.grows.empty() || !c.plan.shrinks.empty() || !c.plan.openFails.empty() ||
        !c.plan.closeFails.empty()) {
      EXPECT_GT(test::FaultsFired(), 0);
    }
    test::ClearFaults();
    Output().CopyToClipboard();
    std::string text = c.toFile ? dir.Read("out.log") : host.clipboard;
    ASSERT_EQ(host.boxes.size(), c.boxes.size());
    for (size_t i = 0; i < c.boxes.size(); ++i) EXPECT_EQ(host.boxes[i].text, expand(c.boxes[i]));
    for (const std::string& line : c.found) EXPECT_NE(text.find(expand(line)), std::string::npos) << line;
    for (const std::string& line : c.missing) EXPECT_EQ(text.find(expand(line)), std::string::npos) << line;
    if (c.plan.writeLimit >= 0) {
      // What reached the disk is the start of the result, cut where it filled.
      EXPECT_EQ(text.size(), static_cast<size_t>(c.plan.writeLimit));
    }
  }
}

// Directory searches are round trips to a file server: a run lists each
// (directory, pattern) group once, in its counting pass, and hands on what
// that pass kept - in the order and with the total a direct listing gives.
TEST_F(FaultTest, ARunListsEachGroupOnce) {
  struct Visits : TargetVisitor {
    int Visit(const char* path, const FindRecord&, unsigned number, unsigned total, const char*) override {
      char absolute[kPathBuffer];
      CopyText(absolute, sizeof absolute, path);
      NormalizePath(absolute);
      paths.emplace_back(absolute);
      EXPECT_EQ(number, paths.size()) << path;
      totals.push_back(total);
      return 1;
    }
    std::vector<std::string> paths;
    std::vector<unsigned> totals;
  };
  struct Lines : TargetListSink {
    bool AddLine(const char* text) override {
      lines.emplace_back(text);
      return true;
    }
    void ReportListFull(const char*) override { ADD_FAILURE(); }
    std::vector<std::string> lines;
  };
  TempDir dir;
  const std::vector<std::string> dirs = {"", "sub/", "sub/deep/", "sub2/"};
  for (const std::string& d : dirs)
    for (const char* name : {"k.txt", "b.txt", "x.doc", "a.doc", "m.txt", "skip.log"}) dir.Write(d + name, "x");
  char home[kPathBuffer];
  ASSERT_TRUE(OsGetCurrentDirectory(home, sizeof home));
  ASSERT_TRUE(OsSetCurrentDirectory(dir.path().c_str()));
  const char field[] = "*.txt *.doc";
  for (int sortType : {0, static_cast<int>(kSortAsFound)}) {
    SCOPED_TRACE(sortType);
    gSettings.SubDir = 1;
    gSettings.SortType = sortType;
    gSettings.SortRev = 1;
    Visits run;
    test::SetFaults({});
    TargetNotes notes;
    ASSERT_EQ(EnumerateTargets(TargetOptionsFrom(gSettings), field, nullptr, run, &notes), kTargetsDone);
    // Each directory once for its subdirectories, once per pattern.
    EXPECT_EQ(test::DirectorySearches(), 4 + 4 * 2);
    Lines listing;
    EXPECT_EQ(ListTargets(TargetOptionsFrom(gSettings), listing, field, nullptr, &notes), 20);
    EXPECT_EQ(run.paths, listing.lines);
    EXPECT_EQ(run.totals, std::vector<unsigned>(20, 20u));
  }
  ASSERT_TRUE(OsSetCurrentDirectory(home));
}

}  // namespace
}  // namespace zanto
