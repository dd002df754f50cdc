// Directory searches with the attribute mask, wildcard rules, and the raw
// file calls, on real files in a temporary directory.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "files/path.h"
#include "raw_file.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

const std::string kHyo = "\x95\x5C";  // 表: trail byte 0x5C

using test::MakeFile;

std::set<std::string> Found(const std::string& pattern, uint32_t mask) {
  std::set<std::string> names;
  FindRecord record;
  for (int r = FindFirst(pattern.c_str(), &record, mask); r == 0; r = FindNext(&record)) names.insert(record.name);
  EXPECT_EQ(record.osHandle, nullptr) << "search left open at its end";
  return names;
}

using Names = std::set<std::string>;

TEST(FindFirst, AttributeMaskDecidesHiddenAndDirectoryEntries) {
  test::TempDir tmp;
  MakeFile(tmp / "plain.txt");
  MakeFile(tmp / "ro.txt");
  ASSERT_TRUE(OsSetAttributes((tmp / "ro.txt").c_str(), kAttrReadOnly));
  MakeFile(tmp / ".hidden");  // a leading dot hides a name
  ASSERT_TRUE(OsCreateDirectory((tmp / "sub").c_str()));

  const Names files = {"plain.txt", "ro.txt"};
  struct Case {
    uint32_t mask;
    Names want;
  } cases[] = {
      {kAttrReadOnly | kAttrArchive, files},
      {kAttrReadOnly | kAttrArchive | kAttrHidden | kAttrSystem, {"plain.txt", "ro.txt", ".hidden"}},
      {kAttrDirectory, {".", "..", "plain.txt", "ro.txt", "sub"}},
      {0, files},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(tmp / "*", c.mask), c.want) << std::hex << c.mask;

  Names all = Found(tmp / "*.*", kAttrDirectory | kAttrHidden);
  EXPECT_EQ(all, (Names{".", "..", "plain.txt", "ro.txt", ".hidden", "sub"}));
  ASSERT_TRUE(OsSetAttributes((tmp / "ro.txt").c_str(), kAttrArchive));
}

TEST(FindFirst, SystemFilesNeedTheSystemBit) {
#ifndef _WIN32
  GTEST_SKIP() << "the system attribute exists only on the Windows file system";
#else
  test::TempDir tmp;
  MakeFile(tmp / "sys.dat");
  ASSERT_TRUE(OsSetAttributes((tmp / "sys.dat").c_str(), kAttrSystem));
  uint32_t attributes = 0;
  ASSERT_TRUE(OsGetAttributes((tmp / "sys.dat").c_str(), &attributes));
  if ((attributes & kAttrSystem) == 0) GTEST_SKIP() << "this file system keeps no system bit";
  EXPECT_EQ(Found(tmp / "*", kAttrArchive), Names{});
  EXPECT_EQ(Found(tmp / "*", kAttrArchive | kAttrSystem), Names{"sys.dat"});
  EXPECT_EQ(Found(tmp / "*", kAttrHidden), Names{});  // hidden alone does not admit it
  ASSERT_TRUE(OsSetAttributes((tmp / "sys.dat").c_str(), kAttrArchive));
#endif
}

TEST(FindFirst, WildcardsIgnoreCaseAndStarDotStarMatchesEveryName) {
  test::TempDir tmp;
  for (const std::string& name : Names{"README", "Data.TXT", "b.txt", "a.b.txt", "x.txt.bak", kHyo + ".txt"})
    MakeFile(tmp / name);
  const uint32_t mask = kAttrReadOnly | kAttrArchive;
  struct Case {
    std::string pattern;
    Names want;
  } cases[] = {
      {"*.*", {"README", "Data.TXT", "b.txt", "a.b.txt", "x.txt.bak", kHyo + ".txt"}},
      {"*.txt", {"Data.TXT", "b.txt", "a.b.txt", kHyo + ".txt"}},
      {"DATA.*", {"Data.TXT"}},
      {"readme", {"README"}},
      {"?.txt", {"b.txt", kHyo + ".txt"}},  // one double-byte character is one "?"
      {"*.bak", {"x.txt.bak"}},
      {"nothing*", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(tmp / c.pattern, mask), c.want) << c.pattern;
}

TEST(FindFirst, FillsTheRecordAndRunsSeveralSearchesAtOnce) {
  test::TempDir tmp;
  ASSERT_TRUE(OsCreateDirectory((tmp / "a").c_str()));
  ASSERT_TRUE(OsCreateDirectory((tmp / "b").c_str()));
  MakeFile(tmp / "a/one.txt", "12345");
  MakeFile(tmp / "b/two.txt", "1234567");
  MakeFile(tmp / "b/three.txt", "");

  const uint32_t mask = kAttrArchive;
  FindRecord first, second;
  ASSERT_EQ(FindFirst((tmp / "a\\*.txt").c_str(), &first, mask), 0);
  ASSERT_EQ(FindFirst((tmp / "b/*.txt").c_str(), &second, mask), 0);
  Names fromSecond = {second.name};
  EXPECT_STREQ(first.name, "one.txt");
  EXPECT_EQ(first.size, 5);
  EXPECT_NE(first.attributes & kAttrArchive, 0u);
  unsigned year = 1980 + (first.date >> 9), month = (first.date >> 5) & 0xF, day = first.date & 0x1F;
  EXPECT_GE(year, 2020u);
  EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31) << first.date;
  EXPECT_LT(first.time >> 11, 24);
  EXPECT_EQ(FindNext(&first), -1);
  EXPECT_EQ(first.osHandle, nullptr);
  EXPECT_EQ(FindNext(&first), -1);  // an ended search stays ended

  ASSERT_EQ(FindNext(&second), 0);
  fromSecond.insert(second.name);
  EXPECT_EQ(fromSecond, (Names{"two.txt", "three.txt"}));
  EXPECT_EQ(second.size, std::string(second.name) == "two.txt" ? 7 : 0);

  // A record that starts a new search releases the one it had open.
  ASSERT_EQ(FindFirst((tmp / "b\\*.txt").c_str(), &second, mask), 0);
  ASSERT_EQ(FindFirst((tmp / "a\\*").c_str(), &second, mask), 0);
  EXPECT_STREQ(second.name, "one.txt");
  FindEnd(&second);
  EXPECT_EQ(FindFirst((tmp / "missing\\*").c_str(), &second, mask), -1);
}

TEST(RawFiles, OpenReadSeekAndRefusals) {
  test::TempDir tmp;
  const std::string path = tmp / (kHyo + ".dat");
  MakeFile(path, "hello world");
  intptr_t h = OpenRawFile(path.c_str(), kOpenRead | kShareRead);
  ASSERT_GE(h, 0);
  EXPECT_EQ(SeekRawFile(h, 0, 2), 11);
  EXPECT_EQ(SeekRawFile(h, 6, 0), 6);
  char buf[16] = {};
  EXPECT_EQ(ReadRawFile(h, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(CloseRawFile(h), 0);

  EXPECT_LT(OpenRawFile((tmp / "missing.dat").c_str(), kOpenRead), 0);
  EXPECT_EQ(FileAccessible(path.c_str(), 0), 0);
  EXPECT_EQ(FileAccessible(path.c_str(), 6), 0);
  EXPECT_EQ(FileAccessible((tmp / "missing.dat").c_str(), 0), -1);

  // A read-only file can be read but not written, and is not deleted by a
  // plain delete.
  ASSERT_TRUE(OsSetAttributes(path.c_str(), kAttrReadOnly));
  EXPECT_EQ(FileAccessible(path.c_str(), 4), 0);
  EXPECT_EQ(FileAccessible(path.c_str(), 2), -1);
  EXPECT_EQ(DeletePath(path.c_str()), -1);
#ifndef _WIN32
  // (Wine run as root opens it anyway: its read-only bit is a file mode.)
  EXPECT_LT(OpenRawFile(path.c_str(), kOpenWrite | kOpenCreate), 0);
#endif
  EXPECT_EQ(ForceDeleteFile(path.c_str()), 0);
  EXPECT_EQ(FileAccessible(path.c_str(), 0), -1);
  EXPECT_EQ(ForceDeleteFile(path.c_str()), -1);

  // A path longer than a path buffer is refused, never cut to another name.
  std::string tooLong = tmp.path() + std::string(kPathBuffer, 'n');
  EXPECT_LT(OpenRawFile(tooLong.c_str(), kOpenWrite | kOpenCreate), 0);
}

TEST(RawFiles, RenameNeverReplacesAndDeleteWorks) {
  test::TempDir tmp;
  MakeFile(tmp / "a.txt", "A");
  MakeFile(tmp / "b.txt", "B");
  EXPECT_EQ(RenamePath((tmp / "a.txt").c_str(), (tmp / "b.txt").c_str()), -1);
  EXPECT_EQ(tmp.Read("b.txt"), "B");
  EXPECT_EQ(RenamePath((tmp / "a.txt").c_str(), (tmp / "c.txt").c_str()), 0);
  EXPECT_EQ(tmp.Read("c.txt"), "A");
  EXPECT_FALSE(tmp.Exists("a.txt"));
  EXPECT_EQ(DeletePath((tmp / "c.txt").c_str()), 0);
  EXPECT_EQ(DeletePath((tmp / "c.txt").c_str()), -1);
}

TEST(RawFiles, SharingModesAreEnforced) {
#ifndef _WIN32
  GTEST_SKIP() << "sharing modes exist only on Windows";
#else
  test::TempDir tmp;
  const std::string path = tmp / "shared.txt";
  MakeFile(path);
  intptr_t exclusive = OpenRawFile(path.c_str(), kOpenRead | kShareNone);
  ASSERT_GE(exclusive, 0);
  EXPECT_LT(OpenRawFile(path.c_str(), kOpenRead | kShareAll), 0);
  CloseRawFile(exclusive);
  intptr_t reader = OpenRawFile(path.c_str(), kOpenRead | kShareRead);
  ASSERT_GE(reader, 0);
  intptr_t second = OpenRawFile(path.c_str(), kOpenRead | kShareAll);
  EXPECT_GE(second, 0);
  EXPECT_LT(OpenRawFile(path.c_str(), kOpenWrite | kShareAll), 0);  // the first allows readers only
  CloseRawFile(second);
  CloseRawFile(reader);
#endif
}

TEST(OsLayer, TimesDirectoriesLibrariesAndClock) {
  test::TempDir tmp;
  const std::string path = tmp / "t.txt";
  MakeFile(path, "abc");
  OsFileTimes before;
  ASSERT_TRUE(OsGetFileTimes(path.c_str(), &before));
  // A scan restores the last-access time it found; the write time stays.
  uint64_t earlier = before.lastWrite - 10000000;
  ASSERT_TRUE(OsSetLastAccessTime(path.c_str(), earlier));
  OsFileTimes after;
  ASSERT_TRUE(OsGetFileTimes(path.c_str(), &after));
  EXPECT_EQ(after.lastAccess, earlier);
  EXPECT_EQ(after.lastWrite, before.lastWrite);
  EXPECT_FALSE(OsGetFileTimes((tmp / "missing").c_str(), &after));
  // An open file tells the same times through its handle.
  const intptr_t open = OsOpenFile(path.c_str(), kOpenRead | kShareAll);
  ASSERT_GE(open, 0);
  OsFileTimes byHandle;
  ASSERT_TRUE(OsGetOpenFileTimes(open, &byHandle));
  OsCloseFile(open);
  EXPECT_EQ(byHandle.lastAccess, earlier);
  EXPECT_EQ(byHandle.lastWrite, after.lastWrite);
  EXPECT_EQ(byHandle.creation, after.creation);

  char temp[kPathBuffer];
  ASSERT_TRUE(OsTempPath(temp, sizeof temp));
  EXPECT_TRUE(LastChar(temp) == '\\' || LastChar(temp) == '/');
  EXPECT_TRUE(OsAccess(temp, 0));

  char cwd[kPathBuffer], inside[kPathBuffer];
  ASSERT_TRUE(OsGetCurrentDirectory(cwd, sizeof cwd));
  ASSERT_TRUE(OsCreateDirectory((tmp / "d").c_str()));
  ASSERT_TRUE(OsSetCurrentDirectory((tmp / "d").c_str()));
  EXPECT_EQ(FileAccessible("..\\t.txt", 0), 0);
  ASSERT_TRUE(OsGetCurrentDirectory(inside, sizeof inside));
  ASSERT_TRUE(OsSetCurrentDirectory(cwd));
  EXPECT_NE(std::string(inside).find("d"), std::string::npos);
  EXPECT_TRUE(OsRemoveDirectory((tmp / "d").c_str()));
  EXPECT_FALSE(OsRemoveDirectory((tmp / "d").c_str()));

  EXPECT_EQ(OsLoadLibrary("NOSUCHLIB.DLL"), nullptr);
#ifdef _WIN32
  void* kernel = OsLoadLibrary("KERNEL32.DLL");
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(OsGetSymbol(kernel, "GetTickCount"), nullptr);
  EXPECT_EQ(OsGetSymbol(kernel, "NoSuchExport"), nullptr);
  OsFreeLibrary(kernel);
#endif
  uint32_t t0 = OsTickCount();
  uint32_t t1 = OsTickCount();
  EXPECT_LE(t1 - t0, 1000u);
}

}  // namespace
}  // namespace zanto
