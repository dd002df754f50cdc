// The OS layer: every operating-system call the engine makes goes through
// these functions. os_win32.cpp is the product; os_posix.cpp lets the engine
// run natively on Linux for tests, sanitizers, fuzzers and benchmarks.
// No platform type crosses this header.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/bounds.h"

namespace zanto {

// File attribute bits, as the platform numbers them.
enum : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrReparsePoint = 0x400,  // a link to elsewhere (symbolic link, junction)
};

// One entry of a directory search. The handle belongs to the search that
// filled the record; several records may search at the same time.
struct FindRecord {
  uint32_t attributes = 0;   // attribute bits of the entry
  uint16_t time = 0;         // last write, DOS time, local
  uint16_t date = 0;         // last write, DOS date, local
  int64_t size = 0;          // bytes, the whole size (files pass 4 GiB)
  char name[kNameBuffer] = {};  // entry name without directory
  void* osHandle = nullptr;  // open platform search, or null
};

// Raw directory entry as the platform reports it, before attribute masking.
struct OsDirEntry {
  uint32_t attributes;
  uint16_t dosTime;
  uint16_t dosDate;
  uint64_t size;
  char name[kNameBuffer];
};

// Directory search with platform wildcards (letter case ignored, "*.*"
// matches every name). OsFindOpen returns null when nothing matches and
// fills the first entry otherwise; OsFindNextEntry returns false at the end.
void* OsFindOpen(const char* pattern, OsDirEntry* first);
bool OsFindNextEntry(void* handle, OsDirEntry* entry);
void OsFindClose(void* handle);

// Absolute form of a path into out (capacity bytes). False on failure.
bool OsFullPath(const char* path, char* out, size_t capacity);
// Looks a bare file name up along the platform's search path.
bool OsSearchPath(const char* name, char* out, size_t capacity);

// Raw files. Mode bits as OpenRawFile documents them. Offsets are 64-bit:
// files pass 4 GiB.
intptr_t OsOpenFile(const char* path, unsigned mode);
int OsCloseFile(intptr_t handle);
long OsReadFile(intptr_t handle, void* buffer, unsigned long count);
long OsWriteFile(intptr_t handle, const void* buffer, unsigned long count);
// The new offset, or -1. Origin: 0 set, 1 cur, 2 end.
int64_t OsSeekFile(intptr_t handle, int64_t distance, int origin);

// Access modes for OsAccess: 0 exists, 2 writable, 4 readable, 6 both.
bool OsAccess(const char* path, int mode);
bool OsRename(const char* from, const char* to);
bool OsDelete(const char* path);
bool OsGetAttributes(const char* path, uint32_t* attributes);
bool OsSetAttributes(const char* path, uint32_t attributes);
bool OsCreateDirectory(const char* path);
bool OsRemoveDirectory(const char* path);
bool OsGetCurrentDirectory(char* out, size_t capacity);
bool OsSetCurrentDirectory(const char* path);
bool OsTempPath(char* out, size_t capacity);  // ends in a separator

// File times as opaque 64-bit values: read before a scan, restored after it
// so that searching does not change the last-access time.
struct OsFileTimes {
  uint64_t creation, lastAccess, lastWrite;
};
bool OsGetFileTimes(const char* path, OsFileTimes* times);
// The same for a file open through OsOpenFile, without opening it again.
bool OsGetOpenFileTimes(intptr_t handle, OsFileTimes* times);
bool OsSetLastAccessTime(const char* path, uint64_t lastAccess);
// Opens a file to be read, every sharing allowed, with the right to put
// back its times through the same handle where the system grants it
// (*timesWritable): a scan then restores the access time it moved without
// opening the file a second time. -1 when the file cannot be read.
intptr_t OsOpenFileToScan(const char* path, bool* timesWritable);
// Sets the last-access time through a handle that OsOpenFileToScan opened
// with that right.
bool OsSetOpenFileAccessTime(intptr_t handle, uint64_t lastAccess);

// Run-time libraries. Null when missing.
void* OsLoadLibrary(const char* name);
void* OsGetSymbol(void* library, const char* name);
void OsFreeLibrary(void* library);

// Milliseconds since some fixed start, for progress pacing.
uint32_t OsTickCount();

}  // namespace zanto
