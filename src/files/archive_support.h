// The archive libraries (UNLHA32.DLL for .LZH, KZZIP32.DLL for .ZIP, chosen
// by the archive's extension), bound once at start-up and released at exit,
// and the hidden extraction root "$ZANTO$.TMP" that lives while the program
// runs. An archive's search is simply off when its library or any of that
// library's entry points is missing.
#pragma once
#include <cstddef>
#include <memory>

#include "files/os.h"

namespace zanto {

// The extraction root's name; the directory walk never enters it, since
// its contents are not the user's files.
constexpr char kArchiveRootName[] = "$ZANTO$.TMP";

// ArchiveSupport::Extract and NextMember results.
enum : int {
  kMemberFound = 0,    // record and memberPath describe the next member
  kMemberLeftOut = 1,  // the next member is not searched: no file holds it
  kNoMember = -1,      // nothing (more) to search in the archive
};

// Whether path's extension names an archive some library reads.
bool IsArchivePath(const char* path);
// The libraries, in a fixed order (UNLHA32.DLL first): how many, and the
// file name of each.
size_t ArchiveLibraryCount();
const char* ArchiveLibraryFile(size_t library);

// The bound libraries and the extraction root. The program holds one from
// start-up to exit; it is too large for the stack.
class ArchiveSupport {
 public:
  ArchiveSupport();
  ArchiveSupport(const ArchiveSupport&) = delete;
  ArchiveSupport& operator=(const ArchiveSupport&) = delete;
  ~ArchiveSupport();  // shuts down

  // Loads the libraries, binds the six entry points of each and creates
  // the extraction root below baseDirectory. True when archive search is
  // available for some archives (else nothing stays loaded).
  bool Init(const char* baseDirectory);
  // Unloads the libraries and removes the extraction root with everything
  // in it. Does nothing unless Init succeeded.
  void Shutdown();
  // Whether Init succeeded.
  bool Ready() const;
  // Whether the library for this archive (by its extension) is bound.
  bool ReadyFor(const char* archivePath) const;
  // A library's version (hundreds = major), 0 when it is not bound.
  unsigned LibraryVersion(size_t library = 0) const;
  // The extraction root with its trailing backslash; empty when not ready.
  const char* Root() const;

  // Has the library extract the members of archivePath that memberList
  // names (its colons separate wildcards; null means every member) into the
  // archive's own directory below the root, then looks up the first of
  // them. owner is the window the library may show its own windows over, or
  // null. On kMemberFound, record (a copy of the archive's entry) carries
  // the member's date, time and size and its extracted path as name, and
  // memberPath (kPathBuffer bytes) the extracted path. A member whose path
  // would leave the extraction directory, names a device, or does not fit
  // a path, is passed over. A member whose extracted file does not hold it
  // (missing, of another size, a folder, or written over by a later member
  // of the same name in any letter case) is kMemberLeftOut, with memberPath
  // naming it inside the archive; record is not changed then.
  int Extract(void* owner, const char* archivePath, const char* memberList, FindRecord* record, char* memberPath);
  // The next member of the archive Extract opened, filled as there.
  int NextMember(FindRecord* record, char* memberPath);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Appends to dirText (capacity bytes) the suffix ".%08lX" that tells the
// directories of same-named archives apart: it depends on the archive's
// absolute path (upper-cased) and time stamp. Appends nothing when the
// absolute path cannot be had.
void ArchiveDirName(const char* archivePath, char* dirText, size_t capacity);
// Deletes every file and directory below dir. Entries that cannot be
// deleted (read-only files) stay, and so do their directories.
void RemoveTree(const char* dir);

}  // namespace zanto
