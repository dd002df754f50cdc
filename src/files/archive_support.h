// The archive libraries (UNLHA32.DLL for .LZH, KZZIP32.DLL for .ZIP, chosen
// by the archive's extension), bound once at start-up and released at exit,
// and the hidden extraction root "$ZANTO$.TMP" that lives while the program
// runs. An archive's search is simply off when its library or any of that
// library's entry points is missing.
#pragma once
#include <cstddef>

#include "files/os.h"

namespace zanto {

// The extraction root's name; the directory walk never enters it, since
// its contents are not the user's files.
constexpr char kArchiveRootName[] = "$ZANTO$.TMP";

// Loads the libraries, binds the six entry points of each and creates the
// extraction root below baseDirectory. 1 when archive search is available
// for some archives, else 0 (nothing stays loaded).
int InitArchiveSupport(const char* baseDirectory);
// Unloads the library and removes the extraction root with everything in it.
// Does nothing unless InitArchiveSupport returned 1.
void ShutdownArchiveSupport();
// Whether InitArchiveSupport succeeded.
bool ArchiveSupportReady();
// Whether path's extension names an archive some library reads.
bool IsArchivePath(const char* path);
// Whether the library for this archive (by its extension) is bound.
bool ArchiveSupportReady(const char* archivePath);
// The libraries, in a fixed order (UNLHA32.DLL first): how many, the
// file name of each, and its version (hundreds = major), 0 when it is not
// bound.
size_t ArchiveLibraryCount();
const char* ArchiveLibraryFile(size_t library);
unsigned ArchiveLibraryVersion(size_t library = 0);
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
