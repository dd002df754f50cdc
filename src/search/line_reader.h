// The bytes of one open file (or of a text held in memory) handed out as lines: a large buffer over the
// raw file, lines found with memchr. A line longer than kLinePiece bytes is
// handed out as several pieces, each counting as a line; line ends are kept
// as they are (LF ends a line, CR is an ordinary byte). The scan also steps
// over lines that cannot match without handing them out, and reads lines
// again from a mark.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/bounds.h"
#include "match/pattern.h"
#include "match/unicode_anchor.h"
#include "base/unicode_text.h"

namespace zanto {

constexpr size_t kReadBuffer = 256 * 1024;    // bytes read from a file at a time
constexpr size_t kLinePiece = kLineBuffer - 1;  // longest line handed out, bytes

// One reader holds kReadBuffer bytes: keep it out of the stack.
class LineReader {
 public:
  // Starts reading handle, just opened through OsOpenFile, from its first
  // byte. The handle stays the caller's.
  void Start(intptr_t handle);
  // Starts reading size bytes held in memory (the text of a document), as
  // if they were a file's. The bytes stay the caller's and must outlive the
  // reading.
  void StartBytes(const char* bytes, size_t size);

  // From here on until the next Start, lines are read as text of form and
  // handed out in Shift_JIS: a piece then ends where the next character's
  // Shift_JIS form would pass kLinePiece bytes, never inside a character.
  // Only ReadLine, SkipUnicodeLinesWithout, Tell and Seek serve such a
  // file.
  void ReadUnicode(UnicodeForm form);

  // The bytes held from the next one on, without consuming them; at the
  // start of a file its first kReadBuffer bytes (all of a smaller file),
  // for the binary test and the kanji-code sample. Sets *bytes and returns
  // the count, 0 at the end of the file.
  size_t Peek(const unsigned char** bytes);

  // Reads the next line or piece (its LF included) into out, which holds
  // kLineBuffer bytes, and NUL-terminates it. Returns its byte count, which
  // counts NUL bytes inside the line, or -1 at the end of the file.
  long ReadLine(char* out);

  // Steps over at most maxLines lines (counted as ReadLine would count
  // them) that cannot hold needle: whole lines before the next place where
  // needle occurs in the bytes held. Returns the lines stepped over; the
  // line holding a candidate, and a line running past the bytes held, are
  // left to ReadLine.
  unsigned long SkipLinesWithout(const PlainNeedle& needle, unsigned long maxLines);

  // Steps over at most maxLines lines (counted as ReadLine would count
  // them), ending in the bytes held, that filter shows cannot match.
  // Returns the lines stepped over; the first line that may match is left
  // to ReadLine. Only for lines that need no conversion: the filter looks
  // at the raw bytes.
  unsigned long SkipLinesFiltered(const UnitFilter& filter, unsigned long maxLines);

  // For a file read through ReadUnicode: steps over at most maxLines lines
  // (counted as ReadLine would count them) whose raw bytes hold no form of
  // anchor: whole lines before the next place one may be, each short
  // enough in its raw bytes to be one piece when converted. Returns the
  // lines stepped over; a longer line is left to ReadLine.
  unsigned long SkipUnicodeLinesWithout(const UnicodeAnchor& anchor, unsigned long maxLines);
  // The form ReadUnicode set, when it is in force.
  bool ReadsUnicode(UnicodeForm* form) const {
    *form = form_;
    return unicode_;
  }

  // The offset of the next byte to hand out; Seek returns to it, so that
  // lines read ahead can be read again. 64-bit: files pass 4 GiB.
  int64_t Tell() const { return base_ + static_cast<int64_t>(pos_); }
  void Seek(int64_t offset);

 private:
  // Bytes whose line ends SkipLinesWithout counts at once; lines end in
  // it every forty bytes or so.
  static constexpr size_t kStepBlock = 256;
  static constexpr size_t kNoBlock = ~size_t{0};
  // Lines SkipLinesFiltered tests whole, without the anchor, after the
  // anchor was found in the very next line.
  static constexpr unsigned kLinesByFilter = 8;

  static unsigned long CountLineEnds(const char* bytes);
  void SettleAfter(size_t* block);
  unsigned long SkipLinesBefore(size_t limit, unsigned long maxLines);
  bool StepOneLine(size_t limit, unsigned long maxLines, unsigned long* skipped);
  unsigned long SkipUtf16LinesBefore(size_t limit, unsigned long maxLines);
  size_t NextUtf16LineEnd(size_t from, size_t limit) const;
  size_t FindCandidate(const PlainNeedle& needle);
  bool Fill();
  bool FillKeeping();
  long ReadSource(char* to, size_t want);
  void SeekSource(int64_t offset);
  long ReadUnicodeLine(char* out);

  intptr_t handle_ = -1;
  const char* bytes_ = nullptr;  // StartBytes: the text read instead of handle_
  size_t bytesSize_ = 0;
  size_t bytesAt_ = 0;           // next byte of bytes_ to read
  int64_t base_ = 0;  // file offset of data_[0]
  size_t pos_ = 0;   // next byte to hand out
  size_t end_ = 0;   // bytes held
  size_t candidate_ = 0;         // next place a needle or anchor may be, or end_
  ShortStrings window_;  // the window of the needle last looked for
  bool candidateKnown_ = false;  // candidate_ belongs to the bytes held
  unsigned linesByFilter_ = 0;   // lines still to test whole before the anchor
  bool atEnd_ = false;           // the file has no bytes after those held
  bool unicode_ = false;         // ReadUnicode is in force
  UnicodeForm form_ = UnicodeForm::Utf8;
  char data_[kReadBuffer];
};

}  // namespace zanto
