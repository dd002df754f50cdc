// A fresh temporary directory per test, removed with everything in it.
#pragma once
#include <cstdint>
#include <string>

namespace zanto::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, ending in the platform's separator.
  const std::string& path() const { return path_; }
  // path() + name.
  std::string operator/(const std::string& name) const { return path_ + name; }
  // Writes bytes to path()/name (creating directories on the way).
  void Write(const std::string& name, const std::string& bytes) const;
  // Writes a file of size bytes that holds bytes at offset at and zero
  // bytes elsewhere. Only bytes is written; the file system keeps the
  // rest as holes (a sparse file), so that a file of several GiB costs
  // neither disk nor time to make.
  void WriteSparse(const std::string& name, uint64_t size, uint64_t at, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

// Creates an empty file through the program's own file calls, so that a
// double-byte name is taken in the program's code page. False on failure.
bool CreateEmptyFile(const std::string& path);

// Reads a whole file; empty when missing.
std::string ReadFileBytes(const std::string& path);

}  // namespace zanto::test
