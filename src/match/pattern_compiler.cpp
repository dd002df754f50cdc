// The two compilers of terms: regular expressions of the program's dialect
// and literal text, into pattern units.
#include "match/pattern.h"

#include <cstring>

#include "match/pattern_units.h"

namespace zanto {

namespace {

// ---------------------------------------------------------------------------
// Reading the characters of a term

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
unsigned HexValue(char c) {
  if (c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

constexpr int kHexEscapeDigits = 4;
constexpr int kOctalEscapeDigits = 3;

// One character read from a term.
struct TermChar {
  unsigned unit;      // the character's code (may be 0: it ends the pattern)
  bool escaped;       // written with a backslash
  bool fromText;      // a double-byte character as typed (VuSequence may apply)
  bool same1Mapped;   // replaced by its Same1 representative
  const char* start;  // where the character starts in the term
};

// The unit an escape writes; *p is just after the backslash and is left
// after the escape.
unsigned ReadEscape(const char*& p) {
  const char c = *p;
  if (c == '\0') return '\\';
  ++p;
  switch (c) {
    case 'E': case 'e': return 27;
    case 'S': case 's': return ' ';
    case 'T': case 't': return '\t';
    case 'X': case 'x': {
      unsigned value = 0;
      for (int n = 0; n < kHexEscapeDigits && IsHexDigit(*p); ++n, ++p) value = value * 16 + HexValue(*p);
      return value;
    }
    default: break;
  }
  if (c >= '0' && c <= '7') {
    unsigned value = static_cast<unsigned>(c - '0');
    for (int n = 1; n < kOctalEscapeDigits && *p >= '0' && *p <= '7'; ++n, ++p) value = value * 8 + (*p - '0');
    return value;
  }
  // An escaped double-byte character stands for itself, not for its lead
  // byte alone.
  const auto lead = static_cast<unsigned char>(c);
  if (IsSjisLead(lead) && IsSjisTrail(static_cast<unsigned char>(*p))) {
    return static_cast<unsigned>(lead << 8 | static_cast<unsigned char>(*p++));
  }
  return lead;
}

// Reads the character at p and moves p past it. With a mapSame1 table, a
// double-byte character as typed becomes its Same1 representative.
TermChar ReadTermChar(const char*& p, const Same1Table* mapSame1) {
  TermChar ch = {0, false, false, false, p};
  const auto first = static_cast<unsigned char>(*p);
  if (first == '\\') {
    ++p;
    ch.escaped = true;
    ch.unit = ReadEscape(p);
    return ch;
  }
  const auto second = static_cast<unsigned char>(p[1]);
  if (IsSjisLead(first) && IsSjisTrail(second)) {
    p += 2;
    ch.unit = static_cast<unsigned>(first << 8 | second);
    ch.fromText = true;
    if (mapSame1) {
      bool mapped = false;
      ch.unit = Same1Map(mapSame1, static_cast<uint16_t>(ch.unit), &mapped);
      ch.same1Mapped = mapped;
    }
    return ch;
  }
  ++p;
  ch.unit = first;
  return ch;
}

// Case and ZenHan folding of a term character, as reading asks; 0 when it
// folds to nothing. A katakana VU typed in the term may take the small vowel
// after it: then p moves past that too.
PatternUnit FoldTermChar(const TermChar& ch, unsigned reading, const char*& p) {
  PatternUnit unit = static_cast<PatternUnit>(ch.unit);
  if (reading & kReadFoldCase) unit = CaseFold(unit);
  if (!(reading & kReadZenHan)) return unit;
  if (ch.fromText) {
    const FoldedChar vu = VuSequence(ch.start);
    if (vu.length != 0) {
      p = ch.start + vu.length;
      return vu.unit;
    }
  }
  return ZenHanFold(unit);
}

// ---------------------------------------------------------------------------
// Character classes

void SetClassBit(ClassBitmap& bitmap, unsigned code) {
  const int index = CharIndex(code);
  if (index < 0 || static_cast<size_t>(index) >= kClassBitmapBytes * 8) return;
  bitmap.bits[index / 8] |= static_cast<uint8_t>(1u << (index % 8));
}


// Folds one class member as a line character is folded and sets its bit.
// Same1 applies as in the line, so that a class naming any member of a
// group matches every member of it.
void AddClassMember(ClassBitmap& bitmap, unsigned code, unsigned reading, const Same1Table* same1) {
  PatternUnit unit = static_cast<PatternUnit>(code);
  if (unit >= 0x100 && (reading & kReadSame1)) unit = Same1Map(same1, unit);
  if (reading & kReadFoldCase) unit = CaseFold(unit);
  if (reading & kReadZenHan) unit = ZenHanFold(unit);
  if (unit == 0 && code != 0) return;  // folds to nothing
  SetClassBit(bitmap, unit);
}

bool IsSingleByteCode(unsigned code) { return code < 0x100; }

// Adds every character from low to high; false when the range is not one.
bool AddClassRange(ClassBitmap& bitmap, unsigned low, unsigned high, unsigned reading, const Same1Table* same1) {
  const bool singles = IsSingleByteCode(low) && IsSingleByteCode(high);
  const bool doubles = IsDoubleByteCode(low) && IsDoubleByteCode(high);
  if (!(singles || doubles) || low >= high) return false;
  for (unsigned code = low; code <= high; ++code) {
    if (doubles && !IsDoubleByteCode(code)) continue;
    AddClassMember(bitmap, code, reading, same1);
  }
  return true;
}

// Builds the class whose text starts at p (just after "["), up to "]" or
// the end of the text, its members folded under reading. False on a bad
// range or a code that is no character.
bool BuildClass(const char*& p, ClassBitmap& bitmap, unsigned reading, const Same1Table* same1, bool* escaped) {
  bool negated = false;
  if (*p == '^') {
    negated = true;
    ++p;
  }
  bool havePrevious = false;
  unsigned previous = 0;
  if (*p == '-') {
    AddClassMember(bitmap, '-', reading, same1);
    havePrevious = true;
    previous = '-';
    ++p;
  }
  while (*p != '\0' && *p != ']') {
    if (*p == '-' && havePrevious) {
      ++p;
      if (*p == '\0') return false;  // a range with no upper end
      const TermChar high = ReadTermChar(p, nullptr);
      *escaped |= high.escaped;
      if (!AddClassRange(bitmap, previous, high.unit, reading, same1)) return false;
      previous = high.unit;
      continue;
    }
    const TermChar member = ReadTermChar(p, nullptr);
    *escaped |= member.escaped;
    if (!IsSingleByteCode(member.unit) && !IsDoubleByteCode(member.unit)) return false;
    AddClassMember(bitmap, member.unit, reading, same1);
    previous = member.unit;
    havePrevious = true;
  }
  if (*p == ']') ++p;
  if (negated) {
    for (uint8_t& byte : bitmap.bits) byte = static_cast<uint8_t>(~byte);
  }
  return true;
}



// ---------------------------------------------------------------------------
// The two compilers

bool IsQuantifierChar(char c) { return c == '*' || c == '+' || c == '?'; }

PatternUnit QuantifierUnit(char c) {
  return static_cast<PatternUnit>(kFirstOperatorUnit | static_cast<unsigned char>(c));
}

// An escape may write any code; the operator codes are no characters.
bool IsStorableCode(unsigned code) { return code < kFirstOperatorUnit; }

int ResultOf(bool special) { return special ? kCompiledPattern : kCompiledPlain; }

// Compiles a term into out, folded under reading; operators: the regular-
// expression operators apply, else every character stands for itself.
int CompileTerm(const char* text, PatternUnit* out, int capacity, bool operators, unsigned reading,
                CompileContext& context) {
  context.outOfMemory = false;
  if (text[0] == '\0' || (operators && IsQuantifierChar(text[0])) || capacity < 1) return kCompileError;
  const int limit = (capacity > kPatternUnits ? kPatternUnits : capacity) - 1;
  bool special = false;
  int stored = 0;
  int lastElement = -1;  // where the last element stored starts
  const char* p = text;
  while (*p != '\0') {
    if (stored >= limit) return kCompileError;
    const char c = *p;
    if (operators && (c == '$' || c == '^' || c == '.')) {
      special = true;
      ++p;
      PatternUnit unit = kUnitAny;
      if (c == '$') unit = *p == '\0' ? kUnitLineEnd : '$';
      if (c == '^') unit = stored == 0 ? kUnitLineStart : '^';
      lastElement = stored;
      out[stored++] = unit;
      continue;
    }
    if (operators && IsQuantifierChar(c)) {
      special = true;
      ++p;
      // Nothing to repeat (everything before folded to nothing) is refused
      // like a term that starts with a quantifier.
      if (lastElement < 0) return kCompileError;
      const PatternUnit operand = out[lastElement];
      if (operand == kUnitLineEnd || operand == kUnitLineStart || IsQuantifierUnit(operand)) return kCompileError;
      std::memmove(out + lastElement + 1, out + lastElement, (stored - lastElement) * sizeof(PatternUnit));
      out[lastElement] = QuantifierUnit(c);
      ++stored;
      continue;
    }
    if (operators && c == '[') {
      special = true;
      ++p;
      if (stored + kClassUnits + 1 > limit + 1) return kCompileError;
      auto* bitmap = static_cast<ClassBitmap*>(context.arena->Allocate(sizeof(ClassBitmap)));
      if (bitmap == nullptr) {
        context.outOfMemory = true;
        return kCompileError;
      }
      bool escaped = false;
      if (!BuildClass(p, *bitmap, reading, context.same1, &escaped)) return kCompileError;
      lastElement = stored;
      out[stored] = kUnitClass;
      StoreClassReference(out + stored + 1, bitmap);
      stored += kClassUnits;
      continue;
    }
    const TermChar ch = ReadTermChar(p, (reading & kReadSame1) != 0 ? context.same1 : nullptr);
    special |= ch.escaped || ch.same1Mapped;
    if (!IsStorableCode(ch.unit)) return kCompileError;
    if (ch.unit == 0) break;  // "\x" with no digit ends the pattern
    const PatternUnit unit = FoldTermChar(ch, reading, p);
    if (unit == 0) continue;
    lastElement = stored;
    out[stored++] = unit;
  }
  out[stored] = 0;
  return ResultOf(special);
}

}  // namespace

int CompileLiteral(const char* text, PatternUnit* out, int capacity, unsigned reading, CompileContext& context) {
  return CompileTerm(text, out, capacity, false, reading, context);
}

int CompilePattern(const char* text, PatternUnit* out, int capacity, unsigned reading, CompileContext& context) {
  return CompileTerm(text, out, capacity, true, reading, context);
}

}  // namespace zanto
