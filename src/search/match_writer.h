// What the scan writes into the result about one file: the heading before
// its first match, each match in the list form chosen, the context lines or
// the block around it, the count lines at the end of the file and the notes
// on a file left unread. The scan loop decides what happens (which lines,
// where a block starts and ends, when a file is done); the writer decides
// how it reads, by the output settings, through the result output. Every
// text is written only when its setting asks for it.
#pragma once

#include "match/line_matcher.h"
#include "search/line_history.h"
#include "search/result_output.h"

namespace zanto {

// The file as the result names it. The texts stay the caller's.
struct WrittenFile {
  const char* path;          // as written: the shortcut target, the full path under FullPath
  const char* shortcutPath;  // the shortcut that led to path, or null
  const char* archivePath;   // the archive holding path as a member, or null
  unsigned member;           // member number, 0 for a plain file
  unsigned number, total;    // the file's number in the run, and the run's file count
};

// What the count line at the end of a file reports.
struct FileSummary {
  unsigned long lines;       // lines read
  unsigned long matches;     // matching lines of the file
  unsigned long runMatches;  // matching lines of the run so far
  int kanjiCode;             // KanjiCodeChoice the file was read in
};

class MatchWriter {
 public:
  MatchWriter() = default;
  // out: the result the texts go to; matcher: whose match marks and synonym
  // counts the lines and the count lines show; countSynonyms: each file
  // ends with its synonym counts.
  MatchWriter(ResultOutput* out, const WrittenFile& file, const LineMatcher* matcher, bool countSynonyms)
      : out_(out), file_(file), matcher_(matcher), countSynonyms_(countSynonyms) {}

  // A match, in the order the scan reports its parts. A line handed in is
  // modified in place as ResultOutput::WriteLine does; line numbers start at 1.

  // Before the file's first match: the heading that names it (Verbose).
  void FileHeading();
  // The context before a match on matchLine: ZStartString, the group
  // header (PrintFile) and the ZengoLine lines before it, as far back as
  // history (whose line 0 is the match) holds lines.
  void ContextBefore(const LineHistory& history, unsigned long matchLine);
  // The start of the block around a match on matchLine that starts reach
  // lines before it: the block's start text, the group header (PrintFile)
  // and those lines from history, as far back as it holds them. reach is
  // -1 when the match line ends a block: the header names the line after
  // it.
  void BlockStart(const LineHistory& history, unsigned long matchLine, int reach);
  // Before the run's first match: the two texts of the query (EchoQuery).
  void QueryEcho(const char* fieldText, const char* searchText);
  // The match itself in the FileListForm chosen: the line with its prefix,
  // or the path and the line number.
  void MatchLine(char* line, unsigned long number, bool firstInFile);
  // A line after the match, of its context or its block: sign '>', or ':'
  // for a block line that matches too.
  void LineAfter(char* line, unsigned long number, char sign);
  void ContextEnd();     // ZEndString
  void BlockEnd();       // the block's end text
  void CountStopNote();  // CountStop ends the file here (Verbose)

  // The end of a file that was read: the end of its line-number list, its
  // synonym counts and its count line (Verbose).
  void FileDone(const FileSummary& summary);

  // Notes on a file left unread (Verbose). name is the entry the date and
  // size rules looked at, reason the text they gave.
  void DateSizeNote(const char* name, const char* reason);
  void OpenErrorNote();
  void BinaryNote();
  void OutputFileNote();

  // The result is full: nothing more reaches it.
  bool Overflow() const { return out_->Overflow(); }

 private:
  void GroupHeader(unsigned long number);
  void EarlierLine(const char* line, unsigned long number);

  const MatchMarks* Marks() const { return matcher_ != nullptr ? &matcher_->marks : nullptr; }

  ResultOutput* out_ = nullptr;
  WrittenFile file_ = {};
  const LineMatcher* matcher_ = nullptr;
  bool countSynonyms_ = false;
};

}  // namespace zanto
