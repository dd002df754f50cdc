// The place a line of the result text points to: the file it names and the
// line in that file, so that a viewer of the result can jump to the source.
#pragma once
#include <cstddef>

#include "base/bounds.h"

namespace zanto {

struct ResultTarget {
  char path[kPathBuffer];  // as the result line writes it, quotes removed
  unsigned long line;      // 1 for the first line
  // The archive the file was extracted from, as the file's heading names
  // it ("" for a plain file or when no heading says).
  char archive[kPathBuffer];
};

// Finds the target of lines[index] among the count lines of a result text
// (each without its line end, Shift_JIS). Recognised, in this order:
//   "===== path =====": line 1; "===== path(other) =====", where other
//   ends in ".lnk" (a shortcut followed) or ".lzh" (the archive path was
//   extracted from, which goes to archive), names the first path;
//   "*** path  n 行中 ..." (the count line): line 1;
//   "path n:text", "path n<text", "path n>text", "path n" (prefixes and
//   context or block headers; a path with a space stands in double quotes);
//   "path\tn n ... " (file list with line numbers): the first n;
//   "heading path n:" alone on its line (a prefix under a heading text);
//   a line of digits under a path line (file list, one number a line);
//   a line that is one path without spaces: line 1.
// Below a heading, a line of the file it names takes its archive.
// False for anything else (notes, totals, text lines without a prefix) and
// for a path too long for the program.
bool FindResultTarget(const char* const* lines, size_t count, size_t index, ResultTarget* target);

}  // namespace zanto
