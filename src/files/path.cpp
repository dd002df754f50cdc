// Path and file helpers. Every scan steps over double-byte characters, so
// the 0x5C trail byte of a character such as 表 (0x95 0x5C) is never taken
// for a separator. Paths are bounded by kPathBuffer; a path that does not
// fit is refused rather than cut, so that no call reaches a different file
// than the one named.
#include "files/path.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace zanto {

namespace {

constexpr char kTempNameFormat[] = "~~KZW%03X.$$$";
constexpr char kTempNameLast[] = "$$$$$$$$.$$$";
constexpr unsigned kTempNameCount = 65000;
constexpr char kBackupExtension[] = ".BAK";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Index of the last character of text, stepping over double-byte
// characters; -1 for an empty text.
long LastCharIndex(const char* text) {
  long last = -1;
  for (size_t i = 0; text[i] != '\0'; i += SjisCharLength(text, i)) last = static_cast<long>(i);
  return last;
}

// True when the last character of text is a real separator.
bool EndsInSeparator(const char* text) {
  long last = LastCharIndex(text);
  return last >= 0 && SjisCharLength(text, static_cast<size_t>(last)) == 1 && IsSeparator(text[last]);
}

void ReplaceSeparators(char* text, char from, char to) {
  for (size_t i = 0; text[i] != '\0'; i += SjisCharLength(text, i))
    if (text[i] == from) text[i] = to;
}

void Clear(char* buffer) {
  if (buffer != nullptr) buffer[0] = '\0';
}

// Copies count bytes of text into part (kPathPart bytes), cut at a
// character boundary.
void CopyPart(char* part, const char* text, size_t count) {
  if (part == nullptr) return;
  char piece[kPathBuffer];
  if (count >= sizeof piece) count = sizeof piece - 1;
  std::memcpy(piece, text, count);
  piece[count] = '\0';
  CopyText(part, kPathPart, piece);
}

// A path as handed to the file calls: one that begins with a separator gets
// backslashes throughout. False when the path does not fit.
bool PreparePath(const char* path, char* out) {
  if (path == nullptr || std::strlen(path) >= kPathBuffer) return false;
  std::strcpy(out, path);
  if (IsSeparator(out[0])) SlashesToBackslashes(out);
  return true;
}

bool HasDrive(const char* path) { return path[0] != '\0' && path[1] == ':'; }

// The attribute-mask rule of every directory search.
bool PassesMask(uint32_t attributes, uint32_t mask) {
  constexpr uint32_t kSpecial = kAttrHidden | kAttrSystem | kAttrDirectory;
  uint32_t special = attributes & kSpecial;
  return special == 0 || (special & mask) != 0;
}

// A record's open search: the platform search and the mask it was started
// with, kept behind the record's handle.
struct MaskedSearch {
  void* os;       // the platform search
  uint32_t mask;  // attribute mask of the search
};

void FillRecord(const OsDirEntry& entry, FindRecord* record) {
  record->attributes = entry.attributes;
  record->time = entry.dosTime;
  record->date = entry.dosDate;
  record->size = static_cast<int64_t>(entry.size);
  CopyText(record->name, sizeof record->name, entry.name);
}

// Steps the record's open search to the next entry the mask lets through;
// closes the search at its end.
int NextMatching(FindRecord* record, uint32_t mask, OsDirEntry* entry, bool haveEntry) {
  while (haveEntry) {
    if (PassesMask(entry->attributes, mask)) {
      FillRecord(*entry, record);
      return 0;
    }
    haveEntry = OsFindNextEntry(static_cast<MaskedSearch*>(record->osHandle)->os, entry);
  }
  FindEnd(record);
  return -1;
}

}  // namespace

void SplitPath(const char* path, char* drive, char* dir, char* name, char* ext) {
  Clear(drive);
  Clear(dir);
  Clear(name);
  Clear(ext);
  if (path == nullptr) return;
  char work[kPathBuffer];
  CopyText(work, sizeof work, path);
  size_t len = std::strlen(work);
  while (len > 0 && work[len - 1] == ' ') work[--len] = '\0';  // a space is never a trail byte

  const char* rest = work;
  if (HasDrive(work)) {
    if (drive != nullptr) {
      drive[0] = work[0];
      drive[1] = ':';
      drive[2] = '\0';
    }
    rest = work + 2;
  }

  const char* afterDir = rest;
  for (size_t i = 0; rest[i] != '\0'; i += SjisCharLength(rest, i))
    if (SjisCharLength(rest, i) == 1 && IsSeparator(rest[i])) afterDir = rest + i + 1;
  CopyPart(dir, rest, static_cast<size_t>(afterDir - rest));

  const char* base = afterDir;
  while (*base == '.') ++base;
  const char* dot = FindLastChar(base, '.');
  const char* nameEnd = dot != nullptr ? dot : base + std::strlen(base);
  CopyPart(name, afterDir, static_cast<size_t>(nameEnd - afterDir));
  if (dot != nullptr) CopyPart(ext, dot, std::strlen(dot));
}

void MergePath(char* out, const char* drive, const char* dir, const char* name, const char* ext) {
  out[0] = '\0';
  if (drive != nullptr && drive[0] != '\0') {
    out[0] = drive[0];
    out[1] = ':';
    out[2] = '\0';
  }
  if (dir != nullptr && dir[0] != '\0') {
    AppendText(out, kPathBuffer, dir);
    if (!EndsInSeparator(out)) AppendText(out, kPathBuffer, "\\");
  }
  if (name != nullptr) AppendText(out, kPathBuffer, name);
  if (ext != nullptr && ext[0] != '\0') {
    if (ext[0] != '.') AppendText(out, kPathBuffer, ".");
    AppendText(out, kPathBuffer, ext);
  }
}

int NormalizePath(char* path) {
  SlashesToBackslashes(path);
  char full[kPathBuffer];
  if (!OsFullPath(path, full, sizeof full)) return 1;
  CopyText(path, kPathBuffer, full);
  if (LastChar(path) == '.') DropLastChar(path, 0);  // a dot is never a trail byte
  SlashesToBackslashes(path);
  return 0;
}

void EnsureTrailingSeparator(char* path) {
  if (LastChar(path) == '\\' && EndsInSeparator(path)) return;
  size_t len = std::strlen(path);
  if (len + 1 >= kPathBuffer) return;  // no room: the path stays as it is
  path[len] = '\\';
  path[len + 1] = '\0';
}

char* FindChar(const char* text, int c) {
  for (size_t i = 0;; i += SjisCharLength(text, i)) {
    if (text[i] == static_cast<char>(c) && (c == 0 || SjisCharLength(text, i) == 1)) return const_cast<char*>(text + i);
    if (text[i] == '\0') return nullptr;
  }
}

char* FindLastChar(const char* text, int c) {
  const char* found = nullptr;
  for (size_t i = 0; text[i] != '\0'; i += SjisCharLength(text, i))
    if (text[i] == static_cast<char>(c) && SjisCharLength(text, i) == 1) found = text + i;
  return const_cast<char*>(found);
}

void SlashesToBackslashes(char* text) { ReplaceSeparators(text, '/', '\\'); }

void BackslashesToSlashes(char* text) { ReplaceSeparators(text, '\\', '/'); }

int LastChar(const char* text) {
  size_t len = std::strlen(text);
  return len == 0 ? 0 : static_cast<unsigned char>(text[len - 1]);
}

int DropLastChar(char* text, int c) {
  long last = static_cast<long>(std::strlen(text)) - 1;
  if (last < 0) return -1;
  text[last] = static_cast<char>(c);
  return c == 0 ? static_cast<int>(last - 1) : static_cast<int>(last);
}

void PrependText(char* text, size_t capacity, const char* prefix) {
  if (capacity == 0) return;
  size_t prefixLen = std::strlen(prefix);
  if (prefixLen + 1 >= capacity) {
    CopyText(text, capacity, prefix);
    return;
  }
  size_t keep = std::strlen(text);
  if (keep > capacity - 1 - prefixLen) keep = capacity - 1 - prefixLen;
  std::memmove(text + prefixLen, text, keep);
  std::memcpy(text, prefix, prefixLen);
  text[prefixLen + keep] = '\0';
  TruncateText(text, capacity - 1);  // a cut may have split the last character
}

int FindFirst(const char* pattern, FindRecord* record, uint32_t mask) {
  FindEnd(record);
  OsDirEntry entry;
  void* os = OsFindOpen(pattern, &entry);
  if (os == nullptr) return -1;
  MaskedSearch* search = new (std::nothrow) MaskedSearch{os, mask};
  if (search == nullptr) {
    OsFindClose(os);
    return -1;
  }
  record->osHandle = search;
  return NextMatching(record, mask, &entry, true);
}

int FindNext(FindRecord* record) {
  auto* search = static_cast<MaskedSearch*>(record->osHandle);
  if (search == nullptr) return -1;
  OsDirEntry entry;
  return NextMatching(record, search->mask, &entry, OsFindNextEntry(search->os, &entry));
}

void FindEnd(FindRecord* record) {
  auto* search = static_cast<MaskedSearch*>(record->osHandle);
  if (search == nullptr) return;
  OsFindClose(search->os);
  delete search;
  record->osHandle = nullptr;
}

bool MakeTempName(char* dir) {
  size_t dirLen = std::strlen(dir);
  if (dirLen >= kPathBuffer) return false;
  char candidate[kPathBuffer];
  std::memcpy(candidate, dir, dirLen);
  for (unsigned i = 0; i < kTempNameCount; ++i) {
    size_t room = sizeof candidate - dirLen;
    int n = std::snprintf(candidate + dirLen, room, kTempNameFormat, i);
    if (n < 0 || static_cast<size_t>(n) >= room) return false;
    OsDirEntry entry;
    void* taken = OsFindOpen(candidate, &entry);
    if (taken == nullptr) {
      std::memcpy(dir, candidate, dirLen + static_cast<size_t>(n) + 1);
      return true;
    }
    OsFindClose(taken);
  }
  if (dirLen + sizeof kTempNameLast > kPathBuffer) return false;
  std::memcpy(dir + dirLen, kTempNameLast, sizeof kTempNameLast);
  return true;
}

void MakeBackupName(const char* path, char* out) {
  char drive[kDriveBuffer], dir[kPathPart], name[kPathPart];
  SplitPath(path, drive, dir, name, nullptr);
  MergePath(out, drive, dir, name, kBackupExtension);
}

intptr_t OpenRawFile(const char* name, unsigned mode) {
  char path[kPathBuffer];
  if (!PreparePath(name, path)) return -1;
  if (!IsSeparator(path[0]) && !HasDrive(path)) {
    char found[kPathBuffer];
    if (OsSearchPath(path, found, sizeof found)) std::strcpy(path, found);
  }
  return OsOpenFile(path, mode);
}

int CloseRawFile(intptr_t handle) { return OsCloseFile(handle); }

long ReadRawFile(intptr_t handle, void* buffer, unsigned long count) { return OsReadFile(handle, buffer, count); }

long WriteRawFile(intptr_t handle, const void* buffer, unsigned long count) {
  return OsWriteFile(handle, buffer, count);
}

int64_t SeekRawFile(intptr_t handle, int64_t distance, int origin) { return OsSeekFile(handle, distance, origin); }

int FileAccessible(const char* path, int mode) {
  char prepared[kPathBuffer];
  return PreparePath(path, prepared) && OsAccess(prepared, mode) ? 0 : -1;
}

int RenamePath(const char* from, const char* to) {
  char a[kPathBuffer], b[kPathBuffer];
  return PreparePath(from, a) && PreparePath(to, b) && OsRename(a, b) ? 0 : -1;
}

int DeletePath(const char* path) {
  char prepared[kPathBuffer];
  return PreparePath(path, prepared) && OsDelete(prepared) ? 0 : -1;
}

int ForceDeleteFile(const char* path) {
  uint32_t attributes = 0;
  if (!OsGetAttributes(path, &attributes)) return -1;
  if (OsDelete(path)) return 0;
  OsSetAttributes(path, kAttrArchive);
  return OsDelete(path) ? 0 : 1;
}

}  // namespace zanto
