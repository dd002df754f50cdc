// Path helpers: splitting, joining, separators and names, with double-byte
// characters whose trail byte is a backslash.
#include "files/path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "raw_file.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

// 表 is 0x95 0x5C: its trail byte is a backslash. あ is 0x82 0xA0.
const std::string kHyo = "\x95\x5C";
const std::string kA = "\x82\xA0";

struct Parts {
  std::string drive, dir, name, ext;
};

Parts Split(const std::string& path) {
  char drive[3], dir[kPathPart], name[kPathPart], ext[kPathPart];
  std::memset(drive, 'Z', sizeof drive);
  SplitPath(path.c_str(), drive, dir, name, ext);
  return {drive, dir, name, ext};
}

std::string Merge(const Parts& p) {
  char out[kPathBuffer];
  MergePath(out, p.drive.c_str(), p.dir.c_str(), p.name.c_str(), p.ext.c_str());
  return out;
}

TEST(SplitPath, PartsOfPaths) {
  struct Case {
    std::string path;
    Parts want;
  } cases[] = {
      {"C:\\dir\\file.txt", {"C:", "\\dir\\", "file", ".txt"}},
      {"file.txt  ", {"", "", "file", ".txt"}},  // trailing spaces ignored
      {"a.b.txt", {"", "", "a.b", ".txt"}},
      {".profile", {"", "", ".profile", ""}},    // leading dots are no extension
      {"..", {"", "", "..", ""}},
      {"dir.d\\file", {"", "dir.d\\", "file", ""}},
      {"x/y\\z/w.c", {"", "x/y\\z/", "w", ".c"}},  // both separators
      {"C:name", {"C:", "", "name", ""}},
      {"\\", {"", "\\", "", ""}},
      {"", {"", "", "", ""}},
      // Double-byte names: the 0x5C of 表 is not a separator.
      {"C:\\" + kHyo + "\\" + kHyo + ".txt", {"C:", "\\" + kHyo + "\\", kHyo, ".txt"}},
      {"C:\\dir\\" + kHyo, {"C:", "\\dir\\", kHyo, ""}},
      {"d" + kHyo + "/n", {"", "d" + kHyo + "/", "n", ""}},
  };
  for (const Case& c : cases) {
    Parts got = Split(c.path);
    EXPECT_EQ(got.drive, c.want.drive) << c.path;
    EXPECT_EQ(got.dir, c.want.dir) << c.path;
    EXPECT_EQ(got.name, c.want.name) << c.path;
    EXPECT_EQ(got.ext, c.want.ext) << c.path;
  }
}

TEST(SplitPath, SkipsMissingOutputsAndCutsLongPartsAtCharacterBoundaries) {
  char dir[kPathPart];
  SplitPath("C:\\dir\\file.txt", nullptr, dir, nullptr, nullptr);
  EXPECT_STREQ(dir, "\\dir\\");

  std::string longName;
  for (int i = 0; i < 129; ++i) longName += kA;  // 258 bytes
  char name[kPathPart];
  std::memset(name, 'Z', sizeof name);
  SplitPath(longName.c_str(), nullptr, nullptr, name, nullptr);
  EXPECT_EQ(std::string(name), longName.substr(0, 254));  // 255 would split あ
}

TEST(MergePath, JoinsPartsAndRoundTrips) {
  const std::string paths[] = {
      "D:\\x\\y.txt", "\\dir\\sub\\name.ext", "rel\\a.b.c", "noext", "C:name",
      "\\" + kHyo + "\\" + kHyo + ".txt",
  };
  for (const std::string& path : paths) EXPECT_EQ(Merge(Split(path)), path);

  struct Case {
    Parts parts;
    std::string want;
  } cases[] = {
      {{"D:", "\\x", "y", "txt"}, "D:\\x\\y.txt"},   // separator and dot added
      {{"", "x/", "y", ".c"}, "x/y.c"},               // a slash ends a directory too
      {{"", "\\" + kHyo, "y", ""}, "\\" + kHyo + "\\y"},  // 表 does not end in a backslash
      {{"", "", "name", ""}, "name"},                // no directory: nothing added
  };
  for (const Case& c : cases) EXPECT_EQ(Merge(c.parts), c.want);
}

TEST(MergePath, StaysWithinItsBuffer) {
  std::string dir(300, 'd');
  char out[kPathBuffer + 16];
  std::memset(out, 'Z', sizeof out);
  MergePath(out, "C:", dir.c_str(), "name", ".ext");
  EXPECT_EQ(std::strlen(out), kPathBuffer - 1);
  EXPECT_EQ(out[kPathBuffer], 'Z');
}

TEST(Separators, OnlyRealSeparatorsAreConvertedOrFound) {
  char text[64];
  std::strcpy(text, ("a/" + kHyo + "/b\\c").c_str());
  SlashesToBackslashes(text);
  EXPECT_EQ(std::string(text), "a\\" + kHyo + "\\b\\c");
  BackslashesToSlashes(text);
  EXPECT_EQ(std::string(text), "a/" + kHyo + "/b/c");  // the trail byte stays

  std::string s = kHyo + "\\x" + kHyo;
  EXPECT_EQ(FindChar(s.c_str(), '\\'), s.c_str() + 2);
  EXPECT_EQ(FindLastChar(s.c_str(), '\\'), s.c_str() + 2);
  EXPECT_EQ(FindChar(kHyo.c_str(), '\\'), nullptr);
  EXPECT_EQ(FindLastChar(kHyo.c_str(), '\\'), nullptr);
  std::string ab = "a\\b\\c";
  EXPECT_EQ(FindChar(ab.c_str(), '\\'), ab.c_str() + 1);
  EXPECT_EQ(FindLastChar(ab.c_str(), '\\'), ab.c_str() + 3);
}

TEST(EnsureTrailingSeparator, AddsOneUnlessARealBackslashEndsThePath) {
  struct Case {
    std::string path, want;
  } cases[] = {
      {"C:\\dir\\", "C:\\dir\\"},
      {"C:\\dir", "C:\\dir\\"},
      {"", "\\"},
      {"C:\\" + kHyo, "C:\\" + kHyo + "\\"},
      {"C:\\" + kHyo + "\\", "C:\\" + kHyo + "\\"},
  };
  for (const Case& c : cases) {
    char path[kPathBuffer];
    std::strcpy(path, c.path.c_str());
    EnsureTrailingSeparator(path);
    EXPECT_EQ(std::string(path), c.want) << c.path;
  }
  char full[kPathBuffer];
  std::memset(full, 'x', kPathBuffer - 1);
  full[kPathBuffer - 1] = '\0';
  EnsureTrailingSeparator(full);  // no room: unchanged, not overrun
  EXPECT_EQ(std::strlen(full), kPathBuffer - 1);
}

TEST(TextHelpers, LastCharDropLastCharPrependText) {
  EXPECT_EQ(LastChar(""), 0);
  EXPECT_EQ(LastChar(kHyo.c_str()), 0x5C);

  char text[16] = "abc\\";
  EXPECT_EQ(DropLastChar(text, 0), 2);
  EXPECT_STREQ(text, "abc");
  EXPECT_EQ(DropLastChar(text, '/'), 2);
  EXPECT_STREQ(text, "ab/");
  char empty[4] = "";
  EXPECT_EQ(DropLastChar(empty, 0), -1);

  struct Case {
    std::string text, prefix;
    size_t capacity;
    std::string want;
  } cases[] = {
      {"abc", "xy", 16, "xyabc"},
      {"abc", "xy", 5, "xyab"},
      {kA + kA, "x", 5, "x" + kA},     // the cut does not split い
      {"abc", "", 8, "abc"},
      {"abc", "prefix", 4, "pre"},     // only the prefix fits
  };
  for (const Case& c : cases) {
    char buf[32];
    std::memset(buf, 'Z', sizeof buf);
    std::strcpy(buf, c.text.c_str());
    PrependText(buf, c.capacity, c.prefix.c_str());
    EXPECT_EQ(std::string(buf), c.want) << c.text << " / " << c.prefix;
    for (size_t i = c.capacity; i < sizeof buf; ++i) ASSERT_EQ(buf[i], 'Z') << "overrun at " << i;
  }
}

TEST(NormalizePath, MakesRelativePathsAbsoluteWithBackslashes) {
  char cwd[kPathBuffer];
  ASSERT_TRUE(OsGetCurrentDirectory(cwd, sizeof cwd));
  SlashesToBackslashes(cwd);
  std::string base = cwd;
  if (base.back() != '\\') base += '\\';
  struct Case {
    std::string path, want;
  } cases[] = {
      {"sub/file.txt", base + "sub\\file.txt"},
      {"file.", base + "file"},                // a final dot goes
      {"a\\.\\b\\..\\c", base + "a\\c"},
      {kHyo + "/x", base + kHyo + "\\x"},
  };
  for (const Case& c : cases) {
    char path[kPathBuffer];
    std::strcpy(path, c.path.c_str());
    EXPECT_EQ(NormalizePath(path), 0) << c.path;
    EXPECT_EQ(std::string(path), c.want) << c.path;
    EXPECT_EQ(std::strchr(path, '/'), nullptr);
  }
}

TEST(BackupName, ReplacesTheExtensionWithBak) {
  struct Case {
    std::string path, want;
  } cases[] = {
      {"C:\\dir\\ZANTO.INI", "C:\\dir\\ZANTO.BAK"},
      {"noext", "noext.BAK"},
      {"dir.d\\file", "dir.d\\file.BAK"},
      {"/tmp/x/a.b.ini", "/tmp/x/a.b.BAK"},
      {"\\" + kHyo + "\\" + kHyo + ".ini", "\\" + kHyo + "\\" + kHyo + ".BAK"},
  };
  for (const Case& c : cases) {
    char out[kPathBuffer];
    MakeBackupName(c.path.c_str(), out);
    EXPECT_EQ(std::string(out), c.want);
  }
}

using test::MakeFile;

TEST(TempName, SkipsTakenNames) {
  test::TempDir tmp;
  char dir[kPathBuffer];
  std::strcpy(dir, tmp.path().c_str());
  ASSERT_TRUE(MakeTempName(dir));
  EXPECT_EQ(std::string(dir), tmp.path() + "~~KZW000.$$$");

  MakeFile(tmp / "~~KZW000.$$$");
  MakeFile(tmp / "~~KZW001.$$$");
  std::strcpy(dir, tmp.path().c_str());
  ASSERT_TRUE(MakeTempName(dir));
  EXPECT_EQ(std::string(dir), tmp.path() + "~~KZW002.$$$");

  // Upper-case hexadecimal; a directory takes a name too.
  for (const char* name : {"~~KZW002.$$$", "~~KZW003.$$$", "~~KZW004.$$$", "~~KZW005.$$$", "~~KZW006.$$$",
                           "~~KZW007.$$$", "~~KZW008.$$$", "~~KZW009.$$$"})
    MakeFile(tmp / name);
  ASSERT_TRUE(OsCreateDirectory((tmp / "~~KZW00A.$$$").c_str()));
  std::strcpy(dir, tmp.path().c_str());
  ASSERT_TRUE(MakeTempName(dir));
  EXPECT_EQ(std::string(dir), tmp.path() + "~~KZW00B.$$$");

  std::string longDir(kPathBuffer - 8, 'd');
  std::strcpy(dir, longDir.c_str());
  EXPECT_FALSE(MakeTempName(dir));  // the name would not fit: refused, not cut
  EXPECT_EQ(std::string(dir), longDir);
}

}  // namespace
}  // namespace zanto
