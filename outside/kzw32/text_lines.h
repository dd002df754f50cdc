// Text as the pane shows it: every line in Shift_JIS without its line end.
// A file is read as the search reads it, its kanji code found the same
// way, and its lines numbered as the search numbers them. No window code
// here.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "base/settings.h"  // KanjiCodeChoice

namespace kzw {

// Splits Shift_JIS text into lines. A last line without a line end counts;
// an empty text has no lines.
std::vector<std::string> SjisLines(const char* text, size_t length);

struct FileLines {
  std::vector<std::string> lines;
  // For each line, the search's number of its first piece: a line longer
  // than the search's line limit counts there as several lines.
  std::vector<unsigned long> firstNumbers;
};

// Reads the file at path in code (kKanjiAuto: found from its first bytes as
// the search finds it); an office document (by its extension) as its text,
// whatever code says. False when it cannot be read, or when its text
// passes maxBytes.
bool ReadFileLines(const char* path, zanto::KanjiCodeChoice code, size_t maxBytes, FileLines* file);

// The line (1 for the first) that holds the search's line number, 0 for
// none; past the last line, the last one.
int LineOfSearchNumber(const FileLines& file, unsigned long number);

}  // namespace kzw
