// The result text: everything a search finds is written through these
// functions, either into the output file or into the in-memory
// ResultBuffer that the main dialog later puts on the clipboard.
// Text is Shift_JIS, lines end in CR LF.
#pragma once
#include <cstddef>

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

// Readies the buffer for a run: chunk 0 (allocated on first use) holds the
// empty text and the overflow flag is off. False when chunk 0 cannot be
// allocated.
bool PrepareResultBuffer();
// Opens the output file: appended to when append is set, else emptied.
// False when it cannot be opened.
bool OpenResultFile(const char* path, bool append);
// Flushes and closes the output file if one is open; later writes go to the
// buffer again. False when the file lacks text written to it: a write (a
// full disk) or the close failed.
bool CloseResultOutput();
// Releases every chunk (program end).
void FreeResultBuffer();

// Appends text as it is.
void WriteResultText(const char* text);
// Appends a formatted text of at most kFormattedText - 1 bytes; a longer
// one is cut at a character boundary.
void WriteResultFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Set once the buffer is full; from then on every write is dropped.
bool ResultOverflow();

// The path, or the path in double quotes when it holds a space. The text
// lives in one shared buffer that the next call overwrites.
const char* QuotePath(const char* path);

// Writes one result line: its prefix by the output mode, the text with
// DelSp / TabToSpace applied and MatchString before every marked position
// (marks, under MatchStr) when sign is ':', then CR LF. The line is
// modified in place (its line end is removed, tabs may become spaces).
void WriteResultLine(char* line, const char* path, unsigned long lineNumber, char sign,
                     const MatchMarks* marks = nullptr);

// Puts the collected text on the clipboard through the host, then releases
// chunks 1 and up. Does nothing when the run wrote to a file or found
// nothing; keeps the chunks when the clipboard is not available.
void CopyResultToClipboard();

}  // namespace zanto
