#include "files/archive_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/host.h"
#include "base/name_compare.h"
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

// The entry points archive search relies on, in the order they are bound.
enum : int { kGetVersion, kCommand, kOpenArchive, kCloseArchive, kFindFirst, kFindNext, kEntryCount };

// The archive libraries, each chosen by the archive's extension; all of
// them take the same calls and fill the same member record. A library
// that is missing leaves only its own archives unsearched.
struct LibraryName {
  const char* extension;  // with its dot, compared without regard to case
  const char* file;
  const char* traceName;
  const char* entries[kEntryCount];
};
constexpr LibraryName kLibraries[] = {
    {".LZH", "UNLHA32.DLL", "unlha",
     {"UnlhaGetVersion", "Unlha", "UnlhaOpenArchive", "UnlhaCloseArchive", "UnlhaFindFirst", "UnlhaFindNext"}},
    {".ZIP", "KZZIP32.DLL", "kzzip",
     {"KzZipGetVersion", "KzZip", "KzZipOpenArchive", "KzZipCloseArchive", "KzZipFindFirst", "KzZipFindNext"}},
};
constexpr size_t kLibraryCount = sizeof kLibraries / sizeof kLibraries[0];
constexpr size_t kNoLibrary = kLibraryCount;

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
// Members whose names are compared with the rest of their listing; an
// archive with more is searched as far as that, the others are left out.
constexpr size_t kMaxComparedMembers = size_t{1} << 18;
constexpr size_t kFirstComparedMembers = 64;
constexpr uint32_t kExtractedFileMask = 0x27;  // a file, hidden, system or read-only too; never a folder
// Put in front of an archive's name when its extraction directory would
// otherwise be named like a device.
constexpr char kDeviceNamePrefix[] = "_";

// A member's name as the listing gave it, folded as a file system that
// ignores letter case folds it, reduced to a 64-bit hash, with its place in
// the listing. Two names that differ but hash alike only cost the earlier
// member its search (it is left out, never searched as the other).
struct ListedName {
  uint64_t hash;
  size_t index;
};

// The names of the listing of the archive extracted last. A library that
// writes every member at its path leaves, of members whose names fold
// alike, only the last in the file: the others are told by repeatedLater.
struct ListingNames {
  ListedName* names = nullptr;  // kept in listing order, then sorted by hash
  bool* repeatedLater = nullptr;  // by listing index
  size_t count = 0, capacity = 0;
  size_t handedOut = 0;  // members of the listing met so far while searching
};

struct BoundLibrary {
  void* module = nullptr;            // the loaded library, or null
  void* entries[kEntryCount] = {};   // bound entry points, in LibraryName::entries order
};

struct ArchiveState {
  BoundLibrary libraries[kLibraryCount];  // kLibraries order
  size_t current = kNoLibrary;       // the library of the archive extracted last
  char root[kPathBuffer] = {};       // extraction root, ends in a backslash
  bool ready = false;                // Init succeeded
  void* archive = nullptr;           // archive opened last for its listing, or null
  alignas(8) unsigned char memberRecord[kMemberRecordBytes] = {};  // filled by the library
  char output[kOutputBuffer] = {};   // the library's report of the last extraction
  char directory[kPathBuffer] = {};  // current extraction directory, ends in a backslash
  char commandLine[kCommandBuffer] = {};  // the last extraction command
  ListingNames listing;              // names of the last listing
};

// An entry point of the library of the archive extracted last.
template <typename Call>
Call Entry(const ArchiveState& a, int index) {
  return reinterpret_cast<Call>(a.libraries[a.current].entries[index]);
}

// The library for archivePath by its extension, or kNoLibrary.
size_t LibraryFor(const char* archivePath) {
  const char* dot = FindLastChar(archivePath, '.');
  if (dot == nullptr) return kNoLibrary;
  for (size_t i = 0; i < kLibraryCount; ++i)
    if (SameNoCase(dot, kLibraries[i].extension)) return i;
  return kNoLibrary;
}

bool LibraryBound(const ArchiveState& a, size_t library) {
  return library < kLibraryCount && a.libraries[library].module != nullptr;
}

unsigned LibraryVersion(const ArchiveState& a, size_t library) {
  if (!LibraryBound(a, library)) return 0;
  return reinterpret_cast<UnlhaGetVersionCall>(a.libraries[library].entries[kGetVersion])();
}

void ForgetListingNames(ArchiveState& a) {
  std::free(a.listing.names);
  std::free(a.listing.repeatedLater);
  a.listing = ListingNames{};
}

void CloseArchiveListing(ArchiveState& a) {
  ForgetListingNames(a);
  if (a.archive == nullptr) return;
  Entry<UnlhaCloseArchiveCall>(a, kCloseArchive)(a.archive);
  a.archive = nullptr;
}

uint32_t RecordWord(const ArchiveState& a, size_t offset, size_t bytes) {
  uint32_t value = 0;
  for (size_t i = bytes; i-- > 0;) value = (value << 8) | a.memberRecord[offset + i];
  return value;
}

// The member path in the record, after the one leading separator the
// library may report; null when the path has no end inside its field.
const char* RecordPath(const ArchiveState& a) {
  const char* field = reinterpret_cast<const char*>(a.memberRecord + kRecordPathOffset);
  if (std::memchr(field, '\0', kRecordPathBytes) == nullptr) return nullptr;
  if (*field == '\\' || *field == '/') ++field;
  return field;
}

uint64_t FoldedNameHash(const char* path) {
  constexpr uint64_t kOffsetBasis = 14695981039346656037ull, kPrime = 1099511628211ull;
  uint64_t h = kOffsetBasis;
  for (unsigned char c : lzh::CaseFolded(path)) h = (h ^ c) * kPrime;
  return h;
}

bool RecordListedName(ListingNames& listing, uint64_t hash) {
  if (listing.count == listing.capacity) {
    if (listing.capacity == kMaxComparedMembers) return false;
    size_t capacity = listing.capacity == 0 ? kFirstComparedMembers : listing.capacity * 2;
    auto* grown = static_cast<ListedName*>(std::realloc(listing.names, capacity * sizeof(ListedName)));
    if (grown == nullptr) return false;
    listing.names = grown;
    listing.capacity = capacity;
  }
  listing.names[listing.count] = ListedName{hash, listing.count};
  ++listing.count;
  return true;
}

// Walks the whole listing once for the names of its members and marks
// those whose folded name comes again later. A listing too long (or memory
// too short) to keep every name is kept as far as it goes.
void ReadListingNames(ArchiveState& a, const char* archivePath, const char* wildcards) {
  ForgetListingNames(a);
  ListingNames& listing = a.listing;
  void* archive = Entry<UnlhaOpenArchiveCall>(a, kOpenArchive)(nullptr, archivePath, kOpenMode);
  if (archive == nullptr) return;
  for (int found = Entry<UnlhaFindFirstCall>(a, kFindFirst)(archive, wildcards, a.memberRecord); found == 0;
       found = Entry<UnlhaFindNextCall>(a, kFindNext)(archive, a.memberRecord)) {
    const char* path = RecordPath(a);
    if (!RecordListedName(listing, path != nullptr ? FoldedNameHash(path) : 0)) break;
  }
  Entry<UnlhaCloseArchiveCall>(a, kCloseArchive)(archive);
  if (listing.count == 0) return;
  listing.repeatedLater = static_cast<bool*>(std::calloc(listing.count, sizeof(bool)));
  if (listing.repeatedLater == nullptr) {
    ForgetListingNames(a);
    return;
  }
  std::sort(listing.names, listing.names + listing.count, [](const ListedName& a, const ListedName& b) {
    return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
  });
  for (size_t i = 0; i + 1 < listing.count; ++i)
    if (listing.names[i].hash == listing.names[i + 1].hash) listing.repeatedLater[listing.names[i].index] = true;
}

const char* NamePart(const char* path) {
  const char* separator = FindLastChar(path, '\\');
  return separator != nullptr ? separator + 1 : path;
}

// Whether the file at memberPath is the member the record describes: a
// file (not a folder) of that name, with the member's size. Its name could
// also belong to a member of the same name later in the listing, which a
// library would have written over this one.
bool FileHoldsMember(const ArchiveState& a, const char* memberPath, size_t listingIndex) {
  const ListingNames& listing = a.listing;
  if (listingIndex >= listing.count || listing.repeatedLater[listingIndex]) return false;
  FindRecord found;
  bool same = FindFirst(memberPath, &found, kExtractedFileMask) == 0 &&
              (found.attributes & kAttrDirectory) == 0 &&
              found.size == static_cast<int64_t>(RecordWord(a, kRecordSizeOffset, 4)) &&
              SameNoCase(found.name, NamePart(memberPath));
  FindEnd(&found);
  return same;
}

enum class Taken { kMember, kLeftOut, kPassedOver };

// Takes the member the library has just put into its record. Passed over
// (the scan is not handed it, nor is it mentioned): a path without its end
// inside the field, one that climbs out of the extraction directory, names
// a drive or a device or starts at a root, or one that does not fit a path
// with the directory in front. Left out: a member whose extracted file
// does not hold it; memberPath then names it inside the archive.
Taken TakeMember(ArchiveState& a, FindRecord* record, char* memberPath) {
  const size_t listingIndex = a.listing.handedOut++;
  const char* field = RecordPath(a);
  if (field == nullptr) return Taken::kPassedOver;
  if (!lzh::IsSafePath(field)) {
    Trace("unsafe member %s\n", field);
    return Taken::kPassedOver;
  }
  if (std::strlen(a.directory) + std::strlen(field) > kMaxPath) return Taken::kPassedOver;
  CopyText(memberPath, kPathBuffer, a.directory);
  AppendText(memberPath, kPathBuffer, field);
  if (!FileHoldsMember(a, memberPath, listingIndex)) {
    Trace("member not extracted %s\n", field);
    CopyText(memberPath, kPathBuffer, field);
    return Taken::kLeftOut;
  }
  record->size = RecordWord(a, kRecordSizeOffset, 4);
  record->date = static_cast<uint16_t>(RecordWord(a, kRecordDateOffset, 2));
  record->time = static_cast<uint16_t>(RecordWord(a, kRecordTimeOffset, 2));
  CopyText(record->name, sizeof record->name, memberPath);
  return Taken::kMember;
}

// From a member the library has just found, on to the first one the run
// is told of.
int TakeOrSkip(ArchiveState& a, int found, FindRecord* record, char* memberPath) {
  for (; found == 0; found = Entry<UnlhaFindNextCall>(a, kFindNext)(a.archive, a.memberRecord)) {
    switch (TakeMember(a, record, memberPath)) {
      case Taken::kMember: return kMemberFound;
      case Taken::kLeftOut: return kMemberLeftOut;
      case Taken::kPassedOver: break;
    }
  }
  return kNoMember;
}

// directory = root + the archive's name without extension + ArchiveDirName
// + backslash; false when that does not fit a path. A name that would make
// the directory a device (aux.lzh) gets a prefix.
bool FormExtractionDirectory(ArchiveState& a, const char* archivePath, char* directory) {
  char name[kPathPart];
  SplitPath(archivePath, nullptr, nullptr, name, nullptr);
  char formed[2 * kPathBuffer];
  CopyText(formed, sizeof formed, a.root);
  if (lzh::IsDeviceName(name, std::strlen(name))) AppendText(formed, sizeof formed, kDeviceNamePrefix);
  AppendText(formed, sizeof formed, name);
  ArchiveDirName(archivePath, formed, sizeof formed);
  if (AppendText(formed, sizeof formed, "\\") > kMaxPath) return false;
  CopyText(directory, kPathBuffer, formed);
  return true;
}

// Loads a library and binds all its entry points; a library that lacks
// one is unloaded and left unbound.
void Bind(ArchiveState& a, size_t library) {
  void* module = OsLoadLibrary(kLibraries[library].file);
  if (module == nullptr) return;
  BoundLibrary bound;
  bound.module = module;
  for (int i = 0; i < kEntryCount; ++i) {
    bound.entries[i] = OsGetSymbol(module, kLibraries[library].entries[i]);
    if (bound.entries[i] == nullptr) {
      OsFreeLibrary(module);
      return;
    }
  }
  a.libraries[library] = bound;
  a.current = library;
  Trace("%s version=%d\n", kLibraries[library].traceName, static_cast<int>(LibraryVersion(a, library)));
}

void Unbind(ArchiveState& a) {
  ForgetListingNames(a);
  for (BoundLibrary& bound : a.libraries)
    if (bound.module != nullptr) OsFreeLibrary(bound.module);
  a = ArchiveState{};
}

// root = base + separator (unless it has one) + "$ZANTO$.TMP", made
// absolute, so that it names the same directory whatever the current
// directory is later; false when it would not fit a path buffer.
bool FormRoot(const char* base, char* root) {
  char formed[kPathBuffer];
  CopyText(formed, sizeof formed, base);
  int last = LastChar(formed);
  bool hasSeparator = last == '/' || (last == '\\' && FindLastChar(formed, '\\') == formed + std::strlen(formed) - 1);
  if (!hasSeparator && AppendText(formed, sizeof formed, "\\") != std::strlen(base) + 1) return false;
  size_t before = std::strlen(formed);
  if (AppendText(formed, sizeof formed, kArchiveRootName) != before + sizeof kArchiveRootName - 1) return false;
  return OsFullPath(formed, root, kPathBuffer) && std::strlen(root) < kMaxPath;
}

}  // namespace

bool IsArchivePath(const char* path) { return LibraryFor(path) != kNoLibrary; }

size_t ArchiveLibraryCount() { return kLibraryCount; }

const char* ArchiveLibraryFile(size_t library) { return library < kLibraryCount ? kLibraries[library].file : ""; }

struct ArchiveSupport::State : ArchiveState {};

ArchiveSupport::ArchiveSupport() : state_(std::make_unique<State>()) {}

ArchiveSupport::~ArchiveSupport() { Shutdown(); }

bool ArchiveSupport::Init(const char* baseDirectory) {
  ArchiveState& a = *state_;
  Unbind(a);
  for (size_t library = 0; library < kLibraryCount; ++library) Bind(a, library);
  if (a.current == kNoLibrary) return false;
  char root[kPathBuffer];
  if (!FormRoot(baseDirectory, root)) {
    Unbind(a);
    return false;
  }
  OsCreateDirectory(root);  // an existing root is fine
  if (FileAccessible(root, 0) != 0) {
    Unbind(a);
    return false;
  }
  uint32_t attributes = 0;
  OsGetAttributes(root, &attributes);
  OsSetAttributes(root, attributes | kAttrHidden);
  std::memcpy(a.root, root, sizeof root);
  AppendText(a.root, sizeof a.root, "\\");
  a.ready = true;
  return true;
}

void ArchiveSupport::Shutdown() {
  ArchiveState& a = *state_;
  if (!a.ready) return;
  CloseArchiveListing(a);
  char root[kPathBuffer];
  std::memcpy(root, a.root, sizeof root);
  DropLastChar(root, 0);  // without its trailing backslash
  Unbind(a);
  OsSetAttributes(root, 0);
  RemoveTree(root);
  OsRemoveDirectory(root);
}

bool ArchiveSupport::Ready() const { return state_->ready; }

bool ArchiveSupport::ReadyFor(const char* archivePath) const {
  return state_->ready && LibraryBound(*state_, LibraryFor(archivePath));
}

unsigned ArchiveSupport::LibraryVersion(size_t library) const { return zanto::LibraryVersion(*state_, library); }

const char* ArchiveSupport::Root() const { return state_->root; }

int ArchiveSupport::Extract(void* owner, const char* archivePath, const char* memberList, FindRecord* record,
                            char* memberPath) {
  if (!ReadyFor(archivePath)) return kNoMember;
  ArchiveState& a = *state_;
  CloseArchiveListing(a);
  a.current = LibraryFor(archivePath);
  char wildcards[kWildcardBuffer];
  CopyText(wildcards, sizeof wildcards, memberList != nullptr ? memberList : "*.*");
  for (char* p = wildcards; *p != '\0'; p += SjisCharLength(p, 0)) {
    if (*p == ':') *p = ' ';
  }
  if (!FormExtractionDirectory(a, archivePath, a.directory)) return kNoMember;
  int length = std::snprintf(a.commandLine, sizeof a.commandLine, kCommandFormat, archivePath,
                             a.directory, wildcards);
  if (length < 0 || static_cast<size_t>(length) >= sizeof a.commandLine) return kNoMember;
  Trace("unlha %s\n", a.commandLine);
  // What the library reports is not looked at: the listing below says
  // which members there are.
  Entry<UnlhaCall>(a, kCommand)(owner, a.commandLine, a.output, kOutputBuffer);
  ReadListingNames(a, archivePath, wildcards);
  a.archive = Entry<UnlhaOpenArchiveCall>(a, kOpenArchive)(nullptr, archivePath, kOpenMode);
  if (a.archive == nullptr) return kNoMember;
  int found = Entry<UnlhaFindFirstCall>(a, kFindFirst)(a.archive, wildcards, a.memberRecord);
  return TakeOrSkip(a, found, record, memberPath);
}

int ArchiveSupport::NextMember(FindRecord* record, char* memberPath) {
  ArchiveState& a = *state_;
  if (!a.ready || a.archive == nullptr) return kNoMember;
  int found = Entry<UnlhaFindNextCall>(a, kFindNext)(a.archive, a.memberRecord);
  return TakeOrSkip(a, found, record, memberPath);
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
