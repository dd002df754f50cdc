// LZH archive reading: member headers of levels 0, 1 and 2 and the methods
// -lh0-, -lh4- to -lh7- and -lhd-. Works on an archive held in memory, so
// that every read is checked against one bound; nothing here touches files
// or the platform, which leaves the archive library a thin shell over it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zanto::lzh {

enum class Status {
  kOk,
  kEnd,             // the end mark, or the archive ends between members
  kTruncated,       // a header or a member's data runs past the archive
  kBadHeader,       // a header that cannot be read (sizes, level, name)
  kHeaderChecksum,  // level 0/1 header sum does not match
  kHeaderCrc,       // the header CRC extension does not match
  kUnknownMethod,
  kBadData,         // compressed data that cannot be decoded
  kCrc,             // decoded data whose CRC-16 does not match the header
  kWriteFailed,     // the sink refused the data
};

const char* StatusText(Status status);

// A path longer than this (after directory parts are joined) is taken as a
// broken header: no real archive stores one, and the program's member
// record holds far less.
constexpr size_t kMaxPathBytes = 1024;

struct Member {
  size_t headerOffset = 0;
  size_t dataOffset = 0;
  uint32_t packedSize = 0;    // the compressed data alone (level-1 extensions taken off)
  uint32_t originalSize = 0;
  char method[6] = {};        // "-lh5-"
  int level = 0;
  bool isDirectory = false;
  uint16_t crc = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  uint8_t attribute = 0;
  // Shift_JIS, '\' between the parts, no trailing separator on a directory.
  std::string path;
};

// Receives decoded data in order; returns false to stop.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// CRC-16 with the reflected polynomial 0xA001, starting at crc.
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size);

// Converts seconds since 1970 (UTC) into DOS date and time in the local time
// zone, clamped to the years DOS can hold.
void UnixTimeToDos(uint32_t unixTime, uint16_t* dosDate, uint16_t* dosTime);

// Reads the header at offset. On kOk, member is filled and *next is the
// offset of the following header.
Status ReadHeader(const uint8_t* archive, size_t size, size_t offset, Member* member,
                  size_t* next);

// Decodes a member's data into sink and checks its CRC. The sink may already
// hold data when the CRC then fails: the caller throws it away.
Status Extract(const uint8_t* archive, size_t size, const Member& member, Sink* sink);

// Whether one part of a path (no separator in it) names a device of the
// system rather than a file: AUX, CON, NUL, PRN, CONIN$, CONOUT$, COM0 to
// COM9 or LPT0 to LPT9 in any letter case, as the name before its first dot
// with trailing blanks taken off, so "aux.c" and "Con .txt" are devices.
bool IsDeviceName(const char* part, size_t length);
// Whether the last part of a path (after its last separator or drive
// colon) names a device: a file of such a name opens the device.
bool EndsInDeviceName(const char* path);

// Whether a member path stays below the folder it is extracted into and
// names a file there: no leading separator, no drive or other colon, no "."
// or ".." part, no empty part, no part named like a device. Double-byte
// characters are stepped over, so a 0x5C trail byte is no separator.
bool IsSafePath(const std::string& path);

// The path as a file system that ignores letter case sees it: letters of
// the Latin, Greek and Cyrillic alphabets (single-byte and full-width) in
// capitals, '/' as '\', no dots or blanks at the end of a part (the system
// drops them). Two paths that fold alike name one file there.
std::string CaseFolded(const std::string& path);

}  // namespace zanto::lzh
