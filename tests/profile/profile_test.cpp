// The profile file: syntax of lookups, edits of the image, and the safe
// rewrite through a temporary file with the .BAK rotation.
#include "profile/profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/path.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

const std::string kHyo = "\x95\x5C";  // 表: trail byte 0x5C

std::string Get(Profile* profile, const char* section, const char* key, size_t size = 128) {
  char out[128];
  std::memset(out, 'Z', sizeof out);
  GetProfileValue(profile, section, key, out, size);
  return out;
}

// Files of the directory that start with the temporary-name prefix.
bool TempFilesLeft(const test::TempDir& tmp) {
  FindRecord record;
  bool any = FindFirst((tmp / "~~KZW*").c_str(), &record, kAttrArchive | kAttrDirectory) == 0;
  FindEnd(&record);
  return any;
}

const std::string kSample =
    "[Options]\r\n"
    "Word=1\r\n"
    "Spaced =2\r\n"
    " \t Indented=3\r\n"
    "Dir= C:\\TEMP ;last used\r\n"
    "Semi=C:\\TEMP;x\r\n"
    "Tab=v\t;comment\r\n"
    "Trail=v  \r\n"
    "  ;Hidden=1\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Bad\x01Key=1\r\n"
    "Sjis=" + kHyo + kHyo + "\r\n"
    "  [Other] ; comment\r\n"
    "Word=other\r\n"
    "[options]\r\n"
    "Late=1\r\n"
    "[Last]\n"
    "Unix=lf\n"
    "Final=x";  // no final line feed

TEST(ProfileLookup, SyntaxOfSectionsKeysAndValues) {
  test::TempDir tmp;
  tmp.Write("Z.INI", kSample);
  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  struct Case {
    const char* section;
    const char* key;
    std::string want;
  } cases[] = {
      {"options", "word", "1"},           // section and key ignore case
      {"Options", "Spaced", ""},          // spaces before "=" belong to the key
      {"Options", "Spaced ", "2"},
      {"Options", "Indented", "3"},
      {"Options", "Dir", "C:\\TEMP"},     // " ;" starts a comment
      {"Options", "Semi", "C:\\TEMP;x"},  // ";" alone does not
      {"Options", "Tab", "v"},
      {"Options", "Trail", "v  "},        // trailing spaces stay
      {"Options", "Hidden", ""},          // comment lines hold no keys
      {"Options", ";Hidden", ""},
      {"Options", "Dup", "first"},        // the first entry wins
      {"Options", "Bad\x01Key", ""},      // keys with control characters are passed over
      {"Options", "Sjis", kHyo + kHyo},
      {"Other", "Word", "other"},         // header after blanks, comment after "]"
      {"Options", "Late", ""},            // a second section of the name is never read
      {"Other", "Late", ""},              // a section ends at the next header
      {"Last", "Unix", "lf"},
      {"Last", "Final", "x"},
      {"Missing", "Word", ""},
      {"Options", "Missing", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Get(profile, c.section, c.key), c.want) << c.section << "/" << c.key;

  // The value is cut to size - 1 bytes without splitting 表.
  EXPECT_EQ(Get(profile, "Options", "Sjis", 4), kHyo);
  EXPECT_EQ(Get(profile, "Options", "Dir", 3), "C:");
  CloseProfile(profile);
}

TEST(ProfileLookup, SectionLinesAndTheLineLimit) {
  test::TempDir tmp;
  std::string longLine(kProfileMaxLine, 'L');  // no line feed within 500 bytes
  tmp.Write("Z.INI",
            "top=0\r\n"
            "[A]\r\n"
            "one=1\r\n"
            ";comment\r\n"
            "\r\n"
            "two=2\r\n"
            "[B]\r\n"
            "b=1\r\n" +
                longLine + "\r\n"
                "[C]\r\n"
                "c=1\r\n");
  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  char line[kProfileLineOut + 1];
  EXPECT_EQ(NextSectionLine(profile, line), 0);  // no section yet
  EXPECT_EQ(FindSection(profile, "a"), 2);
  const char* want[] = {"one=1", "", "two=2"};
  for (const char* w : want) {
    ASSERT_EQ(NextSectionLine(profile, line), 1);
    EXPECT_STREQ(line, w);
  }
  EXPECT_EQ(NextSectionLine(profile, line), -1);
  EXPECT_EQ(NextSectionLine(profile, line), -1);
  EXPECT_EQ(FindSection(profile, ""), 2);  // back to the start of [A]
  ASSERT_EQ(NextSectionLine(profile, line), 1);
  EXPECT_STREQ(line, "one=1");

  // A line longer than the limit ends every scan, as if the file ended there.
  EXPECT_EQ(Get(profile, "B", "b"), "1");
  EXPECT_EQ(FindSection(profile, "C"), 0);
  EXPECT_EQ(FindSection(profile, ""), 0);  // a failed search leaves no section current
  CloseProfile(profile);
}

TEST(ProfileEdit, SetReplacesInsertsAndAddsSections) {
  test::TempDir tmp;
  const std::string original =
      "[A]\r\n"
      "  k=1\r\n"
      "[B]\r\n"
      "x=2\r\n";
  tmp.Write("Z.INI", original);
  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  EXPECT_TRUE(SetProfileValue(profile, "a", "K", "9"));      // replaced after its blanks
  EXPECT_TRUE(SetProfileValue(profile, "A", "new", "5"));    // inserted before [B]
  EXPECT_TRUE(SetProfileValue(profile, "C", "z", "1"));      // a new section at the end
  EXPECT_TRUE(SetProfileValue(profile, "C", "z", "3"));      // set twice: one line
  EXPECT_TRUE(SetProfileValue(profile, "A", "empty", nullptr));
  EXPECT_EQ(Get(profile, "A", "k"), "9");
  EXPECT_EQ(Get(profile, "C", "z"), "3");
  EXPECT_EQ(Get(profile, "B", "x"), "2");
  ASSERT_EQ(SaveProfile(profile, (tmp / "Z.INI").c_str()), 1);
  EXPECT_EQ(tmp.Read("Z.INI"),
            "[A]\r\n"
            "  K=9\r\n"
            "new=5\r\n"
            "empty=\r\n"
            "[B]\r\n"
            "x=2\r\n"
            "[C]\r\n"
            "z=3\r\n");
  EXPECT_EQ(tmp.Read("Z.BAK"), original);
  EXPECT_FALSE(TempFilesLeft(tmp));
}

TEST(ProfileEdit, RefusesChangesThatWouldNotReadBackOrNotFit) {
  test::TempDir tmp;
  // A file 8 bytes below the largest that loads: comment lines, then [S].
  std::string text = "[Fill]\r\n";
  const std::string tail = "[S]\r\n";
  const size_t target = kProfileMaxFile - 8;
  while (text.size() + tail.size() < target) {
    size_t room = target - text.size() - tail.size();
    size_t len = room < 400 ? room : 400;
    if (len < 3) len = 3;
    text += ";" + std::string(len - 3, 'f') + "\r\n";
  }
  text += tail;
  ASSERT_EQ(text.size(), target);
  tmp.Write("Z.INI", text);

  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  EXPECT_TRUE(SetProfileValue(profile, "S", "a", "1"));       // "a=1\r\n": 3 bytes left
  EXPECT_FALSE(SetProfileValue(profile, "S", "a", "12345"));  // one byte too many
  EXPECT_FALSE(SetProfileValue(profile, "New", "k", "v"));
  EXPECT_EQ(Get(profile, "S", "a"), "1");                     // unchanged
  EXPECT_TRUE(SetProfileValue(profile, "S", "a", "1234"));    // exactly full

  std::string longValue(kProfileMaxLine, 'v');
  EXPECT_FALSE(SetProfileValue(profile, "S", "a", longValue.c_str()));
  EXPECT_FALSE(SetProfileValue(profile, "S", "a", "one\r\n[Injected]"));
  ASSERT_EQ(SaveProfile(profile, (tmp / "Z.INI").c_str()), 1);
  EXPECT_EQ(tmp.Read("Z.INI"), text + "a=1234\r\n");

  profile = OpenProfile((tmp / "Z.INI").c_str());  // the full file still loads
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(Get(profile, "S", "a"), "1234");
  CloseProfile(profile);

  // Within the line limit a value is written and read back whole.
  test::TempDir other;
  profile = OpenProfile((other / "Y.INI").c_str());
  std::string fits(kProfileMaxLine - std::strlen("a=\r\n"), 'v');
  EXPECT_TRUE(SetProfileValue(profile, "S", "a", fits.c_str()));
  ASSERT_EQ(SaveProfile(profile, (other / "Y.INI").c_str()), 1);
  profile = OpenProfile((other / "Y.INI").c_str());
  char out[kProfileMaxLine];
  GetProfileValue(profile, "S", "a", out, sizeof out);
  EXPECT_EQ(std::string(out), fits);
  CloseProfile(profile);

  // The blanks kept before a replaced key are part of its line: a value
  // that would carry the line past the limit is refused, so the keys
  // after it stay readable.
  const std::string indent(40, ' ');
  other.Write("X.INI", "[s]\r\n" + indent + "k=old\r\nafter=1\r\n");
  profile = OpenProfile((other / "X.INI").c_str());
  ASSERT_NE(profile, nullptr);
  EXPECT_FALSE(SetProfileValue(profile, "s", "k", std::string(480, 'v').c_str()));
  const std::string longest(kProfileMaxLine - indent.size() - std::strlen("k=\r\n"), 'v');
  EXPECT_TRUE(SetProfileValue(profile, "s", "k", longest.c_str()));
  ASSERT_EQ(SaveProfile(profile, (other / "X.INI").c_str()), 1);
  profile = OpenProfile((other / "X.INI").c_str());
  GetProfileValue(profile, "s", "k", out, sizeof out);
  EXPECT_EQ(std::string(out), longest);
  EXPECT_EQ(Get(profile, "s", "after"), "1");
  CloseProfile(profile);
}

TEST(ProfileSave, MissingFileIsCreatedDirectlyAndFinalLineFeedAdded) {
  test::TempDir tmp;
  Profile* profile = OpenProfile((tmp / "NEW.INI").c_str());
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(Get(profile, "S", "k"), "");
  EXPECT_TRUE(SetProfileValue(profile, "S", "k", "v"));
  EXPECT_EQ(Get(profile, "S", "k"), "");  // a profile without a file answers nothing
  ASSERT_EQ(SaveProfile(profile, (tmp / "NEW.INI").c_str()), 1);
  EXPECT_EQ(tmp.Read("NEW.INI"), "[S]\r\nk=v\r\n");
  EXPECT_FALSE(tmp.Exists("NEW.BAK"));

  tmp.Write("OLD.INI", "[S]\r\nk=v");
  profile = OpenProfile((tmp / "OLD.INI").c_str());
  ASSERT_NE(profile, nullptr);
  ASSERT_EQ(SaveProfile(profile, (tmp / "OLD.INI").c_str()), 1);
  EXPECT_EQ(tmp.Read("OLD.INI"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(tmp.Read("OLD.BAK"), "[S]\r\nk=v");
}

TEST(ProfileSave, BackupRotation) {
  test::TempDir tmp;
  tmp.Write("Z.INI", "[S]\r\nk=1\r\n");
  tmp.Write("Z.BAK", "older");
  ASSERT_TRUE(OsSetAttributes((tmp / "Z.BAK").c_str(), kAttrReadOnly));  // removed all the same
  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  SetProfileValue(profile, "S", "k", "2");
  ASSERT_EQ(SaveProfile(profile, (tmp / "Z.INI").c_str()), 1);
  EXPECT_EQ(tmp.Read("Z.INI"), "[S]\r\nk=2\r\n");
  EXPECT_EQ(tmp.Read("Z.BAK"), "[S]\r\nk=1\r\n");

  // A profile whose own extension is .BAK is still replaced safely.
  tmp.Write("P.BAK", "[S]\r\nk=1\r\n");
  profile = OpenProfile((tmp / "P.BAK").c_str());
  SetProfileValue(profile, "S", "k", "2");
  ASSERT_EQ(SaveProfile(profile, (tmp / "P.BAK").c_str()), 1);
  EXPECT_EQ(tmp.Read("P.BAK"), "[S]\r\nk=2\r\n");
  EXPECT_FALSE(TempFilesLeft(tmp));
}

TEST(ProfileSave, FailedSaveLeavesTheOldFileAsItWas) {
  test::TempDir tmp;
  const std::string original = "[S]\r\nk=1\r\n";

  // The backup name is taken by a directory that cannot be removed, so the
  // old file cannot be moved aside.
  tmp.Write("Z.INI", original);
  tmp.Write("Z.BAK/keep.txt", "x");
  Profile* profile = OpenProfile((tmp / "Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  SetProfileValue(profile, "S", "k", "2");
  EXPECT_EQ(SaveProfile(profile, (tmp / "Z.INI").c_str()), 0);
  EXPECT_EQ(tmp.Read("Z.INI"), original);
  EXPECT_FALSE(TempFilesLeft(tmp));

  // A directory that does not exist.
  profile = OpenProfile((tmp / "missing/Z.INI").c_str());
  ASSERT_NE(profile, nullptr);
  SetProfileValue(profile, "S", "k", "2");
  EXPECT_EQ(SaveProfile(profile, (tmp / "missing/Z.INI").c_str()), 0);
  EXPECT_FALSE(tmp.Exists("missing"));

  // A profile saved under the name of an existing file that it was not read
  // from does not truncate that file when the save fails.
  profile = OpenProfile((tmp / "NONE.INI").c_str());
  SetProfileValue(profile, "S", "k", "2");
  EXPECT_EQ(SaveProfile(profile, (tmp / "Z.INI").c_str()), 0);
  EXPECT_EQ(tmp.Read("Z.INI"), original);
  EXPECT_FALSE(TempFilesLeft(tmp));
}

TEST(ProfileSave, FilesOverTheLimitAreNeitherLoadedNorSaved) {
  test::TempDir tmp;
  std::string tooBig(kProfileMaxFile + 1, '\n');
  tmp.Write("BIG.INI", tooBig);
  EXPECT_EQ(OpenProfile((tmp / "BIG.INI").c_str()), nullptr);

  // The largest file loads; without a final line feed its image grows past
  // the limit, and saving it would make a file that no longer loads.
  std::string largest = "[S]\r\n" + std::string(kProfileMaxFile - 5, ';');
  tmp.Write("MAX.INI", largest);
  Profile* profile = OpenProfile((tmp / "MAX.INI").c_str());
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(SaveProfile(profile, (tmp / "MAX.INI").c_str()), 0);
  EXPECT_EQ(tmp.Read("MAX.INI"), largest);
  EXPECT_FALSE(tmp.Exists("MAX.BAK"));
  EXPECT_FALSE(TempFilesLeft(tmp));
}

// A value that is set is found again, in the image and after a save, even
// where the file holds more than a lookup reads: a new section goes in
// before a line too long to read past, and a section whose every examined
// line is taken refuses a new key instead of hiding it.
TEST(ProfileEdit, ValuesSetAreFoundAgain) {
  std::string manyLines = "[m]\r\n";
  for (int i = 0; i < 1024; ++i) manyLines += "k" + std::to_string(i) + "=1\r\n";
  struct Case {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    bool accepted;
  } cases[] = {
      {"new section behind a long line", "[a]\r\nk=1\r\n" + std::string(600, 'x') + "\r\n[b]\r\nq=2\r\n", "c", "z",
       true},
      {"unreachable section behind a long line", "[a]\r\n" + std::string(600, 'x') + "\r\n[b]\r\nq=2\r\n", "b", "q",
       true},
      {"new key in a section of 1024 lines", manyLines, "m", "new", false},
      {"known key in a section of 1024 lines", manyLines, "m", "k1023", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir tmp;
    const std::string path = tmp / "Z.INI";
    tmp.Write("Z.INI", c.file);
    Profile* profile = OpenProfile(path.c_str());
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(SetProfileValue(profile, c.section, c.key, "set"), c.accepted);
    const std::string want = c.accepted ? "set" : "";
    EXPECT_EQ(Get(profile, c.section, c.key), want);
    ASSERT_EQ(SaveProfile(profile, path.c_str()), 1);
    if (!c.accepted) {
      EXPECT_EQ(tmp.Read("Z.INI"), c.file);
    }
    profile = OpenProfile(path.c_str());
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(Get(profile, c.section, c.key), want);
    EXPECT_EQ(Get(profile, "a", "k"), c.file.find("k=1") != std::string::npos ? "1" : "");
    CloseProfile(profile);
  }
}

}  // namespace
}  // namespace zanto
