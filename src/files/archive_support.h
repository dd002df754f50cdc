// The archive library (UNLHA32.DLL), bound once at start-up and released at
// exit, and the hidden extraction root "$ZANTO$.TMP" that lives while the
// program runs. Archive search is simply off when the library or any of its
// entry points is missing.
#pragma once

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
// Deletes every file and directory below dir. Entries that cannot be
// deleted (read-only files) stay, and so do their directories.
void RemoveTree(const char* dir);

}  // namespace zanto
