// The settings record: start values, loading from and saving to the profile
// file, the input histories and the block pattern store.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/name_compare.h"
#include "base/sjis.h"
#include "profile/profile.h"
#include "search/settings_io.h"
#include "search/settings_tables.h"

namespace zanto {

namespace {

constexpr char kSearchSection[] = "search";
constexpr size_t kKeyBuffer = 16;      // "string19", "Block04", "String9"
constexpr size_t kNumberText = 16;     // "%d" of an int32_t
// A block pattern as written: its mark, the pattern and the closing ",".
constexpr size_t kBlockValueText = 1 + kBlockText + 1;
constexpr char kBlockSectionFormat[] = "Block%02u";  // one section per block set
constexpr char kBlockPatternKeyFormat[] = "String%u";

// One history: where it lives, how many entries and how long each is.
struct HistoryShape {
  char* first;
  int entries;
  size_t capacity;
  const char* keyFormat;
};

HistoryShape ShapeOf(HistoryKind kind) {
  switch (kind) {
    case HistoryKind::Search:
      return {gSettings.SearchHistory[0], kHistoryEntries, kHistoryText, "string%u"};
    case HistoryKind::File:
      return {gSettings.FileHistory[0], kHistoryEntries, kHistoryText, "file%u"};
    case HistoryKind::Directory:
      break;
  }
  return {gSettings.DirHistory[0], kDirHistoryEntries, kDirHistoryText, "dir%u"};
}

char* HistoryEntry(const HistoryShape& shape, int index) {
  return shape.first + static_cast<size_t>(index) * shape.capacity;
}

// In command-line mode without option I, only the rows marked Always come
// from the profile, so a start with files keeps the start values.
bool SkipRow(bool always) {
  return !gSettings.SettingsFileGiven && gSettings.CommandLineMode && !always;
}

void ReadHistory(Profile* profile, HistoryKind kind) {
  HistoryShape shape = ShapeOf(kind);
  char key[kKeyBuffer];
  for (int i = 0; i < shape.entries; ++i) {
    std::snprintf(key, sizeof key, shape.keyFormat, static_cast<unsigned>(i));
    GetProfileValue(profile, kSearchSection, key, HistoryEntry(shape, i), shape.capacity);
  }
}

// An empty file-name field at the front would end the history shown in the
// main dialog, so the entries behind it move up.
void DropEmptyFirstFileEntry() {
  if (gSettings.FileHistory[0][0] != '\0') return;
  std::memmove(gSettings.FileHistory[0], gSettings.FileHistory[1],
               (kHistoryEntries - 1) * kHistoryText);
  gSettings.FileHistory[kHistoryEntries - 1][0] = '\0';
}

// Hands each row of table that is read from the profile, with its profile
// value, to read.
template <typename Row, size_t N, typename Read>
void ReadRows(Profile* profile, const Row (&table)[N], Read read) {
  char value[kSettingsValueBuffer];
  for (const Row& row : table) {
    if (SkipRow(row.always)) continue;
    GetProfileValue(profile, kSearchSection, row.key, value, sizeof value);
    read(row, value);
  }
}

void ReadFlags(Profile* profile) {
  ReadRows(profile, kFlagSettingTable, [](const FlagSetting& row, const char* value) {
    // Only the first character counts: "0abc" is 0, "yes" is not a flag.
    int32_t flag = row.fallback;
    if (value[0] == '0') flag = 0;
    if (value[0] == '1') flag = 1;
    gSettings.*row.field = flag;
  });
}

void ReadNumbers(Profile* profile) {
  ReadRows(profile, kNumberSettingTable, [](const NumberSetting& row, const char* value) {
    int32_t number = row.fallback;
    if (value[0] != '\0') {
      int32_t read = LeadingDecimal(value);
      if (read >= row.min && read <= row.max) number = read;
    } else if (row.field == &SearchSettings::ZengoLine2) {
      // Lines after a match default to the lines before it.
      number = gSettings.ZengoLine;
    }
    gSettings.*row.field = number;
  });
}

void ReadTexts(Profile* profile) {
  ReadRows(profile, kTextSettingTable, [](const TextSetting& row, const char* value) {
    char* field = TextField(gSettings, row);
    // A working directory given with option D wins over the saved one.
    if (row.offset == offsetof(SearchSettings, Directory) && field[0] != '\0') return;
    CopyText(field, row.capacity, value);
  });
}

// A stored pattern ends in "," so that its trailing spaces survive, and
// begins with "*" (ends a block) or "#" (starts one).
void ParseBlockPattern(char* value, uint8_t* endFlag, char* pattern) {
  size_t length = std::strlen(value);
  if (length > 0 && value[length - 1] == ',') value[length - 1] = '\0';
  const char* text = value;
  *endFlag = 0;
  if (*text == '*') {
    *endFlag = 1;
    ++text;
  } else if (*text == '#') {
    ++text;
  }
  CopyText(pattern, kBlockText, text);
}

void ReadBlockSets(Profile* profile) {
  if (gSettings.BlockSets == nullptr) return;
  char section[kKeyBuffer];
  char key[kKeyBuffer];
  char value[kSettingsValueBuffer];
  for (int n = 0; n < kBlockSets; ++n) {
    BlockSet& set = gSettings.BlockSets[n];
    std::snprintf(section, sizeof section, kBlockSectionFormat, static_cast<unsigned>(n));
    GetProfileValue(profile, section, "StartString", set.startText, kBlockText);
    GetProfileValue(profile, section, "EndString", set.endText, kBlockText);
    for (int j = 0; j < kBlockPatterns; ++j) {
      std::snprintf(key, sizeof key, kBlockPatternKeyFormat, static_cast<unsigned>(j));
      GetProfileValue(profile, section, key, value, sizeof value);
      ParseBlockPattern(value, &set.endFlag[j], set.pattern[j]);
    }
  }
}

// Writes of one save; remembers whether any of them found no room.
class ProfileWriter {
 public:
  explicit ProfileWriter(Profile* profile) : profile_(profile) {}
  void Set(const char* section, const char* key, const char* value) {
    if (!SetProfileValue(profile_, section, key, value)) complete_ = false;
  }
  bool complete() const { return complete_; }

 private:
  Profile* profile_;
  bool complete_ = true;
};

void WriteHistory(ProfileWriter& writer, HistoryKind kind) {
  HistoryShape shape = ShapeOf(kind);
  char key[kKeyBuffer];
  for (int i = 0; i < shape.entries; ++i) {
    std::snprintf(key, sizeof key, shape.keyFormat, static_cast<unsigned>(i));
    writer.Set(kSearchSection, key, HistoryEntry(shape, i));
  }
}

void WriteTables(ProfileWriter& writer) {
  char number[kNumberText];
  for (const FlagSetting& row : kFlagSettingTable) {
    std::snprintf(number, sizeof number, "%u", gSettings.*row.field != 0 ? 1u : 0u);
    writer.Set(kSearchSection, row.key, number);
  }
  for (const NumberSetting& row : kNumberSettingTable) {
    std::snprintf(number, sizeof number, "%d", static_cast<int>(gSettings.*row.field));
    writer.Set(kSearchSection, row.key, number);
  }
  for (const TextSetting& row : kTextSettingTable)
    writer.Set(kSearchSection, row.key, TextField(gSettings, row));
}

void WriteBlockSets(ProfileWriter& writer) {
  if (gSettings.BlockSets == nullptr) return;
  char section[kKeyBuffer];
  char key[kKeyBuffer];
  char value[kBlockValueText];
  for (int n = 0; n < kBlockSets; ++n) {
    const BlockSet& set = gSettings.BlockSets[n];
    std::snprintf(section, sizeof section, kBlockSectionFormat, static_cast<unsigned>(n));
    writer.Set(section, "StartString", set.startText);
    writer.Set(section, "EndString", set.endText);
    for (int j = 0; j < kBlockPatterns; ++j) {
      std::snprintf(key, sizeof key, kBlockPatternKeyFormat, static_cast<unsigned>(j));
      std::snprintf(value, sizeof value, "%c%.*s,", set.endFlag[j] ? '*' : '#',
                    static_cast<int>(kBlockText - 1), set.pattern[j]);
      writer.Set(section, key, value);
    }
  }
}

}  // namespace

int32_t LeadingDecimal(const char* text, bool* digits) {
  constexpr int32_t kLimit = INT32_MAX;
  int64_t value = 0;
  size_t i = 0;
  for (; text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (digits != nullptr) *digits = i > 0;
  return static_cast<int32_t>(value);
}

void SetStartValues() {
  for (const FlagSetting& row : kFlagSettingTable)
    if (row.start != kNoStart) gSettings.*row.field = row.start;
  for (const NumberSetting& row : kNumberSettingTable) gSettings.*row.field = row.start;
  for (const TextSetting& row : kTextSettingTable)
    CopyText(TextField(gSettings, row), row.capacity, row.start);
  gSettings.SearchHistory[0][0] = '\0';
  gSettings.FileHistory[0][0] = '\0';
  gSettings.DirHistory[0][0] = '\0';
  gSettings.CommandLineMode = 0;
  gSettings.SettingsFileGiven = 0;
  gSettings.FileListForm = kListLines;
  gSettings.EchoQuery = 0;
  gSettings.NoAutoStart = 0;
  gSettings.QuitAlways = 0;
  gSettings.Use3DControls = 1;
}

void LoadSettings() {
  Profile* profile = gSettings.ProfilePath[0] != '\0' ? OpenProfile(gSettings.ProfilePath) : nullptr;
  // A missing file opens as an empty profile, so none here means a file that
  // is there but could not be read (locked, or too large). The user's values
  // live only in it then: this run must not save the start values over it.
  gSettings.ProfileUnreadable = gSettings.ProfilePath[0] != '\0' && profile == nullptr;
  if (profile != nullptr) {
    if (!gSettings.CommandLineMode) {
      ReadHistory(profile, HistoryKind::Search);
      ReadHistory(profile, HistoryKind::File);
      DropEmptyFirstFileEntry();
    }
    ReadHistory(profile, HistoryKind::Directory);
    ReadFlags(profile);
    ReadNumbers(profile);
    ReadTexts(profile);
    ReadBlockSets(profile);
    CloseProfile(profile);
  }
  // The archive search keeps the directory it was started with, even if
  // UnlhaTmp is edited later.
  CopyText(gSettings.ArchiveTempDir, sizeof gSettings.ArchiveTempDir, gSettings.UnlhaTmp);
}

bool SaveSettings() {
  if (gSettings.ProfilePath[0] == '\0' || gSettings.ProfileUnreadable) return false;
  Profile* profile = OpenProfile(gSettings.ProfilePath);
  if (profile == nullptr) return false;
  ProfileWriter writer(profile);
  WriteHistory(writer, HistoryKind::Search);
  WriteHistory(writer, HistoryKind::File);
  WriteHistory(writer, HistoryKind::Directory);
  WriteTables(writer);
  WriteBlockSets(writer);
  // Whatever fitted is still worth keeping; a change that found no room
  // makes the save report failure.
  const bool written = SaveProfile(profile, gSettings.ProfilePath);
  return written && writer.complete();
}

void PushHistory(HistoryKind kind, const char* text) {
  HistoryShape shape = ShapeOf(kind);
  while (*text == ' ') ++text;
  char entry[kDirHistoryText];
  static_assert(kDirHistoryText >= kHistoryText);
  CopyText(entry, shape.capacity, text);
  size_t length = std::strlen(entry);
  while (length > 0 && entry[length - 1] == ' ') entry[--length] = '\0';

  int stop = 0;
  for (; stop < shape.entries - 1; ++stop) {
    const char* current = HistoryEntry(shape, stop);
    if (current[0] == '\0') break;
    bool same = kind == HistoryKind::Search ? std::strcmp(current, entry) == 0
                                             : SameNoCase(current, entry);
    if (same) break;
  }
  std::memmove(HistoryEntry(shape, 1), HistoryEntry(shape, 0), static_cast<size_t>(stop) * shape.capacity);
  std::memcpy(HistoryEntry(shape, 0), entry, length + 1);
}

bool AllocateBlockSets() {
  if (gSettings.BlockSets == nullptr)
    gSettings.BlockSets = static_cast<BlockSet*>(std::calloc(kBlockSets, sizeof(BlockSet)));
  return gSettings.BlockSets != nullptr;
}

void FreeBlockSets() {
  std::free(gSettings.BlockSets);
  gSettings.BlockSets = nullptr;
}

}  // namespace zanto
