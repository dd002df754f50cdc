#include "match/thesaurus.h"

#include <cstdlib>
#include <cstring>

namespace zanto {

namespace {

constexpr char kWordSeparators[] = " \t\r\n";

// A line that starts with a space, a tab, a control character or its end
// is a comment or spacing, not a group.
bool IsGroupLine(const char* line) { return static_cast<unsigned char>(line[0]) > 0x20; }

bool IsSeparator(char c) { return c != '\0' && std::strchr(kWordSeparators, c) != nullptr; }

// Calls visit(word, length) for each word of a group line, in order.
template <typename Visit>
void ForEachWord(const char* line, Visit visit) {
  const char* p = line;
  while (*p != '\0') {
    while (IsSeparator(*p)) ++p;
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p)) ++p;
    if (p > start) visit(start, static_cast<size_t>(p - start));
  }
}

size_t CountWords(LineSource& source) {
  char line[kThesaurusLineBuffer];
  size_t words = 0;
  while (source.ReadLine(line, sizeof line)) {
    if (IsGroupLine(line)) ForEachWord(line, [&](const char*, size_t) { ++words; });
  }
  return words;
}

char* CopyWord(const char* word, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, word, length);
  copy[length] = '\0';
  return copy;
}

}  // namespace

void Thesaurus::Free() {
  if (entries_ == nullptr) return;
  for (ThesaurusEntry* entry = entries_; entry->word != nullptr; ++entry) std::free(entry->word);
  std::free(entries_);
  entries_ = nullptr;
  size_ = 0;
}

ThesaurusBuild Thesaurus::Build(LineSource& source) {
  Free();
  const size_t counted = CountWords(source);
  if (!source.Rewind()) return ThesaurusBuild::Failed;
  // The spare entries keep room for the end mark whatever the count.
  auto* table = static_cast<ThesaurusEntry*>(std::calloc(counted + kThesaurusSpareEntries, sizeof(ThesaurusEntry)));
  if (table == nullptr) return ThesaurusBuild::Failed;

  size_t stored = 0;
  bool overflow = false;
  bool outOfMemory = false;
  uint32_t group = 0;
  char line[kThesaurusLineBuffer];
  while (!overflow && !outOfMemory && source.ReadLine(line, sizeof line)) {
    if (!IsGroupLine(line)) continue;
    ForEachWord(line, [&](const char* word, size_t length) {
      if (overflow || outOfMemory) return;
      if (stored >= counted) {
        overflow = true;
        return;
      }
      char* copy = CopyWord(word, length);
      if (copy == nullptr) {
        outOfMemory = true;
        return;
      }
      table[stored++] = ThesaurusEntry{group, copy};
    });
    ++group;
  }
  entries_ = table;  // the zero-filled entry after the last word ends it
  size_ = stored;
  if (outOfMemory) {
    Free();
    return ThesaurusBuild::Failed;
  }
  return overflow ? ThesaurusBuild::Truncated : ThesaurusBuild::Built;
}

Thesaurus::Group Thesaurus::FindGroup(const char* term) const {
  for (size_t i = 0; i < size_; ++i) {
    if (std::strcmp(entries_[i].word, term) != 0) continue;
    // A group's words are neighbours; neighbouring lines never share a number.
    size_t first = i;
    while (first > 0 && entries_[first - 1].group == entries_[i].group) --first;
    size_t last = i;
    while (last + 1 < size_ && entries_[last + 1].group == entries_[i].group) ++last;
    return {first, static_cast<int>(last - first + 1)};
  }
  return {0, 0};
}

bool IsRootedTablePath(const char* path) {
  return path[0] == '\\' || path[0] == '/' || (path[0] != '\0' && path[1] == ':');
}

}  // namespace zanto
