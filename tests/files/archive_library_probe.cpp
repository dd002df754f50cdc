// A library with the archive library's six entry points that extracts
// nothing and lists a fixed set of members, hostile paths among them, so
// that binding, the extraction root and the program's own checks on member
// paths can be tested.
#include <windows.h>

#include <cstring>

#include "../../outside/unlha32/member_record.h"

namespace {

struct Listed {
  const char* path;  // null: a path that fills its whole field without an end
  WORD date, time;
  DWORD size;
};
const char kLongPath[] =
    "long\\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.txt";
const Listed kMembers[] = {
    {"\\first.txt", 0x279F, 0xBF7D, 11},
    {"..\\up.txt", 1, 2, 3},
    {"/rooted/../../up2.txt", 1, 2, 3},
    {"\\\\server\\share.txt", 1, 2, 3},
    {"C:\\drive.txt", 1, 2, 3},
    {"sub\\\x95\x5C.txt", 0x3D4A, 0x5145, 2307},
    {nullptr, 1, 2, 3},
    {kLongPath, 1, 2, 3},
    {"last.doc", 1, 2, 0},
};
constexpr int kMemberCount = sizeof kMembers / sizeof kMembers[0];
int gNext = 0;
char gArchive;  // the one handle handed out

int Fill(void* record) {
  if (gNext >= kMemberCount) return -1;
  const Listed& m = kMembers[gNext++];
  auto* r = static_cast<MemberRecord*>(record);
  std::memset(r, 0, sizeof *r);
  r->originalSize = m.size;
  r->date = m.date;
  r->time = m.time;
  if (m.path != nullptr) {
    std::strcpy(r->fileName, m.path);
  } else {
    std::memset(r->fileName, 'n', sizeof r->fileName);
    std::memset(r->reserved, 'n', sizeof r->reserved);
  }
  return 0;
}

}  // namespace

extern "C" {
__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return 261; }
__declspec(dllexport) int WINAPI Unlha(HWND, LPCSTR, LPSTR, DWORD) { return 0; }
__declspec(dllexport) HANDLE WINAPI UnlhaOpenArchive(HWND, LPCSTR, DWORD) { return &gArchive; }
__declspec(dllexport) int WINAPI UnlhaCloseArchive(HANDLE) { return 0; }
__declspec(dllexport) int WINAPI UnlhaFindFirst(HANDLE, LPCSTR, void* record) {
  gNext = 0;
  return Fill(record);
}
__declspec(dllexport) int WINAPI UnlhaFindNext(HANDLE, void* record) { return Fill(record); }
}
