// A library with the archive library's six entry points that lists a fixed
// set of members, hostile paths among them, and extracts as a library that
// knows no better would: every member it writes at its listed path, a later
// one of the same name over an earlier one. So binding, the extraction root
// and the program's own checks on members can be tested.
#include <windows.h>

#include <cstring>
#include <string>

#include "../../outside/archive_shell/member_record.h"

namespace {

constexpr long kNotWritten = -1;

struct Listed {
  const char* path;  // null: a path that fills its whole field without an end
  WORD date, time;
  DWORD size;
  long written;  // bytes written at the path, or kNotWritten
};
const char kLongPath[] =
    "long\\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.txt";
const Listed kMembers[] = {
    {"\\first.txt", 0x279F, 0xBF7D, 11, 11},
    {"..\\up.txt", 1, 2, 3, kNotWritten},
    {"/rooted/../../up2.txt", 1, 2, 3, kNotWritten},
    {"\\\\server\\share.txt", 1, 2, 3, kNotWritten},
    {"C:\\drive.txt", 1, 2, 3, kNotWritten},
    {"sub\\\x95\x5C.txt", 0x3D4A, 0x5145, 2307, 2307},
    {"drivers\\aux.c", 1, 2, 3, kNotWritten},
    {nullptr, 1, 2, 3, kNotWritten},
    {kLongPath, 1, 2, 3, kNotWritten},
    {"last.doc", 1, 2, 0, 0},
};
// Chosen by wildcards that name "dup": members whose files do not hold them.
const Listed kClashing[] = {
    {"dup.txt", 1, 2, 5, 5},        // overwritten by the next
    {"DUP.TXT", 3, 4, 7, 7},
    {"short.txt", 1, 2, 9, 4},      // cut short
    {"absent.txt", 1, 2, 3, kNotWritten},
    {"folder", 1, 2, 0, kNotWritten},  // a folder stands there
    {"folder\\in.txt", 1, 2, 2, 2},
    {"good.txt", 5, 6, 2, 2},
};

const Listed* gSet = kMembers;
int gCount = 0;
int gNext = 0;
char gArchive;  // the one handle handed out

void Choose(const char* wildcards) {
  bool clashing = wildcards != nullptr && std::strstr(wildcards, "dup") != nullptr;
  gSet = clashing ? kClashing : kMembers;
  gCount = clashing ? sizeof kClashing / sizeof kClashing[0] : sizeof kMembers / sizeof kMembers[0];
}

int Fill(void* record) {
  if (gNext >= gCount) return -1;
  const Listed& m = gSet[gNext++];
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

void WriteMember(const std::string& folder, const Listed& m) {
  std::string path = folder + (m.path[0] == '\\' ? m.path + 1 : m.path);
  for (size_t i = folder.size(); i < path.size(); ++i)
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  std::string bytes(static_cast<size_t>(m.written), 'p');
  DWORD done = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(f);
}

}  // namespace

extern "C" {
__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return 261; }
// "x -jf0 \"archive\" \"folder\\\" wildcards"
__declspec(dllexport) int WINAPI Unlha(HWND, LPCSTR command, LPSTR, DWORD) {
  std::string text = command;
  size_t q[4], at = 0;
  for (size_t& p : q) {
    p = text.find('"', at);
    if (p == std::string::npos) return 1;
    at = p + 1;
  }
  const std::string folder = text.substr(q[2] + 1, q[3] - q[2] - 1);
  Choose(text.c_str() + q[3]);
  CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
  for (int i = 0; i < gCount; ++i)
    if (gSet[i].written != kNotWritten) WriteMember(folder, gSet[i]);
  return 0;
}
__declspec(dllexport) HANDLE WINAPI UnlhaOpenArchive(HWND, LPCSTR, DWORD) { return &gArchive; }
__declspec(dllexport) int WINAPI UnlhaCloseArchive(HANDLE) { return 0; }
__declspec(dllexport) int WINAPI UnlhaFindFirst(HANDLE, LPCSTR wildcards, void* record) {
  Choose(wildcards);
  gNext = 0;
  return Fill(record);
}
__declspec(dllexport) int WINAPI UnlhaFindNext(HANDLE, void* record) { return Fill(record); }
}
