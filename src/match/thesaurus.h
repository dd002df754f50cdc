// The thesaurus: synonym groups read from the file the user selects with
// Thesaurus (ThesaurusFile0..2). Each line of the file that starts with a
// byte above 0x20 is one group of words separated by spaces and tabs. A
// search term equal to a word stands for the words of that word's group.
#pragma once
#include <cstddef>
#include <cstdint>

#include "match/line_source.h"

namespace zanto {

constexpr size_t kThesaurusLineBuffer = 2048;  // lines are read in pieces of 2047 bytes
constexpr int kThesaurusSpareEntries = 10;     // room beyond the counted words
constexpr int kThesaurusOverflowError = 1008;  // traced when the second pass finds more words

// One word of the table. Group and count are 32-bit: a table may hold more
// than 65,535 words, and a file more than 65,535 lines where one matches.
struct ThesaurusEntry {
  uint32_t group;  // 0-based number of the line among the lines read as groups
  uint32_t count;  // lines of the current file where this word matched first
  char* word;      // owned copy; null in the entry that ends the table
};

// The table in file order (line by line, word by word), ended by an entry
// without a word; null while no table is loaded. A group's words are
// neighbours in the table, since groups are numbered in file order.
extern ThesaurusEntry* gThesaurus;

// The words of one group: count entries from first on. The entries are the
// table's own, so a matching member's count can be raised through them.
struct ThesaurusGroup {
  ThesaurusEntry* first;  // null when the term is no word of the table
  int count;
};

// The group of the first word equal to term (exact, case-sensitive bytes);
// {nullptr, 0} when there is none or no table is loaded.
ThesaurusGroup FindThesaurusGroup(const char* term);

// What BuildThesaurus made of its source.
enum class ThesaurusBuild {
  Built,      // every word stored
  Truncated,  // the second pass found more words than the first counted;
              // the table ends after the counted ones (traced as
              // "error 1008" by the loader)
  Failed,     // the source could not be rewound or memory ran out; no table
};

// Builds the table from source in two passes (count the words, rewind, store
// them), freeing any loaded table first. Room is the counted words plus
// kThesaurusSpareEntries.
ThesaurusBuild BuildThesaurus(LineSource& source);

// Frees every word and the table; the table is then absent.
void FreeThesaurus();

// Sets every count to 0 (at the start of each file).
void ResetThesaurusCounts();

// True when a table path names its own location (starts with "\" or "/", or
// has a drive); other paths are taken beside the program.
bool IsRootedTablePath(const char* path);

// Loads the thesaurus the settings select: 1 loaded or nothing to load,
// 0 the table could not be read. The compiler is given one, so that the
// table can come from a file or from memory.
using ThesaurusLoader = int (*)();

}  // namespace zanto
