#include "base/name_compare.h"

#include "base/sjis.h"

namespace zanto {
namespace {

unsigned char FoldLetter(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c; }

unsigned char FoldSeparator(unsigned char c) { return c == '/' ? '\\' : c; }

// The comparison both forms share; separators are folded too when asked.
int Compare(const char* a, const char* b, size_t limit, bool separatorsAlike) {
  for (size_t i = 0; i < limit; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    const bool doubleByte = IsSjisLead(x) && a[i + 1] != '\0';
    if (doubleByte) {
      // The same lead byte on both sides: the trail bytes decide, unfolded.
      if (x != y) return x < y ? -1 : 1;
      if (++i >= limit) return 0;
      x = static_cast<unsigned char>(a[i]);
      y = static_cast<unsigned char>(b[i]);
      if (x != y) return x < y ? -1 : 1;
      continue;
    }
    x = FoldLetter(x);
    y = FoldLetter(y);
    if (separatorsAlike) {
      x = FoldSeparator(x);
      y = FoldSeparator(y);
    }
    if (x != y) return x < y ? -1 : 1;
    if (x == '\0') return 0;
  }
  return 0;
}

}  // namespace

int CompareNoCase(const char* a, const char* b, size_t limit) { return Compare(a, b, limit, false); }

bool SamePath(const char* a, const char* b) { return Compare(a, b, SIZE_MAX, true) == 0; }

}  // namespace zanto
