// KZZIP32.DLL: the archive library the program binds for ZIP search, the
// shared archive library shell over the engine's ZIP reader, with the same
// six entry points and conventions as UNLHA32.DLL. The central directory
// says which members there are; a member encrypted, of a method other than
// stored or deflated, or cut at a size bound is listed but never written
// (the program notes it as not extracted), one that fails its CRC-32 or
// does not inflate is deleted and not listed.
#include <windows.h>

#include "archive_shell.h"
#include "files/zip/zip.h"

namespace {

using zanto::shell::Decoded;
using zanto::shell::ShellMember;
using zanto::zip::Status;

constexpr WORD kVersion = 100;  // 1.00
constexpr uint32_t kLargestRecordedSize = 0xFFFFFFFF;  // the record's sizes are 32 bits

uint32_t Recorded(uint64_t size) {
  return size > kLargestRecordedSize ? kLargestRecordedSize : static_cast<uint32_t>(size);
}

const char* MethodName(const zanto::zip::Member& m) {
  if (m.encrypted) return "crypt";
  if (m.method == 0) return "stored";
  if (m.method == 8) return "deflate";
  return "other";
}

// Walks the central directory; an archive whose directory is refused
// (members that overlap, a count it cannot hold) has no member.
class ZipFormat final : public zanto::shell::ArchiveFormat {
 public:
  void Load(std::vector<uint8_t> bytes) override {
    data_ = std::move(bytes);
    status_ = zanto::zip::ReadDirectory(data_.data(), data_.size(), &members_);
    Rewind();
  }
  void Rewind() override { next_ = 0; }
  bool Next(ShellMember* out) override {
    if (next_ >= members_.size()) return false;
    const zanto::zip::Member& m = members_[next_++];
    out->path = m.path;
    out->isDirectory = m.isDirectory;
    out->originalSize = Recorded(m.originalSize);
    out->packedSize = Recorded(m.packedSize);
    out->crc = m.crc;
    out->dosDate = m.dosDate;
    out->dosTime = m.dosTime;
    out->method = MethodName(m);
    return true;
  }
  Decoded Decode(zanto::lzh::Sink* sink) override {
    Status s = zanto::zip::Extract(data_.data(), data_.size(), members_[next_ - 1], sink);
    if (s == Status::kOk) return Decoded::kWhole;
    return zanto::zip::IsPassedOver(s) ? Decoded::kPassedOver : Decoded::kDamaged;
  }
  std::string EndNote() const override { return status_ == Status::kOk ? "" : zanto::zip::StatusText(status_); }

 private:
  std::vector<uint8_t> data_;
  std::vector<zanto::zip::Member> members_;
  Status status_ = Status::kOk;
  size_t next_ = 0;
};

}  // namespace

extern "C" {

__declspec(dllexport) WORD WINAPI KzZipGetVersion() { return kVersion; }

// "x [options] archive folder\ [wildcards]": extracts the selected members
// with their paths below the folder.
__declspec(dllexport) int WINAPI KzZip(HWND, LPCSTR command, LPSTR output, DWORD outputSize) {
  ZipFormat format;
  return zanto::shell::RunCommand(&format, command, output, outputSize);
}

__declspec(dllexport) HANDLE WINAPI KzZipOpenArchive(HWND, LPCSTR path, DWORD) {
  return zanto::shell::OpenArchive(std::make_unique<ZipFormat>(), path);
}

__declspec(dllexport) int WINAPI KzZipCloseArchive(HANDLE handle) { return zanto::shell::CloseArchive(handle); }

__declspec(dllexport) int WINAPI KzZipFindFirst(HANDLE handle, LPCSTR wildcards, void* record) {
  return zanto::shell::FindFirst(handle, wildcards, record);
}

__declspec(dllexport) int WINAPI KzZipFindNext(HANDLE handle, void* record) {
  return zanto::shell::FindNext(handle, record);
}

}  // extern "C"
