// ZIP archive reading over zlib's inflate: the central directory (ZIP64
// sizes, offsets and counts included) and stored and deflated members. Works
// on an archive held in memory, so that every read is checked against one
// bound; nothing here touches files or the platform (zip_file.h opens an
// archive from a file), which leaves the archive library a thin shell over
// it and lets any reader of ZIP-based files take members into memory.
//
// The central directory is the truth: a member's method, sizes and CRC come
// from there, its local header only says where the data starts. Members that
// overlap, counts the directory cannot hold and directories that leave the
// archive refuse the whole archive. A member's output is bounded three ways
// (its declared size, kMaxMemberBytes, kMaxRatio beyond kRatioFreeBytes):
// output past a bound is cut, never handed on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/lzh/lzh.h"

namespace zanto::zip {

enum class Status {
  kOk,
  kNotZip,           // no end-of-directory record
  kBadDirectory,     // a directory record that cannot be read, or one that leaves the archive
  kTooManyMembers,   // more members than the directory has room for, or than kMaxMembers
  kOverlap,          // two members share bytes, or a member runs into the directory
  kMultiDisk,        // a part of an archive split over several files
  kEncrypted,
  kUnknownMethod,    // neither stored nor deflated
  kPastDeclaredSize, // inflates to more than the directory says (cut there)
  kTooLarge,         // past kMaxMemberBytes, or past kMaxRatio beyond kRatioFreeBytes (cut there)
  kBadData,          // data that does not inflate, or ends short of its declared size
  kCrc,              // whole, but its CRC-32 does not match the directory's
  kWriteFailed,      // the sink refused the data
};

const char* StatusText(Status status);
// Whether a member of this status was passed over whole (its data was not
// judged: encrypted, another method, or cut at a bound) rather than found
// damaged.
bool IsPassedOver(Status status);

constexpr uint64_t kMaxMemberBytes = uint64_t{1} << 30;  // 1 GiB
constexpr uint64_t kRatioFreeBytes = uint64_t{1} << 20;  // output before the ratio is looked at
constexpr uint64_t kMaxRatio = 1000;                      // output bytes per input byte consumed
constexpr size_t kMaxMembers = size_t{1} << 20;
// A name longer than this (in Shift_JIS) is no member path the program can
// use; such a member keeps an empty path, which no safe-path rule accepts.
constexpr size_t kMaxPathBytes = lzh::kMaxPathBytes;

// Members' data goes to the same kind of sink as LZH members'.
using Sink = lzh::Sink;

struct Member {
  // Shift_JIS, '\' between the parts, no trailing separator on a folder;
  // empty for a name that cannot be a path (a control character, too long).
  std::string path;
  bool isDirectory = false;
  bool encrypted = false;
  uint16_t method = 0;  // 0 stored, 8 deflated
  uint16_t flags = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t originalSize = 0;
  uint64_t headerOffset = 0;  // of the local header
  uint64_t dataOffset = 0;
};

// Reads the central directory into members, in directory order.
Status ReadDirectory(const uint8_t* archive, size_t size, std::vector<Member>* members);

// Inflates (or copies) a member's data into sink and checks its size and
// CRC-32. The sink may already hold data when the member then fails: the
// caller throws it away.
Status Extract(const uint8_t* archive, size_t size, const Member& member, Sink* sink);

// Extract into memory: out holds the member's bytes on kOk, else nothing.
Status ExtractToMemory(const uint8_t* archive, size_t size, const Member& member, std::string* out);

// An archive held in memory with its directory read.
class Archive {
 public:
  // Takes the bytes and reads their directory; on anything but kOk the
  // archive holds no members.
  Status Open(std::vector<uint8_t> bytes);
  const std::vector<Member>& members() const { return members_; }
  // The file member of this path ('/' and '\' alike, letters compared
  // exactly), or null.
  const Member* Find(const char* path) const;
  Status Read(const Member& member, std::string* out) const {
    return ExtractToMemory(bytes_.data(), bytes_.size(), member, out);
  }
  Status Read(const Member& member, Sink* sink) const { return Extract(bytes_.data(), bytes_.size(), member, sink); }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<Member> members_;
};

}  // namespace zanto::zip
