// What the fuzz targets that read real files share: one private directory
// per fuzzing process, made at first use and removed when the process ends,
// and whole-file writes and reads in it. The engine reads the files through
// its own OS layer, as it does in the program.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

inline const char* ScratchDir() {
  // Plain storage: the exit handler runs after static strings are gone.
  static char dir[] = "/dev/shm/zanto-fuzz-XXXXXX/";
  static const bool made = [] {
    dir[sizeof dir - 2] = '\0';
    if (mkdtemp(dir) == nullptr) std::abort();
    std::atexit([] {
      char command[sizeof dir + 16];
      std::snprintf(command, sizeof command, "rm -rf '%s'", dir);
      if (std::system(command) != 0) std::fprintf(stderr, "scratch directory left behind\n");
    });
    dir[sizeof dir - 2] = '/';
    return true;
  }();
  (void)made;
  return dir;
}

inline std::string ScratchPath(const char* name) { return std::string(ScratchDir()) + name; }

inline void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  if (std::fclose(file) != 0) std::abort();
}

inline std::string ReadFile(const std::string& path) {
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

}  // namespace fuzz
