// Stepping over lines of UTF-8 and UTF-16 files without converting them.
// A character converts to no more Shift_JIS bytes than its raw bytes (one
// or two for two to four), so a line whose raw bytes fit in a piece is one
// piece once converted; and every character of a converted line comes from
// its own raw bytes, so a line without a raw form of the anchor cannot
// hold the anchor. A UTF-8 line ends at each LF byte, which no other
// character contains; a UTF-16 line at each unit 000A, found by its byte
// 0A and checked.
#include <cstring>

#include "base/byte_scan.h"
#include "search/line_reader.h"

namespace zanto {

namespace {

constexpr size_t kUtf16Unit = 2;

}  // namespace

unsigned long LineReader::SkipUnicodeLinesWithout(const UnicodeAnchor& anchor, unsigned long maxLines) {
  if (!unicode_) return 0;
  if (pos_ == end_ && !Fill()) return 0;
  if (!candidateKnown_ || candidate_ < pos_) {
    candidate_ = NextAnchorForm(data_, pos_, end_, anchor);
    candidateKnown_ = true;
  }
  return form_ == UnicodeForm::Utf8 ? SkipLinesBefore(candidate_, maxLines) : SkipUtf16LinesBefore(candidate_, maxLines);
}

// Lines one at a time: UTF-16 text is the rarer kind, and its LF bytes are
// not all line ends.
unsigned long LineReader::SkipUtf16LinesBefore(size_t limit, unsigned long maxLines) {
  unsigned long skipped = 0;
  while (skipped < maxLines) {
    const size_t next = NextUtf16LineEnd(pos_, limit);
    if (next > limit || next - pos_ > kLinePiece) break;
    pos_ = next;
    ++skipped;
  }
  return skipped;
}

// The offset just past the first line end unit that lies wholly in
// [from, limit), or one past limit when there is none.
size_t LineReader::NextUtf16LineEnd(size_t from, size_t limit) const {
  const bool little = form_ == UnicodeForm::Utf16Le;
  for (size_t i = from; i < limit;) {
    const char* hit = FindByte(data_ + i, limit - i, '\n');
    if (hit == nullptr) break;
    const size_t at = static_cast<size_t>(hit - data_);
    // Units start at even file offsets; the LF is the first byte of its
    // unit in little-endian order, the second in big-endian.
    const size_t unit = little ? at : at - 1;
    const bool aligned = at >= from + (little ? 0 : 1) && ((base_ + static_cast<int64_t>(unit)) & 1) == 0;
    if (aligned && unit + kUtf16Unit <= limit && data_[little ? at + 1 : at - 1] == '\0') return unit + kUtf16Unit;
    i = at + 1;
  }
  return limit + 1;
}

}  // namespace zanto
