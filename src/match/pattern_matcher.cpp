// Lines in unit form, the element matcher and the byte-wise plain search.
#include "match/pattern.h"

#include <cstring>

#include "match/pattern_units.h"

namespace zanto {

// ---------------------------------------------------------------------------
// Field selection and line conversion

namespace {

constexpr int kNoSeparator = -1;

// Field counting along a line: separators raise the field number, and a run
// of spaces or tabs after a separator counts once.
struct FieldWalker {
  const FieldSelection& selection;
  int field = 1;
  int previousSeparator = kNoSeparator;

  bool FieldSelected() const { return field <= kFieldLimit && selection.selected[field]; }

  // For a single byte: true when it is kept as it is (a separator, or a
  // byte of a selected field), false when it reads as a space.
  bool KeepsByte(unsigned char byte) {
    if (selection.separator[byte]) {
      if (previousSeparator != ' ' && previousSeparator != '\t') ++field;
      previousSeparator = byte;
      return true;
    }
    previousSeparator = kNoSeparator;
    return FieldSelected();
  }
  bool KeepsDoubleByte() {
    previousSeparator = kNoSeparator;
    return FieldSelected();
  }
};

// The selection fields are read under; none selected when work has none.
constexpr FieldSelection kNoFieldSelected = {};
const FieldSelection& SelectionOf(const PatternWork& work) {
  return work.fields != nullptr ? *work.fields : kNoFieldSelected;
}

}  // namespace

void MarkLineStale(PatternWork& work) { work.unitLine.unit[0] = kUnitStale; }

namespace {

// Where the conversion of a line stops: at its first NUL, LF or CR LF, and
// after kLineBuffer - 1 bytes at the latest. Found once, so that the
// character loop need not test every character for a line end. (No line
// end byte is a trail byte, and a VU sequence holds none, so the loop's
// characters meet this offset exactly.)
size_t ConversionEnd(const char* line) {
  const size_t length = std::strlen(line);
  const char* lf = static_cast<const char*>(std::memchr(line, '\n', length));
  size_t end = length;
  if (lf != nullptr) end = static_cast<size_t>(lf - line) - (lf > line && lf[-1] == '\r' ? 1 : 0);
  return end < kLineBuffer - 1 ? end : kLineBuffer - 1;
}

// Units of the line s up to end, stored in work's unit line; *stop receives
// the offset after the last character. This form serves field selection and
// Same1, which every character must ask.
int ConvertSelectedLine(PatternWork& work, const unsigned char* s, size_t end, unsigned reading, size_t* stop) {
  const bool fields = reading & kReadFields, zenHan = reading & kReadZenHan;
  const bool caseFold = reading & kReadFoldCase;
  const Same1Table* same1 = (reading & kReadSame1) != 0 ? work.same1 : nullptr;
  const bool mapSame1 = (reading & kReadSame1) != 0;
  FieldWalker walker{SelectionOf(work)};
  UnitLine& out = work.unitLine;
  int stored = 0;
  size_t i = 0;
  while (i < end) {
    const size_t at = i;
    PatternUnit unit;
    if (IsSjisLead(s[i]) && IsSjisTrail(s[i + 1])) {
      unit = static_cast<PatternUnit>(s[i] << 8 | s[i + 1]);
      i += 2;
      if (fields && !walker.KeepsDoubleByte()) {
        unit = ' ';
      } else if (zenHan) {
        unit = ZenHanDoubleByte(s, at, unit, same1, &i);
      } else if (mapSame1) {
        unit = Same1Map(same1, unit);
      }
    } else {
      unit = s[i++];
      if (fields && !walker.KeepsByte(static_cast<unsigned char>(unit))) {
        unit = ' ';
      } else {
        if (caseFold) unit = CaseFold(unit);
        if (zenHan) unit = ZenHanFold(unit);
      }
    }
    if (unit == 0) continue;  // folded to nothing
    out.unit[stored] = unit;
    out.position[stored] = static_cast<uint16_t>(at);
    ++stored;
  }
  *stop = i;
  return stored;
}

// ConvertSelectedLine without field selection and Same1, the usual case:
// the same units, from a loop with fewer tests per character. A unit that
// folds to nothing is written and then written over, instead of being
// tested for.
int ConvertWholeLine(UnitLine& out, const unsigned char* s, size_t end, unsigned reading, size_t* stop) {
  const bool zenHan = reading & kReadZenHan, caseFold = reading & kReadFoldCase;
  int stored = 0;
  size_t i = 0;
  while (i < end) {
    const size_t at = i;
    const PatternUnit unit = NextWholeLineUnit(s, &i, zenHan, caseFold);
    out.unit[stored] = unit;
    out.position[stored] = static_cast<uint16_t>(at);
    stored += unit != 0;
  }
  *stop = i;
  return stored;
}

}  // namespace

void ConvertLine(PatternWork& work, const char* line, unsigned reading) {
  const auto* s = reinterpret_cast<const unsigned char*>(line);
  const size_t end = ConversionEnd(line);
  size_t i = 0;
  UnitLine& out = work.unitLine;
  const int stored = (reading & (kReadFields | kReadSame1)) != 0 ? ConvertSelectedLine(work, s, end, reading, &i)
                                                                 : ConvertWholeLine(out, s, end, reading, &i);
  out.unit[stored] = 0;
  out.position[stored] = static_cast<uint16_t>(i);
  out.position[stored + 1] = static_cast<uint16_t>(i);
  out.position[stored + 2] = 0;
  out.length = stored;
  out.source = line;
  out.reading = reading;
}

// ---------------------------------------------------------------------------
// The element matcher
//
// Repetition is shortest-first with backtracking. Whether the rest of the
// pattern matches from a given unit depends only on the element and the
// unit (there are no captures), so each (repetition, unit) pair is tried at
// most once per search: later visits read the memo and fail at once. That
// bounds the work of one search by the number of repetitions times the line
// length instead of letting it grow exponentially.

namespace {

void NextMemoStamp(PatternWork& work) {
  if (++work.memoStamp == 0) {
    std::memset(work.memo, 0, sizeof work.memo);
    work.memoStamp = 1;
  }
}

struct Matcher {
  const PatternUnit* pattern;
  const PatternUnit* line;
  bool word;
  PatternWork& work;

  // The element at e consumes line unit u.
  static bool Consumes(const PatternUnit* e, PatternUnit u) {
    if (u == 0) return false;
    if (*e == kUnitAny) return u != '\n';
    if (*e == kUnitClass) return u < 0x100 ? ((ClassReference(e)->bits[u / 8] >> (u % 8)) & 1) != 0
                                           : ClassBitSet(*ClassReference(e), u);
    return *e == u;
  }

  // With Word, a match may not end inside a word.
  bool EndsWell(int i) const {
    return !(word && i > 0 && IsWordChar(line[i - 1]) && IsWordChar(line[i]));
  }

  // True when the first visit of (repetition at pattern unit pe, unit i).
  bool FirstVisit(int pe, int i) const {
    uint16_t& cell = work.memo[pe / 2][i];
    if (cell == work.memoStamp) return false;
    cell = work.memoStamp;
    return true;
  }

  // The pattern from element pe matches the line from unit i.
  bool Match(int pe, int i) const {
    for (;;) {
      ++work.steps;
      const PatternUnit u = pattern[pe];
      switch (u) {
        case 0: return EndsWell(i);
        case kUnitLineEnd:
          if (line[i] != 0) return false;
          ++pe;
          continue;
        case kUnitLineStart:
          if (i != 0) return false;
          ++pe;
          continue;
        case kUnitStar:
        case kUnitPlus:
        case kUnitOptional: return MatchRepetition(pe, i);
        default:
          if (!Consumes(pattern + pe, line[i])) return false;
          ++i;
          pe += UnitElementSize(pattern + pe);
      }
    }
  }

  bool MatchRepetition(int pe, int i) const {
    const PatternUnit quantifier = pattern[pe];
    const PatternUnit* operand = pattern + pe + 1;
    const int rest = pe + 1 + UnitElementSize(operand);
    if (quantifier == kUnitOptional) {
      if (Consumes(operand, line[i]) && FirstVisit(pe, i + 1) && Match(rest, i + 1)) return true;
      return FirstVisit(pe, i) && Match(rest, i);
    }
    if (quantifier == kUnitPlus) {
      if (!Consumes(operand, line[i])) return false;
      ++i;
    }
    // A repetition that ends the pattern takes nothing more.
    if (pattern[rest] == 0) return EndsWell(i);
    const PatternUnit next = pattern[rest];
    const bool nextIsChar = next < kFirstOperatorUnit;
    for (;;) {
      ++work.steps;
      if (!FirstVisit(pe, i)) return false;
      if ((!nextIsChar || line[i] == next) && Match(rest, i)) return true;
      if (!Consumes(operand, line[i])) return false;
      ++i;
    }
  }
};

}  // namespace

bool FindPatternIn(PatternWork& work, const char* text, const PatternUnit* pattern, MatchOptions options,
                   int* unitIndex) {
  UnitLine& unitLine = work.unitLine;
  if (unitLine.unit[0] == kUnitStale || unitLine.source != text || unitLine.reading != options.reading) {
    ConvertLine(work, text, options.reading);
  }
  const PatternUnit* line = unitLine.unit;
  const int length = unitLine.length;
  const PatternUnit first = pattern[0];
  if (first == kUnitLineEnd) {
    *unitIndex = length;
    return true;
  }
  NextMemoStamp(work);
  const Matcher matcher = {pattern, line, options.word, work};
  if (first == kUnitLineStart) {
    if (!matcher.Match(0, 0)) return false;
    *unitIndex = 0;
    return true;
  }
  const bool jump = IsCharUnit(first);
  for (int i = 0; i <= length; ++i) {
    if (jump) {
      while (i < length && line[i] != first) ++i;
      if (i == length) return false;
    }
    if (matcher.word && i > 0 && IsWordChar(line[i - 1]) && IsWordChar(line[i])) continue;
    if (matcher.Match(0, i)) {
      *unitIndex = i;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Plain search

int IsMidCharacter(const char* text, size_t index) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  constexpr unsigned char kHighestNonLead = 0x80;  // no lead byte is 0x80 or below
  size_t from = 0;
  if (index > 1) {
    if (s[index - 1] <= kHighestNonLead) return 1;
    if (s[index - 2] <= kHighestNonLead) from = index - 1;
    else if (s[index / 2] <= kHighestNonLead) from = index / 2 + 1;
  }
  size_t i = from;
  while (i < index) {
    if (s[i] == '\0') return 1;
    i += IsSjisLead(s[i]) ? 2 : 1;
  }
  return i == index + 1 ? 2 : 1;
}

namespace {

// Copies line into work's field line with every byte outside the selected
// fields replaced by a space; separators stay.
const char* BlankUnselectedFields(PatternWork& work, const char* line) {
  const auto* s = reinterpret_cast<const unsigned char*>(line);
  FieldWalker walker{SelectionOf(work)};
  char* blanked = work.fieldLine;
  size_t i = 0;
  while (i < kLineBuffer - 1 && s[i] != '\0') {
    if (IsSjisLead(s[i]) && IsSjisTrail(s[i + 1])) {
      const bool keep = walker.KeepsDoubleByte();
      blanked[i] = keep ? line[i] : ' ';
      blanked[i + 1] = keep ? line[i + 1] : ' ';
      i += 2;
    } else {
      blanked[i] = walker.KeepsByte(s[i]) ? line[i] : ' ';
      i += 1;
    }
  }
  blanked[i] = '\0';
  return blanked;
}

}  // namespace

bool FindPlain(PatternWork& work, const char* line, const PlainNeedle& needle, unsigned reading, size_t* offset) {
  const char* text = (reading & kReadFields) != 0 ? BlankUnselectedFields(work, line) : line;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t length = std::strlen(text);
  if (needle.length == 0 || needle.length > length) return false;
  const char rare = needle.text[needle.rareAt];
  const size_t lastStart = length - needle.length;
  size_t boundary = 0;  // a known character start at or before the candidates
  size_t scan = needle.rareAt;
  while (scan <= lastStart + needle.rareAt) {
    const void* hit = std::memchr(text + scan, rare, lastStart + needle.rareAt + 1 - scan);
    if (hit == nullptr) return false;
    const size_t candidate = static_cast<size_t>(static_cast<const char*>(hit) - text) - needle.rareAt;
    scan = candidate + needle.rareAt + 1;
    if (std::memcmp(text + candidate, needle.text, needle.length) != 0) continue;
    if (candidate > 0 && IsSjisLead(s[candidate - 1])) {
      // Walk whole characters from the last known start to the candidate.
      while (boundary < candidate) boundary += IsSjisLead(s[boundary]) ? 2 : 1;
      if (boundary != candidate) continue;  // it starts on a trail byte
    }
    *offset = candidate;
    return true;
  }
  return false;
}

}  // namespace zanto
