#include "search/result_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/path.h"
#include "match/line_matcher.h"

namespace zanto {

const char kOverflowNotice[] = "\r\n---検索結果が大きすぎます---\r\n";
static_assert(sizeof kOverflowNotice == kOverflowNoticeLength + 1);
// The last text, the notice and the NUL must fit above the fill mark.
static_assert(kResultChunkFill + kFormattedText + kOverflowNoticeLength < kResultChunkSize);

namespace {

constexpr size_t kFileWriteBuffer = 65536;  // output file writes are gathered
constexpr size_t kLongestChunkText = kResultChunkFill - 1;  // one text in a fresh chunk

struct ResultBuffer {
  char* chunks[kResultChunks];  // NUL-terminated parts of the text
  int current;                  // chunk written to
  size_t used;                  // bytes used in the current chunk
  bool overflow;                // full: every write is dropped
};

struct ResultFile {
  intptr_t handle = -1;          // open output file, or negative
  bool usedThisRun = false;      // the current run writes to a file
  size_t pending = 0;            // bytes waiting in data
  bool lost = false;             // a write or the close failed: the file lacks text
  char data[kFileWriteBuffer];
};

ResultBuffer gBuffer = {};
ResultFile gFile;
char gQuoted[kQuotedPath];

bool FileOpen() { return gFile.handle >= 0; }

// After one failed write (a full disk) nothing more is written: later text
// could only leave a file with a hole in it.
void WriteWhole(const char* bytes, size_t length) {
  if (gFile.lost || length == 0) return;
  const long written = WriteRawFile(gFile.handle, bytes, static_cast<unsigned long>(length));
  if (written < 0 || static_cast<size_t>(written) != length) gFile.lost = true;
}

void FlushFile() {
  WriteWhole(gFile.data, gFile.pending);
  gFile.pending = 0;
}

void WriteFileBytes(const char* bytes, size_t length) {
  if (length >= kFileWriteBuffer) {
    FlushFile();
    WriteWhole(bytes, length);
    return;
  }
  if (gFile.pending + length > kFileWriteBuffer) FlushFile();
  memcpy(gFile.data + gFile.pending, bytes, length);
  gFile.pending += length;
}

char* CurrentChunk() { return gBuffer.chunks[gBuffer.current]; }

// Moves to a fresh chunk; false when chunk 19 is the current one or memory
// ran out.
bool NextChunk() {
  if (gBuffer.current + 1 >= kResultChunks) return false;
  int next = gBuffer.current + 1;
  if (gBuffer.chunks[next] == nullptr) {
    gBuffer.chunks[next] = static_cast<char*>(malloc(kResultChunkSize));
    if (gBuffer.chunks[next] == nullptr) return false;
  }
  gBuffer.current = next;
  gBuffer.used = 0;
  CurrentChunk()[0] = '\0';
  return true;
}

void EndWithNotice() {
  gBuffer.overflow = true;
  memcpy(CurrentChunk() + gBuffer.used, kOverflowNotice, kOverflowNoticeLength + 1);
  gBuffer.used += kOverflowNoticeLength;
}

// Copies length bytes into the current chunk, which has room for them.
void PutInChunk(const char* text, size_t length) {
  memcpy(CurrentChunk() + gBuffer.used, text, length);
  gBuffer.used += length;
  CurrentChunk()[gBuffer.used] = '\0';
}

void WriteBufferBytes(const char* text, size_t length) {
  if (gBuffer.overflow || gBuffer.chunks[0] == nullptr) return;
  if (length > kLongestChunkText) {
    // Cut at a character boundary: only the byte count changes.
    length = WholeCharLength(text, kLongestChunkText);
  }
  if (gBuffer.used + length >= kResultChunkFill) {
    if (!NextChunk()) {
      EndWithNotice();
      return;
    }
  }
  PutInChunk(text, length);
}

void WriteResultBytes(const char* text, size_t length) {
  if (FileOpen()) {
    WriteFileBytes(text, length);
  } else {
    WriteBufferBytes(text, length);
  }
}

void ReleaseChunksAfterFirst() {
  for (int i = 1; i < kResultChunks; ++i) {
    free(gBuffer.chunks[i]);
    gBuffer.chunks[i] = nullptr;
  }
}

// Formats into out (kFormattedText bytes), cut at a character boundary.
size_t FormatBounded(char* out, const char* format, va_list args) {
  int n = vsnprintf(out, kFormattedText, format, args);
  if (n < 0) {
    out[0] = '\0';
    return 0;
  }
  if (static_cast<size_t>(n) >= kFormattedText) return TruncateText(out, kFormattedText - 1);
  return static_cast<size_t>(n);
}

// A file has no room limit, so a formatted text reaches it whole (a long
// synonym keeps its count and line end); only a text beyond the stack
// buffer is formatted a second time, on the heap.
void WriteFormattedToFile(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  char text[kFormattedText];
  int n = vsnprintf(text, sizeof text, format, args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof text) {
    WriteFileBytes(text, static_cast<size_t>(n));
  } else if (n > 0) {
    char* whole = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
    if (whole != nullptr && vsnprintf(whole, static_cast<size_t>(n) + 1, format, again) == n) {
      WriteFileBytes(whole, static_cast<size_t>(n));
    } else {
      // Short of memory the text is cut as the buffer would cut it.
      WriteFileBytes(text, TruncateText(text, kFormattedText - 1));
    }
    free(whole);
  }
  va_end(again);
}

}  // namespace

bool PrepareResultBuffer() {
  if (gBuffer.chunks[0] == nullptr) {
    gBuffer.chunks[0] = static_cast<char*>(malloc(kResultChunkSize));
    if (gBuffer.chunks[0] == nullptr) return false;
  }
  gBuffer.current = 0;
  gBuffer.used = 0;
  gBuffer.overflow = false;
  gBuffer.chunks[0][0] = '\0';
  gFile.usedThisRun = false;
  return true;
}

bool OpenResultFile(const char* path, bool append) {
  CloseResultOutput();
  constexpr unsigned kWriteShared = kOpenWrite | kShareRead;
  intptr_t handle = -1;
  if (append) {
    handle = OpenRawFile(path, kWriteShared);
    if (handle >= 0 && SeekRawFile(handle, 0, 2) < 0) {
      CloseRawFile(handle);
      return false;
    }
  }
  if (handle < 0) handle = OpenRawFile(path, kWriteShared | kOpenCreate);
  if (handle < 0) return false;
  gFile.handle = handle;
  gFile.pending = 0;
  gFile.lost = false;
  gFile.usedThisRun = true;
  return true;
}

bool CloseResultOutput() {
  if (!FileOpen()) return true;
  FlushFile();
  if (CloseRawFile(gFile.handle) != 0) gFile.lost = true;
  gFile.handle = -1;
  return !gFile.lost;
}

void FreeResultBuffer() {
  ReleaseChunksAfterFirst();
  free(gBuffer.chunks[0]);
  gBuffer = {};
}

void WriteResultText(const char* text) { WriteResultBytes(text, strlen(text)); }

void WriteResultFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (FileOpen()) {
    WriteFormattedToFile(format, args);
  } else if (!gBuffer.overflow && gBuffer.chunks[0] != nullptr) {
    size_t n = FormatBounded(CurrentChunk() + gBuffer.used, format, args);
    gBuffer.used += n;
    // The chunk is closed early enough that the next formatted text of the
    // same size still fits below the fill mark.
    if (gBuffer.used + n >= kResultChunkFill && !NextChunk()) EndWithNotice();
  }
  va_end(args);
}

bool ResultOverflow() { return gBuffer.overflow; }

const char* QuotePath(const char* path) {
  if (strchr(path, ' ') == nullptr) {
    CopyText(gQuoted, sizeof gQuoted, path);
    return gQuoted;
  }
  gQuoted[0] = '"';
  size_t n = CopyText(gQuoted + 1, sizeof gQuoted - 2, path);
  gQuoted[n + 1] = '"';
  gQuoted[n + 2] = '\0';
  return gQuoted;
}

namespace {

void WritePrefix(const char* path, unsigned long lineNumber, char sign) {
  const SearchSettings& s = gSettings;
  if (s.BlockOut) {
    if (s.BlockSign) WriteResultFormat("%c ", sign);
  } else if (s.Zengo) {
    if (s.ZengoSign) WriteResultFormat("%c ", sign);
  } else if (s.PrintFile) {
    if (s.Midashi) WriteResultFormat("%s ", s.StrMidashi);
    WriteResultFormat("%s %lu%c", QuotePath(path), lineNumber, sign);
    if (s.Midashi) WriteResultText("\r\n");
  }
}

void RemoveLineEnd(char* line) {
  size_t n = strlen(line);
  if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
  if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
}

// Writes text (which starts at offset start of the line) with MatchString
// in front of every byte whose line offset is marked.
void WriteMarkedText(const char* text, size_t start, const MatchMarks& marks) {
  const char* mark = gSettings.MatchString;
  size_t length = strlen(text);
  size_t from = 0;
  for (size_t i = 0; i < length && start + i < kLineBuffer; ++i) {
    if (!marks.at[start + i]) continue;
    WriteResultBytes(text + from, i - from);
    WriteResultText(mark);
    from = i;
  }
  WriteResultText(text + from);
  if (start + length <= kLineBuffer && marks.at[start + length]) WriteResultText(mark);
}

}  // namespace

void WriteResultLine(char* line, const char* path, unsigned long lineNumber, char sign, const MatchMarks* marks) {
  RemoveLineEnd(line);
  WritePrefix(path, lineNumber, sign);
  char* text = line;
  if (gSettings.DelSp) {
    while (*text == ' ' || *text == '\t') ++text;
  }
  if (gSettings.TabToSpace) {
    for (char* p = text; (p = strchr(p, '\t')) != nullptr; ++p) *p = ' ';
  }
  if (sign == ':' && gSettings.MatchStr && marks != nullptr) {
    WriteMarkedText(text, static_cast<size_t>(text - line), *marks);
  } else {
    WriteResultText(text);
  }
  WriteResultText("\r\n");
}

void CopyResultToClipboard() {
  if (gFile.usedThisRun || gBuffer.chunks[0] == nullptr) return;
  size_t total = 0;
  for (int i = 0; i <= gBuffer.current; ++i) total += strlen(gBuffer.chunks[i]);
  if (total == 0) return;
  constexpr size_t kClipboardSlack = 1000;
  char* text = static_cast<char*>(calloc(total + kClipboardSlack, 1));
  if (text == nullptr) return;
  size_t at = 0;
  for (int i = 0; i <= gBuffer.current; ++i) {
    size_t n = strlen(gBuffer.chunks[i]);
    memcpy(text + at, gBuffer.chunks[i], n);
    at += n;
  }
  bool copied = GetHost().CopyToClipboard(text, total);
  free(text);
  if (!copied) return;
  ReleaseChunksAfterFirst();
  // Chunk 0 alone stays; the buffer describes just that part from now on.
  gBuffer.current = 0;
  gBuffer.used = strlen(gBuffer.chunks[0]);
}

}  // namespace zanto
