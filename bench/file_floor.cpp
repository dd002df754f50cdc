// What any Windows program pays to read a tree of files where it runs:
// lists every directory once, then opens, reads to the end (256 KB at a
// time, as the search reads) and closes every file, and does nothing else.
// bench/run times it under Wine beside the program's search of the same
// tree.
//
//   file_floor DIRECTORY     prints "FILES BYTES SECONDS" (start-up not counted)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kReadPiece = 256 * 1024;

void ListTree(const std::string& dir, std::vector<std::string>* files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListTree(dir + "\\" + name, files);
    } else {
      files->push_back(dir + "\\" + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: file_floor DIRECTORY\n");
    return 2;
  }
  static char buffer[kReadPiece];
  const double start = Now();
  std::vector<std::string> files;
  ListTree(argv[1], &files);
  unsigned long long bytes = 0;
  for (const std::string& path : files) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD got = 0;
    while (ReadFile(file, buffer, kReadPiece, &got, nullptr) && got > 0) bytes += got;
    CloseHandle(file);
  }
  std::printf("%zu %llu %.3f\n", files.size(), bytes, Now() - start);
  return 0;
}
