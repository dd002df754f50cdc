#include "files/archive_support.h"

#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "base/sjis.h"
#include "files/os.h"
#include "files/lzh/lzh.h"
#include "files/path.h"
#include "files/targets.h"

namespace zanto {

namespace {

#ifdef _WIN32
#define ZANTO_LIBRARY_CALL __stdcall
#else
#define ZANTO_LIBRARY_CALL
#endif

using UnlhaGetVersionCall = unsigned short(ZANTO_LIBRARY_CALL*)();
using UnlhaCall = int(ZANTO_LIBRARY_CALL*)(void* owner, const char* command, char* output, uint32_t outputSize);
using UnlhaOpenArchiveCall = void*(ZANTO_LIBRARY_CALL*)(void* owner, const char* path, uint32_t mode);
using UnlhaCloseArchiveCall = int(ZANTO_LIBRARY_CALL*)(void* archive);
using UnlhaFindFirstCall = int(ZANTO_LIBRARY_CALL*)(void* archive, const char* wildcards, void* record);
using UnlhaFindNextCall = int(ZANTO_LIBRARY_CALL*)(void* archive, void* record);

constexpr char kArchiveLibrary[] = "UNLHA32.DLL";

// The entry points archive search relies on, in the order they are bound.
enum : int { kGetVersion, kCommand, kOpenArchive, kCloseArchive, kFindFirst, kFindNext, kEntryCount };
constexpr const char* kEntryNames[kEntryCount] = {
    "UnlhaGetVersion", "Unlha", "UnlhaOpenArchive", "UnlhaCloseArchive", "UnlhaFindFirst", "UnlhaFindNext",
};

constexpr uint32_t kOpenMode = 0x2200;          // listing, as the library expects it
constexpr size_t kOutputBuffer = 61440;         // the library's report of an extraction
constexpr uint32_t kArchiveFindMask = 0x27;     // the archive file, hidden or system too
// Full-width small Latin letters: lead 0x82, trails 0x81 (ａ) to 0x9A (ｚ);
// their capitals lie 0x21 below.
constexpr unsigned char kFullWidthLatinLead = 0x82, kFullWidthSmallA = 0x81, kFullWidthSmallZ = 0x9A;
constexpr unsigned char kFullWidthCaseDistance = 0x21;
// The library's member record: the program reads the unpacked size at 0,
// the DOS date at 22, the DOS time at 24 and the member path at 26; the
// record goes on behind the path, and the library fills all of it.
constexpr size_t kRecordSizeOffset = 0, kRecordDateOffset = 22, kRecordTimeOffset = 24;
constexpr size_t kRecordPathOffset = 26;
constexpr size_t kRecordPathBytes = 513;
constexpr size_t kMemberRecordBytes = kRecordPathOffset + kRecordPathBytes + 19;
constexpr size_t kWildcardBuffer = kListEntryBuffer;  // a member list as the target list holds it
// "x -jf0 \"archive\" \"directory\\\" wildcards"
constexpr size_t kCommandBuffer = 16 + 2 * kPathBuffer + kWildcardBuffer;
constexpr char kCommandFormat[] = "x -jf0 \"%s\" \"%s\" %s";

struct ArchiveLibrary {
  void* module = nullptr;            // the loaded library, or null
  void* entries[kEntryCount] = {};   // bound entry points, kEntryNames order
  char root[kPathBuffer] = {};       // extraction root, ends in a backslash
  bool ready = false;                // InitArchiveSupport returned 1
  void* archive = nullptr;           // archive opened last for its listing, or null
  alignas(8) unsigned char memberRecord[kMemberRecordBytes] = {};  // filled by the library
  char output[kOutputBuffer] = {};   // the library's report of the last extraction
  char directory[kPathBuffer] = {};  // current extraction directory, ends in a backslash
  char commandLine[kCommandBuffer] = {};  // the last extraction command
};
ArchiveLibrary gArchive;

template <typename Call>
Call Entry(int index) {
  return reinterpret_cast<Call>(gArchive.entries[index]);
}

void CloseArchiveListing() {
  if (gArchive.archive == nullptr) return;
  Entry<UnlhaCloseArchiveCall>(kCloseArchive)(gArchive.archive);
  gArchive.archive = nullptr;
}

uint32_t RecordWord(size_t offset, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = bytes; i-- > 0;) value = (value << 8) | gArchive.memberRecord[offset + i];
  return value;
}

// Takes the member the library has just put into its record. False for a
// member the scan must not be handed: a path without its end inside the
// field, one that climbs out of the extraction directory, names a drive or
// starts at a root (after the one leading separator the library may report),
// or one that does not fit a path with the directory in front.
bool TakeMember(FindRecord* record, char* memberPath) {
  const char* field = reinterpret_cast<const char*>(gArchive.memberRecord + kRecordPathOffset);
  if (std::memchr(field, '\0', kRecordPathBytes) == nullptr) return false;
  if (*field == '\\' || *field == '/') ++field;
  if (!lzh::IsSafePath(field)) {
    Trace("unsafe member %s\n", field);
    return false;
  }
  if (std::strlen(gArchive.directory) + std::strlen(field) > kMaxPath) return false;
  CopyText(memberPath, kPathBuffer, gArchive.directory);
  AppendText(memberPath, kPathBuffer, field);
  record->size = RecordWord(kRecordSizeOffset, 4);
  record->date = static_cast<uint16_t>(RecordWord(kRecordDateOffset, 2));
  record->time = static_cast<uint16_t>(RecordWord(kRecordTimeOffset, 2));
  CopyText(record->name, sizeof record->name, memberPath);
  return true;
}

// From a member the library has just found, on to the first one the scan
// may be handed.
int TakeOrSkip(int found, FindRecord* record, char* memberPath) {
  for (; found == 0; found = Entry<UnlhaFindNextCall>(kFindNext)(gArchive.archive, gArchive.memberRecord)) {
    if (TakeMember(record, memberPath)) return kMemberFound;
  }
  return kNoMember;
}

// directory = root + the archive's name without extension + ArchiveDirName
// + backslash; false when that does not fit a path.
bool FormExtractionDirectory(const char* archivePath, char* directory) {
  char name[kPathPart];
  SplitPath(archivePath, nullptr, nullptr, name, nullptr);
  char formed[2 * kPathBuffer];
  CopyText(formed, sizeof formed, gArchive.root);
  AppendText(formed, sizeof formed, name);
  ArchiveDirName(archivePath, formed, sizeof formed);
  if (AppendText(formed, sizeof formed, "\\") > kMaxPath) return false;
  CopyText(directory, kPathBuffer, formed);
  return true;
}

bool BindEntries(void* module) {
  for (int i = 0; i < kEntryCount; ++i) {
    gArchive.entries[i] = OsGetSymbol(module, kEntryNames[i]);
    if (gArchive.entries[i] == nullptr) return false;
  }
  return true;
}

void Unbind() {
  if (gArchive.module != nullptr) OsFreeLibrary(gArchive.module);
  gArchive = ArchiveLibrary{};
}

// root = base + separator (unless it has one) + "$ZANTO$.TMP"; false when
// it would not fit a path buffer.
bool FormRoot(const char* base, char* root) {
  CopyText(root, kPathBuffer, base);
  int last = LastChar(root);
  bool hasSeparator = last == '/' || (last == '\\' && FindLastChar(root, '\\') == root + std::strlen(root) - 1);
  if (!hasSeparator && AppendText(root, kPathBuffer, "\\") != std::strlen(base) + 1) return false;
  size_t before = std::strlen(root);
  return AppendText(root, kPathBuffer, kArchiveRootName) == before + sizeof kArchiveRootName - 1;
}

}  // namespace

int InitArchiveSupport(const char* baseDirectory) {
  Unbind();
  void* module = OsLoadLibrary(kArchiveLibrary);
  if (module == nullptr) return 0;
  gArchive.module = module;
  if (!BindEntries(module)) {
    Unbind();
    return 0;
  }
  Trace("unlha version=%d\n", static_cast<int>(ArchiveLibraryVersion()));
  char root[kPathBuffer];
  if (!FormRoot(baseDirectory, root)) {
    Unbind();
    return 0;
  }
  OsCreateDirectory(root);  // an existing root is fine
  if (FileAccessible(root, 0) != 0) {
    Unbind();
    return 0;
  }
  uint32_t attributes = 0;
  OsGetAttributes(root, &attributes);
  OsSetAttributes(root, attributes | kAttrHidden);
  std::memcpy(gArchive.root, root, sizeof root);
  AppendText(gArchive.root, sizeof gArchive.root, "\\");
  gArchive.ready = true;
  return 1;
}

void ShutdownArchiveSupport() {
  if (!gArchive.ready) return;
  CloseArchiveListing();
  char root[kPathBuffer];
  std::memcpy(root, gArchive.root, sizeof root);
  DropLastChar(root, 0);  // without its trailing backslash
  Unbind();
  OsSetAttributes(root, 0);
  RemoveTree(root);
  OsRemoveDirectory(root);
}

bool ArchiveSupportReady() { return gArchive.ready; }

unsigned ArchiveLibraryVersion() {
  if (gArchive.entries[kGetVersion] == nullptr) return 0;
  return Entry<UnlhaGetVersionCall>(kGetVersion)();
}

const char* ArchiveRoot() { return gArchive.root; }

int ExtractArchive(void* owner, const char* archivePath, const char* memberList, FindRecord* record,
                   char* memberPath) {
  if (!gArchive.ready) return kNoMember;
  CloseArchiveListing();
  char wildcards[kWildcardBuffer];
  CopyText(wildcards, sizeof wildcards, memberList != nullptr ? memberList : "*.*");
  for (char* p = wildcards; *p != '\0'; p += SjisCharLength(p, 0)) {
    if (*p == ':') *p = ' ';
  }
  if (!FormExtractionDirectory(archivePath, gArchive.directory)) return kNoMember;
  int length = std::snprintf(gArchive.commandLine, sizeof gArchive.commandLine, kCommandFormat, archivePath,
                             gArchive.directory, wildcards);
  if (length < 0 || static_cast<size_t>(length) >= sizeof gArchive.commandLine) return kNoMember;
  Trace("unlha %s\n", gArchive.commandLine);
  // What the library reports is not looked at: the listing below says
  // which members there are.
  Entry<UnlhaCall>(kCommand)(owner, gArchive.commandLine, gArchive.output, kOutputBuffer);
  gArchive.archive = Entry<UnlhaOpenArchiveCall>(kOpenArchive)(nullptr, archivePath, kOpenMode);
  if (gArchive.archive == nullptr) return kNoMember;
  int found = Entry<UnlhaFindFirstCall>(kFindFirst)(gArchive.archive, wildcards, gArchive.memberRecord);
  return TakeOrSkip(found, record, memberPath);
}

int NextArchiveMember(FindRecord* record, char* memberPath) {
  if (!gArchive.ready || gArchive.archive == nullptr) return kNoMember;
  int found = Entry<UnlhaFindNextCall>(kFindNext)(gArchive.archive, gArchive.memberRecord);
  return TakeOrSkip(found, record, memberPath);
}

void ArchiveDirName(const char* archivePath, char* dirText, size_t capacity) {
  char full[kPathBuffer];
  if (!OsFullPath(archivePath, full, sizeof full)) return;
  uint32_t h = 0;
  FindRecord found;
  if (FindFirst(full, &found, kArchiveFindMask) == 0) h = (static_cast<uint32_t>(found.time) << 16) + found.date;
  FindEnd(&found);
  // Letter case does not tell paths apart: ASCII letters and the full-width
  // small Latin letters become capitals; other double-byte characters stay.
  const size_t length = std::strlen(full);
  for (size_t i = 0; i < length; i += SjisCharLength(full, i)) {
    auto lead = static_cast<unsigned char>(full[i]);
    if (SjisCharLength(full, i) == 2) {
      auto trail = static_cast<unsigned char>(full[i + 1]);
      if (lead == kFullWidthLatinLead && trail >= kFullWidthSmallA && trail <= kFullWidthSmallZ)
        full[i + 1] = static_cast<char>(trail - kFullWidthCaseDistance);
    } else if (lead >= 'a' && lead <= 'z') {
      full[i] = static_cast<char>(lead - 'a' + 'A');
    }
  }
  Trace("{%x,%s}", h, full);
  h += static_cast<uint32_t>(length) << 24;
  for (size_t i = 0; i < length; ++i) h += static_cast<uint32_t>(static_cast<unsigned char>(full[i])) << (i % 20);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08lX", static_cast<unsigned long>(h + length));
  AppendText(dirText, capacity, suffix);
  Trace("[%s]", dirText);
}

void RemoveTree(const char* dir) {
  char pattern[kPathBuffer];
  CopyText(pattern, sizeof pattern, dir);
  if (AppendText(pattern, sizeof pattern, "\\*.*") != std::strlen(dir) + 4) return;
  FindRecord record;
  if (FindFirst(pattern, &record, kAllAttributes) != 0) return;
  do {
    char path[kPathBuffer];
    CopyText(path, sizeof path, dir);
    AppendText(path, sizeof path, "\\");
    if (AppendText(path, sizeof path, record.name) != std::strlen(dir) + 1 + std::strlen(record.name)) continue;
    if ((record.attributes & kAttrDirectory) == 0) {
      DeletePath(path);
    } else if ((record.attributes & kAttrReparsePoint) != 0) {
      // A linked directory: remove the link, never what it points to.
      if (!OsRemoveDirectory(path)) DeletePath(path);
    } else if (std::strcmp(record.name, ".") != 0 && std::strcmp(record.name, "..") != 0) {
      RemoveTree(path);
      if (OsRemoveDirectory(path)) Trace("\n[rmdir %s]", path);
    }
  } while (FindNext(&record) == 0);
  FindEnd(&record);
}

}  // namespace zanto
