// The OS layer of the program: thin wrappers over the Win32 calls. This is
// the only engine file that includes <windows.h>.
#include <windows.h>

#include <cstring>

#include "files/lzh/lzh.h"
#include "files/os.h"

namespace zanto {

namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Copies a text the platform returned into out; false when it does not fit.
bool CopyResult(const char* text, DWORD length, char* out, size_t capacity) {
  if (length == 0 || length >= capacity) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

void FillEntry(const WIN32_FIND_DATAA& data, OsDirEntry* entry) {
  entry->attributes = data.dwFileAttributes;
  FILETIME local;
  WORD dosDate = 0, dosTime = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
    dosDate = (1 << 5) | 1;  // 1980-01-01
    dosTime = 0;
  }
  entry->dosDate = dosDate;
  entry->dosTime = dosTime;
  entry->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  size_t len = strnlen(data.cFileName, kNameBuffer - 1);
  std::memcpy(entry->name, data.cFileName, len);
  entry->name[len] = '\0';
}

uint64_t FromFileTime(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

FILETIME ToFileTime(uint64_t value) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(value);
  t.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return t;
}

DWORD AccessOf(unsigned mode) {
  switch (mode & 0x3) {
    case 0: return GENERIC_READ;
    case 1: return GENERIC_WRITE;
    default: return GENERIC_READ | GENERIC_WRITE;
  }
}

DWORD SharingOf(unsigned mode) {
  switch (mode & 0x70) {
    case 0x10: return 0;
    case 0x20: return FILE_SHARE_READ;
    case 0x30: return FILE_SHARE_WRITE;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}

// Opens a file or directory only to read or write its times.
HANDLE OpenForTimes(const char* path, DWORD access) {
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

void* OsFindOpen(const char* pattern, OsDirEntry* first) {
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(pattern, &data);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  FillEntry(data, first);
  return handle;
}

bool OsFindNextEntry(void* handle, OsDirEntry* entry) {
  WIN32_FIND_DATAA data;
  if (handle == nullptr || !FindNextFileA(static_cast<HANDLE>(handle), &data)) return false;
  FillEntry(data, entry);
  return true;
}

void OsFindClose(void* handle) {
  if (handle != nullptr) FindClose(static_cast<HANDLE>(handle));
}

bool OsFullPath(const char* path, char* out, size_t capacity) {
  char buffer[kPathBuffer];
  char* filePart = nullptr;
  DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, &filePart);
  return CopyResult(buffer, length, out, capacity);
}

bool OsSearchPath(const char* name, char* out, size_t capacity) {
  char buffer[kPathBuffer];
  char* filePart = nullptr;
  DWORD length = SearchPathA(nullptr, name, nullptr, sizeof buffer, buffer, &filePart);
  return CopyResult(buffer, length, out, capacity);
}

intptr_t OsOpenFile(const char* path, unsigned mode) {
  DWORD creation = (mode & 0x1000) != 0 ? CREATE_ALWAYS : OPEN_EXISTING;
  const DWORD access = AccessOf(mode);
  // A name such as aux.txt or CON opens a device whatever folder it
  // stands in, and reading a serial port or the console waits for ever: such
  // a name is never opened for reading. (Writing stays open to devices: NUL
  // as the output file discards the result.) The name decides, not the
  // opened handle: asking the handle its type makes Wine mark the file read.
  if ((access & GENERIC_WRITE) == 0 && lzh::EndsInDeviceName(path)) return -1;
  HANDLE handle = CreateFileA(path, access, SharingOf(mode), nullptr, creation, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(handle);
}

int OsCloseFile(intptr_t handle) { return CloseHandle(AsHandle(handle)) ? 0 : -1; }

long OsReadFile(intptr_t handle, void* buffer, unsigned long count) {
  DWORD done = 0;
  if (!ReadFile(AsHandle(handle), buffer, count, &done, nullptr)) return -1;
  return static_cast<long>(done);
}

long OsWriteFile(intptr_t handle, const void* buffer, unsigned long count) {
  DWORD done = 0;
  if (!WriteFile(AsHandle(handle), buffer, count, &done, nullptr)) return -1;
  return static_cast<long>(done);
}

// The distance goes in two halves, so that every system moves past 4 GiB;
// a low half of all ones is an error only when the system says so.
int64_t OsSeekFile(intptr_t handle, int64_t distance, int origin) {
  DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
  LONG high = static_cast<LONG>(distance >> 32);
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(AsHandle(handle), static_cast<LONG>(static_cast<uint32_t>(distance)), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}

// Directories pass every access test; the read-only bit of a file refuses
// writing.
bool OsAccess(const char* path, int mode) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return !((mode & 2) != 0 && !directory && readOnly);
}

bool OsRename(const char* from, const char* to) { return MoveFileA(from, to) != 0; }

bool OsDelete(const char* path) { return DeleteFileA(path) != 0; }

bool OsGetAttributes(const char* path, uint32_t* attributes) {
  DWORD value = GetFileAttributesA(path);
  if (value == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = value;
  return true;
}

bool OsSetAttributes(const char* path, uint32_t attributes) { return SetFileAttributesA(path, attributes) != 0; }

bool OsCreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool OsRemoveDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

bool OsGetCurrentDirectory(char* out, size_t capacity) {
  char buffer[kPathBuffer];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return CopyResult(buffer, length, out, capacity);
}

bool OsSetCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool OsTempPath(char* out, size_t capacity) {
  char buffer[kPathBuffer];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  return CopyResult(buffer, length, out, capacity);
}

bool OsGetFileTimes(const char* path, OsFileTimes* times) {
  HANDLE handle = OpenForTimes(path, GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) handle = OpenForTimes(path, 0);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILETIME creation, access, write;
  bool ok = GetFileTime(handle, &creation, &access, &write) != 0;
  CloseHandle(handle);
  if (!ok) return false;
  times->creation = FromFileTime(creation);
  times->lastAccess = FromFileTime(access);
  times->lastWrite = FromFileTime(write);
  return true;
}

bool OsGetOpenFileTimes(intptr_t handle, OsFileTimes* times) {
  FILETIME creation, access, write;
  if (!GetFileTime(AsHandle(handle), &creation, &access, &write)) return false;
  times->creation = FromFileTime(creation);
  times->lastAccess = FromFileTime(access);
  times->lastWrite = FromFileTime(write);
  return true;
}

// Attribute-writing access suffices on NT and works on read-only files; the
// older systems only know generic write access.
bool OsSetLastAccessTime(const char* path, uint64_t lastAccess) {
  HANDLE handle = OpenForTimes(path, FILE_WRITE_ATTRIBUTES);
  if (handle == INVALID_HANDLE_VALUE) handle = OpenForTimes(path, GENERIC_WRITE);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILETIME access = ToFileTime(lastAccess);
  bool ok = SetFileTime(handle, nullptr, &access, nullptr) != 0;
  CloseHandle(handle);
  return ok;
}

// Systems without attribute-writing access, and files it is refused on, are
// read as before and have their time put back by path.
intptr_t OsOpenFileToScan(const char* path, bool* timesWritable) {
  constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  *timesWritable = false;
  if (lzh::EndsInDeviceName(path)) return -1;  // as OsOpenFile
  HANDLE handle = CreateFileA(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, kSharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
  *timesWritable = handle != INVALID_HANDLE_VALUE;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = CreateFileA(path, GENERIC_READ, kSharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  }
  return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(handle);
}

bool OsSetOpenFileAccessTime(intptr_t handle, uint64_t lastAccess) {
  FILETIME access = ToFileTime(lastAccess);
  return SetFileTime(AsHandle(handle), nullptr, &access, nullptr) != 0;
}

void* OsLoadLibrary(const char* name) { return reinterpret_cast<void*>(LoadLibraryA(name)); }

void* OsGetSymbol(void* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void OsFreeLibrary(void* library) {
  if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

uint32_t OsTickCount() { return GetTickCount(); }

}  // namespace zanto
