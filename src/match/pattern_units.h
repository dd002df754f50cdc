// What the pattern compiler, matcher, filter and dump share about compiled
// units: element sizes and the class bitmap a class unit refers to.
#pragma once
#include <cstring>

#include "base/sjis.h"
#include "match/folding.h"
#include "match/pattern.h"

namespace zanto {

inline bool IsQuantifierUnit(PatternUnit unit) {
  return unit == kUnitStar || unit == kUnitPlus || unit == kUnitOptional;
}

inline bool IsCharUnit(PatternUnit unit) { return unit != 0 && unit < kFirstOperatorUnit; }

// Units an element takes: a class its unit and the bitmap reference.
inline int UnitElementSize(const PatternUnit* element) { return *element == kUnitClass ? kClassUnits : 1; }

inline bool ClassBitSet(const ClassBitmap& bitmap, unsigned code) {
  const int index = CharIndex(code);
  if (index < 0 || static_cast<size_t>(index) >= kClassBitmapBytes * 8) return false;
  return (bitmap.bits[index / 8] >> (index % 8)) & 1;
}

// A class unit is followed by the address of its bitmap, spread over the
// next units.
inline void StoreClassReference(PatternUnit* at, const ClassBitmap* bitmap) {
  static_assert(sizeof bitmap <= sizeof(PatternUnit) * (kClassUnits - 1));
  std::memcpy(at, &bitmap, sizeof bitmap);
}

inline const ClassBitmap* ClassReference(const PatternUnit* classUnit) {
  const ClassBitmap* bitmap;
  std::memcpy(&bitmap, classUnit + 1, sizeof bitmap);
  return bitmap;
}

// ZenHan form of the double-byte unit read at s + at. VU takes a following
// small vowel with it, and *next moves past what it took; any other
// character is mapped by Same1 first (when asked), as a term's characters
// are.
inline PatternUnit ZenHanDoubleByte(const unsigned char* s, size_t at, PatternUnit unit, const Same1Table* same1,
                                    size_t* next) {
  if (unit != kKatakanaVu) return NormalizeWide(same1 != nullptr ? Same1Map(same1, unit) : unit);
  const FoldedChar vu = VuSequence(reinterpret_cast<const char*>(s + at));
  *next = at + vu.length;
  return vu.unit;
}

// The unit of the character at s + *i as a line read without Same1 and
// field selection holds it (0: it folds to nothing), and *i moved past
// what it took. The byte after the character's first must be readable.
inline PatternUnit NextWholeLineUnit(const unsigned char* s, size_t* i, bool zenHan, bool caseFold) {
  const size_t at = *i;
  if (IsSjisLead(s[at]) && IsSjisTrail(s[at + 1])) {
    *i = at + 2;
    const auto unit = static_cast<PatternUnit>(s[at] << 8 | s[at + 1]);
    return zenHan ? ZenHanDoubleByte(s, at, unit, nullptr, i) : unit;
  }
  *i = at + 1;
  PatternUnit unit = s[at];
  if (caseFold) unit = CaseFold(unit);
  if (zenHan) unit = ZenHanFold(unit);
  return unit;
}

}  // namespace zanto
