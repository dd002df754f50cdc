// What the archive libraries (UNLHA32.DLL, KZZIP32.DLL) share: the command
// "x [options] archive folder\ [wildcards]", the listing through
// OpenArchive, FindFirst and FindNext, and the rules both keep. Nothing is
// ever written outside the folder a command names, and the listing names
// exactly the members a command writes, at the path it writes them: every
// member once, at a path of its own (one whose path an earlier member
// already holds, in any letter case, or a file where a folder is needed,
// goes below a folder "~2", "~3", ...). A member refused by the safe-path
// rule is neither written nor listed; a damaged one (its check fails) is
// deleted and not listed; one passed over whole (a method the library does
// not decode, or cut at a size bound) is listed but not written, so that
// the program, finding no file for it, notes it as not extracted.
// Each library supplies the format: an ArchiveFormat over its decoder.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/lzh/lzh.h"

namespace zanto::shell {

// One member as the format reads it.
struct ShellMember {
  std::string path;  // Shift_JIS, '\' between parts
  bool isDirectory = false;
  uint32_t originalSize = 0;
  uint32_t packedSize = 0;
  uint32_t crc = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;
  std::string method;  // for the record's mode field
};

enum class Decoded { kWhole, kDamaged, kPassedOver };

class ArchiveFormat {
 public:
  virtual ~ArchiveFormat() = default;
  // Takes the archive's bytes and starts before its first member.
  virtual void Load(std::vector<uint8_t> bytes) = 0;
  virtual void Rewind() = 0;
  // The next member; false at the end or where the archive cannot be read
  // on.
  virtual bool Next(ShellMember* member) = 0;
  // Decodes the member Next gave last into sink.
  virtual Decoded Decode(lzh::Sink* sink) = 0;
  // Empty when the walk ended where the archive does, else why it stopped.
  virtual std::string EndNote() const = 0;
};

// The command entry point: 0, or an error code when the archive could not
// be read or some member was refused or damaged.
int RunCommand(ArchiveFormat* format, LPCSTR command, LPSTR output, DWORD outputSize);

// The listing entry points. OpenArchive takes the format; null when the
// file cannot be read.
HANDLE OpenArchive(std::unique_ptr<ArchiveFormat> format, LPCSTR path);
int CloseArchive(HANDLE handle);
int FindFirst(HANDLE handle, LPCSTR wildcards, void* record);
int FindNext(HANDLE handle, void* record);

}  // namespace zanto::shell
