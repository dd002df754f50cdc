// What the pattern compiler, matcher, filter and dump share about compiled
// units: element sizes and the class bitmap a class unit refers to.
#pragma once
#include <cstring>

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

}  // namespace zanto
