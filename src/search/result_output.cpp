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

using Buffer = ResultOutput::Buffer;
using File = ResultOutput::File;
constexpr size_t kFileWriteBuffer = ResultOutput::kFileWriteBuffer;
constexpr size_t kLongestChunkText = kResultChunkFill - 1;  // one text in a fresh chunk

bool FileOpen(const File& file) { return file.handle >= 0; }

// After one failed write (a full disk) nothing more is written: later text
// could only leave a file with a hole in it.
void WriteWhole(File& file, const char* bytes, size_t length) {
  if (file.lost || length == 0) return;
  const long written = WriteRawFile(file.handle, bytes, static_cast<unsigned long>(length));
  if (written < 0 || static_cast<size_t>(written) != length) file.lost = true;
}

void FlushFile(File& file) {
  WriteWhole(file, file.data, file.pending);
  file.pending = 0;
}

void WriteFileBytes(File& file, const char* bytes, size_t length) {
  if (length >= kFileWriteBuffer) {
    FlushFile(file);
    WriteWhole(file, bytes, length);
    return;
  }
  if (file.pending + length > kFileWriteBuffer) FlushFile(file);
  memcpy(file.data + file.pending, bytes, length);
  file.pending += length;
}

char* CurrentChunk(Buffer& buffer) { return buffer.chunks[buffer.current]; }

// Moves to a fresh chunk; false when chunk 19 is the current one or memory
// ran out.
bool NextChunk(Buffer& buffer) {
  if (buffer.current + 1 >= kResultChunks) return false;
  int next = buffer.current + 1;
  if (buffer.chunks[next] == nullptr) {
    buffer.chunks[next] = static_cast<char*>(malloc(kResultChunkSize));
    if (buffer.chunks[next] == nullptr) return false;
  }
  buffer.current = next;
  buffer.used = 0;
  CurrentChunk(buffer)[0] = '\0';
  return true;
}

void EndWithNotice(Buffer& buffer) {
  buffer.overflow = true;
  memcpy(CurrentChunk(buffer) + buffer.used, kOverflowNotice, kOverflowNoticeLength + 1);
  buffer.used += kOverflowNoticeLength;
}

// Copies length bytes into the current chunk, which has room for them.
void PutInChunk(Buffer& buffer, const char* text, size_t length) {
  memcpy(CurrentChunk(buffer) + buffer.used, text, length);
  buffer.used += length;
  CurrentChunk(buffer)[buffer.used] = '\0';
}

void WriteBufferBytes(Buffer& buffer, const char* text, size_t length) {
  if (buffer.overflow || buffer.chunks[0] == nullptr) return;
  if (length > kLongestChunkText) {
    // Cut at a character boundary: only the byte count changes.
    length = WholeCharLength(text, kLongestChunkText);
  }
  if (buffer.used + length >= kResultChunkFill) {
    if (!NextChunk(buffer)) {
      EndWithNotice(buffer);
      return;
    }
  }
  PutInChunk(buffer, text, length);
}

void ReleaseChunksAfterFirst(Buffer& buffer) {
  for (int i = 1; i < kResultChunks; ++i) {
    free(buffer.chunks[i]);
    buffer.chunks[i] = nullptr;
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
void WriteFormattedToFile(File& file, const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  char text[kFormattedText];
  int n = vsnprintf(text, sizeof text, format, args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof text) {
    WriteFileBytes(file, text, static_cast<size_t>(n));
  } else if (n > 0) {
    char* whole = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
    if (whole != nullptr && vsnprintf(whole, static_cast<size_t>(n) + 1, format, again) == n) {
      WriteFileBytes(file, whole, static_cast<size_t>(n));
    } else {
      // Short of memory the text is cut as the buffer would cut it.
      WriteFileBytes(file, text, TruncateText(text, kFormattedText - 1));
    }
    free(whole);
  }
  va_end(again);
}

void RemoveLineEnd(char* line) {
  size_t n = strlen(line);
  if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
  if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
}

}  // namespace

QuotedPath QuotePath(const char* path) {
  QuotedPath quoted;
  if (strchr(path, ' ') == nullptr) {
    CopyText(quoted.text, sizeof quoted.text, path);
    return quoted;
  }
  quoted.text[0] = '"';
  size_t n = CopyText(quoted.text + 1, sizeof quoted.text - 2, path);
  quoted.text[n + 1] = '"';
  quoted.text[n + 2] = '\0';
  return quoted;
}

ResultOutput::~ResultOutput() {
  Close();
  FreeBuffer();
}

bool ResultOutput::PrepareBuffer() {
  if (buffer_.chunks[0] == nullptr) {
    buffer_.chunks[0] = static_cast<char*>(malloc(kResultChunkSize));
    if (buffer_.chunks[0] == nullptr) return false;
  }
  buffer_.current = 0;
  buffer_.used = 0;
  buffer_.overflow = false;
  buffer_.chunks[0][0] = '\0';
  file_.usedThisRun = false;
  return true;
}

bool ResultOutput::OpenFile(const char* path, bool append) {
  Close();
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
  file_.handle = handle;
  file_.pending = 0;
  file_.lost = false;
  file_.usedThisRun = true;
  return true;
}

bool ResultOutput::Close() {
  if (!FileOpen(file_)) return true;
  FlushFile(file_);
  if (CloseRawFile(file_.handle) != 0) file_.lost = true;
  file_.handle = -1;
  return !file_.lost;
}

void ResultOutput::FreeBuffer() {
  ReleaseChunksAfterFirst(buffer_);
  free(buffer_.chunks[0]);
  buffer_ = {};
}

void ResultOutput::WriteBytes(const char* text, size_t length) {
  if (FileOpen(file_)) {
    WriteFileBytes(file_, text, length);
  } else {
    WriteBufferBytes(buffer_, text, length);
  }
}

void ResultOutput::WriteText(const char* text) { WriteBytes(text, strlen(text)); }

void ResultOutput::WriteFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (FileOpen(file_)) {
    WriteFormattedToFile(file_, format, args);
  } else if (!buffer_.overflow && buffer_.chunks[0] != nullptr) {
    size_t n = FormatBounded(CurrentChunk(buffer_) + buffer_.used, format, args);
    buffer_.used += n;
    // The chunk is closed early enough that the next formatted text of the
    // same size still fits below the fill mark.
    if (buffer_.used + n >= kResultChunkFill && !NextChunk(buffer_)) EndWithNotice(buffer_);
  }
  va_end(args);
}

void ResultOutput::WritePrefix(const char* path, unsigned long lineNumber, char sign) {
  const SearchSettings& s = gSettings;
  if (s.BlockOut) {
    if (s.BlockSign) WriteFormat("%c ", sign);
  } else if (s.Zengo) {
    if (s.ZengoSign) WriteFormat("%c ", sign);
  } else if (s.PrintFile) {
    if (s.Midashi) WriteFormat("%s ", s.StrMidashi);
    WriteFormat("%s %lu%c", QuotePath(path).text, lineNumber, sign);
    if (s.Midashi) WriteText("\r\n");
  }
}

// Writes text (which starts at offset start of the line) with MatchString
// in front of every byte whose line offset is marked.
void ResultOutput::WriteMarkedText(const char* text, size_t start, const MatchMarks& marks) {
  const char* mark = gSettings.MatchString;
  size_t length = strlen(text);
  size_t from = 0;
  for (size_t i = 0; i < length && start + i < kLineBuffer; ++i) {
    if (!marks.at[start + i]) continue;
    WriteBytes(text + from, i - from);
    WriteText(mark);
    from = i;
  }
  WriteText(text + from);
  if (start + length <= kLineBuffer && marks.at[start + length]) WriteText(mark);
}

void ResultOutput::WriteLine(char* line, const char* path, unsigned long lineNumber, char sign,
                             const MatchMarks* marks) {
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
    WriteText(text);
  }
  WriteText("\r\n");
}

void ResultOutput::CopyToClipboard() {
  if (file_.usedThisRun || buffer_.chunks[0] == nullptr) return;
  size_t total = 0;
  for (int i = 0; i <= buffer_.current; ++i) total += strlen(buffer_.chunks[i]);
  if (total == 0) return;
  constexpr size_t kClipboardSlack = 1000;
  char* text = static_cast<char*>(calloc(total + kClipboardSlack, 1));
  if (text == nullptr) return;
  size_t at = 0;
  for (int i = 0; i <= buffer_.current; ++i) {
    size_t n = strlen(buffer_.chunks[i]);
    memcpy(text + at, buffer_.chunks[i], n);
    at += n;
  }
  bool copied = GetHost().CopyToClipboard(text, total);
  free(text);
  if (!copied) return;
  ReleaseChunksAfterFirst(buffer_);
  // Chunk 0 alone stays; the buffer describes just that part from now on.
  buffer_.current = 0;
  buffer_.used = strlen(buffer_.chunks[0]);
}

}  // namespace zanto
