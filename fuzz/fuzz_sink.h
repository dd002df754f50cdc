// What the archive fuzz targets hand a member's data to: it counts the
// bytes and stops the run when a member yields more than it may.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/lzh/lzh.h"

namespace fuzz {

class CountingSink : public zanto::lzh::Sink {
 public:
  explicit CountingSink(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t*, size_t size) override {
    written_ += size;
    if (written_ > limit_) std::abort();
    return true;
  }
  uint64_t written() const { return written_; }

 private:
  uint64_t limit_;
  uint64_t written_ = 0;
};

}  // namespace fuzz
