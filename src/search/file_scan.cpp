#include "search/file_scan.h"

#include <cstdio>
#include <cstring>

#include "base/byte_scan.h"
#include "base/host.h"
#include "base/name_compare.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/date_size_filter.h"
#include "files/path.h"
#include "files/targets.h"
#include "match/expression.h"
#include "match/kanji_code.h"
#include "match/line_state.h"
#include "match/thesaurus.h"
#include "search/line_history.h"
#include "search/match_files.h"
#include "search/result_output.h"
#include "search/scan_match.h"

namespace zanto {

uint32_t gRunMatchCount = 0;
int32_t gFileMatchCount = 0;
uint32_t gRunLineCount = 0;

namespace {

constexpr size_t kLineText = kLineBuffer - 1;     // longest line, bytes
constexpr size_t kProgressLineHead = 127;          // bytes of a line taken for the list
constexpr size_t kProgressHeading = kNameBuffer + 32;
constexpr size_t kOpenErrorText = kPathBuffer + 96;
constexpr int kProgressListRunMatches = 20;        // list every match below this
constexpr int kProgressListFileMatches = 4;        // or the first ones of each file
constexpr uint32_t kProgressEveryMatch = 10;       // show each count below this
constexpr uint32_t kProgressStride = 8;            // then every eighth

// ---------------------------------------------------------------------------
// Reading lines: a large buffer over a raw file, lines found with memchr.

class LineReader {
 public:
  void Start(intptr_t handle) {
    handle_ = handle;
    base_ = 0;
    pos_ = end_ = 0;
    candidateKnown_ = false;
    atEnd_ = false;
  }

  // Makes at least the first bytes of the file available for the binary
  // test without consuming them.
  size_t Peek(const unsigned char** bytes) {
    if (pos_ == end_) Fill();
    *bytes = reinterpret_cast<const unsigned char*>(data_ + pos_);
    return end_ - pos_;
  }

  // Reads one line of at most kLineText bytes (its LF included) into out,
  // NUL-terminated. Returns its byte count, or -1 at the end of the file.
  long ReadLine(char* out) {
    size_t n = 0;
    while (n < kLineText) {
      if (pos_ == end_ && !Fill()) break;
      size_t room = kLineText - n;
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

  // Steps over at most maxLines lines (counted as ReadLine would count
  // them) that cannot hold needle: whole lines before the next place where
  // needle occurs in the bytes held. Returns the lines stepped over; the
  // line holding a candidate, and a line running past the bytes held, are
  // left to ReadLine.
  unsigned long SkipLinesWithout(const PlainNeedle& needle, unsigned long maxLines) {
    if (pos_ == end_ && !Fill()) return 0;
    if (!candidateKnown_ || candidate_ < pos_) {
      candidate_ = FindCandidate(needle);
      candidateKnown_ = true;
    }
    // Only lines that end in the bytes held are stepped over, so a needle
    // running on into the next bytes read keeps its line.
    const size_t limit = candidate_;
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
      if (limit - scan >= kStepBlock && scan + kStepBlock - lineStartBound <= kLineText) {
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

  // Steps over at most maxLines whole lines, each shorter than one piece
  // and ending in the bytes held, that filter shows cannot match. Returns
  // the lines stepped over; the first line that may match is left to
  // ReadLine. Only for lines that need no conversion: the filter looks at
  // the raw bytes.
  unsigned long SkipLinesFiltered(const UnitFilter& filter, unsigned long maxLines) {
    if (pos_ == end_ && !Fill()) return 0;
    unsigned long skipped = 0;
    while (skipped < maxLines && pos_ < end_) {
      const char* from = data_ + pos_;
      const char* lf = static_cast<const char*>(memchr(from, '\n', end_ - pos_));
      if (lf == nullptr) break;
      const size_t length = static_cast<size_t>(lf - from) + 1;
      if (length > kLineText || MayHoldUnits(from, length, filter)) break;
      ++skipped;
      pos_ += length;
    }
    return skipped;
  }

  long Tell() const { return base_ + static_cast<long>(pos_); }

  void Seek(long offset) {
    candidateKnown_ = false;
    if (offset >= base_ && offset <= base_ + static_cast<long>(end_)) {
      pos_ = static_cast<size_t>(offset - base_);
      return;
    }
    OsSeekFile(handle_, offset, 0);
    base_ = offset;
    atEnd_ = false;
    pos_ = end_ = 0;
  }

 private:
  // Bytes whose line ends SkipLinesWithout counts at once; lines end in
  // it every forty bytes or so. Counted in runs short enough for a byte-
  // wide count, which compilers vectorise without widening.
  static constexpr size_t kStepBlock = 256;
  static constexpr size_t kCountRun = 128;
  static_assert(kStepBlock % kCountRun == 0 && kCountRun < 256);
  static constexpr size_t kNoBlock = ~size_t{0};

  // LF bytes among the kStepBlock bytes at bytes.
  static unsigned long CountLineEnds(const char* bytes) {
    return static_cast<unsigned long>(CountLineFeeds(bytes, kStepBlock));
  }

  // Moves pos_ just past the last LF of the block at *block (one that
  // holds a line end), if there is such a block, and forgets the block.
  void SettleAfter(size_t* block) {
    if (*block == kNoBlock) return;
    size_t at = *block + kStepBlock - 1;
    while (data_[at] != '\n') --at;
    pos_ = at + 1;
    *block = kNoBlock;
  }

  // Steps over the line at pos_ when it ends before limit and its pieces
  // (a line longer than kLineText is read as several) fit in maxLines.
  bool StepOneLine(size_t limit, unsigned long maxLines, unsigned long* skipped) {
    if (pos_ >= limit) return false;
    const char* from = data_ + pos_;
    const char* lf = static_cast<const char*>(memchr(from, '\n', limit - pos_));
    if (lf == nullptr) return false;
    const size_t length = static_cast<size_t>(lf - from) + 1;
    const unsigned long pieces = (length + kLineText - 1) / kLineText;
    if (*skipped + pieces > maxLines) return false;
    *skipped += pieces;
    pos_ += length;
    return true;
  }

  // Offset of the first place at or after pos_ where needle's bytes occur
  // in full, or end_.
  size_t FindCandidate(const PlainNeedle& needle) const {
    const char rare = needle.text[needle.rareAt];
    size_t scan = pos_ + needle.rareAt;
    while (scan < end_) {
      const void* hit = memchr(data_ + scan, rare, end_ - scan);
      if (hit == nullptr) break;
      size_t at = static_cast<size_t>(static_cast<const char*>(hit) - data_) - needle.rareAt;
      if (at + needle.length > end_) break;
      if (memcmp(data_ + at, needle.text, needle.length) == 0) return at;
      scan = at + needle.rareAt + 1;
    }
    return end_;
  }

  // A read that comes back short has met the end of the file: the next
  // Fill knows it without asking the system again.
  bool Fill() {
    base_ += static_cast<long>(end_);
    pos_ = end_ = 0;
    candidateKnown_ = false;
    if (atEnd_) return false;
    long got = OsReadFile(handle_, data_, kReadBuffer);
    if (got <= 0) {
      atEnd_ = true;
      return false;
    }
    atEnd_ = static_cast<size_t>(got) < kReadBuffer;
    end_ = static_cast<size_t>(got);
    return true;
  }

  intptr_t handle_ = -1;
  long base_ = 0;    // file offset of data_[0]
  size_t pos_ = 0;   // next byte to hand out
  size_t end_ = 0;   // bytes held
  size_t candidate_ = 0;         // SkipLinesWithout: next candidate or end_
  bool candidateKnown_ = false;  // candidate_ belongs to the bytes held
  bool atEnd_ = false;           // the file has no bytes after those held
  char data_[kReadBuffer];
};

// ---------------------------------------------------------------------------
// Module state.

struct ScanRunState {
  uint32_t lastShownCount;            // match count last shown in the dialog
  bool openErrorsSilenced;            // the user answered No to the open error box
  char fieldText[kFieldBuffer];       // EchoQuery texts
  char searchText[kSearchTextBuffer];
};

// Where reading stands, so that lines read ahead can be read again.
struct ReadMark {
  long offset;   // file offset of the next line
  bool pending;  // a following line was waiting
};

// One file being scanned.
struct FileScan {
  char* path;                        // as written to the result (caller's buffer)
  char givenPath[kPathBuffer];       // before shortcut resolution
  char openPath[kPathBuffer];        // as opened; its access time is restored
  char fullPath[kPathBuffer];        // absolute form of path, when haveFullPath
  bool haveFullPath;
  bool shortcut;                     // a shortcut was resolved
  const char* archivePath;           // archive of a member, or null
  unsigned member;                   // member number, 0 for a plain file
  unsigned number, total;            // file number of the run and the total
  const char* displayName;           // progress list heading
  const char* outputPath;            // absolute output path or empty
  intptr_t handle;                   // open file
  int kanjiCode;                     // 1 Shift_JIS, 2 EUC-JP, 3 JIS
  bool haveAccessTime;               // accessTime was read
  uint64_t accessTime;               // last access before the scan
  bool useHistory;                   // context or block output keeps lines
  unsigned long line;                // number of the current line
  unsigned long linesRead;           // for the count line
  unsigned long messagePoint;        // messages are processed past this line
  size_t joinPosition;               // current line's own length under Connect2
};

// The unit filter of the run's pattern term (RequiredPatternTerm), kept
// with the pattern and folding it was made for: it is made again only when
// they change, not for every file.
struct UnitFilterCache {
  bool made;                           // filter belongs to pattern and folding
  bool usable;                         // the pattern holds characters to look for
  PatternUnit pattern[kPatternUnits];
  int folding;                         // Case and ZenHan
  UnitFilter filter;
};

ScanRunState gRun = {};
UnitFilterCache gUnitFilter = {};
LineReader gReader;
char gFollowingLine[kLineBuffer];   // Connect2: the line after the current one
bool gPending = false;              // gFollowingLine is the next current line
char gScratch[kLineBuffer];         // history lines are written from a copy

bool IsBlank(const char* p) {
  return *p == ' ' || *p == '\t' || (static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40);
}

void ConvertLine(char* line, int kanjiCode) {
  if (kanjiCode == kKanjiEuc) {
    EucLineToSjis(line);
  } else if (kanjiCode == kKanjiJis) {
    JisLineToSjis(line);
  }
}

// Obtains the next current line: the waiting following line, or a new one
// read and converted. False at the end of the file.
bool ObtainLine(FileScan& f) {
  if (gPending) {
    memcpy(gCurrentLine, gFollowingLine, strlen(gFollowingLine) + 1);
    gPending = false;
    return true;
  }
  if (gReader.ReadLine(gCurrentLine) < 0) return false;
  ConvertLine(gCurrentLine, f.kanjiCode);
  return true;
}

ReadMark MarkReading() { return {gReader.Tell(), gPending}; }

void ReturnTo(const ReadMark& mark) {
  gReader.Seek(mark.offset);
  gPending = mark.pending;
}

void RemoveLineEnd(char* line, size_t* length) {
  size_t n = *length;
  if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
  if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
  *length = n;
}

// Connect2: joins the following line (without its leading blanks) to the
// current one, which is cut to the line buffer at a character boundary.
void JoinFollowingLine(FileScan& f) {
  size_t length = strlen(gCurrentLine);
  f.joinPosition = length;
  if (gReader.ReadLine(gFollowingLine) < 0) {
    gPending = false;
    return;
  }
  ConvertLine(gFollowingLine, f.kanjiCode);
  gPending = true;
  RemoveLineEnd(gCurrentLine, &length);
  f.joinPosition = length;
  const char* rest = gFollowingLine;
  while (IsBlank(rest)) rest += *rest == ' ' || *rest == '\t' ? 1 : 2;
  if (rest != gFollowingLine) memmove(gFollowingLine, rest, strlen(rest) + 1);
  CopyText(gCurrentLine + length, kLineBuffer - length, gFollowingLine);
}

bool SynonymCountsWanted() { return gThesaurus != nullptr && gSettings.ThesaurusCount && gSettings.Thesaurus; }

char KanjiLetter(int code) { return code == kKanjiEuc ? 'E' : code == kKanjiJis ? 'J' : 'S'; }

// ---------------------------------------------------------------------------
// Writing.

void WriteHeading(const FileScan& f) {
  if (f.shortcut) {
    WriteResultFormat("===== %s(%s) =====\r\n", f.path, f.givenPath);
  } else if (f.archivePath != nullptr) {
    WriteResultFormat("===== %s(%s) =====\r\n", f.path, f.archivePath);
  } else {
    WriteResultFormat("===== %s =====\r\n", f.path);
  }
}

void WriteHistoryLine(const FileScan& f, const char* line, unsigned long number, char sign) {
  CopyText(gScratch, sizeof gScratch, line);
  WriteResultLine(gScratch, f.path, number, sign);
}

void WriteTextLine(const char* text) {
  if (text[0] != '\0') WriteResultFormat("%s\r\n", text);
}

// The line naming the file and first line of a context group or block. It
// carries the heading text as the line prefixes do, so that it can be
// found as a file reference like them.
void WriteGroupHeader(const FileScan& f, unsigned long number) {
  if (gSettings.Midashi) WriteResultFormat("%s ", gSettings.StrMidashi);
  WriteResultFormat("%s %lu\r\n", QuotePath(f.path), number);
}

// Context lines before a match on the current line.
void WriteLinesBefore(const FileScan& f) {
  WriteTextLine(gSettings.ZStartString);
  bool found = false;
  for (int k = gSettings.ZengoLine; k >= 1; --k) {
    const char* line = gLineHistory.At(k);
    if (line == nullptr) continue;
    if (!found && gSettings.PrintFile) WriteGroupHeader(f, f.line - k);
    found = true;
    WriteHistoryLine(f, line, f.line - k, '<');
  }
  if (gSettings.PrintFile && !found) WriteGroupHeader(f, f.line);
}

// Context lines after a match; they are read again afterwards as ordinary
// lines.
void WriteLinesAfter(FileScan& f) {
  ReadMark mark = MarkReading();
  for (int j = 1; j <= gSettings.ZengoLine2; ++j) {
    if (!ObtainLine(f)) break;
    WriteResultLine(gCurrentLine, f.path, f.line + j, '>');
  }
  WriteTextLine(gSettings.ZEndString);
  ReturnTo(mark);
}

const BlockSet& ActiveBlockSet() { return gSettings.BlockSets[gSettings.BlockType]; }

// Looks back from the match for the block start and writes the start of
// the block.
void WriteBlockStart(const FileScan& f) {
  const BlockSet& set = ActiveBlockSet();
  int reach = gSettings.BlockLine;
  int d = 0;
  for (;; ++d) {
    if (d >= reach) {
      d = reach;
      // A reach that ends just before the first line of the file would
      // name line 0 and write none of the lines before the match.
      if (gLineHistory.At(d) == nullptr) --d;
      break;
    }
    const char* line = gLineHistory.At(d);
    if (line == nullptr) {
      --d;
      break;
    }
    int p = MatchBlockPattern(line);
    if (p >= 0) {
      if (set.endFlag[p]) --d;
      break;
    }
  }
  WriteTextLine(set.startText);
  if (gSettings.PrintFile) WriteGroupHeader(f, f.line - d);
  for (int k = d; k >= 1; --k) {
    const char* line = gLineHistory.At(k);
    if (line == nullptr) break;
    WriteHistoryLine(f, line, f.line - k, '<');
  }
}

// Reads and writes the rest of the block after the match line. A line that
// starts the next block, or the last line when the reach runs out, is given
// back to be read again as an ordinary line.
void WriteBlockEnd(FileScan& f) {
  const BlockSet& set = ActiveBlockSet();
  for (int k = 1;; ++k) {
    ReadMark mark = MarkReading();
    if (!ObtainLine(f)) break;
    gLineHistory.Add(gCurrentLine);
    ++f.line;
    char sign = '>';
    if (gSettings.BlockMulti && EvaluateCurrentLine() == kLineMatches) sign = ':';
    int p = MatchBlockPattern(gCurrentLine);
    bool giveBack = false;
    if (p >= 0 && set.endFlag[p]) {
      WriteResultLine(gCurrentLine, f.path, f.line, sign);
      break;
    }
    if (p >= 0) {
      giveBack = true;
    } else {
      WriteResultLine(gCurrentLine, f.path, f.line, sign);
      giveBack = k >= gSettings.BlockLine;
    }
    if (giveBack) {
      gLineHistory.RemoveLast();
      --f.line;
      ReturnTo(mark);
      break;
    }
  }
  WriteTextLine(set.endText);
}

void ListMatchInProgress(const FileScan& f) {
  if (gRunMatchCount >= static_cast<uint32_t>(kProgressListRunMatches) && gFileMatchCount >= kProgressListFileMatches) return;
  Host& host = GetHost();
  if (gFileMatchCount == 1) {
    char heading[kProgressHeading];
    snprintf(heading, sizeof heading, "■ %s ■■■■■", f.displayName);
    TruncateText(heading, sizeof heading - 1);
    host.AddProgressLine(heading);
  }
  char text[kProgressLineHead + 2];
  text[0] = ' ';
  size_t n = 0;
  while (n < kProgressLineHead && gCurrentLine[n] != '\0' && gCurrentLine[n] != '\r' && gCurrentLine[n] != '\n') {
    text[n + 1] = gCurrentLine[n];
    ++n;
  }
  text[n + 1] = '\0';
  TruncateText(text, kProgressLine);
  host.AddProgressLine(text);
}

void ShowMatchCount() {
  char text[32];
  snprintf(text, sizeof text, kMatchCountFormat, static_cast<unsigned long>(gRunMatchCount));
  GetHost().SetProgressText(kProgressMatchCount, text);
  gRun.lastShownCount = gRunMatchCount;
}

enum class AfterMatch { Continue, EndFile };

// Everything a match on the current line writes.
AfterMatch OnMatch(FileScan& f) {
  ++gFileMatchCount;
  ++gRunMatchCount;
  const SearchSettings& s = gSettings;
  bool first = gFileMatchCount == 1;
  if (s.Verbose && first) WriteHeading(f);
  if (s.Zengo) {
    WriteLinesBefore(f);
  } else if (s.BlockOut) {
    WriteBlockStart(f);
  }
  if (s.Connect2 && (s.Zengo || s.BlockOut)) gCurrentLine[f.joinPosition] = '\0';
  if (gRunMatchCount == 1 && s.EchoQuery) {
    WriteResultFormat("%s\r\n", gRun.fieldText);
    WriteResultFormat("%s\r\n", gRun.searchText);
  }
  switch (s.FileListForm) {
    case 1:
      WriteResultFormat("%s\r\n", f.path);
      return AfterMatch::EndFile;
    case 2:
      if (first) WriteResultFormat("%s\t", f.path);
      WriteResultFormat("%lu ", f.line);
      break;
    case 3:
      if (first) {
        WriteResultText(f.path);
        WriteResultText("\r\n");
      }
      WriteResultFormat("%lu\r\n", f.line);
      break;
    default:
      WriteResultLine(gCurrentLine, f.path, f.line, ':');
      break;
  }
  ListMatchInProgress(f);
  if (s.Zengo && s.ZengoLine2 != 0) {
    WriteLinesAfter(f);
  } else if (s.BlockOut) {
    WriteBlockEnd(f);
  }
  if (s.CountStop != 0 && gFileMatchCount >= s.CountStop) {
    if (s.Verbose) WriteResultText("skip...\r\n");
    return AfterMatch::EndFile;
  }
  return AfterMatch::Continue;
}

// Dispatches pending messages (the pause loop included) at message points.
// True when the user asked to stop.
bool ProcessMessagesAtPoint(FileScan& f) {
  if (f.line <= f.messagePoint) return false;
  Host& host = GetHost();
  do {
    host.ProcessMessages();
  } while (gPauseRequested && !gAbortRequested);
  f.messagePoint = f.line + kMessageInterval;
  return gAbortRequested != 0;
}

void RestoreAccessTime(const FileScan& f) {
  if (f.haveAccessTime) OsSetLastAccessTime(f.openPath, f.accessTime);
}

void CloseAndRestore(FileScan& f) {
  OsCloseFile(f.handle);
  f.handle = -1;
  RestoreAccessTime(f);
}

void FinishFile(FileScan& f) {
  CloseAndRestore(f);
  const SearchSettings& s = gSettings;
  if (gFileMatchCount > 0) {
    if (s.FileListForm == 2) WriteResultText("\r\n");
    if (s.FileListForm == 3) WriteResultText("*\r\n");
  }
  gRunLineCount += static_cast<uint32_t>(f.linesRead);
  if (SynonymCountsWanted()) {
    for (const ThesaurusEntry* e = gThesaurus; e->word != nullptr; ++e) {
      if (e->count > 0) WriteResultFormat("** %s=%d\r\n", e->word, e->count);
    }
  }
  if (s.Verbose) {
    char memberText[16] = "";
    if (f.archivePath != nullptr && f.member > 0) snprintf(memberText, sizeof memberText, "-%u", f.member);
    WriteResultFormat("*** %s  %ld 行中 マッチした数 %lu(%lu)  ファイル(%u%s/%u)%c\r\n", QuotePath(f.path),
                      static_cast<long>(f.linesRead), static_cast<unsigned long>(gFileMatchCount),
                      static_cast<unsigned long>(gRunMatchCount), f.number, memberText, f.total,
                      KanjiLetter(f.kanjiCode));
  }
}

// The filter for lines of this file, or null.
const UnitFilter* ActiveUnitFilter() {
  const SearchTerm* term = RequiredPatternTerm();
  if (term == nullptr) return nullptr;
  UnitFilterCache& cache = gUnitFilter;
  const int folding = (gSettings.Case ? 1 : 0) | (gSettings.ZenHan ? 2 : 0);
  if (!cache.made || cache.folding != folding || memcmp(cache.pattern, term->units, sizeof cache.pattern) != 0) {
    memcpy(cache.pattern, term->units, sizeof cache.pattern);
    cache.folding = folding;
    cache.usable = BuildUnitFilter(term->units, &cache.filter);
    cache.made = true;
  }
  return cache.usable ? &cache.filter : nullptr;
}

// Steps over lines that cannot match, up to the next message point: by the
// needle a block of lines at a time, by the filter a line at a time. With
// both, the filter looks only at the lines where the needle stops.
void StepOverLines(FileScan& f, const PlainNeedle* needle, const UnitFilter* filter) {
  for (;;) {
    if (needle != nullptr && f.messagePoint > f.line) {
      f.line += gReader.SkipLinesWithout(*needle, f.messagePoint - f.line);
    }
    if (filter == nullptr || f.messagePoint <= f.line) return;
    const unsigned long most = needle != nullptr ? 1 : f.messagePoint - f.line;
    const unsigned long refused = gReader.SkipLinesFiltered(*filter, most);
    f.line += refused;
    if (refused == 0 || needle == nullptr) return;
  }
}

// The line loop. Returns 0 on an evaluation error, else 1. Lines read are
// those obtained, block lines included; a given-back line counts once.
int ScanLines(FileScan& f) {
  const SearchSettings& s = gSettings;
  gPending = false;
  f.line = 0;
  f.messagePoint = 0;
  PlainNeedle needle;
  // Lines that cannot match are stepped over without being evaluated; the
  // line at each message point is still read, so that messages, progress
  // and stops behave exactly as without the step.
  const bool stepping = !s.Connect2 && !s.Zengo && !s.BlockOut && f.kanjiCode == kKanjiSjis;
  const bool skipping = stepping && RequiredPlainText(&needle);
  // Lines of a pattern term are tested cheaply for its characters before
  // they are converted; the first line of a file is always evaluated, so
  // that an expression that fails does so where it did. Where stepping
  // over lines is possible, lines the filter refuses are stepped over too.
  const UnitFilter* filter = ActiveUnitFilter();
  for (;;) {
    if (stepping) StepOverLines(f, skipping ? &needle : nullptr, filter);
    ++f.line;
    if (!ObtainLine(f)) {
      --f.line;
      break;
    }
    if (f.useHistory) gLineHistory.Add(gCurrentLine);
    if (s.Connect2) JoinFollowingLine(f);
    int result = EvaluateCurrentLine(f.line > 1 ? filter : nullptr);
    if (result == kLineError) {
      CloseAndRestore(f);
      ShowInformation(kWrongSearchText);
      return 0;
    }
    if (result == kLineMatches && OnMatch(f) == AfterMatch::EndFile) break;
    if (gRunMatchCount != gRun.lastShownCount &&
        (f.line > f.messagePoint || gRunMatchCount < kProgressEveryMatch || gRunMatchCount % kProgressStride == 0)) {
      ShowMatchCount();
      if (ResultOverflow()) break;
    }
    if (ProcessMessagesAtPoint(f)) break;
  }
  f.linesRead = f.line;
  FinishFile(f);
  return 1;
}

// Opening failed: note, and the question whether to go on showing it.
void ReportOpenError(const FileScan& f) {
  if (gSettings.Verbose) WriteResultFormat("cannot open %s\r\n", f.path);
  if (gRun.openErrorsSilenced) return;
  char text[kOpenErrorText];
  snprintf(text, sizeof text, "ファイルを開けません\n%s\nこれ以降もエラーメッセージを表示しますか？", f.path);
  int answer = GetHost().ShowMessage(text, kBoxYesNoCancel | kBoxIconInformation);
  if (answer == kAnswerNo) gRun.openErrorsSilenced = true;
  if (answer == kAnswerCancel) gAbortRequested = 1;
}

// Skips a file whose first bytes look binary. True when skipped.
bool SkipBinary(FileScan& f) {
  if (!gSettings.NotSearchBin) return false;
  const unsigned char* sample;
  size_t n = gReader.Peek(&sample);
  if (!LooksBinary(sample, n < kBinarySample ? n : kBinarySample, f.kanjiCode)) return false;
  if (gSettings.Verbose) {
    if (f.shortcut) {
      WriteResultFormat("skip %s(%s) is binary\r\n", f.path, f.givenPath);
    } else {
      WriteResultFormat("skip %s is binary\r\n", f.path);
    }
  }
  CloseAndRestore(f);
  return true;
}

// The output file is never searched. True when skipped. Under FullPath the
// full path replaces the path from here on.
bool SkipOutputFile(FileScan& f) {
  const char* full = f.haveFullPath ? f.fullPath : f.path;
  if (f.outputPath != nullptr && f.outputPath[0] != '\0' && SamePath(full, f.outputPath)) {
    if (gSettings.Verbose) WriteResultFormat("skip %s\r\n", f.path);
    CloseAndRestore(f);
    return true;
  }
  if (gSettings.FullPath && full != f.path) CopyText(f.path, kPathBuffer, full);
  return false;
}

// The kanji code from the first bytes read for the scan itself, so that
// the file is read once.
int KanjiCodeOfReader(const FileScan& f) {
  const unsigned char* head;
  const size_t length = gReader.Peek(&head);
  return KanjiCodeOf(f.haveFullPath ? f.fullPath : "", head, length);
}

}  // namespace

bool LooksBinary(const unsigned char* sample, size_t length, int kanjiCode) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = sample[i];
    if (c == 0x00 || c == 0xFF) return true;
    if ((c == 0xFD || c == 0xFE) && kanjiCode != kKanjiEuc) return true;
  }
  return false;
}

void ResetScanRunState(const char* fieldText, const char* searchText) {
  gRun.lastShownCount = 0;
  gRun.openErrorsSilenced = false;
  CopyText(gRun.fieldText, sizeof gRun.fieldText, fieldText ? fieldText : "");
  CopyText(gRun.searchText, sizeof gRun.searchText, searchText ? searchText : "");
}

int ScanFile(char* path, unsigned number, unsigned total, const FindRecord* record, const char* outputPath,
             const char* archivePath, unsigned member, const char* displayName) {
  if (path == nullptr) {
    gRun.lastShownCount = 0;
    return 0;
  }
  const SearchSettings& s = gSettings;
  FileScan f = {};
  f.path = path;
  f.archivePath = archivePath;
  f.member = member;
  f.number = number;
  f.total = total;
  f.displayName = displayName ? displayName : "";
  f.outputPath = outputPath;
  f.handle = -1;
  f.useHistory = (s.Zengo || s.BlockOut) && gLineHistory.Allocated();
  gLineHistory.Clear();
  gFileMatchCount = 0;
  CopyText(f.givenPath, sizeof f.givenPath, path);

  FindRecord found = record ? *record : FindRecord{};
  bool filter = true;
  if (s.ShortCut && archivePath == nullptr && ResolveShortcut(path)) {
    f.shortcut = true;
    FindRecord target;
    uint32_t mask = kTargetMask | (s.SearchHide ? kHiddenSystem : 0);
    if (FindFirst(path, &target, mask) == 0) {
      found = target;
      FindEnd(&target);
    } else {
      filter = false;
    }
  }
  char skipReason[kSkipReasonBuffer];
  if (filter && !PassesDateSizeFilter(path, found, skipReason)) {
    if (s.Verbose) WriteResultFormat("skip %s %s\r\n", found.name, skipReason);
    return 1;
  }

  CopyText(f.openPath, sizeof f.openPath, path);
  f.handle = OsOpenFile(path, kOpenRead | kShareAll);
  if (f.handle < 0) {
    ReportOpenError(f);
    return 1;
  }
  OsFileTimes times = {};
  f.haveAccessTime = OsGetOpenFileTimes(f.handle, &times);
  f.accessTime = times.lastAccess;
  f.haveFullPath = OsFullPath(path, f.fullPath, sizeof f.fullPath);
  gReader.Start(f.handle);
  f.kanjiCode = KanjiCodeOfReader(f);
  if (SkipBinary(f) || SkipOutputFile(f)) return 1;
  if (SynonymCountsWanted()) ResetThesaurusCounts();
  BeginFileEvaluation();
  return ScanLines(f);
}

}  // namespace zanto
