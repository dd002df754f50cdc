// An archive library as the program binds it, for the library tests: loaded
// by path, its six entry points by name, the member record read at the
// program's offsets; and the Win32 file helpers those tests share.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace zanto::test {

using VersionFn = WORD(WINAPI*)();
using CommandFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using OpenFn = HANDLE(WINAPI*)(HWND, LPCSTR, DWORD);
using CloseFn = int(WINAPI*)(HANDLE);
using FirstFn = int(WINAPI*)(HANDLE, LPCSTR, void*);
using NextFn = int(WINAPI*)(HANDLE, void*);

constexpr DWORD kOutputSize = 61440;
constexpr DWORD kOpenMode = 0x2200;
constexpr size_t kRecordSize = 600;

// Build paths are host paths; Wine sees the host's root as drive Z:.
inline std::string HostPath(const char* path) {
  std::string p = std::string("Z:") + path;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

// Through the ANSI calls, as the program does, so that Shift_JIS names are
// taken in the program's code page.
inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadAnsi(const std::string& path) {
  std::string bytes;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
}

template <typename Fn>
Fn Bind(HMODULE module, const std::string& name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
}

// prefix: "Unlha" binds UnlhaGetVersion, Unlha, UnlhaOpenArchive, ...
struct Library {
  Library(const char* dll, const std::string& prefix) {
    module = LoadLibraryA(HostPath(dll).c_str());
    if (!module) return;
    version = Bind<VersionFn>(module, prefix + "GetVersion");
    command = Bind<CommandFn>(module, prefix);
    open = Bind<OpenFn>(module, prefix + "OpenArchive");
    close = Bind<CloseFn>(module, prefix + "CloseArchive");
    first = Bind<FirstFn>(module, prefix + "FindFirst");
    next = Bind<NextFn>(module, prefix + "FindNext");
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  bool Complete() const { return module && version && command && open && close && first && next; }
  HMODULE module = nullptr;
  VersionFn version = nullptr;
  CommandFn command = nullptr;
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  FirstFn first = nullptr;
  NextFn next = nullptr;
};

struct Listed {
  std::string path;
  DWORD size;
  WORD date, time;
  bool operator==(const Listed&) const = default;
};

inline std::vector<Listed> List(const Library& lib, const std::string& archive, const char* wildcards) {
  std::vector<Listed> out;
  HANDLE h = lib.open(nullptr, archive.c_str(), kOpenMode);
  if (!h) return out;
  unsigned char record[kRecordSize];
  std::memset(record, 0xCC, sizeof record);
  for (int r = lib.first(h, wildcards, record); r == 0; r = lib.next(h, record)) {
    Listed l;
    std::memcpy(&l.size, record, 4);
    std::memcpy(&l.date, record + 22, 2);
    std::memcpy(&l.time, record + 24, 2);
    l.path = reinterpret_cast<const char*>(record + 26);
    out.push_back(l);
  }
  lib.close(h);
  return out;
}

// Every file below folder (relative paths), folders left out.
inline void CollectFiles(const std::string& folder, const std::string& relative, std::vector<std::string>* out) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(folder, relative + name + "\\", out);
    } else {
      out->push_back(relative + name);
    }
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

}  // namespace zanto::test
