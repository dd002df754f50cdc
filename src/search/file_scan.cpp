#include "search/file_scan.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/host.h"
#include "base/name_compare.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/date_size_filter.h"
#include "files/document/document_text.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/zip/zip_package.h"
#include "match/expression.h"
#include "match/kanji_code.h"
#include "match/line_matcher.h"
#include "search/file_lines.h"
#include "search/line_history.h"
#include "search/line_reader.h"
#include "search/match_files.h"
#include "search/match_writer.h"
#include "search/prepared_search.h"
#include "search/result_output.h"
#include "search/scan_match.h"
#include "search/unicode_steps.h"

namespace zanto {

namespace {

constexpr size_t kOpenErrorText = kPathBuffer + 96;
constexpr int kProgressListRunMatches = 20;        // list every match below this
constexpr int kProgressListFileMatches = 4;        // or the first ones of each file
constexpr uint32_t kProgressEveryMatch = 10;       // show each count below this
constexpr uint32_t kProgressStride = 8;            // then every eighth

// Where reading stands, so that lines read ahead can be read again.
struct ReadMark {
  int64_t offset;  // file offset of the next line
  bool pending;  // a following line was waiting
};

// One file being scanned. Its writer points into it (givenPath), so it
// stays where ScanFile made it.
struct FileScan {
  const ScanTarget* target;          // as handed to ScanFile
  const PreparedSearch* search;      // the run's
  LineMatcher* matcher;              // the run's: the current line is its line
  ScanRun* run;                      // the run's reader, history and counts
  char* path;                        // target->path: as written to the result
  char givenPath[kPathBuffer];       // before shortcut resolution
  char openPath[kPathBuffer];        // as opened; its access time is restored
  char fullPath[kPathBuffer];        // absolute form of path, when haveFullPath
  bool haveFullPath;
  bool shortcut;                     // a shortcut was resolved
  MatchWriter writer;                // names the file as path and givenPath say
  intptr_t handle;                   // open file
  int kanjiCode;                     // KanjiCodeChoice, never kKanjiAuto
  bool haveAccessTime;               // accessTime was read
  bool timesByHandle;                // handle may put back its times
  uint64_t accessTime;               // last access before the scan
  bool useHistory;                   // context or block output keeps lines
  unsigned long line;                // number of the current line
  unsigned long messagePoint;        // messages are processed past this line
  size_t joinPosition;               // current line's own length under Connect2
  bool notText;                      // an office document that could not be read as one
};

// ---------------------------------------------------------------------------
// Lines: read, converted, joined, and read again.

bool IsBlank(const char* p) {
  return *p == ' ' || *p == '\t' || (static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40);
}

// EUC-JP and JIS lines become Shift_JIS in place; the others are already.
void LineToSjis(char* line, int kanjiCode) {
  if (kanjiCode == kKanjiEuc) {
    EucLineToSjis(line);
  } else if (kanjiCode == kKanjiJis) {
    JisLineToSjis(line);
  }
}

// Obtains the next current line: the waiting following line, or a new one
// read and converted. False at the end of the file.
bool ObtainLine(const FileScan& f) {
  char* line = f.matcher->line;
  if (f.run->pending) {
    memcpy(line, f.run->followingLine, strlen(f.run->followingLine) + 1);
    f.run->pending = false;
    return true;
  }
  if (f.run->reader.ReadLine(line) < 0) return false;
  LineToSjis(line, f.kanjiCode);
  return true;
}

ReadMark MarkReading(const ScanRun& run) { return {run.reader.Tell(), run.pending}; }

void ReturnTo(ScanRun& run, const ReadMark& mark) {
  run.reader.Seek(mark.offset);
  run.pending = mark.pending;
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
  char* current = f.matcher->line;
  size_t length = strlen(current);
  f.joinPosition = length;
  if (f.run->reader.ReadLine(f.run->followingLine) < 0) {
    f.run->pending = false;
    return;
  }
  LineToSjis(f.run->followingLine, f.kanjiCode);
  f.run->pending = true;
  RemoveLineEnd(current, &length);
  f.joinPosition = length;
  const char* rest = f.run->followingLine;
  while (IsBlank(rest)) rest += *rest == ' ' || *rest == '\t' ? 1 : 2;
  if (rest != f.run->followingLine) memmove(f.run->followingLine, rest, strlen(rest) + 1);
  CopyText(current + length, kLineBuffer - length, f.run->followingLine);
}

// ---------------------------------------------------------------------------
// Context and blocks: which lines around a match belong to it.

// Context lines after a match; they are read again afterwards as ordinary
// lines.
void WriteLinesAfter(FileScan& f) {
  ReadMark mark = MarkReading(*f.run);
  for (int j = 1; j <= gSettings.ZengoLine2; ++j) {
    if (!ObtainLine(f)) break;
    f.writer.LineAfter(f.matcher->line, f.line + j, '>');
  }
  f.writer.ContextEnd();
  ReturnTo(*f.run, mark);
}

const BlockSet& ActiveBlockSet() { return gSettings.BlockSets[gSettings.BlockType]; }

// How many lines before the match on the current line its block starts:
// looking back at most BlockLine lines, at a start line or just after an
// end line (-1 when the match line itself ends a block), and never before
// the first line of the file.
int BlockReach(FileScan& f) {
  const BlockSet& set = ActiveBlockSet();
  const int limit = gSettings.BlockLine;
  int d = 0;
  for (;; ++d) {
    if (d >= limit) {
      d = limit;
      // A reach that ends just before the first line of the file would
      // name line 0 and write none of the lines before the match.
      if (f.run->history.At(d) == nullptr) --d;
      break;
    }
    const char* line = f.run->history.At(d);
    if (line == nullptr) {
      --d;
      break;
    }
    int p = f.matcher->MatchBlockPattern(line);
    if (p >= 0) {
      if (set.endFlag[p]) --d;
      break;
    }
  }
  return d;
}

// Reads and writes the rest of the block after the match line. A line that
// starts the next block, or the last line when the reach runs out, is given
// back to be read again as an ordinary line.
void WriteBlockEnd(FileScan& f) {
  const BlockSet& set = ActiveBlockSet();
  char* current = f.matcher->line;
  for (int k = 1;; ++k) {
    ReadMark mark = MarkReading(*f.run);
    if (!ObtainLine(f)) break;
    f.run->history.Add(current);
    ++f.line;
    char sign = '>';
    if (gSettings.BlockMulti && EvaluateCurrentLine(*f.matcher) == kLineMatches) sign = ':';
    int p = f.matcher->MatchBlockPattern(current);
    bool giveBack = false;
    if (p >= 0 && set.endFlag[p]) {
      f.writer.LineAfter(current, f.line, sign);
      break;
    }
    if (p >= 0) {
      giveBack = true;
    } else {
      f.writer.LineAfter(current, f.line, sign);
      giveBack = k >= gSettings.BlockLine;
    }
    if (giveBack) {
      f.run->history.RemoveLast();
      --f.line;
      ReturnTo(*f.run, mark);
      break;
    }
  }
  f.writer.BlockEnd();
}

// ---------------------------------------------------------------------------
// Progress.

void ListMatchInProgress(const FileScan& f) {
  if (f.run->runMatchCount >= static_cast<uint32_t>(kProgressListRunMatches) && f.run->fileMatchCount >= kProgressListFileMatches) return;
  Host& host = GetHost();
  if (f.run->fileMatchCount == 1) host.FirstMatchListed(ListedLine::kHeading, f.target->displayName ? f.target->displayName : "");
  host.FirstMatchListed(ListedLine::kMatch, f.matcher->line);
}

void ShowMatchCount(ScanRun& run) {
  GetHost().MatchCountChanged(static_cast<unsigned long>(run.runMatchCount));
  run.lastShownCount = run.runMatchCount;
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

// ---------------------------------------------------------------------------
// The line loop.

enum class AfterMatch { Continue, EndFile };

// Everything a match on the current line brings about, in the order its
// parts are written.
AfterMatch OnMatch(FileScan& f) {
  ++f.run->fileMatchCount;
  ++f.run->runMatchCount;
  const SearchSettings& s = gSettings;
  MatchWriter& writer = f.writer;
  char* current = f.matcher->line;
  const bool first = f.run->fileMatchCount == 1;
  if (first) writer.FileHeading();
  if (s.Zengo) {
    writer.ContextBefore(f.run->history, f.line);
  } else if (s.BlockOut) {
    writer.BlockStart(f.run->history, f.line, BlockReach(f));
  }
  // Context and blocks show the match line as it was read, not joined.
  if (s.Connect2 && (s.Zengo || s.BlockOut)) current[f.joinPosition] = '\0';
  if (f.run->runMatchCount == 1) writer.QueryEcho(f.run->fieldText, f.run->searchText);
  writer.MatchLine(current, f.line, first);
  // A list of file names needs only the first match of each file.
  if (s.FileListForm == kListFileNames) return AfterMatch::EndFile;
  ListMatchInProgress(f);
  if (s.Zengo && s.ZengoLine2 != 0) {
    WriteLinesAfter(f);
  } else if (s.BlockOut) {
    WriteBlockEnd(f);
  }
  if (s.CountStop != 0 && f.run->fileMatchCount >= s.CountStop) {
    writer.CountStopNote();
    return AfterMatch::EndFile;
  }
  return AfterMatch::Continue;
}

// Through the open handle where it may, so that the file is not opened
// again; else by path once it is closed. The text of a document (up to
// kMaxDocumentText) is kept only while the document is scanned.
void CloseAndRestore(FileScan& f) {
  std::string().swap(f.run->documentText);
  const bool restored = f.haveAccessTime && f.timesByHandle && OsSetOpenFileAccessTime(f.handle, f.accessTime);
  OsCloseFile(f.handle);
  f.handle = -1;
  if (f.haveAccessTime && !restored) OsSetLastAccessTime(f.openPath, f.accessTime);
}

void FinishFile(FileScan& f, unsigned long linesRead) {
  CloseAndRestore(f);
  f.run->runLineCount += static_cast<uint32_t>(linesRead);
  f.writer.FileDone({linesRead, static_cast<unsigned long>(f.run->fileMatchCount),
                     static_cast<unsigned long>(f.run->runMatchCount), f.kanjiCode});
}

// Steps over lines that cannot match, up to the next message point: by the
// needle a block of lines at a time, by the filter a line at a time. With
// both, the filter looks only at the lines where the needle stops.
void StepOverLines(FileScan& f, const PlainNeedle* needle, const UnitFilter* filter) {
  for (;;) {
    if (needle != nullptr && f.messagePoint > f.line) {
      f.line += f.run->reader.SkipLinesWithout(*needle, f.messagePoint - f.line);
    }
    if (filter == nullptr || f.messagePoint <= f.line) return;
    const unsigned long most = needle != nullptr ? 1 : f.messagePoint - f.line;
    const unsigned long refused = f.run->reader.SkipLinesFiltered(*filter, most);
    f.line += refused;
    if (refused == 0 || needle == nullptr) return;
  }
}

// The line loop. Lines read are those obtained, block lines included; a
// given-back line counts once.
void ScanLines(FileScan& f) {
  const SearchSettings& s = gSettings;
  f.run->pending = false;
  f.line = 0;
  f.messagePoint = 0;
  const PreparedSearch& search = *f.search;
  // Lines that cannot match are stepped over without being evaluated; the
  // line at each message point is still read, so that messages, progress
  // and stops behave exactly as without the step.
  const bool stepping = !s.Connect2 && !s.Zengo && !s.BlockOut && f.kanjiCode == kKanjiSjis;
  // Where the filter wants a rarer character than the needle holds (削 in
  // ファイル.*削除), the lines are stepped over by the filter alone.
  const bool skipping = stepping && search.haveNeedle && !search.filterFirst;
  // Lines of a pattern term are tested cheaply for its characters before
  // they are converted; the first line of a file is always evaluated, so
  // that an expression that fails does so where it did. Where stepping
  // over lines is possible, lines the filter refuses are stepped over too.
  const UnitFilter* filter = search.haveFilter ? &search.filter : nullptr;
  // A UTF-8 or UTF-16 file is stepped over by the raw forms of a character
  // every matching line holds, so that only the lines that may hold it are
  // converted.
  const bool unicodeStepping = !s.Connect2 && !s.Zengo && !s.BlockOut;
  const UnicodeAnchor* anchor = unicodeStepping ? UnicodeAnchorOfFile(f.run->reader, search.unicodeAnchors) : nullptr;
  for (;;) {
    if (stepping) StepOverLines(f, skipping ? &search.needle : nullptr, filter);
    if (anchor != nullptr && f.messagePoint > f.line) {
      f.line += f.run->reader.SkipUnicodeLinesWithout(*anchor, f.messagePoint - f.line);
    }
    ++f.line;
    if (!ObtainLine(f)) {
      --f.line;
      break;
    }
    if (f.useHistory) f.run->history.Add(f.matcher->line);
    if (s.Connect2) JoinFollowingLine(f);
    const int result = EvaluateCurrentLine(*f.matcher, f.line > 1 ? filter : nullptr);
    if (result == kLineMatches && OnMatch(f) == AfterMatch::EndFile) break;
    if (f.run->runMatchCount != f.run->lastShownCount &&
        (f.line > f.messagePoint || f.run->runMatchCount < kProgressEveryMatch || f.run->runMatchCount % kProgressStride == 0)) {
      ShowMatchCount(*f.run);
      if (f.writer.Overflow()) break;
    }
    if (ProcessMessagesAtPoint(f)) break;
  }
  FinishFile(f, f.line);
}

// ---------------------------------------------------------------------------
// Before the loop: files left unread.

// Opening failed: note, and the question whether to go on showing it.
void ReportOpenError(FileScan& f) {
  f.writer.OpenErrorNote();
  if (f.run->openErrorsSilenced) return;
  char text[kOpenErrorText];
  snprintf(text, sizeof text, "ファイルを開けません\n%s\nこれ以降もエラーメッセージを表示しますか？", f.path);
  int answer = GetHost().ShowMessage(text, kBoxYesNoCancel | kBoxIconInformation);
  if (answer == kAnswerNo) f.run->openErrorsSilenced = true;
  if (answer == kAnswerCancel) gAbortRequested = 1;
}

// Skips a file whose first bytes look binary, and an office document that
// is not one. True when skipped.
bool SkipBinary(FileScan& f) {
  if (!gSettings.NotSearchBin) return false;
  if (!f.notText) {
    const unsigned char* sample;
    size_t n = f.run->reader.Peek(&sample);
    if (!LooksBinary(sample, n < kBinarySample ? n : kBinarySample, f.kanjiCode)) return false;
  }
  f.writer.BinaryNote();
  CloseAndRestore(f);
  return true;
}

// The output file is never searched. True when skipped. Under FullPath the
// full path replaces the path from here on.
bool SkipOutputFile(FileScan& f) {
  const char* full = f.haveFullPath ? f.fullPath : f.path;
  const char* outputPath = f.target->outputPath;
  if (outputPath != nullptr && outputPath[0] != '\0' && SamePath(full, outputPath)) {
    f.writer.OutputFileNote();
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
  const size_t length = f.run->reader.Peek(&head);
  return KanjiCodeOf(f.haveFullPath ? f.fullPath : "", head, length);
}

// Follows a shortcut (ShortCut) to its target, which then takes the place
// of the path and of its directory entry. False when the target cannot be
// found: the date and size rules then do not apply.
bool FollowShortcut(FileScan& f, FindRecord* found) {
  if (!gSettings.ShortCut || f.target->archivePath != nullptr || !ResolveShortcut(f.path)) return true;
  f.shortcut = true;
  FindRecord target;
  uint32_t mask = kTargetMask | (gSettings.SearchHide ? kHiddenSystem : 0);
  if (FindFirst(f.path, &target, mask) != 0) return false;
  *found = target;
  FindEnd(&target);
  return true;
}

WrittenFile WrittenFileOf(const FileScan& f) {
  const ScanTarget& t = *f.target;
  return {f.path, f.shortcut ? f.givenPath : nullptr, t.archivePath, t.member, t.number, t.total};
}

enum class DocumentText {
  kNone,        // no document, or DocSearch is off: the file is read as it is
  kRead,        // the reader holds the document's text
  kNotText,     // a document that is not one: the file is binary
  kUnreadable,  // a part the package cannot give: the file cannot be read
};

// Reads an office document (by its extension) as its text, a paragraph or
// row a line in UTF-8, which the reader then hands out in place of the
// file's bytes.
DocumentText ReadDocument(FileScan& f) {
  const document::DocumentKind kind = document::DocumentKindOf(f.path);
  if (!f.search->options.documents || kind == document::DocumentKind::kNone) return DocumentText::kNone;
  const document::DocumentResult result = document::ReadDocumentFile(kind, f.handle, &f.run->documentText);
  if (result.ok()) {
    f.run->reader.StartBytes(f.run->documentText.data(), f.run->documentText.size());
    return DocumentText::kRead;
  }
  Trace("%s: %s", f.path, document::DescribeResult(result).c_str());
  return document::IsReadFault(result) ? DocumentText::kUnreadable : DocumentText::kNotText;
}

// Starts the reader on the file's bytes, or on the text of the document it
// is, and finds the kanji code.
bool StartReading(FileScan& f) {
  const DocumentText text = ReadDocument(f);
  if (text == DocumentText::kUnreadable) return false;
  if (text == DocumentText::kRead) {
    f.kanjiCode = kKanjiUtf8;
  } else {
    // A document that is not one is searched as any file's bytes are.
    f.notText = text == DocumentText::kNotText;
    if (f.notText) OsSeekFile(f.handle, 0, 0);
    f.run->reader.Start(f.handle);
    f.kanjiCode = KanjiCodeOfReader(f);
  }
  ReadLinesInCode(f.run->reader, f.kanjiCode);
  return true;
}

// Opens the file and reads its first bytes. False when it cannot be opened
// or, for a document, read.
bool OpenForScan(FileScan& f) {
  CopyText(f.openPath, sizeof f.openPath, f.path);
  f.handle = OsOpenFileToScan(f.path, &f.timesByHandle);
  if (f.handle < 0) return false;
  OsFileTimes times = {};
  f.haveAccessTime = OsGetOpenFileTimes(f.handle, &times);
  f.accessTime = times.lastAccess;
  f.haveFullPath = OsFullPath(f.path, f.fullPath, sizeof f.fullPath);
  if (StartReading(f)) return true;
  CloseAndRestore(f);
  return false;
}

}  // namespace

bool LooksBinary(const unsigned char* sample, size_t length, int kanjiCode) {
  if (kanjiCode == kKanjiUtf16) {
    // Zero bytes are half of every ASCII character here: only a U+0000
    // character counts, and the mark is no character.
    for (size_t i = 0; i + 1 < length; i += 2) {
      if (sample[i] == 0 && sample[i + 1] == 0) return true;
    }
    return false;
  }
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = sample[i];
    if (c == 0x00 || c == 0xFF) return true;
    if ((c == 0xFD || c == 0xFE) && kanjiCode != kKanjiEuc) return true;
  }
  return false;
}

ScanRun::ScanRun(uint32_t& matchCounter, const char* fieldText, const char* searchText)
    : runMatchCount(matchCounter) {
  CopyText(this->fieldText, sizeof this->fieldText, fieldText ? fieldText : "");
  CopyText(this->searchText, sizeof this->searchText, searchText ? searchText : "");
}

int ScanFile(const ScanTarget& target, const ScanContext& context) {
  const SearchSettings& s = gSettings;
  FileScan f = {};
  f.target = &target;
  f.search = context.search;
  f.matcher = context.matcher;
  f.run = context.run;
  f.path = target.path;
  f.handle = -1;
  f.useHistory = (s.Zengo || s.BlockOut) && f.run->history.Allocated();
  f.run->history.Clear();
  f.run->fileMatchCount = 0;
  CopyText(f.givenPath, sizeof f.givenPath, f.path);

  FindRecord found = target.record ? *target.record : FindRecord{};
  const bool rulesApply = FollowShortcut(f, &found);
  f.writer = MatchWriter(context.output, WrittenFileOf(f), f.matcher, f.search->CountsSynonyms());
  char skipReason[kSkipReasonBuffer];
  if (rulesApply && target.dateSize != nullptr && !PassesDateSizeFilter(*target.dateSize, f.path, found, skipReason)) {
    f.writer.DateSizeNote(found.name, skipReason);
    return 1;
  }
  if (!OpenForScan(f)) {
    ReportOpenError(f);
    return 1;
  }
  if (SkipBinary(f) || SkipOutputFile(f)) return 1;
  f.matcher->BeginFile();
  ScanLines(f);
  return 1;
}

}  // namespace zanto
