// The file-name field and the rules applied to single names: splitting a
// field into patterns, directory tokens, extension exclusion, the sort
// order, the explicit file list and shortcut resolution.
#include <cstdlib>
#include <cstring>

#include "base/name_compare.h"
#include "base/sjis.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/targets_internal.h"

namespace zanto {

namespace {

constexpr char kEveryEntry[] = "*.*";
constexpr size_t kMemberColonFrom = 2;  // a drive letter's colon is index 1
constexpr size_t kRunTokenMinimum = 3;  // a run token is cut only beyond 3 bytes
constexpr size_t kEntryTokenMinimum = 2;
constexpr int kFileListGrowth = 64;

ShortcutResolver gShortcutResolver = nullptr;
TargetAllocator gAllocator = nullptr;

// The first ":" at or after the third byte of a text longer than minimum
// bytes, or null.
char* FindMemberColon(char* text, size_t minimum) {
  if (std::strlen(text) <= minimum) return nullptr;
  for (size_t i = 0; text[i] != '\0'; i += SjisCharLength(text, i)) {
    if (i >= kMemberColonFrom && text[i] == ':') return text + i;
  }
  return nullptr;
}

// Frees one pattern's texts and clears it.
void ClearPattern(FilePattern& pattern) {
  std::free(pattern.pattern);
  std::free(pattern.memberList);
  pattern = FilePattern{};
}

// token followed by a separator and "*.*", or null when memory is short.
char* ExpandDirectoryToken(const char* token) {
  char expanded[kFieldBuffer + sizeof kEveryEntry + 1];
  CopyText(expanded, kFieldBuffer, token);
  EnsureTrailingSeparator(expanded);
  AppendText(expanded, sizeof expanded, kEveryEntry);
  return targets::DuplicateText(expanded);
}

// Turns one token (modified in place) into the next pattern of out.
// listFiles: "@" starts a list file. Tokens beyond the limit are ignored.
void StoreToken(const TargetOptions& options, char* token, bool listFiles, FilePatternList* out) {
  if (token[0] == '\0' || out->count >= kMaxFilePatterns) return;
  FilePattern pattern;
  if (listFiles && token[0] == '@') {
    pattern.listFile = true;
    pattern.pattern = targets::DuplicateText(token + 1);
  } else if (char* colon = FindMemberColon(token, kRunTokenMinimum)) {
    *colon = '\0';
    if (colon[1] != '\0') {
      pattern.memberList = targets::DuplicateText(colon + 1);
      if (pattern.memberList == nullptr) return;
    }
    pattern.pattern = targets::DuplicateText(token);
  } else if (!options.subDir && IsDirectorySpec(token)) {
    pattern.pattern = ExpandDirectoryToken(token);
  } else {
    pattern.pattern = targets::DuplicateText(token);
  }
  if (pattern.pattern == nullptr) {
    ClearPattern(pattern);  // the token is dropped
    return;
  }
  out->items[out->count++] = pattern;
}

// Copies the field and removes trailing spaces.
void CopyField(char* buffer, const char* field) {
  CopyText(buffer, kFieldBuffer, field != nullptr ? field : "");
  size_t length = std::strlen(buffer);
  while (length > 0 && buffer[length - 1] == ' ') buffer[--length] = '\0';
}

// Start of the character before the one at end (end > 0), stepping over
// double-byte characters from the start; -1 when end is not the start of a
// character.
long StartOfPreviousChar(const char* text, size_t end) {
  size_t i = 0;
  long previous = -1;
  while (i < end) {
    previous = static_cast<long>(i);
    i += SjisCharLength(text, i);
  }
  return i == end ? previous : -1;
}

bool IsSingleChar(const char* text, long at, char c) {
  return at >= 0 && text[at] == c && !IsSjisLead(static_cast<unsigned char>(text[at]));
}

// Cuts the token that starts at p (not a space, not the end) and moves p
// past it and its separator.
using TokenCutter = char* (*)(char*& p);

// The token at p up to the next space.
char* CutAtSpace(char*& p) {
  char* token = p;
  while (*p != '\0' && *p != ' ') ++p;
  if (*p != '\0') *p++ = '\0';
  return token;
}

// A run token: a double quote opens a name that may hold spaces, up to the
// next double quote or the end. Spaces and double quotes are never trail
// bytes: a byte scan is safe.
char* CutRunToken(char*& p) {
  if (*p != '"') return CutAtSpace(p);
  char* token = p + 1;
  char* close = std::strchr(token, '"');
  if (close == nullptr) {
    p = token + std::strlen(token);
  } else {
    *close = '\0';
    p = close + 1;
  }
  return token;
}

// A listing token ends at the next space; a double quote at either end of
// it is dropped.
char* CutListingToken(char*& p) {
  char* token = CutAtSpace(p);
  if (*token == '"') ++token;
  size_t length = std::strlen(token);
  if (length > 0 && token[length - 1] == '"') token[length - 1] = '\0';
  return token;
}

// Splits a copy of field into tokens with cut and stores each in out.
int SplitField(const TargetOptions& options, const char* field, TokenCutter cut, FilePatternList* out) {
  char buffer[kFieldBuffer];
  CopyField(buffer, field);
  char* p = buffer;
  while (out->count < kMaxFilePatterns) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    StoreToken(options, cut(p), true, out);
  }
  return out->count;
}

}  // namespace

namespace targets {

void* Allocate(size_t bytes) { return gAllocator != nullptr ? gAllocator(bytes) : std::malloc(bytes); }

char* DuplicateText(const char* text) {
  size_t length = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}

bool JoinPath(char* out, const char* dir, const char* name) {
  size_t dirLength = std::strlen(dir);
  if (dirLength + 1 + std::strlen(name) >= kPathBuffer) return false;
  std::memcpy(out, dir, dirLength + 1);
  if (dirLength > 0) EnsureTrailingSeparator(out);
  std::strcat(out, name);
  return true;
}

const char* SplitFileListEntry(char* entry) {
  if (entry[0] == '@') return nullptr;
  char* colon = FindMemberColon(entry, kEntryTokenMinimum);
  if (colon == nullptr) return nullptr;
  *colon = '\0';
  return colon[1] != '\0' ? colon + 1 : nullptr;
}

}  // namespace targets

void SetTargetAllocator(TargetAllocator allocator) { gAllocator = allocator; }

FilePatternList::~FilePatternList() {
  for (int i = 0; i < count; ++i) ClearPattern(items[i]);
}

int SplitFieldForRun(const TargetOptions& options, const char* field, FilePatternList* out) {
  return SplitField(options, field, CutRunToken, out);
}

int SplitFieldForListing(const TargetOptions& options, const char* field, FilePatternList* out) {
  return SplitField(options, field, CutListingToken, out);
}

int IsDirectorySpec(const char* text) {
  size_t length = std::strlen(text);
  if (length == 0) return 0;
  const char* last = text + length - 1;
  if (*last == '\\' && FindLastChar(text, '\\') == last) return 1;
  if (*last == '.') {
    if (length == 1) return 1;
    long previous = StartOfPreviousChar(text, length - 1);
    if (IsSingleChar(text, previous, '\\') || IsSingleChar(text, previous, '.')) return 1;
  }
  if (std::strpbrk(text, "*?") != nullptr) return 0;
  FindRecord record;
  if (FindFirst(text, &record, kAllAttributes) != 0) return 0;
  bool directory = (record.attributes & kAttrDirectory) != 0;
  FindEnd(&record);
  return directory ? 1 : 0;
}

int IsExcludedExtension(const TargetOptions& options, const char* name) {
  const char* dot = FindLastChar(name, '.');
  if (dot == nullptr) return 0;
  char words[sizeof options.excludedExtensions];
  CopyText(words, sizeof words, options.excludedExtensions);
  for (char* p = words; *p != '\0';) {
    while (*p == ' ') ++p;
    char* word = p;
    while (*p != '\0' && *p != ' ') ++p;
    if (*p != '\0') *p++ = '\0';
    if (*word != '\0' && CompareNoCase(word, dot + 1) == 0) return 1;
  }
  return 0;
}

int CompareSortRecords(const TargetOptions& options, const SortRecord* a, const SortRecord* b) {
  const int sign = options.reverse ? -1 : 1;
  if (options.order == kSortByExtension) {
    const char* extA = FindLastChar(a->name, '.');
    const char* extB = FindLastChar(b->name, '.');
    int order = CompareNoCase(extA != nullptr ? extA : "", extB != nullptr ? extB : "");
    if (order != 0) return sign * (order < 0 ? -1 : 1);
  } else if (options.order == kSortByDate) {
    if (a->date != b->date) return sign * (a->date - b->date);
    if (a->time != b->time) return sign * (a->time - b->time);
  }
  int order = std::strcmp(a->name, b->name);  // unsigned bytes, case kept
  return sign * (order < 0 ? -1 : order > 0 ? 1 : 0);
}

FileListEntries::~FileListEntries() { FreeFileListEntries(this); }

bool AddFileListEntry(FileListEntries* entries, const char* text) {
  FileListEntries& list = *entries;
  if (list.count == list.capacity) {
    int capacity = list.capacity + kFileListGrowth;
    void* grown = std::realloc(list.entries, sizeof(char*) * static_cast<size_t>(capacity));
    if (grown == nullptr) return false;
    list.entries = static_cast<char**>(grown);
    list.capacity = capacity;
  }
  char entry[kListEntryBuffer];
  CopyText(entry, sizeof entry, text);
  char* copy = targets::DuplicateText(entry);
  if (copy == nullptr) return false;
  list.entries[list.count++] = copy;
  return true;
}

void FreeFileListEntries(FileListEntries* list) {
  for (int i = 0; i < list->count; ++i) std::free(list->entries[i]);
  std::free(list->entries);
  list->entries = nullptr;
  list->count = list->capacity = 0;
}

void SetShortcutResolver(ShortcutResolver resolver) { gShortcutResolver = resolver; }

namespace {

bool IsShortcutName(const char* path) {
  constexpr char kShortcutExtension[] = ".lnk";
  constexpr size_t kExtensionLength = sizeof kShortcutExtension - 1;
  size_t length = std::strlen(path);
  return length >= kExtensionLength && CompareNoCase(path + length - kExtensionLength, kShortcutExtension) == 0;
}

}  // namespace

int ResolveShortcut(char* path) {
  if (gShortcutResolver == nullptr) return 0;
  if (!IsShortcutName(path)) return 0;
  char target[kPathBufferWide] = {};
  gShortcutResolver(path, target, nullptr);
  target[kPathBufferWide - 1] = '\0';
  if (target[0] == '\0') return 0;
  // A folder has no lines to search, and a shortcut to a shortcut would be
  // searched as the second one's bytes under the first one's heading: the
  // shortcut file is then taken as it is, as without the shell helper.
  if (IsShortcutName(target) || IsDirectorySpec(target)) return 0;
  CopyText(path, kPathBuffer, target);
  NormalizePath(path);
  return 1;
}

}  // namespace zanto
