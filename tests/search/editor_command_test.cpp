#include "search/editor_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zanto {
namespace {

// The names a test system registers, and every name asked about.
std::string gAsked;

bool TestLookup(const char* name, char* path, size_t capacity) {
  gAsked += std::string("[") + name + "]";
  const struct {
    const char* name;
    std::string path;
  } registered[] = {
      {"KZW32.EXE", "C:\\Program Files\\KZ\\KZW32.EXE"},
      {"ED.EXE", "C:\\E\\ED.EXE"},
      {"LONG.EXE", std::string(kRegisteredPath - 1, 'p')},
  };
  for (const auto& r : registered) {
    if (std::strcmp(name, r.name) == 0) {
      std::strncpy(path, r.path.c_str(), capacity);  // the system need not end it
      return true;
    }
  }
  return false;
}

TEST(EditorCommand, ProgramArgumentAndRegisteredPath) {
  const std::string longWord(kEditorWord, 'w');        // one byte too long to be looked up
  const std::string longestWord(kEditorWord - 1, 'w'); // the longest looked up
  const std::string longPath = "C:\\" + std::string(kPathBuffer - 8, 'd') + " x.txt";
  const struct {
    std::string execEdit, execClip, outFile, want, asked;
  } cases[] = {
      // The output file, or the clipboard argument when there is none.
      {"NOTE.EXE", "-C", "C:\\out\\r.txt", "NOTE.EXE C:\\out\\r.txt", "[NOTE.EXE]"},
      {"NOTE.EXE", "-C", "", "NOTE.EXE -C", "[NOTE.EXE]"},
      {"NOTE.EXE", "", "", "NOTE.EXE ", "[NOTE.EXE]"},
      // A path with a space is quoted, as the result text quotes it.
      {"NOTE.EXE", "-C", "C:\\my docs\\r.txt", "NOTE.EXE \"C:\\my docs\\r.txt\"", "[NOTE.EXE]"},
      {"NOTE.EXE", "-C", longPath, "NOTE.EXE \"" + longPath + "\"", "[NOTE.EXE]"},
      // A registered name gives way to its path; the rest of the line stays.
      {"KZW32.EXE", "-C", "", "C:\\Program Files\\KZ\\KZW32.EXE -C", "[KZW32.EXE]"},
      {"ED.EXE -j +1", "-C", "C:\\r.txt", "C:\\E\\ED.EXE -j +1 C:\\r.txt", "[ED.EXE]"},
      {"LONG.EXE", "-C", "", std::string(kRegisteredPath - 1, 'p') + " -C", "[LONG.EXE]"},
      // Only the first word is a program name, quotes and all.
      {"\"C:\\A B\\ED.EXE\"", "-C", "", "\"C:\\A B\\ED.EXE\" -C", "[\"C:\\A]"},
      {"エディタ.EXE", "-C", "", "エディタ.EXE -C", "[エディタ.EXE]"},
      // A name too long for the lookup is used as it is.
      {longWord, "-C", "", longWord + " -C", ""},
      {longestWord, "-C", "", longestWord + " -C", "[" + longestWord + "]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.execEdit + " / " + c.outFile);
    gAsked.clear();
    char out[kEditorCommand];
    size_t n = BuildEditorCommand(out, sizeof out, c.execEdit.c_str(), c.execClip.c_str(), c.outFile.c_str(),
                                  TestLookup);
    EXPECT_EQ(std::string(out), c.want);
    EXPECT_EQ(n, c.want.size());
    EXPECT_EQ(gAsked, c.asked);
  }
}

// A small buffer cuts the line at a character boundary, never past its end.
TEST(EditorCommand, SmallBufferCutsOnACharacterBoundary) {
  const struct {
    const char* execEdit;
    size_t capacity;
    std::string want;
  } cases[] = {
      {"ED.EXE", 8, "C:\\E\\ED"},            // the registered path cut
      {"ED.EXE", 14, "C:\\E\\ED.EXE -"},     // its argument cut
      {"表示.EXE", 4, "\x95\\"},               // kept whole: "表" is two bytes
      {"表示.EXE", 3, "\x95\\"},
      {"表示.EXE", 2, ""},                     // a lead byte alone is dropped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capacity);
    char out[kEditorCommand];
    std::memset(out, 'X', sizeof out);
    BuildEditorCommand(out, c.capacity, c.execEdit, "-C", "", TestLookup);
    EXPECT_EQ(std::string(out), c.want);
    EXPECT_EQ(out[c.capacity], 'X');
  }
}

}  // namespace
}  // namespace zanto
