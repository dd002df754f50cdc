// The scan of one file: shortcut, date and size rules, opening, kanji code
// and binary test, then the line loop that converts, joins and evaluates
// every line and decides which lines around a match belong to its context
// or block. The lines come from the line reader (line_reader.h); what a
// match brings about is written by the match writer (match_writer.h). Also
// keeps the progress dialog informed and lets it stop or pause the run
// between lines.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/date_size_filter.h"
#include "files/os.h"
#include "files/targets.h"
#include "search/line_history.h"
#include "search/line_reader.h"

namespace zanto {

class LineMatcher;
class ResultOutput;
class ArchiveSupport;
struct PreparedSearch;

constexpr size_t kBinarySample = 512;       // bytes the binary test looks at
constexpr int kMessageInterval = 300;       // lines between message dispatches
constexpr size_t kSearchTextBuffer = 256;  // search text + NUL

// What the scans of one run carry from file to file; the run owns it. Too
// large for the stack (the reader holds its read buffer).
struct ScanRun {
  ScanRun(uint32_t& matchCounter, const char* fieldText, const char* searchText);

  LineReader reader;
  std::string documentText;              // the text of the office document being scanned
  LineHistory history;                   // allocated by the run when it needs one
  char followingLine[kLineBuffer] = {};  // Connect2: the line after the current one
  bool pending = false;                  // followingLine is the next current line
  uint32_t& runMatchCount;               // matching lines of the run, where its owner reads them
  int32_t fileMatchCount = 0;            // matching lines of the current file
  uint32_t runLineCount = 0;             // lines read in the run
  uint32_t lastShownCount = 0;           // match count last shown in the dialog
  bool openErrorsSilenced = false;       // the user answered No to the open error box
  char fieldText[kFieldBuffer];          // the texts EchoQuery repeats
  char searchText[kSearchTextBuffer];
};

// One file handed to the scan.
struct ScanTarget {
  char* path;                // kPathBuffer bytes; rewritten with a shortcut's
                             // target or, under FullPath, the full path
  unsigned number, total;    // the file's number in the run, and the run's file count
  const FindRecord* record;  // the directory entry that found path, or null
  const char* outputPath;    // absolute output file path, or null or empty
  const char* archivePath;   // the archive holding path as a member, or null
  unsigned member;           // member number, 0 for a plain file
  const char* displayName;   // progress list heading, or null
  const DateSizeFilter* dateSize = nullptr;  // the run's date and size bounds, or null for none
};

// What the scan of every file of a run reads (the prepared search) and
// works with (the matcher: the current line and its evaluation; the run's
// reader, history and counts).
struct ScanContext {
  const PreparedSearch* search;
  LineMatcher* matcher;
  ScanRun* run;
  ResultOutput* output;      // where the result text goes
  ArchiveSupport* archives;  // the bound archive libraries, or null
};

// Scans one file. Returns 1 (the run goes on), skipped and unreadable files
// included.
int ScanFile(const ScanTarget& target, const ScanContext& context);

// Decides whether the first bytes of a file make it binary: a 0x00 or 0xFF
// anywhere, or, unless the file is EUC-JP, a 0xFD or 0xFE. A UTF-16 file is
// looked at by its 16-bit units: only a U+0000 makes it binary.
bool LooksBinary(const unsigned char* sample, size_t length, int kanjiCode);

}  // namespace zanto
