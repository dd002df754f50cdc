// The archive libraries' member record, as their FindFirst and FindNext
// fill it. The program reads the size at 0, the DOS date at 22, the DOS
// time at 24 and the path at 26; the rest belongs to the library.
#pragma once
#include <windows.h>

#include <cstddef>

constexpr size_t kRecordPathBytes = 513;

#pragma pack(push, 1)
struct MemberRecord {
  DWORD originalSize;
  DWORD compressedSize;
  DWORD crc;
  UINT flag;
  UINT osType;
  WORD ratio;
  WORD date;
  WORD time;
  char fileName[kRecordPathBytes];
  char reserved[3];
  char attribute[8];
  char mode[8];
};
#pragma pack(pop)
static_assert(offsetof(MemberRecord, date) == 22 && offsetof(MemberRecord, time) == 24 &&
              offsetof(MemberRecord, fileName) == 26);
