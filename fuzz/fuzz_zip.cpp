// The ZIP reader over arbitrary archives: the central directory is read and
// every member inflated. Every member of a directory that reads lies inside
// the archive, and no member may yield more bytes than the directory
// declares for it; one that reads whole yields exactly that many.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/zip/zip.h"
#include "fuzz_sink.h"

namespace {

// Past this a member's inflating costs more time than it finds faults.
constexpr uint64_t kLargestInflatedMember = uint64_t{1} << 20;
constexpr size_t kMembersTried = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zanto::zip;
  std::vector<Member> members;
  if (ReadDirectory(data, size, &members) != Status::kOk) return 0;
  for (size_t i = 0; i < members.size() && i < kMembersTried; ++i) {
    const Member& m = members[i];
    if (m.headerOffset > size || m.dataOffset > size || m.packedSize > size - m.dataOffset) std::abort();
    (void)zanto::lzh::IsSafePath(m.path);
    if (m.isDirectory || m.originalSize > kLargestInflatedMember) continue;
    fuzz::CountingSink sink(m.originalSize);
    if (Extract(data, size, m, &sink) == Status::kOk && sink.written() != m.originalSize) std::abort();
  }
  return 0;
}
