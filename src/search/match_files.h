// The file side of the pattern-matching tables: ZAFIND1.TXT, the thesaurus
// file and the kanji code of a file, read through the files layer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

// Frees the table and reads ZAFIND1.TXT from gSettings.Same1Path. A file
// that cannot be opened leaves no table and writes the trace line
// "can not open <path>".
void LoadSame1Table();

// Frees the table and loads the file that gSettings.Thesaurus selects
// (1..3: ThesaurusFile0..2), a relative name being taken beside the program.
// 1: loaded, or nothing to load (Thesaurus 0 or an empty path);
// 0: the file could not be read or memory ran out. The search run hands it
// to the expression compiler.
int LoadThesaurus();

// The code of an open file (1 Shift_JIS, 2 EUC-JP, 3 JIS), from EUCDrive,
// KanjiCode and, when automatic, its first bytes (traced as
// "check kanji "). Leaves the file at its start.
int DetectKanjiCode(const char* path, intptr_t file);

// DetectKanjiCode for a file whose first bytes are at hand: fullPath is
// its absolute path ("" when unknown), firstBytes its first length bytes,
// the whole file when it is shorter than kKanjiDecideBytes (GuessKanjiCode).
// The file scan uses it so that a file is not read twice.
int KanjiCodeOf(const char* fullPath, const unsigned char* firstBytes, size_t length);

}  // namespace zanto
