// The result text: everything a search finds is written through a
// ResultOutput, either into the output file or into the in-memory buffer
// that the main dialog later puts on the clipboard.
// Text is Shift_JIS, lines end in CR LF.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

struct MatchMarks;

constexpr int kResultChunks = 20;            // chunks 0..19
constexpr size_t kResultChunkSize = 64512;   // bytes per chunk
constexpr size_t kResultChunkFill = 61440;   // a chunk is closed past this
constexpr size_t kFormattedText = 1024;      // one WriteResultFormat text, NUL included
constexpr size_t kOverflowNoticeLength = 32;
// Written once when the buffer is full; nothing follows it.
extern const char kOverflowNotice[];
// QuotePath's buffer: a path buffer plus the two quotes.
constexpr size_t kQuotedPath = 274;

// The path, or the path in double quotes when it holds a space.
struct QuotedPath {
  char text[kQuotedPath];
};
QuotedPath QuotePath(const char* path);

// The result text of the program: the in-memory buffer that outlives runs
// (the main dialog puts it on the clipboard) and the output file a run may
// write to instead. The program owns one; too large for the stack.
class ResultOutput {
 public:
  ResultOutput() = default;
  ResultOutput(const ResultOutput&) = delete;
  ResultOutput& operator=(const ResultOutput&) = delete;
  ~ResultOutput();

  // Readies the buffer for a run: chunk 0 (allocated on first use) holds
  // the empty text and the overflow flag is off. False when chunk 0 cannot
  // be allocated.
  bool PrepareBuffer();
  // Opens the output file: appended to when append is set, else emptied.
  // False when it cannot be opened.
  bool OpenFile(const char* path, bool append);
  // Flushes and closes the output file if one is open; later writes go to
  // the buffer again. False when the file lacks text written to it: a write
  // (a full disk) or the close failed.
  bool Close();
  // Releases every chunk (program end).
  void FreeBuffer();

  // Appends text as it is.
  void WriteText(const char* text);
  // Appends a formatted text of at most kFormattedText - 1 bytes; a longer
  // one is cut at a character boundary (a file takes it whole).
  void WriteFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Set once the buffer is full; from then on every write is dropped.
  bool Overflow() const { return buffer_.overflow; }

  // Writes one result line: its prefix by the output mode, the text with
  // DelSp / TabToSpace applied and MatchString before every marked position
  // (marks, under MatchStr) when sign is ':', then CR LF. The line is
  // modified in place (its line end is removed, tabs may become spaces).
  void WriteLine(char* line, const char* path, unsigned long lineNumber, char sign,
                 const MatchMarks* marks = nullptr);

  // Puts the collected text on the clipboard through the host, then
  // releases chunks 1 and up. Does nothing when the run wrote to a file or
  // found nothing; keeps the chunks when the clipboard is not available.
  void CopyToClipboard();

  struct Buffer {
    char* chunks[kResultChunks];  // NUL-terminated parts of the text
    int current;                  // chunk written to
    size_t used;                  // bytes used in the current chunk
    bool overflow;                // full: every write is dropped
  };
  static constexpr size_t kFileWriteBuffer = 65536;  // output file writes are gathered
  struct File {
    intptr_t handle = -1;      // open output file, or negative
    bool usedThisRun = false;  // the current run writes to a file
    size_t pending = 0;        // bytes waiting in data
    bool lost = false;         // a write or the close failed: the file lacks text
    char data[kFileWriteBuffer];
  };

 private:
  void WriteBytes(const char* text, size_t length);
  void WritePrefix(const char* path, unsigned long lineNumber, char sign);
  void WriteMarkedText(const char* text, size_t start, const MatchMarks& marks);

  Buffer buffer_ = {};
  File file_;
};

}  // namespace zanto
