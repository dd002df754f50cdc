// The file side of the pattern-matching tables: reading ZAFIND1.TXT and the
// thesaurus file, and sampling a file to decide its kanji code. The tables
// themselves are built by match/ from a LineSource; this module gives them
// one over a real file through the files layer, and reports through the
// Host's trace channel.
#include <cstring>

#include "base/host.h"
#include "files/path.h"
#include "match/folding.h"
#include "match/kanji_code.h"
#include "match/line_source.h"
#include "match/thesaurus.h"
#include "search/match_files.h"
#include "search/settings_io.h"

namespace zanto {

namespace {

constexpr size_t kReadChunk = 4096;  // bytes fetched from the file at a time

// A LineSource over an open raw file, read as text: a CR LF pair reads as
// one LF. Owns the file handle.
class FileLineSource : public LineSource {
 public:
  explicit FileLineSource(intptr_t file) : file_(file) {}
  ~FileLineSource() override { CloseRawFile(file_); }
  FileLineSource(const FileLineSource&) = delete;
  FileLineSource& operator=(const FileLineSource&) = delete;

  bool ReadLine(char* line, size_t capacity) override {
    if (capacity < 2) return false;
    size_t stored = 0;
    while (stored + 1 < capacity) {
      const int c = NextByte();
      if (c < 0) break;
      if (c == '\r' && PeekByte() == '\n') continue;
      line[stored++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    line[stored] = '\0';
    return stored > 0;
  }

  bool Rewind() override {
    filled_ = next_ = 0;
    atEnd_ = false;
    return SeekRawFile(file_, 0, 0) == 0;
  }

 private:
  bool Fill() {
    if (atEnd_) return false;
    const long got = ReadRawFile(file_, buffer_, sizeof buffer_);
    if (got <= 0) {
      atEnd_ = true;
      return false;
    }
    filled_ = static_cast<size_t>(got);
    next_ = 0;
    return true;
  }
  int PeekByte() {
    if (next_ >= filled_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[next_]);
  }
  int NextByte() {
    const int c = PeekByte();
    if (c >= 0) ++next_;
    return c;
  }

  intptr_t file_;             // open for reading; closed with the source
  char buffer_[kReadChunk];   // bytes read ahead
  size_t filled_ = 0;         // valid bytes in buffer_
  size_t next_ = 0;           // next byte of buffer_ to hand out
  bool atEnd_ = false;        // the file gave no more bytes
};

intptr_t OpenForReading(const char* path) { return OpenRawFile(path, kOpenRead | kShareAll); }

// The thesaurus file a setting names: a rooted path as it is, any other name
// beside the program file.
void ThesaurusPath(const char* setting, char* out) {
  if (IsRootedTablePath(setting)) {
    CopyText(out, kPathBuffer, setting);
    return;
  }
  const char* program = gArguments.count > 0 && gArguments.entries[0] != nullptr ? gArguments.entries[0] : "";
  char drive[kDriveBuffer], dir[kPathPart];
  SplitPath(program, drive, dir, nullptr, nullptr);
  MergePath(out, drive, dir, setting, nullptr);
}

}  // namespace

void LoadSame1Table(const char* path, Same1Table* table) {
  table->Free();
  const intptr_t file = OpenForReading(path);
  if (file < 0) {
    Trace("can not open %s", path);
    return;
  }
  FileLineSource source(file);
  table->Build(source);  // out of memory: no table, the search runs unfolded
}

bool LoadThesaurus(const char* setting, Thesaurus* thesaurus) {
  thesaurus->Free();
  if (setting == nullptr || setting[0] == '\0') return true;
  char path[kPathBuffer];
  ThesaurusPath(setting, path);
  const intptr_t file = OpenForReading(path);
  if (file < 0) return false;
  FileLineSource source(file);
  switch (thesaurus->Build(source)) {
    case ThesaurusBuild::Built: return true;
    case ThesaurusBuild::Truncated:
      Trace("error %d", kThesaurusOverflowError);
      return true;
    case ThesaurusBuild::Failed: return false;
  }
  return false;
}

int KanjiCodeOf(const char* fullPath, const unsigned char* firstBytes, size_t length) {
  const int forced = ForcedKanjiCode(fullPath, gSettings.KanjiCode, gSettings.EUCDrive);
  if (forced != kKanjiAuto) return forced;
  Trace("check kanji ");
  return GuessKanjiCode(firstBytes, length);
}

int DetectKanjiCode(const char* path, intptr_t file) {
  char fullPath[kPathBuffer];
  if (!OsFullPath(path, fullPath, sizeof fullPath)) fullPath[0] = '\0';  // no drive: nothing forced by it
  if (ForcedKanjiCode(fullPath, gSettings.KanjiCode, gSettings.EUCDrive) != kKanjiAuto) {
    return KanjiCodeOf(fullPath, nullptr, 0);  // the bytes do not count
  }
  unsigned char sample[kKanjiDecideBytes];
  size_t length = 0;
  while (length < sizeof sample) {
    const long got = ReadRawFile(file, sample + length, sizeof sample - length);
    if (got <= 0) break;
    length += static_cast<size_t>(got);
  }
  SeekRawFile(file, 0, 0);
  return KanjiCodeOf(fullPath, sample, length);
}

}  // namespace zanto
