// The one comparison of names, extensions, keys and paths that ignores
// letter case. Only the ASCII letters of single-byte characters are folded;
// a double-byte character is compared exactly, so that its trail byte (the
// 0x41 of ア, 83 41, or the 0x61 of ヂ, 83 61) is never taken for a letter.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

// A single-byte letter in upper case (option letters, drive letters).
constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Orders a before b (< 0), with b (0) or after b (> 0), looking at no more
// than limit bytes of either. Folded letters order as small letters.
int CompareNoCase(const char* a, const char* b, size_t limit = SIZE_MAX);

inline bool SameNoCase(const char* a, const char* b) { return CompareNoCase(a, b) == 0; }

// Two paths name the same file as far as their texts tell: letter case is
// ignored as above, and "/" and "\" are the same separator.
bool SamePath(const char* a, const char* b);

}  // namespace zanto
