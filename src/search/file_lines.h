// A file's lines as the file scan reads and numbers them: a line longer
// than the line limit arrives as several pieces, each counting as a line.
// Whoever must count lines as the search counts them reads them this way.
#pragma once

#include "search/line_reader.h"

namespace zanto {

// Sets up reader, started on a file and not read from yet, for a file of
// kanjiCode: a UTF-8 or UTF-16 file is converted as it is read, so that its
// pieces are cut at the limit of the Shift_JIS text, and its mark is no
// part of the first line; a file of any other code is read as bytes.
void ReadLinesInCode(LineReader& reader, int kanjiCode);

}  // namespace zanto
