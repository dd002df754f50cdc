// The archive library binding, the extraction root and RemoveTree, on real
// directories.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/archive_support.h"
#include "files/lzh/lzh.h"
#include "files/path.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace zanto {
namespace {

// The program holds one from start-up to exit; the tests, one for all.
ArchiveSupport& Archives() {
  static ArchiveSupport archives;
  return archives;
}

void MakeFile(const std::string& path) { ASSERT_TRUE(test::CreateEmptyFile(path)) << path; }

std::string WithoutSeparator(const std::string& dir) { return dir.substr(0, dir.size() - 1); }

TEST(RemoveTree, DeletesNestedEntriesButKeepsReadOnlyFilesAndTheirDirectories) {
  test::TempDir tmp;
  ASSERT_TRUE(OsCreateDirectory((tmp / "a").c_str()));
  ASSERT_TRUE(OsCreateDirectory((tmp / "a/b").c_str()));
  ASSERT_TRUE(OsCreateDirectory((tmp / "keep").c_str()));
  MakeFile(tmp / "top.txt");
  MakeFile(tmp / "a/x.txt");
  MakeFile(tmp / "a/b/y.txt");
  MakeFile(tmp / "keep/ro.txt");
  ASSERT_TRUE(OsSetAttributes((tmp / "keep/ro.txt").c_str(), kAttrReadOnly));

  RemoveTree(WithoutSeparator(tmp.path()).c_str());

  EXPECT_FALSE(tmp.Exists("top.txt"));
  EXPECT_FALSE(tmp.Exists("a"));
  EXPECT_TRUE(tmp.Exists("keep/ro.txt"));
  EXPECT_TRUE(tmp.Exists("keep"));
  ASSERT_TRUE(OsSetAttributes((tmp / "keep/ro.txt").c_str(), 0));
}

#ifndef _WIN32
// A link inside the tree is removed; what it points to is left alone.
TEST(RemoveTree, RemovesLinksWithoutFollowingThem) {
  test::TempDir outside;
  MakeFile(outside / "precious.txt");
  test::TempDir tmp;
  ASSERT_EQ(symlink(WithoutSeparator(outside.path()).c_str(), (tmp / "link").c_str()), 0);
  RemoveTree(WithoutSeparator(tmp.path()).c_str());
  EXPECT_TRUE(outside.Exists("precious.txt"));
  EXPECT_FALSE(tmp.Exists("link"));
}
#endif

std::string WithSuffix(const std::string& archive) {
  char dir[kPathBuffer] = "x";
  ArchiveDirName(archive.c_str(), dir, sizeof dir);
  return dir;
}

// The suffix parts an archive's extraction directory from those of other
// archives of the same name, and finds the same directory again.
TEST(ArchiveDirName, SameArchiveSameSuffixSameNameElsewhereAnother) {
  test::FakeHost host;
  test::TempDir tmp;
  tmp.Write("a/data.lzh", "one");
  tmp.Write("b/data.lzh", "two");
  const struct {
    const char* name;
    std::string first, second;
    bool same;
  } cases[] = {
      {"one archive named two ways", tmp / "a/data.lzh", tmp / "b/../a/data.lzh", true},
      {"the same name in another folder", tmp / "a/data.lzh", tmp / "b/data.lzh", false},
      // Archives that are not there all have time stamp 0, so only the
      // upper-cased paths count.
      {"ASCII letter case", tmp / "none/data.lzh", tmp / "none/DATA.LZH", true},
      {"full-width small Latin letters", tmp / "none/\x82\x81\x82\x9A.lzh", tmp / "none/\x82\x60\x82\x79.lzh", true},
      {"a trail byte in the range of ASCII small letters", tmp / "none/\x83\x61.lzh", tmp / "none/\x83\x41.lzh", false},
      {"a double-byte character after the small Latin letters", tmp / "none/\x82\x9F.lzh", tmp / "none/\x82\x7E.lzh",
       false},
  };
  for (const auto& c : cases) {
    std::string first = WithSuffix(c.first);
    ASSERT_EQ(first.size(), 10u) << c.name << ": " << first;
    EXPECT_EQ(first == WithSuffix(c.second), c.same) << c.name;
  }
}

#ifndef _WIN32
TEST(ArchiveDirName, SuffixOfAMissingArchiveAndItsTraceLines) {
  test::FakeHost host;
  EXPECT_EQ(WithSuffix("/zanto-none/data.lzh"), "x.18B39CCB");
  ASSERT_EQ(host.traces.size(), 2u);
  EXPECT_EQ(host.traces[0], "{0,/ZANTO-NONE/DATA.LZH}");
  EXPECT_EQ(host.traces[1], "[x.18B39CCB]");
}
#endif

TEST(ArchiveSupport, IsOffWithoutTheLibrary) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows build ships a probe library beside the tests";
#endif
  test::FakeHost host;
  test::TempDir tmp;
  EXPECT_FALSE(Archives().Init(tmp.path().c_str()));
  EXPECT_FALSE(Archives().Ready());
  EXPECT_EQ(Archives().LibraryVersion(), 0u);
  EXPECT_STREQ(Archives().Root(), "");
  EXPECT_FALSE(tmp.Exists("$ZANTO$.TMP"));
  Archives().Shutdown();  // nothing to do
}

#ifdef _WIN32
TEST(ArchiveSupport, BindsTheLibraryAndKeepsAHiddenRootUntilShutdown) {
  test::FakeHost host;
  test::TempDir tmp;
  ASSERT_TRUE(Archives().Init(WithoutSeparator(tmp.path()).c_str()));
  EXPECT_TRUE(Archives().Ready());
  EXPECT_EQ(Archives().LibraryVersion(), 261u);
  EXPECT_EQ(std::string(Archives().Root()), tmp.path() + "$ZANTO$.TMP\\");
  ASSERT_FALSE(host.traces.empty());
  EXPECT_EQ(host.traces[0], "unlha version=261\n");
  uint32_t attributes = 0;
  ASSERT_TRUE(OsGetAttributes((tmp / "$ZANTO$.TMP").c_str(), &attributes));
  EXPECT_NE(attributes & kAttrHidden, 0u);

  MakeFile(tmp / "$ZANTO$.TMP/member.txt");
  Archives().Shutdown();
  EXPECT_FALSE(Archives().Ready());
  EXPECT_FALSE(tmp.Exists("$ZANTO$.TMP"));
}

// The probe library lists hostile member paths among good ones; only the
// good ones reach the scan, below the archive's extraction directory, each
// with its own date, time and size.
TEST(ArchiveSupport, HandsOnOnlyMembersThatStayInTheExtractionDirectory) {
  test::FakeHost host;
  test::TempDir tmp;
  ASSERT_TRUE(Archives().Init(WithoutSeparator(tmp.path()).c_str()));
  tmp.Write("probe.lzh", "listed by the probe");
  const std::string archive = tmp / "probe.lzh";
  FindRecord record;
  record.attributes = kAttrArchive;
  std::strcpy(record.name, "probe.lzh");
  char path[kPathBuffer];
  const struct Member {
    std::string path;
    uint16_t date, time;
    int64_t size;
  } want[] = {{"first.txt", 0x279F, 0xBF7D, 11}, {"sub\\\x95\x5C.txt", 0x3D4A, 0x5145, 2307}, {"last.doc", 1, 2, 0}};
  std::vector<Member> got;
  std::string dir;
  for (int r = Archives().Extract(nullptr, archive.c_str(), "*.txt:*.doc", &record, path); r == kMemberFound;
       r = Archives().NextMember(&record, path)) {
    if (dir.empty()) dir = std::string(path).substr(0, std::strlen(path) - std::strlen("first.txt"));
    ASSERT_EQ(std::string(path).compare(0, dir.size(), dir), 0) << path;
    EXPECT_STREQ(record.name, path);
    EXPECT_EQ(record.attributes, kAttrArchive);
    got.push_back({path + dir.size(), record.date, record.time, record.size});
  }
  EXPECT_EQ(Archives().NextMember(&record, path), kNoMember);
  ASSERT_EQ(got.size(), sizeof want / sizeof want[0]);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].path, want[i].path) << i;
    EXPECT_EQ(got[i].date, want[i].date) << i;
    EXPECT_EQ(got[i].time, want[i].time) << i;
    EXPECT_EQ(got[i].size, want[i].size) << i;
  }
  // Below the root, in a directory named after the archive.
  EXPECT_EQ(dir.compare(0, std::strlen(Archives().Root()), Archives().Root()), 0) << dir;
  EXPECT_EQ(dir.size(), std::strlen(Archives().Root()) + std::strlen("probe.12345678\\")) << dir;
  const std::string command = "unlha x -jf0 \"" + archive + "\" \"" + dir + "\" *.txt *.doc\n";
  bool traced = false;
  for (const std::string& line : host.traces) traced = traced || line == command;
  EXPECT_TRUE(traced) << command;
  Archives().Shutdown();
}

// A library that lists every member and writes a later one of a name over
// an earlier one: only members whose file holds them reach the scan; the
// others are handed on as left out, with their paths inside the archive,
// so that the run can say so.
TEST(ArchiveSupport, LeavesOutMembersWhoseFileDoesNotHoldThem) {
  test::FakeHost host;
  test::TempDir tmp;
  ASSERT_TRUE(Archives().Init(WithoutSeparator(tmp.path()).c_str()));
  tmp.Write("probe.lzh", "listed by the probe");
  FindRecord record;
  std::strcpy(record.name, "probe.lzh");
  char path[kPathBuffer];
  std::vector<std::string> got;
  std::string dir;
  for (int r = Archives().Extract(nullptr, (tmp / "probe.lzh").c_str(), "dup*:*.txt", &record, path); r != kNoMember;
       r = Archives().NextMember(&record, path)) {
    if (r == kMemberLeftOut) {
      got.push_back(std::string("left out ") + path);
      continue;
    }
    ASSERT_EQ(r, kMemberFound);
    if (dir.empty()) dir = std::string(path).substr(0, std::strlen(path) - std::strlen("DUP.TXT"));
    got.push_back(std::string(path).substr(dir.size()) + " " + std::to_string(record.size));
  }
  const std::vector<std::string> want = {
      "left out dup.txt", "DUP.TXT 7", "left out short.txt", "left out absent.txt", "left out folder",
      "folder\\in.txt 2", "good.txt 2",
  };
  EXPECT_EQ(got, want);
  Archives().Shutdown();
}

// A relative base names the directory it means when archive search starts;
// the root stays there however the current directory changes later, and
// goes at shutdown.
TEST(ArchiveSupport, RelativeBaseGivesAnAbsoluteRoot) {
  test::FakeHost host;
  test::TempDir tmp, elsewhere;
  char saved[kPathBuffer];
  ASSERT_TRUE(OsGetCurrentDirectory(saved, sizeof saved));
  ASSERT_TRUE(OsSetCurrentDirectory(tmp.path().c_str()));
  ASSERT_TRUE(Archives().Init("."));
  EXPECT_EQ(std::string(Archives().Root()), tmp.path() + "$ZANTO$.TMP\\");
  ASSERT_TRUE(OsSetCurrentDirectory(elsewhere.path().c_str()));
  Archives().Shutdown();
  OsSetCurrentDirectory(saved);
  EXPECT_FALSE(tmp.Exists("$ZANTO$.TMP"));
}

// The directory an archive is extracted into is never named like a device,
// whatever the archive is called; an ordinary archive's is named as ever.
TEST(ArchiveSupport, ExtractionDirectoryIsNeverADevice) {
  test::FakeHost host;
  test::TempDir tmp;
  ASSERT_TRUE(Archives().Init(WithoutSeparator(tmp.path()).c_str()));
  for (const char* archive : {"aux.lzh", "Con.old.lzh", "lpt1 .lzh", "nul.lzh", "probe.lzh"}) {
    SCOPED_TRACE(archive);
    tmp.Write(archive, "listed by the probe");
    FindRecord record;
    char path[kPathBuffer];
    ASSERT_EQ(Archives().Extract(nullptr, (tmp / archive).c_str(), nullptr, &record, path), kMemberFound);
    std::string dir = std::string(path).substr(std::strlen(Archives().Root()));
    dir = dir.substr(0, dir.find('\\'));
    EXPECT_TRUE(lzh::IsSafePath(dir)) << dir;
    if (std::strcmp(archive, "probe.lzh") == 0) {
      EXPECT_EQ(dir.rfind("probe.", 0), 0u) << dir;
      EXPECT_EQ(dir.size(), std::strlen("probe.12345678")) << dir;
    }
  }
  Archives().Shutdown();
}
#endif

}  // namespace
}  // namespace zanto
