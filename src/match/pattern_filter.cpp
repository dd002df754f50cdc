// What every match of a term holds, and the quick tests of a line built
// from it: required text, the unit filter and the plain needle.
#include "match/pattern.h"

#include <algorithm>
#include <cstring>

#include "match/pattern_units.h"

namespace zanto {

// ---------------------------------------------------------------------------
// Required text

namespace {

bool IsAsciiLetter(PatternUnit unit) { return (unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z'); }

size_t UnitBytes(PatternUnit unit) { return unit < 0x100 ? 1 : 2; }

}  // namespace

size_t RequiredText(const PatternUnit* pattern, bool avoidLetters, char* out, size_t capacity) {
  int bestStart = 0, bestLength = 0;
  size_t bestBytes = 0;
  int runStart = 0, runLength = 0;
  size_t runBytes = 0;
  auto endRun = [&] {
    if (runBytes > bestBytes) {
      bestStart = runStart;
      bestLength = runLength;
      bestBytes = runBytes;
    }
    runLength = 0;
    runBytes = 0;
  };
  for (int i = 0; i < kPatternUnits && pattern[i] != 0;) {
    const PatternUnit unit = pattern[i];
    if (IsQuantifierUnit(unit)) {
      endRun();
      i += 1 + UnitElementSize(pattern + i + 1);
      continue;
    }
    if (!IsCharUnit(unit) || (avoidLetters && IsAsciiLetter(unit))) {
      endRun();
      i += unit == kUnitClass ? kClassUnits : 1;
      continue;
    }
    if (runLength == 0) runStart = i;
    ++runLength;
    runBytes += UnitBytes(unit);
    ++i;
  }
  endRun();
  size_t length = 0;
  for (int i = bestStart; i < bestStart + bestLength; ++i) {
    const PatternUnit unit = pattern[i];
    if (length + UnitBytes(unit) + 1 > capacity) break;
    if (unit >= 0x100) out[length++] = static_cast<char>(unit >> 8);
    out[length++] = static_cast<char>(unit & 0xFF);
  }
  if (capacity > 0) out[length] = '\0';
  return length;
}

// ---------------------------------------------------------------------------
// Unit filter

namespace {

// How common a byte is in Japanese and English text, 0 (rare) to 255; the
// plain search looks first for the rarest byte of the term.
constexpr uint8_t ByteCommonness(unsigned b) {
  if (b == 0x82) return 250;                          // hiragana lead
  if (b == 0x81 || b == 0x83) return 220;             // punctuation, katakana lead
  if (b == ' ' || b == 'e' || b == 't' || b == 'a' || b == 'o' || b == 'i' || b == 'n') return 230;
  if (b >= 'a' && b <= 'z') return 200;
  if (b >= 0x88 && b <= 0x9F) return 170;             // kanji leads
  if (b >= 0xE0 && b <= 0xEA) return 150;
  if (b == '\t' || b == '\r' || b == '\n' || (b >= '0' && b <= '9')) return 160;
  if (b >= 'A' && b <= 'Z') return 140;
  if (b >= 0x20 && b < 0x7F) return 130;              // ASCII punctuation
  if (b >= 0x40 && b <= 0xFC) return 100;             // trail bytes
  return 10;
}


// The distinct characters that every match of pattern holds (those not
// under a quantifier), at most kFilterUnits of them. Returns their number.
int RequiredUnits(const PatternUnit* pattern, PatternUnit* out) {
  int count = 0;
  for (int i = 0; i < kPatternUnits && pattern[i] != 0 && count < kFilterUnits;) {
    const PatternUnit unit = pattern[i];
    if (IsQuantifierUnit(unit)) {
      i += 1 + UnitElementSize(pattern + i + 1);
      continue;
    }
    i += unit == kUnitClass ? kClassUnits : 1;
    if (!IsCharUnit(unit)) continue;
    bool known = false;
    for (int k = 0; k < count; ++k) known = known || out[k] == unit;
    if (!known) out[count++] = unit;
  }
  return count;
}

// Marks in filter the pairs whose second byte ends a character that folds
// to unit (bit), folded as ConvertWholeLine folds a line's characters.
void MarkSources(UnitFilter* filter, PatternUnit unit, uint8_t bit, unsigned reading) {
  const bool zenHan = reading & kReadZenHan, caseFold = reading & kReadFoldCase;
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    PatternUnit folded = static_cast<PatternUnit>(byte);
    if (caseFold) folded = CaseFold(folded);
    if (zenHan) folded = ZenHanFold(folded);
    if (folded != unit) continue;
    // A single byte is a character whatever comes before it.
    for (unsigned previous = 0; previous < 0x100; ++previous) filter->byPair[previous << 8 | byte] |= bit;
  }
  for (int index = 0x100; index < kCharIndexCount; ++index) {
    const int code = CodeOfCharIndex(index);
    if (code < 0) continue;
    // VU may take the small vowel after it and fold to one of several
    // kana: it is taken to fold to every unit.
    const bool vu = zenHan && code == kKatakanaVu;
    const PatternUnit folded = zenHan ? NormalizeWide(static_cast<uint16_t>(code)) : static_cast<PatternUnit>(code);
    if (folded == unit || vu) filter->byPair[code] |= bit;
  }
}

// The character right after the first unquantified unit of pattern, when
// that is a character too; else 0.
PatternUnit UnitAfter(const PatternUnit* pattern, PatternUnit unit) {
  for (int i = 0; i + 1 < kPatternUnits && pattern[i] != 0;) {
    const PatternUnit here = pattern[i];
    if (IsQuantifierUnit(here)) {
      i += 1 + UnitElementSize(pattern + i + 1);
      continue;
    }
    if (here == unit && IsCharUnit(here)) return IsCharUnit(pattern[i + 1]) ? pattern[i + 1] : 0;
    i += UnitElementSize(pattern + i);
  }
  return 0;
}

// False when a match cannot have the anchor's character start at place:
// the character there is not the anchor's, or the next one that folds to
// something is not the one the pattern holds after it, or the line ends
// first. A line's characters are read from its start, so place is a
// character's start only when the line's reading reaches it so; where it
// does not, no match has the anchor there either. Where the bytes held
// end, or VU decides by what follows it, the place is kept.
bool AnchorFollowedAsInPattern(const unsigned char* s, size_t place, size_t end, const UnitFilter& filter) {
  if (filter.anchorNext == 0) return true;
  const bool zenHan = filter.reading & kReadZenHan, caseFold = filter.reading & kReadFoldCase;
  size_t i = place;
  for (bool anchor = true;; anchor = false) {
    if (i + 1 >= end) return true;
    if (s[i] == '\n' || s[i] == '\0' || (s[i] == '\r' && s[i + 1] == '\n')) return false;
    if (zenHan && (s[i] << 8 | s[i + 1]) == kKatakanaVu) return true;
    const PatternUnit unit = NextWholeLineUnit(s, &i, zenHan, caseFold);
    if (anchor) {
      if (unit != filter.anchorUnit) return false;
    } else if (unit != 0) {
      return unit == filter.anchorNext;
    }
  }
}

// For each byte, the wanted characters (bits) that it may end.
void EndingBits(const UnitFilter& filter, uint8_t* bits) {
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    bits[byte] = 0;
    for (unsigned previous = 0; previous < 0x100; ++previous) bits[byte] |= filter.byPair[previous << 8 | byte];
  }
}

// Fills the anchor's forms from the byte pairs. A byte that folds alone is
// marked after every byte, so its pairs add no form of their own.
void SetAnchorForms(UnitFilter* filter) {
  ShortStrings& forms = filter->anchorForms;
  forms = ShortStrings{};
  const uint8_t bit = filter->anchor;
  for (unsigned code = 0; code < 0x10000; ++code) {
    if ((filter->byPair[code] & bit) == 0) continue;
    const auto lead = static_cast<uint8_t>(code >> 8), last = static_cast<uint8_t>(code & 0xFF);
    const uint8_t pair[2] = {lead, last};
    const bool alone = (filter->byPair[last] & bit) != 0;
    if (lead != 0 && alone) continue;
    const bool added = lead == 0 ? AddShortString(&forms, pair + 1, 1, 0)
                                 : AddShortString(&forms, pair, 2, ByteCommonness(lead) < ByteCommonness(last) ? 0 : 1);
    if (!added) {
      forms = ShortStrings{};
      return;
    }
  }
}

}  // namespace

void ChooseFilterAnchor(UnitFilter* filter) {
  uint8_t ending[0x100];
  EndingBits(*filter, ending);
  // The score of a character: the bytes that may end it, each weighed by
  // how common it is in text.
  unsigned best = ~0u;
  filter->anchor = 0;
  for (unsigned k = 0; k < kFilterUnits; ++k) {
    const auto bit = static_cast<uint8_t>(1u << k);
    if ((filter->wanted & bit) == 0) continue;
    unsigned score = 0;
    for (unsigned byte = 0; byte < 0x100; ++byte) {
      if (ending[byte] & bit) score += ByteCommonness(byte) + 1u;
    }
    if (score < best) {
      best = score;
      filter->anchor = bit;
    }
  }
  for (unsigned byte = 0; byte < 0x100; ++byte) filter->mayEndAnchor[byte] = (ending[byte] & filter->anchor) != 0;
  // A few bytes are looked for many at a time; more, one at a time by table.
  ByteSet& ends = filter->anchorEnds;
  ends.count = 0;
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    if (filter->mayEndAnchor[byte] == 0) continue;
    if (ends.count == kMaxByteSet) {
      ends.count = 0;
      break;
    }
    ends.values[ends.count++] = static_cast<char>(byte);
  }
  SetAnchorForms(filter);
  filter->anchorNext = 0;
}

size_t NextAnchorPlace(const char* bytes, size_t from, size_t end, const UnitFilter& filter) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  const uint8_t* may = filter.mayEndAnchor;
  // A double-byte form is found whole: its last byte alone ends many
  // other characters (the 0x8D of ロ is the trail of 詳, 0x8F 0x8D).
  if (filter.anchorForms.count > 0) {
    for (size_t at = from; at < end;) {
      const char* hit = FindShortString(bytes + at, end - at, filter.anchorForms);
      if (hit == nullptr) break;
      const auto place = static_cast<size_t>(hit - bytes);
      if (AnchorFollowedAsInPattern(s, place, end, filter)) return place;
      at = place + 1;
    }
    return end;
  }
  size_t i = from;
  for (;;) {
    if (filter.anchorEnds.count > 0) {
      const char* hit = FindAnyByte(bytes + i, end - i, filter.anchorEnds);
      i = hit == nullptr ? end : static_cast<size_t>(hit - bytes);
    } else {
      // Most bytes end no anchor: four are tested before any branch.
      while (i + 4 <= end && (may[s[i]] | may[s[i + 1]] | may[s[i + 2]] | may[s[i + 3]]) == 0) i += 4;
      while (i < end && may[s[i]] == 0) ++i;
    }
    if (i == end || i == 0) return i;
    if (filter.byPair[s[i - 1] << 8 | s[i]] & filter.anchor) return i;
    ++i;
  }
}

bool BuildUnitFilter(const PatternUnit* pattern, unsigned reading, UnitFilter* filter) {
  PatternUnit units[kFilterUnits];
  const int count = RequiredUnits(pattern, units);
  std::memset(filter->byPair, 0, sizeof filter->byPair);
  filter->wanted = 0;
  for (int k = 0; k < count; ++k) {
    const auto bit = static_cast<uint8_t>(1u << k);
    MarkSources(filter, units[k], bit, reading);
    filter->wanted = static_cast<uint8_t>(filter->wanted | bit);
  }
  filter->reading = reading;
  ChooseFilterAnchor(filter);
  for (int k = 0; k < count; ++k) {
    if (filter->anchor != 1u << k) continue;
    filter->anchorUnit = units[k];
    filter->anchorNext = UnitAfter(pattern, units[k]);
  }
  return count > 0;
}

bool MayHoldUnits(const char* bytes, size_t length, const UnitFilter& filter) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  unsigned previous = 0;
  uint8_t seen = 0;
  for (size_t i = 0; i < length; ++i) {
    seen = static_cast<uint8_t>(seen | filter.byPair[previous << 8 | s[i]]);
    previous = s[i];
  }
  return (seen & filter.wanted) == filter.wanted;
}

bool MayHoldUnits(const char* line, const UnitFilter& filter) {
  return MayHoldUnits(line, std::strlen(line), filter);
}

// ---------------------------------------------------------------------------
// Plain search

PlainNeedle PreparePlainNeedle(const char* text) {
  PlainNeedle needle = {text, std::strlen(text), 0, 0, 0};
  for (size_t i = 1; i < needle.length; ++i) {
    if (ByteCommonness(static_cast<unsigned char>(text[i])) <
        ByteCommonness(static_cast<unsigned char>(text[needle.rareAt]))) {
      needle.rareAt = i;
    }
  }
  // The window whose bytes are together least common.
  needle.windowLength = std::min(needle.length, kShortStringBytes);
  unsigned best = ~0u;
  for (size_t at = 0; at + needle.windowLength <= needle.length; ++at) {
    unsigned score = 0;
    for (size_t k = 0; k < needle.windowLength; ++k) score += ByteCommonness(static_cast<unsigned char>(text[at + k]));
    if (score < best) {
      best = score;
      needle.windowAt = at;
    }
  }
  return needle;
}

}  // namespace zanto
