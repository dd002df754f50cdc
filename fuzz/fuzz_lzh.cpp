// The LZH decoder over arbitrary archives: every header is read and every
// member decoded, and no member may yield more bytes than its header says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/lzh/lzh.h"
#include "fuzz_sink.h"

namespace {

// Past this a member's decoding costs more time than it finds faults.
constexpr uint32_t kLargestDecodedMember = 1u << 20;
constexpr int kMembersTried = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zanto::lzh;
  size_t offset = 0;
  for (int i = 0; i < kMembersTried; ++i) {
    Member m;
    size_t next = 0;
    if (ReadHeader(data, size, offset, &m, &next) != Status::kOk) break;
    if (next <= offset || next > size) std::abort();
    (void)IsSafePath(m.path);
    if (m.originalSize <= kLargestDecodedMember) {
      fuzz::CountingSink sink(m.originalSize);
      (void)Extract(data, size, m, &sink);
    }
    offset = next;
  }
  return 0;
}
