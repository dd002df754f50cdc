// Text files as the table loaders read them: line by line, in pieces of a
// bounded length, with a way back to the start. The files layer gives one
// over a real file; tests and fuzz targets give one over bytes in memory.
#pragma once
#include <cstddef>

namespace zanto {

class LineSource {
 public:
  virtual ~LineSource() = default;
  // Reads the next line, or the next piece of at most capacity - 1 bytes of
  // a longer line, into line as a NUL-terminated text. A line end is kept as
  // one LF (a CR LF pair reads as LF). False at the end of the text.
  virtual bool ReadLine(char* line, size_t capacity) = 0;
  // Goes back to the first line. False when that is not possible.
  virtual bool Rewind() = 0;
};

// A LineSource over bytes held by the caller. A NUL byte inside a line is
// read like any other byte, so the line's text appears to end there.
class MemoryLineSource : public LineSource {
 public:
  MemoryLineSource(const char* bytes, size_t length) : bytes_(bytes), length_(length) {}
  bool ReadLine(char* line, size_t capacity) override;
  bool Rewind() override {
    position_ = 0;
    return true;
  }

 private:
  const char* bytes_;    // not owned
  size_t length_;        // bytes in bytes_
  size_t position_ = 0;  // next byte to read
};

}  // namespace zanto
