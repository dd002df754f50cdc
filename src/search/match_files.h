// The file side of the pattern-matching tables: ZAFIND1.TXT, the thesaurus
// file and the kanji code of a file, read through the files layer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

class Same1Table;
class Thesaurus;

// Frees table and reads ZAFIND1.TXT from path into it. A file that cannot
// be opened leaves no table and writes the trace line "can not open <path>".
void LoadSame1Table(const char* path, Same1Table* table);

// Frees thesaurus and loads the file setting names (the selected
// ThesaurusFile0..2), a relative name being taken beside the program. True:
// loaded, or nothing to load (a null or empty setting); false: the file
// could not be read or memory ran out.
bool LoadThesaurus(const char* setting, Thesaurus* thesaurus);

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
