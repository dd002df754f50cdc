// The command line: splitting it into the argument vector, and applying the
// plain arguments and option letters to the settings.
#include <cstdlib>
#include <cstring>

#include "base/name_compare.h"
#include "base/sjis.h"
#include "files/path.h"
#include "search/settings_io.h"
#include "search/settings_tables.h"

namespace zanto {

ArgumentVector gArguments;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsOptionStart(char c) { return c == '-' || c == '/'; }

// Stores a copy of text[0..length) as the next argument; false when no
// memory is left for it.
bool StoreArgument(const char* text, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return false;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  gArguments.entries[gArguments.count++] = copy;
  gArguments.entries[gArguments.count] = nullptr;
  return true;
}

// ---- Plain arguments ----

// The first plain argument is the search string, the second the file-name
// field; every further one joins the field after a space. Both fields are
// history entries and are cut at their capacity on a character boundary.
void ApplyPlainArgument(int index, const char* text) {
  if (index == 0) {
    CopyText(gSettings.SearchHistory[0], kHistoryText, text);
    return;
  }
  char* files = gSettings.FileHistory[0];
  if (index == 1) {
    gSettings.CommandLineMode = 1;
  } else {
    AppendText(files, kHistoryText, " ");
  }
  AppendText(files, kHistoryText, text);
}

// ---- Option letters ----

// A switch of the flag table; false when the letter is none.
bool ApplySwitch(char letter) {
  for (const FlagSetting& row : kFlagSettingTable) {
    if (row.onLetter != 0 && letter == row.onLetter) {
      gSettings.*row.field = 1;
      return true;
    }
    if (row.offLetter != 0 && letter == row.offLetter) {
      gSettings.*row.field = 0;
      return true;
    }
  }
  return false;
}

// A text option (D, O, E, !C) sets its field to the whole value.
bool ApplyTextOption(char letter, bool afterBang, const char* value) {
  for (const TextSetting& row : kTextSettingTable) {
    if (row.letter == 0 || row.afterBang != afterBang || UpperAscii(letter) != row.letter) continue;
    CopyText(TextField(gSettings, row), row.capacity, value);
    return true;
  }
  return false;
}

// "1" alone leaves the program open after a search; "1-" closes it after a
// search that matched, "1+" after every search. Returns the characters used
// after the "1".
size_t ApplyEndOption(const char* next) {
  if (*next == '-') {
    gSettings.Endmatch = 1;
    return 1;
  }
  if (*next == '+') {
    gSettings.Endmatch = 1;
    gSettings.QuitAlways = 1;
    return 1;
  }
  gSettings.Endmatch = 0;
  return 0;
}

// Option I: a profile other than ZANTO.INI beside the program. A path that
// cannot be made absolute, or does not fit a path buffer whole, leaves the
// run without a profile rather than reading or writing some other file.
void ApplyProfileOption(const char* value) {
  char* path = gSettings.ProfilePath;
  bool fits = std::strlen(value) < sizeof gSettings.ProfilePath;
  if (!fits || value[0] == '\0') {
    path[0] = '\0';
    return;
  }
  std::memcpy(path, value, std::strlen(value) + 1);
  if (NormalizePath(path) != 0) {
    path[0] = '\0';
    return;
  }
  gSettings.SettingsFileGiven = 1;
}

// Option X: block output with block set value - 1; a set that does not
// exist gives set 0.
void ApplyBlockOption(const char* value) {
  int64_t set = static_cast<int64_t>(LeadingDecimal(value)) - 1;
  gSettings.BlockType = set >= 0 && set < kBlockSets ? static_cast<int32_t>(set) : 0;
  gSettings.BlockOut = 1;
  gSettings.Zengo = 0;
}

// Option V (lines before a match) and V- (lines after it): context output.
void ApplyContextOption(const char* value) {
  constexpr int32_t kMaxContextLines = 99;
  constexpr int32_t kDefaultContextLines = 1;
  int32_t* target = &gSettings.ZengoLine;
  if (*value == '-') {
    target = &gSettings.ZengoLine2;
    ++value;
  }
  bool digits = false;
  int32_t lines = LeadingDecimal(value, &digits);
  *target = digits && lines <= kMaxContextLines ? lines : kDefaultContextLines;
  gSettings.Zengo = 1;
  gSettings.BlockOut = 0;
}

// Option !F: one of the file-list result forms, without headings. The
// option's number is the ListForm; any other number leaves the form as it is.
void ApplyFileListOption(const char* value) {
  gSettings.Verbose = 0;
  const int32_t form = LeadingDecimal(value);
  if (form < kListFileNames || form > kListNumbersInColumn) return;
  gSettings.FileListForm = form;
  if (form == kListFileNames) gSettings.CountStop = 1;  // the file is left at its first match
}

// Value options other than texts; each takes the rest of the argument.
struct ValueOption {
  char letter;  // either case
  void (*apply)(const char* value);
};

constexpr ValueOption kValueOptions[] = {
    {'I', ApplyProfileOption},
    {'K', [](const char* value) { gSettings.CountStop = LeadingDecimal(value); }},
    {'X', ApplyBlockOption},
    {'V', ApplyContextOption},
};

bool ApplyValueOption(char letter, const char* value) {
  if (ApplyTextOption(letter, false, value)) return true;
  for (const ValueOption& option : kValueOptions) {
    if (UpperAscii(letter) != option.letter) continue;
    option.apply(value);
    return true;
  }
  return false;
}

// Options after "!". Returns how many characters after the "!" were used,
// or -1 when a value option took the rest of the argument. An unknown
// character is left to be read as an ordinary option letter.
int ApplyBangOption(const char* next) {
  switch (UpperAscii(*next)) {
    case 'C':
      ApplyTextOption(*next, true, next + 1);
      return -1;
    case 'F':
      ApplyFileListOption(next + 1);
      return -1;
    case 'S':
      gSettings.NoAutoStart = 1;
      return 1;
    case 'W':
      gSettings.EchoQuery = 1;
      return 1;
    default:
      return 0;
  }
}

// Reads one argument's option letters (the text after "-" or "/"). Switches
// combine; a value option takes the rest of the argument. Letters that mean
// nothing are passed over.
void ApplyOptionLetters(const char* letters) {
  const char* p = letters;
  while (*p != '\0') {
    char letter = *p++;
    if (letter == '!') {
      int used = ApplyBangOption(p);
      if (used < 0) return;
      p += used;
    } else if (letter == '1') {
      p += ApplyEndOption(p);
    } else if (letter == 'N' || letter == 'n') {
      gSettings.Use3DControls = 0;
    } else if (ApplySwitch(letter)) {
      continue;
    } else if (ApplyValueOption(letter, p)) {
      return;
    }
  }
}

// ZANTO.INI, ZANTO.HLP and ZAFIND1.TXT live beside the program file.
void SetProgramFilePaths(const char* programPath) {
  char drive[kDriveBuffer];
  char dir[kPathPart];
  SplitPath(programPath, drive, dir, nullptr, nullptr);
  MergePath(gSettings.ProfilePath, drive, dir, "ZANTO", ".INI");
  MergePath(gSettings.HelpPath, drive, dir, "ZANTO", ".HLP");
  MergePath(gSettings.Same1Path, drive, dir, "ZAFIND1", ".TXT");
}

}  // namespace

void FreeArguments() {
  for (int i = 0; i < gArguments.count; ++i) std::free(gArguments.entries[i]);
  gArguments.count = 0;
  gArguments.entries[0] = nullptr;
}

void SplitCommandLine(const char* commandLine, const char* programPath) {
  static_assert(kMaxArguments < kArgumentSlots);
  FreeArguments();
  char program[kPathBuffer];
  CopyText(program, sizeof program, programPath != nullptr ? programPath : "");
  if (!StoreArgument(program, std::strlen(program))) return;

  // The first token names the program as it was typed; entry 0 holds the
  // program path as the system reports it instead.
  bool programToken = true;
  const char* p = commandLine != nullptr ? commandLine : "";
  while (gArguments.count < kMaxArguments) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    const char* start = p;
    size_t length = 0;
    if (*p == '"') {
      start = ++p;
      while (*p != '\0' && *p != '"') ++p;
      length = static_cast<size_t>(p - start);
      if (*p == '"') ++p;
    } else if (IsOptionStart(p[0]) && (p[1] == 'S' || p[1] == 's')) {
      // -S: the search string is the whole rest of the line, as typed.
      const char* rest = p + 2;
      while (*rest == ' ') ++rest;
      if (*rest != '\0' && !programToken) StoreArgument(rest, std::strlen(rest));
      break;
    } else {
      while (*p != '\0' && !IsBlank(*p)) ++p;
      length = static_cast<size_t>(p - start);
    }
    if (programToken) {
      programToken = false;
    } else if (!StoreArgument(start, length)) {
      break;
    }
  }
}

void ApplyCommandLine(int pass) {
  const char* programPath = gArguments.count > 0 ? gArguments.entries[0] : "";
  if (pass == 1) {
    SetStartValues();
    SetProgramFilePaths(programPath);
  }
  int plainCount = 0;
  for (int i = 1; i < gArguments.count; ++i) {
    const char* argument = gArguments.entries[i];
    if (IsOptionStart(argument[0])) {
      ApplyOptionLetters(argument + 1);
    } else if (pass == 1) {
      ApplyPlainArgument(plainCount++, argument);
    }
  }
}

}  // namespace zanto
