// Path and file helpers shared by the whole program. Paths are Shift_JIS
// texts of at most 260 bytes in buffers of kPathBuffer bytes; both "\" and
// "/" are separators on input, "\" on output. Every search for a single-byte
// character steps over double-byte characters. Nothing here shows a message:
// results report failure.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/sjis.h"
#include "files/os.h"

namespace zanto {

constexpr size_t kPathPart = 256;  // one part of SplitPath: 255 bytes + NUL
constexpr size_t kDriveBuffer = 3; // the drive part: "C:" + NUL

// Splits a path into drive ("C:" or empty), directory (with its final
// separator), name and extension (with its dot). A null output is skipped;
// outputs are kPathPart bytes except drive (kDriveBuffer bytes).
void SplitPath(const char* path, char* drive, char* dir, char* name, char* ext);
// Joins parts; a directory gets a final "\" unless it has one, an extension
// gets a leading dot unless it has one. out holds kPathBuffer bytes.
void MergePath(char* out, const char* drive, const char* dir, const char* name, const char* ext);
// Makes path (kPathBuffer bytes) absolute with "\" separators.
// 0 on success; 1 if the platform call failed (slashes converted anyway).
int NormalizePath(char* path);
// Appends "\" unless the path ends in a real backslash.
void EnsureTrailingSeparator(char* path);
// First / last occurrence of a single-byte character, or null.
char* FindChar(const char* text, int c);
char* FindLastChar(const char* text, int c);
void SlashesToBackslashes(char* text);
void BackslashesToSlashes(char* text);
// The last byte of a text, 0 when empty.
int LastChar(const char* text);
// Overwrites the last byte with c (0 removes it); returns the new last index
// (-1 for an empty text).
int DropLastChar(char* text, int c);
// Inserts prefix in front of text, in place; text holds capacity bytes and
// the result is cut there at a character boundary.
void PrependText(char* text, size_t capacity, const char* prefix);

// Directory search with the attribute-mask rule: an entry with none of
// hidden, system, directory always matches; otherwise the mask must share
// one of those bits. 0 and the record filled, or -1.
int FindFirst(const char* pattern, FindRecord* record, uint32_t mask);
int FindNext(FindRecord* record);
// Releases the record's search if it is still open.
void FindEnd(FindRecord* record);

// Appends a free "~~KZW%03X.$$$" name to dir (a buffer of kPathBuffer bytes).
// False, with dir unchanged, when the name does not fit behind dir.
bool MakeTempName(char* dir);
// path with its extension replaced by ".BAK", into out (kPathBuffer bytes).
void MakeBackupName(const char* path, char* out);

// OpenRawFile mode bits.
enum : unsigned {
  kOpenRead = 0x0,
  kOpenWrite = 0x1,
  kOpenReadWrite = 0x2,
  kShareNone = 0x10,
  kShareRead = 0x20,
  kShareWrite = 0x30,
  kShareAll = 0x40,
  kOpenCreate = 0x1000,
};
intptr_t OpenRawFile(const char* name, unsigned mode);  // negative on failure
int CloseRawFile(intptr_t handle);
long ReadRawFile(intptr_t handle, void* buffer, unsigned long count);
long WriteRawFile(intptr_t handle, const void* buffer, unsigned long count);
int64_t SeekRawFile(intptr_t handle, int64_t distance, int origin);  // the new offset, or -1
// 0 if the path exists with the access (0 exists, 2 write, 4 read, 6 both).
int FileAccessible(const char* path, int mode);
int RenamePath(const char* from, const char* to);  // 0 on success
int DeletePath(const char* path);                  // 0 on success
// -1 if missing, 0 when deleted (clearing read-only if needed), else non-zero.
int ForceDeleteFile(const char* path);

}  // namespace zanto
