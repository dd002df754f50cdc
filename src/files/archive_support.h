// The archive library (UNLHA32.DLL), bound once at start-up and released at
// exit, and the hidden extraction root "$ZANTO$.TMP" that lives while the
// program runs. Archive search is simply off when the library or any of its
// entry points is missing.
#pragma once
#include <cstddef>

#include "files/os.h"

namespace zanto {

// The extraction root's name; the directory walk never enters it, since
// its contents are not the user's files.
constexpr char kArchiveRootName[] = "$ZANTO$.TMP";

// Loads the library, binds its six entry points and creates the extraction
// root below baseDirectory. 1 when archive search is available, else 0
// (nothing stays loaded).
int InitArchiveSupport(const char* baseDirectory);
// Unloads the library and removes the extraction root with everything in it.
// Does nothing unless InitArchiveSupport returned 1.
void ShutdownArchiveSupport();
// Whether InitArchiveSupport succeeded.
bool ArchiveSupportReady();
// The library's version (hundreds = major), 0 when it is not bound.
unsigned ArchiveLibraryVersion();
// The extraction root with its trailing backslash; empty when not ready.
const char* ArchiveRoot();
// ExtractArchive and NextArchiveMember results.
enum : int {
  kMemberFound = 0,    // record and memberPath describe the next member
  kMemberLeftOut = 1,  // the next member is not searched: no file holds it
  kNoMember = -1,      // nothing (more) to search in the archive
};

// Has the library extract the members of archivePath that memberList names
// (its colons separate wildcards; null means every member) into the
// archive's own directory below the root, then looks up the first of them.
// owner is the window the library may show its own windows over, or null.
// On kMemberFound, record (a copy of the archive's entry) carries the
// member's date, time and size and its extracted path as name, and
// memberPath (kPathBuffer bytes) the extracted path. A member whose path
// would leave the extraction directory, names a device, or does not fit a
// path, is passed over. A member whose extracted file does not hold it
// (missing, of another size, a folder, or written over by a later member
// of the same name in any letter case) is kMemberLeftOut, with memberPath
// naming it inside the archive; record is not changed then.
int ExtractArchive(void* owner, const char* archivePath, const char* memberList, FindRecord* record,
                   char* memberPath);
// The next member of the archive ExtractArchive opened, filled as there.
int NextArchiveMember(FindRecord* record, char* memberPath);
// Appends to dirText (capacity bytes) the suffix ".%08lX" that tells the
// directories of same-named archives apart: it depends on the archive's
// absolute path (upper-cased) and time stamp. Appends nothing when the
// absolute path cannot be had.
void ArchiveDirName(const char* archivePath, char* dirText, size_t capacity);
// Deletes every file and directory below dir. Entries that cannot be
// deleted (read-only files) stay, and so do their directories.
void RemoveTree(const char* dir);

}  // namespace zanto
