// The archive library binding, the extraction root and RemoveTree, on real
// directories.
#include <gtest/gtest.h>

#include <string>

#include "files/archive_support.h"
#include "files/path.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace zanto {
namespace {

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

TEST(ArchiveSupport, IsOffWithoutTheLibrary) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows build ships a probe library beside the tests";
#endif
  test::FakeHost host;
  test::TempDir tmp;
  EXPECT_EQ(InitArchiveSupport(tmp.path().c_str()), 0);
  EXPECT_FALSE(ArchiveSupportReady());
  EXPECT_EQ(ArchiveLibraryVersion(), 0u);
  EXPECT_STREQ(ArchiveRoot(), "");
  EXPECT_FALSE(tmp.Exists("$ZANTO$.TMP"));
  ShutdownArchiveSupport();  // nothing to do
}

#ifdef _WIN32
TEST(ArchiveSupport, BindsTheLibraryAndKeepsAHiddenRootUntilShutdown) {
  test::FakeHost host;
  test::TempDir tmp;
  ASSERT_EQ(InitArchiveSupport(WithoutSeparator(tmp.path()).c_str()), 1);
  EXPECT_TRUE(ArchiveSupportReady());
  EXPECT_EQ(ArchiveLibraryVersion(), 261u);
  EXPECT_EQ(std::string(ArchiveRoot()), tmp.path() + "$ZANTO$.TMP\\");
  ASSERT_FALSE(host.traces.empty());
  EXPECT_EQ(host.traces[0], "unlha version=261\n");
  uint32_t attributes = 0;
  ASSERT_TRUE(OsGetAttributes((tmp / "$ZANTO$.TMP").c_str(), &attributes));
  EXPECT_NE(attributes & kAttrHidden, 0u);

  MakeFile(tmp / "$ZANTO$.TMP/member.txt");
  ShutdownArchiveSupport();
  EXPECT_FALSE(ArchiveSupportReady());
  EXPECT_FALSE(tmp.Exists("$ZANTO$.TMP"));
}
#endif

}  // namespace
}  // namespace zanto
