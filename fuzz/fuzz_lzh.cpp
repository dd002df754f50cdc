// The LZH decoder over arbitrary archives: every header is read and every
// member decoded, and no member may yield more bytes than its header says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/lzh/lzh.h"

namespace {

// Past this a member's decoding costs more time than it finds faults.
constexpr uint32_t kLargestDecodedMember = 1u << 20;
constexpr int kMembersTried = 64;

class CountingSink : public zanto::lzh::Sink {
 public:
  explicit CountingSink(uint32_t limit) : limit_(limit) {}
  bool Write(const uint8_t*, size_t size) override {
    written_ += size;
    if (written_ > limit_) std::abort();
    return true;
  }

 private:
  uint32_t limit_;
  uint64_t written_ = 0;
};

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
      CountingSink sink(m.originalSize);
      (void)Extract(data, size, m, &sink);
    }
    offset = next;
  }
  return 0;
}
