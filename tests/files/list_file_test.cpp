// List files of the file-list dialog on real files in a temporary directory.
#include "files/list_file.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::TempDir;
using Lines = std::vector<std::string>;

// A list that refuses lines beyond its room.
class ListSink final : public TargetListSink {
 public:
  explicit ListSink(size_t room = 1000) : room_(room) {}
  bool AddLine(const char* text) override {
    if (lines.size() == room_) return false;
    lines.push_back(text);
    return true;
  }
  void ReportListFull(const char*) override { ++fullReports; }
  Lines lines;
  int fullReports = 0;

 private:
  size_t room_;
};

bool ReadEntry(void* context, int index, char* out) {
  const Lines& entries = *static_cast<const Lines*>(context);
  if (index >= static_cast<int>(entries.size())) return false;
  CopyText(out, kListEntryBuffer, entries[index].c_str());
  return true;
}

int FilesIn(const TempDir& dir) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) n += entry.is_regular_file() ? 1 : 0;
  return n;
}

// Saved entries come back in order, member lists and all, except those
// whose files are gone; blank lines, LF-only lines and over-long lines are
// read too.
TEST(ListFile, SaveThenLoadGivesTheListBackMinusMissingFiles) {
  TempDir dir;
  dir.Write("a.txt", "a");
  dir.Write("b.lzh", "b");
  const Lines saved = {dir / "a.txt", dir / "b.lzh:doc.txt sub\\c.txt", dir / "gone.txt", dir / "gone.lzh:x.txt"};
  ASSERT_TRUE(SaveListFile((dir / "list.lst").c_str(), ReadEntry, const_cast<Lines*>(&saved)));
  std::string text = dir.Read("list.lst");
  EXPECT_EQ(text, saved[0] + "\r\n" + saved[1] + "\r\n" + saved[2] + "\r\n" + saved[3] + "\r\n");

  ListSink loaded;
  ASSERT_TRUE(LoadListFile((dir / "list.lst").c_str(), loaded));
  EXPECT_EQ(loaded.lines, (Lines{saved[0], saved[1]}));

  // Hand-written: LF ends, an empty line, a line longer than an entry
  // (cut on a character), and no line end at the end.
  std::string longLine = dir / "a.txt:";
  while (longLine.size() < 400) longLine += "\x95\x5C";  // 表
  dir.Write("hand.lst", "\n" + (dir / "a.txt") + "\n" + longLine + "\r\n" + (dir / "b.lzh"));
  ListSink hand;
  ASSERT_TRUE(LoadListFile((dir / "hand.lst").c_str(), hand));
  ASSERT_EQ(hand.lines.size(), 3u);
  EXPECT_EQ(hand.lines[0], dir / "a.txt");
  EXPECT_LE(hand.lines[1].size(), kListEntryBuffer - 1);
  EXPECT_EQ(hand.lines[1], longLine.substr(0, hand.lines[1].size()));
  EXPECT_EQ((hand.lines[1].size() - (dir / "a.txt:").size()) % 2, 0u) << "cut inside a character";
  EXPECT_EQ(hand.lines[2], dir / "b.lzh");

  ListSink none;
  EXPECT_FALSE(LoadListFile((dir / "missing.lst").c_str(), none));
  ListSink small(1);
  ASSERT_TRUE(LoadListFile((dir / "list.lst").c_str(), small));
  EXPECT_EQ(small.lines, (Lines{saved[0]}));
  EXPECT_EQ(small.fullReports, 0) << "loading stops without a word";
}

// A save that cannot be completed leaves the old file as it was and no
// temporary file behind.
TEST(ListFile, FailedSaveKeepsTheOldListAndLeavesNothingBehind) {
  TempDir dir;
  dir.Write("a.txt", "a");
  const Lines first = {dir / "a.txt"};
  ASSERT_TRUE(SaveListFile((dir / "list.lst").c_str(), ReadEntry, const_cast<Lines*>(&first)));
  const Lines second = {dir / "a.txt", dir / "a.txt"};
  ASSERT_TRUE(SaveListFile((dir / "list.lst").c_str(), ReadEntry, const_cast<Lines*>(&second)));
  EXPECT_EQ(dir.Read("list.lst"), first[0] + "\r\n" + first[0] + "\r\n") << "replaced when complete";
  EXPECT_EQ(FilesIn(dir), 2);

  // A directory stands where the list should go.
  std::filesystem::create_directory(dir / "taken.lst");
  EXPECT_FALSE(SaveListFile((dir / "taken.lst").c_str(), ReadEntry, const_cast<Lines*>(&first)));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.lst"));
  EXPECT_FALSE(SaveListFile((dir / "no-such-dir/list.lst").c_str(), ReadEntry, const_cast<Lines*>(&first)));
  EXPECT_EQ(FilesIn(dir), 2);
#ifdef _WIN32
  // Another program holds the list open: it cannot be replaced.
  HANDLE held = CreateFileA((dir / "list.lst").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(SaveListFile((dir / "list.lst").c_str(), ReadEntry, const_cast<Lines*>(&first)));
  CloseHandle(held);
  EXPECT_EQ(dir.Read("list.lst"), first[0] + "\r\n" + first[0] + "\r\n");
  EXPECT_EQ(FilesIn(dir), 2);
#endif
}

}  // namespace
}  // namespace zanto
