#include "search/line_reader.h"

#include <cstring>

#include "base/byte_scan.h"
#include "files/os.h"

namespace zanto {

void LineReader::Start(intptr_t handle) {
  handle_ = handle;
  bytes_ = nullptr;
  bytesSize_ = bytesAt_ = 0;
  base_ = 0;
  pos_ = end_ = 0;
  candidateKnown_ = false;
  linesByFilter_ = 0;
  atEnd_ = false;
  unicode_ = false;
}

void LineReader::StartBytes(const char* bytes, size_t size) {
  Start(-1);
  bytes_ = bytes;
  bytesSize_ = size;
}

void LineReader::ReadUnicode(UnicodeForm form) {
  unicode_ = true;
  form_ = form;
}

size_t LineReader::Peek(const unsigned char** bytes) {
  if (pos_ == end_) Fill();
  *bytes = reinterpret_cast<const unsigned char*>(data_ + pos_);
  return end_ - pos_;
}

long LineReader::ReadLine(char* out) {
  if (unicode_) return ReadUnicodeLine(out);
  size_t n = 0;
  while (n < kLinePiece) {
    if (pos_ == end_ && !Fill()) break;
    size_t room = kLinePiece - n;
    size_t avail = end_ - pos_;
    size_t span = avail < room ? avail : room;
    const char* from = data_ + pos_;
    const char* lf = static_cast<const char*>(memchr(from, '\n', span));
    size_t take = lf ? static_cast<size_t>(lf - from) + 1 : span;
    memcpy(out + n, from, take);
    n += take;
    pos_ += take;
    if (lf) break;
  }
  out[n] = '\0';
  return n == 0 ? -1 : static_cast<long>(n);
}

// A character cut by the end of the bytes held is read again whole once
// more bytes are held.
long LineReader::ReadUnicodeLine(char* out) {
  size_t n = 0;
  bool consumed = false;
  for (;;) {
    if (pos_ == end_ && !Fill()) break;
    const UnicodeStep step = ConvertUnicodeLine(form_, reinterpret_cast<const unsigned char*>(data_ + pos_),
                                                end_ - pos_, atEnd_, out + n, kLinePiece - n);
    pos_ += step.read;
    n += step.written;
    consumed = consumed || step.read > 0;
    if (step.lineEnd || step.full) break;
    if (step.cut) FillKeeping();  // at the end of the file the character is dropped
  }
  out[n] = '\0';
  return !consumed ? -1 : static_cast<long>(n);
}

unsigned long LineReader::SkipLinesWithout(const PlainNeedle& needle, unsigned long maxLines) {
  if (pos_ == end_ && !Fill()) return 0;
  if (!candidateKnown_ || candidate_ < pos_) {
    candidate_ = FindCandidate(needle);
    candidateKnown_ = true;
  }
  // Only lines that end in the bytes held are stepped over, so a needle
  // running on into the next bytes read keeps its line.
  return SkipLinesBefore(candidate_, maxLines);
}

// Lines with a character the filter wants are rarer than lines with any
// character: the lines before the next place that may end the filter's
// anchor character go a block at a time, and only the line holding that
// place is tested whole.
unsigned long LineReader::SkipLinesFiltered(const UnitFilter& filter, unsigned long maxLines) {
  if (pos_ == end_ && !Fill()) return 0;
  unsigned long skipped = 0;
  while (skipped < maxLines && pos_ < end_) {
    if (linesByFilter_ > 0) {
      --linesByFilter_;
    } else {
      if (!candidateKnown_ || candidate_ < pos_) {
        candidate_ = NextAnchorPlace(data_, pos_, end_, filter);
        candidateKnown_ = true;
      }
      const unsigned long stepped = SkipLinesBefore(candidate_, maxLines - skipped);
      skipped += stepped;
      if (skipped == maxLines) break;
      // Where the anchor is in nearly every line, looking for it first only
      // adds work: the next lines are tested whole straight away.
      if (stepped == 0) linesByFilter_ = kLinesByFilter;
    }
    const char* from = data_ + pos_;
    const char* lf = static_cast<const char*>(memchr(from, '\n', end_ - pos_));
    if (lf == nullptr) break;
    const size_t length = static_cast<size_t>(lf - from) + 1;
    if (length > kLinePiece || MayHoldUnits(from, length, filter)) break;
    ++skipped;
    pos_ += length;
  }
  return skipped;
}

// Steps over whole lines that end before limit, at most maxLines of them.
unsigned long LineReader::SkipLinesBefore(size_t limit, unsigned long maxLines) {
  unsigned long skipped = 0;
  // Lines average a few dozen bytes: counting their ends a block at a
  // time is much cheaper than finding each one. A block is taken whole
  // only while every line ending in it is certainly short (one piece);
  // near maxLines, at a long line and at the end, lines go one by one.
  // Where the last line stepped over ends is looked for only then: until
  // then, the start of the last block that held a line end stands in for
  // the current line's start (it is never after it).
  size_t scan = pos_;
  size_t endsBlock = kNoBlock;  // last block counted that held a line end
  for (;;) {
    const size_t lineStartBound = endsBlock == kNoBlock ? pos_ : endsBlock;
    if (limit - scan >= kStepBlock && scan + kStepBlock - lineStartBound <= kLinePiece) {
      const unsigned long ends = CountLineEnds(data_ + scan);
      if (skipped + ends <= maxLines) {
        skipped += ends;
        if (ends > 0) endsBlock = scan;
        scan += kStepBlock;
        continue;
      }
      SettleAfter(&endsBlock);
      // The last line allowed ends in this block.
      while (StepOneLine(limit, maxLines, &skipped)) {
      }
      break;
    }
    SettleAfter(&endsBlock);
    if (!StepOneLine(limit, maxLines, &skipped)) break;
    scan = pos_;
  }
  return skipped;
}

void LineReader::Seek(int64_t offset) {
  candidateKnown_ = false;
  if (offset >= base_ && offset <= base_ + static_cast<int64_t>(end_)) {
    pos_ = static_cast<size_t>(offset - base_);
    return;
  }
  SeekSource(offset);
  base_ = offset;
  atEnd_ = false;
  pos_ = end_ = 0;
}

// LF bytes among the kStepBlock bytes at bytes.
unsigned long LineReader::CountLineEnds(const char* bytes) {
  return static_cast<unsigned long>(CountLineFeeds(bytes, kStepBlock));
}

// Moves pos_ just past the last LF of the block at *block (one that holds a
// line end), if there is such a block, and forgets the block.
void LineReader::SettleAfter(size_t* block) {
  if (*block == kNoBlock) return;
  size_t at = *block + kStepBlock - 1;
  while (data_[at] != '\n') --at;
  pos_ = at + 1;
  *block = kNoBlock;
}

// Steps over the line at pos_ when it ends before limit and its pieces (a
// line longer than kLinePiece is read as several) fit in maxLines.
bool LineReader::StepOneLine(size_t limit, unsigned long maxLines, unsigned long* skipped) {
  if (pos_ >= limit) return false;
  const char* from = data_ + pos_;
  const char* lf = static_cast<const char*>(memchr(from, '\n', limit - pos_));
  if (lf == nullptr) return false;
  const size_t length = static_cast<size_t>(lf - from) + 1;
  // Converted text may be shorter than its raw bytes: a long line of it
  // is left to ReadLine, which knows where its pieces end.
  if (unicode_ && length > kLinePiece) return false;
  const unsigned long pieces = (length + kLinePiece - 1) / kLinePiece;
  if (*skipped + pieces > maxLines) return false;
  *skipped += pieces;
  pos_ += length;
  return true;
}

// Offset of the first place at or after pos_ where needle's bytes occur in
// full, or end_.
// The needle's window bytes are looked for together: a single byte of a
// term, even its rarest, comes every few hundred bytes of Japanese text.
size_t LineReader::FindCandidate(const PlainNeedle& needle) {
  const auto* window = reinterpret_cast<const uint8_t*>(needle.text) + needle.windowAt;
  if (window_.count != 1 || window_.length[0] != needle.windowLength ||
      std::memcmp(window_.bytes[0], window, needle.windowLength) != 0) {
    window_ = ShortStrings{};
    const bool rareInWindow = needle.rareAt >= needle.windowAt && needle.rareAt - needle.windowAt < needle.windowLength;
    AddShortString(&window_, window, needle.windowLength, rareInWindow ? needle.rareAt - needle.windowAt : 0);
  }
  size_t scan = pos_ + needle.windowAt;
  while (scan < end_) {
    const char* hit = FindShortString(data_ + scan, end_ - scan, window_);
    if (hit == nullptr) break;
    const size_t at = static_cast<size_t>(hit - data_) - needle.windowAt;
    if (at + needle.length > end_) break;
    if (memcmp(data_ + at, needle.text, needle.length) == 0) return at;
    scan = at + needle.windowAt + 1;
  }
  return end_;
}

// A read that comes back short has met the end of the file: the next Fill
// knows it without asking the system again.
bool LineReader::Fill() {
  base_ += static_cast<int64_t>(end_);
  pos_ = end_ = 0;
  candidateKnown_ = false;
  if (atEnd_) return false;
  long got = ReadSource(data_, kReadBuffer);
  if (got <= 0) {
    atEnd_ = true;
    return false;
  }
  atEnd_ = static_cast<size_t>(got) < kReadBuffer;
  end_ = static_cast<size_t>(got);
  return true;
}

// Like Fill, but the bytes not yet handed out stay, moved to the front.
// False only when nothing could be read (the file has ended).
bool LineReader::FillKeeping() {
  base_ += static_cast<int64_t>(pos_);
  end_ -= pos_;
  memmove(data_, data_ + pos_, end_);
  pos_ = 0;
  candidateKnown_ = false;
  if (atEnd_) return false;
  const size_t want = kReadBuffer - end_;
  long got = ReadSource(data_ + end_, want);
  if (got <= 0) {
    atEnd_ = true;
    return false;
  }
  atEnd_ = static_cast<size_t>(got) < want;
  end_ += static_cast<size_t>(got);
  return true;
}

// The next bytes of the file, or of the text held in memory.
long LineReader::ReadSource(char* to, size_t want) {
  if (bytes_ == nullptr) return OsReadFile(handle_, to, static_cast<unsigned long>(want));
  const size_t n = want < bytesSize_ - bytesAt_ ? want : bytesSize_ - bytesAt_;
  memcpy(to, bytes_ + bytesAt_, n);
  bytesAt_ += n;
  return static_cast<long>(n);
}

void LineReader::SeekSource(int64_t offset) {
  if (bytes_ == nullptr) {
    OsSeekFile(handle_, offset, 0);
    return;
  }
  const uint64_t at = offset < 0 ? 0 : static_cast<uint64_t>(offset);
  bytesAt_ = at < bytesSize_ ? static_cast<size_t>(at) : bytesSize_;
}

}  // namespace zanto
