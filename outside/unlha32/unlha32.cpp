// UNLHA32.DLL: the archive library the program binds for LZH search, the
// shared archive library shell over the engine's LZH decoder.
#include <windows.h>

#include "archive_shell.h"
#include "files/lzh/lzh.h"

namespace {

using zanto::lzh::Member;
using zanto::lzh::Status;
using zanto::shell::Decoded;
using zanto::shell::ShellMember;

constexpr WORD kVersion = 100;  // 1.00

// Headers are read one after another from the start: an LZH archive has
// no directory.
class LzhFormat final : public zanto::shell::ArchiveFormat {
 public:
  void Load(std::vector<uint8_t> bytes) override {
    data_ = std::move(bytes);
    Rewind();
  }
  void Rewind() override {
    offset_ = 0;
    status_ = Status::kOk;
  }
  bool Next(ShellMember* out) override {
    size_t next = 0;
    current_ = Member();
    status_ = zanto::lzh::ReadHeader(data_.data(), data_.size(), offset_, &current_, &next);
    if (status_ != Status::kOk) return false;
    offset_ = next;
    out->path = current_.path;
    out->isDirectory = current_.isDirectory;
    out->originalSize = current_.originalSize;
    out->packedSize = current_.packedSize;
    out->crc = current_.crc;
    out->dosDate = current_.dosDate;
    out->dosTime = current_.dosTime;
    out->method.assign(current_.method, 5);
    return true;
  }
  Decoded Decode(zanto::lzh::Sink* sink) override {
    Status s = zanto::lzh::Extract(data_.data(), data_.size(), current_, sink);
    return s == Status::kOk ? Decoded::kWhole : Decoded::kDamaged;
  }
  std::string EndNote() const override {
    return status_ == Status::kEnd ? "" : zanto::lzh::StatusText(status_);
  }

 private:
  std::vector<uint8_t> data_;
  size_t offset_ = 0;
  Status status_ = Status::kOk;
  Member current_;
};

}  // namespace

extern "C" {

__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return kVersion; }

// "x [options] archive folder\ [wildcards]": extracts the selected members
// with their paths below the folder.
__declspec(dllexport) int WINAPI Unlha(HWND, LPCSTR command, LPSTR output, DWORD outputSize) {
  LzhFormat format;
  return zanto::shell::RunCommand(&format, command, output, outputSize);
}

__declspec(dllexport) HANDLE WINAPI UnlhaOpenArchive(HWND, LPCSTR path, DWORD) {
  return zanto::shell::OpenArchive(std::make_unique<LzhFormat>(), path);
}

__declspec(dllexport) int WINAPI UnlhaCloseArchive(HANDLE handle) { return zanto::shell::CloseArchive(handle); }

__declspec(dllexport) int WINAPI UnlhaFindFirst(HANDLE handle, LPCSTR wildcards, void* record) {
  return zanto::shell::FindFirst(handle, wildcards, record);
}

__declspec(dllexport) int WINAPI UnlhaFindNext(HANDLE handle, void* record) {
  return zanto::shell::FindNext(handle, record);
}

}  // extern "C"
