// Shift_JIS byte classes. Every scan of text in the program steps over
// double-byte characters with these tests, so that a trail byte (the 0x5C
// of 表, 0x95 0x5C) is never taken for a character of its own.
#pragma once
#include <cstddef>

namespace zanto {

// A lead byte starts a double-byte character: 0x81-0x9F or 0xE0-0xFC.
constexpr bool IsSjisLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// A byte that may follow a lead byte: 0x40-0x7E or 0x80-0xFC.
constexpr bool IsSjisTrail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Half-width katakana and their punctuation, 0xA1-0xDF (single bytes).
constexpr bool IsHalfKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Length in bytes of the character that starts at text[i] (1 or 2); a lead
// byte at the very end of the text counts as one byte.
inline size_t SjisCharLength(const char* text, size_t i) {
  return IsSjisLead(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0' ? 2 : 1;
}

// How many of the first limit bytes of text hold whole characters only: a
// double-byte character that would not fit is left out. text has at least
// limit bytes.
inline size_t WholeCharLength(const char* text, size_t limit) {
  size_t i = 0;
  while (i < limit) {
    size_t step = IsSjisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

// Cuts a NUL-terminated text to at most maxBytes bytes without splitting a
// double-byte character; a lead byte that would be the last byte kept is
// dropped too. Returns the new length.
inline size_t TruncateText(char* text, size_t maxBytes) {
  size_t i = 0;
  while (i < maxBytes && text[i] != '\0') {
    if (IsSjisLead(static_cast<unsigned char>(text[i]))) {
      if (i + 1 >= maxBytes || text[i + 1] == '\0') break;
      i += 2;
    } else {
      i += 1;
    }
  }
  text[i] = '\0';
  return i;
}

// Copies src into dst (capacity bytes including the NUL), cut at a
// character boundary. Returns the length copied.
inline size_t CopyText(char* dst, size_t capacity, const char* src) {
  if (capacity == 0) return 0;
  size_t i = 0;
  while (src[i] != '\0' && i + 1 < capacity) {
    size_t n = IsSjisLead(static_cast<unsigned char>(src[i])) && src[i + 1] != '\0' ? 2 : 1;
    if (i + n >= capacity) break;
    dst[i] = src[i];
    if (n == 2) dst[i + 1] = src[i + 1];
    i += n;
  }
  dst[i] = '\0';
  return i;
}

// Appends src to the text in dst (capacity bytes including the NUL), cut at
// a character boundary. Returns the new length.
inline size_t AppendText(char* dst, size_t capacity, const char* src) {
  size_t len = 0;
  while (len < capacity && dst[len] != '\0') ++len;
  if (len >= capacity) return len;
  return len + CopyText(dst + len, capacity - len, src);
}

}  // namespace zanto
