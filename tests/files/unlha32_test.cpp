// The archive library as the program binds it: loaded by path, its six entry
// points by name, the member record read at the program's offsets.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive_library.h"
#include "support/stored_archive.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::CollectFiles;
using test::Exists;
using test::HostPath;
using test::kOutputSize;
using test::kOpenMode;
using test::List;
using test::Listed;
using test::ReadAnsi;

std::string Fixture(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return ReadAnsi(HostPath(ZANTO_LZH_FIXTURES) + "\\" + name);
}

struct Library : test::Library {
  Library() : test::Library(UNLHA32_DLL, "Unlha") {}
};

TEST(Unlha32, BindsAllSixEntryPoints) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  EXPECT_GE(lib.version(), 100);
}

// What the program's command line extracts, and what it must never write:
// paths that leave the folder, members whose data is damaged.
TEST(Unlha32, ExtractsSelectedMembersBelowTheFolderOnly) {
  struct Case {
    const char* archive;
    const char* wildcards;
    std::vector<std::pair<std::string, std::string>> present;  // extracted path, fixture file with its bytes ("" = not compared)
    std::vector<std::string> absent;                            // relative to the temporary folder
  };
  const Case cases[] = {
      {"lh6_l2.lzh", "*.*",
       {{"readme.txt", "lh6_l2.lzh.expected/readme.txt"}, {"sjis.txt", "lh6_l2.lzh.expected/sjis.txt"},
        {"empty.txt", "lh6_l2.lzh.expected/empty.txt"}, {"y2k.txt", "lh6_l2.lzh.expected/y2k.txt"}},
       {}},
      {"lh5_l0.lzh", "read*.txt Y2K.TXT",
       {{"readme.txt", "lh5_l0.lzh.expected/readme.txt"}, {"y2k.txt", "lh5_l0.lzh.expected/y2k.txt"}},
       {"out\\sjis.txt", "out\\empty.txt"}},
      {"dirs_l1.lzh", "*.*",
       {{"dir\\sub\\file.txt", "dirs_l1.lzh.expected/dir/sub/file.txt"}, {"emptydir", ""}}, {}},
      {"sjis5c_l2.lzh", "*.*", {{"表計算\\ソース.txt", "sjis5c_l2.lzh.expected/表計算/ソース.txt"}}, {}},
      {"hostile_l0.lzh", "*.*", {{"ok.txt", ""}},
       {"up.txt", "up2.txt", "out\\rooted.txt", "out\\slashed.txt", "out\\sub", "slashed.txt"}},
      {"hostile_l2.lzh", "*.*", {{"ok.txt", ""}}, {"up.txt", "out\\rooted", "rooted"}},
      {"bad_crc_lh0.lzh", "*.*", {{"sjis.txt", "lh0_l0.lzh.expected/sjis.txt"}}, {"out\\readme.txt"}},
      {"bad_flipped.lzh", "*.*", {{"readme.txt", "lh5_l1.lzh.expected/readme.txt"}}, {"out\\sjis.txt"}},
  };
  Library lib;
  ASSERT_TRUE(lib.Complete());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    test::TempDir tmp;
    tmp.Write("a.lzh", Fixture(c.archive));
    std::string line = "x -jf0 \"" + (tmp / "a.lzh") + "\" \"" + (tmp / "out\\") + "\" " + c.wildcards;
    std::vector<char> output(kOutputSize, 'x');
    lib.command(nullptr, line.c_str(), output.data(), kOutputSize);
    EXPECT_NE(std::memchr(output.data(), '\0', kOutputSize), nullptr);
    for (const auto& [path, source] : c.present) {
      EXPECT_TRUE(Exists(tmp / ("out\\" + path))) << path;
      if (!source.empty()) {
        EXPECT_EQ(ReadAnsi(tmp / ("out\\" + path)), Fixture(source)) << path;
      }
    }
    for (const std::string& path : c.absent) EXPECT_FALSE(Exists(tmp / path)) << path;
  }
}

// The listing names exactly the members that were written, with the
// member's own size, date and time.
TEST(Unlha32, ListsOnlyWholeSafeMembers) {
  struct Case {
    const char* archive;
    const char* wildcards;
    std::vector<Listed> members;
  };
  const Case cases[] = {
      {"lh5_l1.lzh", "*.*",
       {{"readme.txt", 1449, 0x2E85, 0x30E4}, {"sjis.txt", 2307, 0x3D4A, 0x5145},
        {"empty.txt", 0, 0x2A21, 0x0000}, {"y2k.txt", 27, 0x279F, 0xBF7D}}},
      {"lh5_l1.lzh", "*.zip s*.txt", {{"sjis.txt", 2307, 0x3D4A, 0x5145}}},
      {"dirs_l0.lzh", "*.*",
       {{"root.txt", 16, 0x32C7, 0x4125}, {"dir\\top.txt", 8, 0x32C7, 0x4126},
        {"dir\\sub\\file.txt", 3664, 0x32C7, 0x4127}}},
      {"hostile_l0.lzh", "*.*", {{"ok.txt", 14, 0x5456, 0xB2CB}}},
      {"bad_crc_lh0.lzh", "*.*",
       {{"sjis.txt", 2307, 0x3D4A, 0x5145}, {"empty.txt", 0, 0x2A21, 0x0000}, {"y2k.txt", 27, 0x279F, 0xBF7D}}},
      {"bad_hdrsum.lzh", "*.*", {}},
  };
  Library lib;
  ASSERT_TRUE(lib.Complete());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.archive) + " " + c.wildcards);
    test::TempDir tmp;
    tmp.Write("a.lzh", Fixture(c.archive));
    EXPECT_EQ(List(lib, tmp / "a.lzh", c.wildcards), c.members);
  }
  EXPECT_EQ(lib.open(nullptr, "Z:\\no\\such\\archive.lzh", kOpenMode), nullptr);
}

// Archives whose members cannot all lie at their own paths, or whose name
// or member list is unusual: what the command writes and what the listing
// names agree, each listed path holds that member's own bytes, and nothing
// else is written.
TEST(Unlha32, WritesEachMemberOnceWhereTheListingSaysIt) {
  using Members = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* name;
    std::string archive;  // the archive's file name
    Members members;
    std::string wildcards;
    Members listed;  // path below the folder and the bytes found there
  };
  Members many, manyListed;
  std::string manyWildcards;
  for (int i = 0; i < 70; ++i) {
    std::string name = "m" + std::to_string(i) + ".txt";
    many.push_back({name, "member " + std::to_string(i)});
    manyWildcards += (i ? " " : "") + name;
  }
  manyListed = many;
  const Case cases[] = {
      {"device names", "dev.lzh",
       {{"drivers\\aux.c", "aux"}, {"CON", "con"}, {"nul.txt", "nul"}, {"lpt1", "lpt"}, {"ok.txt", "ok"}}, "*.*",
       {{"ok.txt", "ok"}}},
      {"one name twice, and two that differ in letter case only", "dup.lzh",
       {{"a.txt", "first a"}, {"a.txt", "second a"}, {"B.TXT", "upper b"}, {"b.txt", "lower b"}}, "*.*",
       {{"a.txt", "first a"}, {"~2\\a.txt", "second a"}, {"B.TXT", "upper b"}, {"~2\\b.txt", "lower b"}}},
      {"a file where a later member needs a folder", "file.lzh", {{"a", "file a"}, {"a\\b.txt", "inside a"}}, "*.*",
       {{"a", "file a"}, {"~2\\a\\b.txt", "inside a"}}},
      {"an archive named like an option", "-old.lzh", {{"old.txt", "old"}}, "*.*", {{"old.txt", "old"}}},
      {"more wildcards than a command has words", "many.lzh", many, manyWildcards, manyListed},
  };
  Library lib;
  ASSERT_TRUE(lib.Complete());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir tmp;
    tmp.Write(c.archive, test::StoredArchive(c.members));
    // The archive named as the program names a target in its current
    // directory: by its name alone.
    char saved[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(tmp.path().c_str()));
    std::string line = "x -jf0 \"" + c.archive + "\" \"" + (tmp / "out\\") + "\" " + c.wildcards;
    std::vector<char> output(kOutputSize, 'x');
    lib.command(nullptr, line.c_str(), output.data(), kOutputSize);
    SetCurrentDirectoryA(saved);
    std::vector<std::string> listedPaths, written;
    for (const Listed& l : List(lib, tmp / c.archive, c.wildcards.c_str())) listedPaths.push_back(l.path);
    std::vector<std::string> wantPaths;
    for (const auto& [path, bytes] : c.listed) {
      wantPaths.push_back(path);
      EXPECT_EQ(ReadAnsi(tmp / ("out\\" + path)), bytes) << path;
    }
    EXPECT_EQ(listedPaths, wantPaths);
    CollectFiles(tmp / "out\\", "", &written);
    std::sort(written.begin(), written.end());
    std::sort(wantPaths.begin(), wantPaths.end());
    EXPECT_EQ(written, wantPaths);
  }
}

}  // namespace
}  // namespace zanto
