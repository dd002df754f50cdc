#include "support/temp_dir.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/path.h"

namespace fs = std::filesystem;

namespace zanto::test {

namespace {
std::atomic<int> gCounter{0};
constexpr char kSep = fs::path::preferred_separator;
}

TempDir::TempDir() {
  static const unsigned stamp = static_cast<unsigned>(std::rand()) ^ static_cast<unsigned>(reinterpret_cast<uintptr_t>(&gCounter));
  fs::path p = fs::temp_directory_path() /
               ("zanto-test-" + std::to_string(stamp) + "-" + std::to_string(gCounter++));
  fs::create_directories(p);
  path_ = p.string();
  if (path_.back() != kSep) path_ += kSep;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Clear read-only files first so removal succeeds on Windows too.
  for (auto& entry : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  fs::path p = fs::path(path_) / name;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::WriteSparse(const std::string& name, uint64_t size, uint64_t at, const std::string& bytes) const {
  const fs::path p = fs::path(path_) / name;
  {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  fs::resize_file(p, size);
}

std::string TempDir::Read(const std::string& name) const { return ReadFileBytes(path_ + name); }

bool TempDir::Exists(const std::string& name) const { return fs::exists(fs::path(path_) / name); }

bool CreateEmptyFile(const std::string& path) {
  const intptr_t file = OpenRawFile(path.c_str(), kOpenWrite | kShareNone | kOpenCreate);
  return file >= 0 && CloseRawFile(file) == 0;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace zanto::test
