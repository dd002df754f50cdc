// A ZIP archive opened from a file through the OS layer, for the program's
// own readers of ZIP-based files.
#pragma once
#include <cstdint>

#include "files/zip/zip.h"

namespace zanto::zip {

// An archive larger than this is not read: the whole of it is held in
// memory, and a 32-bit process has room for this much.
constexpr uint64_t kMaxArchiveBytes = uint64_t{256} << 20;

// Reads the file at path whole into archive and reads its directory.
// kNotZip as well when the file cannot be read, is larger than
// kMaxArchiveBytes or is named like a device (which opening would read
// from the device).
Status OpenFile(const char* path, Archive* archive);

// The same for a file already open (through the OS layer, for reading),
// read from its first byte; the handle stays the caller's, left where the
// reading ends.
Status OpenOpenFile(intptr_t file, Archive* archive);

}  // namespace zanto::zip
