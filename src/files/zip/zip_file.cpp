#include "files/zip/zip_file.h"

#include "files/path.h"

namespace zanto::zip {

namespace {

constexpr size_t kReadChunk = 1u << 20;
constexpr int kSeekSet = 0, kSeekEnd = 2;

bool ReadWhole(intptr_t file, std::vector<uint8_t>* bytes) {
  int64_t size = SeekRawFile(file, 0, kSeekEnd);
  if (size < 0 || static_cast<uint64_t>(size) > kMaxArchiveBytes || SeekRawFile(file, 0, kSeekSet) != 0) return false;
  bytes->resize(static_cast<size_t>(size));
  for (size_t done = 0; done < bytes->size();) {
    size_t want = bytes->size() - done < kReadChunk ? bytes->size() - done : kReadChunk;
    long got = ReadRawFile(file, bytes->data() + done, static_cast<unsigned long>(want));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

Status OpenFile(const char* path, Archive* archive) {
  if (lzh::EndsInDeviceName(path)) return Status::kNotZip;
  intptr_t file = OpenRawFile(path, kOpenRead | kShareRead);
  if (file < 0) return Status::kNotZip;
  Status status = OpenOpenFile(file, archive);
  CloseRawFile(file);
  return status;
}

Status OpenOpenFile(intptr_t file, Archive* archive) {
  std::vector<uint8_t> bytes;
  if (!ReadWhole(file, &bytes)) return Status::kNotZip;
  return archive->Open(std::move(bytes));
}

}  // namespace zanto::zip
