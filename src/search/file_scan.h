// The scan of one file: shortcut, date and size rules, opening, kanji code
// and binary test, then the line loop that converts, joins and evaluates
// every line and writes each match with its prefix, context or block to the
// result text. Also keeps the progress dialog informed and lets it stop or
// pause the run between lines.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/os.h"

namespace zanto {

constexpr size_t kReadBuffer = 256 * 1024;  // bytes read from a file at a time
constexpr size_t kBinarySample = 512;       // bytes the binary test looks at
constexpr int kMessageInterval = 300;       // lines between message dispatches
constexpr size_t kProgressLine = 120;       // longest progress list line
constexpr size_t kSearchTextBuffer = 256;  // search text + NUL

// Run-wide counters: reset by the search run, advanced by the scan.
extern uint32_t gRunMatchCount;   // matching lines of the run
extern int32_t gFileMatchCount;   // matching lines of the current file
extern uint32_t gRunLineCount;    // lines read in the run

// Per-run state of the scan: the match count last shown, the user's choice
// about open errors, and the texts that EchoQuery repeats.
void ResetScanRunState(const char* fieldText, const char* searchText);

// Scans one file. path is a buffer of kPathBuffer bytes that may be
// rewritten with the shortcut target or, under FullPath, the full path.
// outputPath is the absolute output file path or empty; archivePath is
// null for a plain file, member 0. Returns 0 when the search expression
// proved unusable (the run must stop), 1 otherwise, skipped and unreadable
// files included. A null path only resets the per-run display state and
// returns 0.
int ScanFile(char* path, unsigned number, unsigned total, const FindRecord* record,
             const char* outputPath, const char* archivePath, unsigned member,
             const char* displayName);

// Decides whether the first bytes of a file make it binary: a 0x00 or 0xFF
// anywhere, or, unless the file is EUC-JP, a 0xFD or 0xFE.
bool LooksBinary(const unsigned char* sample, size_t length, int kanjiCode);

}  // namespace zanto
