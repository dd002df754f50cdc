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

// One word of the table. The group is 32-bit: a table may hold more than
// 65,535 words.
struct ThesaurusEntry {
  uint32_t group;  // 0-based number of the line among the lines read as groups
  char* word;      // owned copy; null in the entry that ends the table
};

// What Thesaurus::Build made of its source.
enum class ThesaurusBuild {
  Built,      // every word stored
  Truncated,  // the second pass found more words than the first counted;
              // the table ends after the counted ones (traced as
              // "error 1008" by the loader)
  Failed,     // the source could not be rewound or memory ran out; no table
};

// The table in file order (line by line, word by word); empty until built.
// A group's words are neighbours in the table, since groups are numbered in
// file order. How often each word matched is the matcher's to count, by
// entry index.
class Thesaurus {
 public:
  Thesaurus() = default;
  ~Thesaurus() { Free(); }
  Thesaurus(const Thesaurus&) = delete;
  Thesaurus& operator=(const Thesaurus&) = delete;

  // Builds the table from source in two passes (count the words, rewind,
  // store them), freeing the one held first. Room is the counted words plus
  // kThesaurusSpareEntries.
  ThesaurusBuild Build(LineSource& source);
  // Frees every word and the table; the table is then empty.
  void Free();
  bool Loaded() const { return entries_ != nullptr; }
  // Words in the table.
  size_t Size() const { return size_; }
  const ThesaurusEntry& Entry(size_t index) const { return entries_[index]; }

  // The words of one group: count entries from first on.
  struct Group {
    size_t first;
    int count;  // 0 when the term is no word of the table
  };
  // The group of the first word equal to term (exact, case-sensitive
  // bytes); count 0 when there is none or no table is loaded.
  Group FindGroup(const char* term) const;

 private:
  ThesaurusEntry* entries_ = nullptr;  // ended by an entry without a word
  size_t size_ = 0;
};

// True when a table path names its own location (starts with "\" or "/", or
// has a drive); other paths are taken beside the program.
bool IsRootedTablePath(const char* path);

}  // namespace zanto
