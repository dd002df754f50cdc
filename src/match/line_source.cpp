#include "match/line_source.h"

namespace zanto {

bool MemoryLineSource::ReadLine(char* line, size_t capacity) {
  if (capacity < 2 || position_ >= length_) return false;
  size_t stored = 0;
  while (stored + 1 < capacity && position_ < length_) {
    char c = bytes_[position_++];
    if (c == '\r' && position_ < length_ && bytes_[position_] == '\n') continue;  // CR LF reads as LF
    line[stored++] = c;
    if (c == '\n') break;
  }
  line[stored] = '\0';
  return true;
}

}  // namespace zanto
