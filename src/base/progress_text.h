// The texts of the progress dialog, made from the typed reports the engine
// sends the Host. Pure functions: the real host and the test host show the
// same bytes.
#pragma once
#include <cstddef>

#include "base/bounds.h"

namespace zanto {

// A file the run has reached.
struct FileReport {
  const char* name;  // name and extension, as shown
  unsigned number;   // of the file in the run, from 1
  unsigned total;    // files of the run
  unsigned member;   // number of the archive member, or 0 for a plain file
  bool extracting;   // the archive named is being unpacked
};

// A line of the progress list of first matches.
enum class ListedLine {
  kHeading,  // the file's display name, before its first match
  kMatch,    // the matching line, up to its end of line
};

constexpr size_t kFileLineBuffer = kNameBuffer + 48;        // a name, its numbers and "解凍中"
constexpr size_t kDirectoryLineBuffer = kPathBuffer + 16;    // "ﾃﾞｨﾚｸﾄﾘ　" and a path
constexpr size_t kMatchCountBuffer = 32;
constexpr size_t kListedLineBuffer = kNameBuffer + 32;       // the longest heading

// "name        ( n/ t)", "name        ( n- m/ t)" for a member, or
// "name        ( n/ t)解凍中" while an archive is unpacked.
void FormatFileLine(const FileReport& file, char* out, size_t size);
// "ﾃﾞｨﾚｸﾄﾘ　" and path, or empty for an empty path.
void FormatDirectoryLine(const char* path, char* out, size_t size);
// "n 個マッチ": the match count of the progress dialog and of the main
// dialog's label after a run.
void FormatMatchCount(unsigned long count, char* out, size_t size);
// "■ name ■■■■■" for a heading; a space and the first bytes of the line
// (cut at its end of line) for a match.
void FormatListedLine(ListedLine kind, const char* text, char* out, size_t size);

}  // namespace zanto
