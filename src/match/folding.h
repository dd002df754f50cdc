// Character folding: the three ways different characters count as equal in
// a search. Case makes ASCII letters one; ZenHan makes full-width and
// half-width forms, hiragana and katakana, small and large, voiced and
// unvoiced kana one and drops punctuation; Same1 maps characters onto the
// representative of their group in the user's table file ZAFIND1.TXT.
// Every function works on one character; the pattern compilers and the line
// conversion apply them in their own order. Codes are Shift_JIS: a
// double-byte character is lead * 256 + trail.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/sjis.h"
#include "match/line_source.h"

namespace zanto {

// A code of 256 or more made of a lead byte and a trail byte.
constexpr bool IsDoubleByteCode(unsigned code) {
  return code >= 0x100 && code <= 0xFFFF && IsSjisLead(static_cast<unsigned char>(code >> 8)) &&
         IsSjisTrail(static_cast<unsigned char>(code & 0xFF));
}

// Dense number of a character, for class bitmaps and Same1Table: a single
// byte is its own index; a double-byte code maps to 256 + L * 189 +
// (trail - 0x40), where L counts lead bytes 0x81-0x9F, then 0xE0-0xFC.
// -1 for a code of 256 or more that is not a double-byte character.
constexpr int kCharIndexCount = 11596;  // largest index 11595, plus one
constexpr int CharIndex(unsigned code) {
  if (code < 0x100) return static_cast<int>(code);
  if (!IsDoubleByteCode(code)) return -1;
  const unsigned lead = code >> 8, trail = code & 0xFF;
  const unsigned rowOfLead = lead <= 0x9F ? lead - 0x81 : lead - 0xC1;
  return static_cast<int>(256 + rowOfLead * 189 + (trail - 0x40));
}

// Case: an ASCII lower-case letter becomes upper case; every other unit,
// full-width letters included, is unchanged.
constexpr uint16_t CaseFold(uint16_t unit) {
  return unit >= 'a' && unit <= 'z' ? static_cast<uint16_t>(unit - 0x20) : unit;
}

// The code of a CharIndex: the inverse of CharIndex, or -1 for an index
// that names no character (trail byte 0x7F).
constexpr int CodeOfCharIndex(int index) {
  if (index < 0x100) return index;
  const int row = (index - 256) / 189, column = (index - 256) % 189;
  const int lead = row <= 0x9F - 0x81 ? row + 0x81 : row + 0xC1;
  const int code = lead << 8 | (column + 0x40);
  return IsDoubleByteCode(static_cast<unsigned>(code)) ? code : -1;
}

// The wide form of a single byte: digits and letters become full-width
// digits and upper-case letters, half-width katakana become the large
// hiragana of the same sound. Any other byte comes back unchanged.
uint16_t WidenHalf(unsigned char byte);

// NormalizeWide by its rules: the code ranges of folding.cpp looked at one
// by one. NormalizeWide and ZenHanFold answer from tables made from it when
// the program is compiled; tests compare them with it for every code.
uint16_t NormalizeWideByRanges(uint16_t code);

// The ZenHan tables: every line of a fuzzy search folds each of its
// characters, so a character's form is looked up, not worked out.
struct ZenHanTables {
  uint16_t byIndex[kCharIndexCount];  // NormalizeWide of each character
  uint16_t singleByte[256];           // ZenHanFold of each single byte
};
extern const ZenHanTables gZenHanTables;

// The ZenHan form of a double-byte code, or 0 when the character is dropped
// (symbols, punctuation, the long vowel mark, line drawing). Full-width
// lower-case letters become upper case; katakana and small or voiced
// hiragana become plain large hiragana.
inline uint16_t NormalizeWide(uint16_t code) {
  const int index = CharIndex(code);
  return index >= 0 ? gZenHanTables.byIndex[index] : NormalizeWideByRanges(code);
}

// Katakana VU, which may take the small vowel after it (VuSequence).
constexpr uint16_t kKatakanaVu = 0x8394;

// A folded character and the bytes of text it took.
struct FoldedChar {
  uint16_t unit;  // folded code; 0 when the character folds to nothing
  int length;     // bytes consumed: 1 to 4; 0 when nothing applied
};

// At a katakana VU (0x8394) in text: VU with a following small vowel (full-
// width, or half-width 0xA7-0xAB) folds like the H-row syllable it sounds
// like (4 or 3 bytes), a lone VU like FU (2 bytes). Elsewhere {0, 0}.
// Reads no further than a NUL.
FoldedChar VuSequence(const char* text);

// ZenHan folding of one unit, without looking at what follows: a single
// byte becomes NormalizeWide(WidenHalf(byte)), or 0 when WidenHalf has no
// wide form for it; a double-byte code becomes NormalizeWide(code).
// 0 means the unit folds to nothing.
inline uint16_t ZenHanFold(uint16_t unit) {
  return unit < 0x100 ? gZenHanTables.singleByte[unit] : NormalizeWide(unit);
}

// ZenHan folding of the character at text (a NUL-terminated Shift_JIS text,
// not at its end): VuSequence first, else ZenHanFold of the character.
// unit 0 means the character folds to nothing; length is always 1 or more.
FoldedChar ZenHanFoldText(const char* text);

// The one-character equivalence table, indexed by CharIndex. An entry of 0
// means no mapping; otherwise it is the representative's code.
constexpr int kSame1Entries = 12544;        // 25088 bytes
constexpr size_t kSame1LineBuffer = 256;    // table file lines: 255 bytes + NUL

// The table, owned by whoever loaded it; empty until built. An empty table
// maps nothing.
class Same1Table {
 public:
  Same1Table() = default;
  ~Same1Table() { Free(); }
  Same1Table(const Same1Table&) = delete;
  Same1Table& operator=(const Same1Table&) = delete;

  // Builds the table from the lines of source, freeing the one held first.
  // Each line whose first two bytes form a double-byte character is a
  // group: its first character is the representative of itself and of every
  // double-byte character after it up to the first single byte. Other lines
  // are comments. Later lines override earlier ones. False (and no table)
  // when memory runs out.
  bool Build(LineSource& source);
  // Frees the table; it then maps nothing.
  void Free();
  bool Loaded() const { return entries_ != nullptr; }
  // The representative of code, or code when the table has no entry.
  uint16_t Lookup(uint16_t code, bool* mapped) const;

 private:
  void Set(uint16_t code, uint16_t representative);
  uint16_t* entries_ = nullptr;
};

// The representative of code under table (null: no table). *mapped (when
// given) tells whether the table had an entry. Only a double-byte code with
// a loaded table and a nonzero entry is mapped; everything else comes back
// unchanged.
uint16_t Same1Map(const Same1Table* table, uint16_t code, bool* mapped = nullptr);

}  // namespace zanto
