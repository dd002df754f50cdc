#include "match/pattern.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/settings.h"

namespace zanto {

UnitLine gUnitLine = {{kUnitStale}, {0}, 0, nullptr, 0u};
FieldSelection gFieldSelection;
TermArena gTermArena = {nullptr, 0, 0, -1};

// ---------------------------------------------------------------------------
// Term arena

void* ArenaAllocate(size_t bytes, uint32_t* handle) {
  if (gTermArena.failAfter == 0) return nullptr;
  if (gTermArena.count == gTermArena.capacity) {
    const size_t grown = gTermArena.capacity == 0 ? kArenaInitialBlocks : gTermArena.capacity * 2;
    void* list = std::realloc(gTermArena.blocks, grown * sizeof(void*));
    if (list == nullptr) return nullptr;
    gTermArena.blocks = static_cast<void**>(list);
    gTermArena.capacity = grown;
  }
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  if (gTermArena.failAfter > 0) --gTermArena.failAfter;
  gTermArena.blocks[gTermArena.count] = block;
  if (handle != nullptr) *handle = static_cast<uint32_t>(kArenaHandleBase + gTermArena.count);
  ++gTermArena.count;
  return block;
}

void* ArenaBlock(uint32_t handle) {
  if (handle < kArenaHandleBase || handle - kArenaHandleBase >= gTermArena.count) return nullptr;
  return gTermArena.blocks[handle - kArenaHandleBase];
}

void FreeTermArena() {
  for (size_t i = 0; i < gTermArena.count; ++i) std::free(gTermArena.blocks[i]);
  std::free(gTermArena.blocks);
  gTermArena.blocks = nullptr;
  gTermArena.count = 0;
  gTermArena.capacity = 0;
}

namespace {

// ---------------------------------------------------------------------------
// Reading the characters of a term

bool gCompileOutOfMemory = false;

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

// Reads the character at p and moves p past it. With mapSame1, a double-
// byte character as typed becomes its Same1 representative.
TermChar ReadTermChar(const char*& p, bool mapSame1) {
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
      ch.unit = Same1Map(static_cast<uint16_t>(ch.unit), &mapped);
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

bool ClassBitSet(const ClassBitmap& bitmap, unsigned code) {
  const int index = CharIndex(code);
  if (index < 0 || static_cast<size_t>(index) >= kClassBitmapBytes * 8) return false;
  return (bitmap.bits[index / 8] >> (index % 8)) & 1;
}

// Folds one class member as a line character is folded and sets its bit.
// Same1 applies as in the line, so that a class naming any member of a
// group matches every member of it.
void AddClassMember(ClassBitmap& bitmap, unsigned code, unsigned reading) {
  PatternUnit unit = static_cast<PatternUnit>(code);
  if (unit >= 0x100 && (reading & kReadSame1)) unit = Same1Map(unit);
  if (reading & kReadFoldCase) unit = CaseFold(unit);
  if (reading & kReadZenHan) unit = ZenHanFold(unit);
  if (unit == 0 && code != 0) return;  // folds to nothing
  SetClassBit(bitmap, unit);
}

bool IsSingleByteCode(unsigned code) { return code < 0x100; }

// Adds every character from low to high; false when the range is not one.
bool AddClassRange(ClassBitmap& bitmap, unsigned low, unsigned high, unsigned reading) {
  const bool singles = IsSingleByteCode(low) && IsSingleByteCode(high);
  const bool doubles = IsDoubleByteCode(low) && IsDoubleByteCode(high);
  if (!(singles || doubles) || low >= high) return false;
  for (unsigned code = low; code <= high; ++code) {
    if (doubles && !IsDoubleByteCode(code)) continue;
    AddClassMember(bitmap, code, reading);
  }
  return true;
}

// Builds the class whose text starts at p (just after "["), up to "]" or
// the end of the text, its members folded under reading. False on a bad
// range or a code that is no character.
bool BuildClass(const char*& p, ClassBitmap& bitmap, unsigned reading, bool* escaped) {
  bool negated = false;
  if (*p == '^') {
    negated = true;
    ++p;
  }
  bool havePrevious = false;
  unsigned previous = 0;
  if (*p == '-') {
    AddClassMember(bitmap, '-', reading);
    havePrevious = true;
    previous = '-';
    ++p;
  }
  while (*p != '\0' && *p != ']') {
    if (*p == '-' && havePrevious) {
      ++p;
      if (*p == '\0') return false;  // a range with no upper end
      const TermChar high = ReadTermChar(p, false);
      *escaped |= high.escaped;
      if (!AddClassRange(bitmap, previous, high.unit, reading)) return false;
      previous = high.unit;
      continue;
    }
    const TermChar member = ReadTermChar(p, false);
    *escaped |= member.escaped;
    if (!IsSingleByteCode(member.unit) && !IsDoubleByteCode(member.unit)) return false;
    AddClassMember(bitmap, member.unit, reading);
    previous = member.unit;
    havePrevious = true;
  }
  if (*p == ']') ++p;
  if (negated) {
    for (uint8_t& byte : bitmap.bits) byte = static_cast<uint8_t>(~byte);
  }
  return true;
}

void StoreClassReference(PatternUnit* at, const ClassBitmap* bitmap) {
  static_assert(sizeof bitmap <= sizeof(PatternUnit) * (kClassUnits - 1));
  std::memcpy(at, &bitmap, sizeof bitmap);
}

const ClassBitmap* ClassReference(const PatternUnit* classUnit) {
  const ClassBitmap* bitmap;
  std::memcpy(&bitmap, classUnit + 1, sizeof bitmap);
  return bitmap;
}

// ---------------------------------------------------------------------------
// The two compilers

bool IsQuantifierUnit(PatternUnit unit) {
  return unit == kUnitStar || unit == kUnitPlus || unit == kUnitOptional;
}
bool IsQuantifierChar(char c) { return c == '*' || c == '+' || c == '?'; }

PatternUnit QuantifierUnit(char c) {
  return static_cast<PatternUnit>(kFirstOperatorUnit | static_cast<unsigned char>(c));
}

// An escape may write any code; the operator codes are no characters.
bool IsStorableCode(unsigned code) { return code < kFirstOperatorUnit; }

int ResultOf(bool special) { return special ? kCompiledPattern : kCompiledPlain; }

// Compiles a term into out, folded under reading; operators: the regular-
// expression operators apply, else every character stands for itself.
int CompileTerm(const char* text, PatternUnit* out, int capacity, bool operators, unsigned reading) {
  gCompileOutOfMemory = false;
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
      auto* bitmap = static_cast<ClassBitmap*>(ArenaAllocate(sizeof(ClassBitmap)));
      if (bitmap == nullptr) {
        gCompileOutOfMemory = true;
        return kCompileError;
      }
      bool escaped = false;
      if (!BuildClass(p, *bitmap, reading, &escaped)) return kCompileError;
      lastElement = stored;
      out[stored] = kUnitClass;
      StoreClassReference(out + stored + 1, bitmap);
      stored += kClassUnits;
      continue;
    }
    const TermChar ch = ReadTermChar(p, (reading & kReadSame1) != 0);
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

bool CompileRanOutOfMemory() { return gCompileOutOfMemory; }

int CompileLiteral(const char* text, PatternUnit* out, int capacity, unsigned reading) {
  return CompileTerm(text, out, capacity, false, reading);
}

int CompilePattern(const char* text, PatternUnit* out, int capacity, unsigned reading) {
  return CompileTerm(text, out, capacity, true, reading);
}

int CompileLiteral(const char* text, PatternUnit* out, int capacity) {
  return CompileLiteral(text, out, capacity, LineReadingOf(gSettings));
}

int CompilePattern(const char* text, PatternUnit* out, int capacity) {
  return CompilePattern(text, out, capacity, LineReadingOf(gSettings));
}

// ---------------------------------------------------------------------------
// Dump

namespace {

void AppendCode(std::string& text, unsigned code, bool inClass = false) {
  char buffer[8];
  if (code > 0x20 && code < 0x7F) {
    if (std::strchr(inClass ? "\\^]-<>" : "\\$^.*+?[<>", static_cast<int>(code)) != nullptr) text += '\\';
    text += static_cast<char>(code);
    return;
  }
  std::snprintf(buffer, sizeof buffer, code < 0x100 ? "<%02X>" : "<%04X>", code);
  text += buffer;
}

// The code of a CharIndex (the inverse of CharIndex), or -1.
int CodeOfIndex(int index) {
  if (index < 0x100) return index;
  const int row = (index - 256) / 189, column = (index - 256) % 189;
  const int lead = row <= 0x9F - 0x81 ? row + 0x81 : row + 0xC1;
  const int code = lead << 8 | (column + 0x40);
  return IsDoubleByteCode(static_cast<unsigned>(code)) ? code : -1;
}

// Members as runs "a-c", in CharIndex order, only characters (set) or only
// non-members (!set).
void AppendClassMembers(std::string& text, const ClassBitmap& bitmap, bool set) {
  int runFirst = -1, runLast = -1;
  auto flush = [&] {
    if (runFirst < 0) return;
    AppendCode(text, static_cast<unsigned>(runFirst), true);
    if (runLast != runFirst) {
      text += '-';
      AppendCode(text, static_cast<unsigned>(runLast), true);
    }
    runFirst = -1;
  };
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfIndex(index);
    if (code < 0) continue;
    if (ClassBitSet(bitmap, static_cast<unsigned>(code)) != set) {
      flush();
      continue;
    }
    if (runFirst < 0) runFirst = code;
    runLast = code;
  }
  flush();
}

void AppendClass(std::string& text, const ClassBitmap& bitmap) {
  int members = 0;
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfIndex(index);
    if (code >= 0 && ClassBitSet(bitmap, static_cast<unsigned>(code))) ++members;
  }
  const bool negated = members > kCharIndexCount / 2;
  text += negated ? "[^" : "[";
  AppendClassMembers(text, bitmap, !negated);
  text += ']';
}

}  // namespace

std::string DumpPattern(const PatternUnit* pattern) {
  std::string text;
  for (int i = 0; i < kPatternUnits && pattern[i] != 0; ++i) {
    const PatternUnit unit = pattern[i];
    switch (unit) {
      case kUnitLineEnd: text += '$'; break;
      case kUnitStar: text += '*'; break;
      case kUnitPlus: text += '+'; break;
      case kUnitAny: text += '.'; break;
      case kUnitOptional: text += '?'; break;
      case kUnitLineStart: text += '^'; break;
      case kUnitClass:
        AppendClass(text, *ClassReference(pattern + i));
        i += kClassUnits - 1;
        break;
      default: AppendCode(text, unit); break;
    }
  }
  return text;
}

// ---------------------------------------------------------------------------
// Field selection and line conversion

namespace {

constexpr int kNoSeparator = -1;

// Field counting along a line: separators raise the field number, and a run
// of spaces or tabs after a separator counts once.
struct FieldWalker {
  int field = 1;
  int previousSeparator = kNoSeparator;

  bool FieldSelected() const { return field <= kFieldLimit && gFieldSelection.selected[field]; }

  // For a single byte: true when it is kept as it is (a separator, or a
  // byte of a selected field), false when it reads as a space.
  bool KeepsByte(unsigned char byte) {
    if (gFieldSelection.separator[byte]) {
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

}  // namespace

void MarkLineStale() { gUnitLine.unit[0] = kUnitStale; }

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

// ZenHan form of the double-byte unit read at s + at. VU takes a following
// small vowel with it, and *next moves past what it took; any other
// character is mapped by Same1 first (when asked), as a term's characters
// are.
inline PatternUnit ZenHanDoubleByte(const unsigned char* s, size_t at, PatternUnit unit, bool same1,
                                    size_t* next) {
  if (unit != kKatakanaVu) return NormalizeWide(same1 ? Same1Map(unit) : unit);
  const FoldedChar vu = VuSequence(reinterpret_cast<const char*>(s + at));
  *next = at + vu.length;
  return vu.unit;
}

// Units of the line s up to end, stored in gUnitLine; *stop receives the
// offset after the last character. This form serves field selection and
// Same1, which every character must ask.
int ConvertSelectedLine(const unsigned char* s, size_t end, unsigned reading, size_t* stop) {
  const bool fields = reading & kReadFields, zenHan = reading & kReadZenHan;
  const bool caseFold = reading & kReadFoldCase, same1 = reading & kReadSame1;
  FieldWalker walker;
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
      } else if (same1) {
        unit = Same1Map(unit);
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
    gUnitLine.unit[stored] = unit;
    gUnitLine.position[stored] = static_cast<uint16_t>(at);
    ++stored;
  }
  *stop = i;
  return stored;
}

// ConvertSelectedLine without field selection and Same1, the usual case:
// the same units, from a loop with fewer tests per character. A unit that
// folds to nothing is written and then written over, instead of being
// tested for.
int ConvertWholeLine(const unsigned char* s, size_t end, unsigned reading, size_t* stop) {
  const bool zenHan = reading & kReadZenHan, caseFold = reading & kReadFoldCase;
  int stored = 0;
  size_t i = 0;
  while (i < end) {
    const size_t at = i;
    PatternUnit unit;
    if (IsSjisLead(s[i]) && IsSjisTrail(s[i + 1])) {
      unit = static_cast<PatternUnit>(s[i] << 8 | s[i + 1]);
      i += 2;
      if (zenHan) unit = ZenHanDoubleByte(s, at, unit, false, &i);
    } else {
      unit = s[i++];
      if (caseFold) unit = CaseFold(unit);
      if (zenHan) unit = ZenHanFold(unit);
    }
    gUnitLine.unit[stored] = unit;
    gUnitLine.position[stored] = static_cast<uint16_t>(at);
    stored += unit != 0;
  }
  *stop = i;
  return stored;
}

}  // namespace

void ConvertLine(const char* line, unsigned reading) {
  const auto* s = reinterpret_cast<const unsigned char*>(line);
  const size_t end = ConversionEnd(line);
  size_t i = 0;
  const int stored = (reading & (kReadFields | kReadSame1)) != 0 ? ConvertSelectedLine(s, end, reading, &i)
                                                                 : ConvertWholeLine(s, end, reading, &i);
  gUnitLine.unit[stored] = 0;
  gUnitLine.position[stored] = static_cast<uint16_t>(i);
  gUnitLine.position[stored + 1] = static_cast<uint16_t>(i);
  gUnitLine.position[stored + 2] = 0;
  gUnitLine.length = stored;
  gUnitLine.source = line;
  gUnitLine.reading = reading;
}

void ConvertLine(const char* line) { ConvertLine(line, LineReadingOf(gSettings)); }

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

constexpr int kMemoRows = kPatternUnits / 2;  // a repetition takes 2 units or more
uint16_t gMemo[kMemoRows][kLineBuffer + 1];    // == gMemoStamp: visited this search
uint16_t gMemoStamp = 0;
uint64_t gSteps = 0;

void NextMemoStamp() {
  if (++gMemoStamp == 0) {
    std::memset(gMemo, 0, sizeof gMemo);
    gMemoStamp = 1;
  }
}

struct Matcher {
  const PatternUnit* pattern;
  const PatternUnit* line;
  bool word;

  static int ElementSize(const PatternUnit* element) { return *element == kUnitClass ? kClassUnits : 1; }

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
  static bool FirstVisit(int pe, int i) {
    uint16_t& cell = gMemo[pe / 2][i];
    if (cell == gMemoStamp) return false;
    cell = gMemoStamp;
    return true;
  }

  // The pattern from element pe matches the line from unit i.
  bool Match(int pe, int i) const {
    for (;;) {
      ++gSteps;
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
          pe += ElementSize(pattern + pe);
      }
    }
  }

  bool MatchRepetition(int pe, int i) const {
    const PatternUnit quantifier = pattern[pe];
    const PatternUnit* operand = pattern + pe + 1;
    const int rest = pe + 1 + ElementSize(operand);
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
      ++gSteps;
      if (!FirstVisit(pe, i)) return false;
      if ((!nextIsChar || line[i] == next) && Match(rest, i)) return true;
      if (!Consumes(operand, line[i])) return false;
      ++i;
    }
  }
};

bool IsCharUnit(PatternUnit unit) { return unit != 0 && unit < kFirstOperatorUnit; }

}  // namespace

uint64_t PatternMatchSteps() { return gSteps; }
void ResetPatternMatchSteps() { gSteps = 0; }

bool FindPattern(const PatternUnit* pattern, int* unitIndex) {
  return FindPatternIn(gCurrentLine, pattern, SearchTermOptions(gSettings), unitIndex);
}

bool FindPatternIn(const char* text, const PatternUnit* pattern, MatchOptions options, int* unitIndex) {
  if (gUnitLine.unit[0] == kUnitStale || gUnitLine.source != text || gUnitLine.reading != options.reading) {
    ConvertLine(text, options.reading);
  }
  const PatternUnit* line = gUnitLine.unit;
  const int length = gUnitLine.length;
  const PatternUnit first = pattern[0];
  if (first == kUnitLineEnd) {
    *unitIndex = length;
    return true;
  }
  NextMemoStamp();
  const Matcher matcher = {pattern, line, options.word};
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
      i += 1 + Matcher::ElementSize(pattern + i + 1);
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
      i += 1 + Matcher::ElementSize(pattern + i + 1);
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

// For each byte, the wanted characters (bits) that it may end.
void EndingBits(const UnitFilter& filter, uint8_t* bits) {
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    bits[byte] = 0;
    for (unsigned previous = 0; previous < 0x100; ++previous) bits[byte] |= filter.byPair[previous << 8 | byte];
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
}

size_t NextAnchorPlace(const char* bytes, size_t from, size_t end, const UnitFilter& filter) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  const uint8_t* may = filter.mayEndAnchor;
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
  ChooseFilterAnchor(filter);
  return count > 0;
}

bool BuildUnitFilter(const PatternUnit* pattern, UnitFilter* filter) {
  return BuildUnitFilter(pattern, LineReadingOf(gSettings), filter);
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
  PlainNeedle needle = {text, std::strlen(text), 0};
  for (size_t i = 1; i < needle.length; ++i) {
    if (ByteCommonness(static_cast<unsigned char>(text[i])) <
        ByteCommonness(static_cast<unsigned char>(text[needle.rareAt]))) {
      needle.rareAt = i;
    }
  }
  return needle;
}

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

char gFieldLine[kLineBuffer];  // the line with unselected fields blanked

// Copies line into gFieldLine with every byte outside the selected fields
// replaced by a space; separators stay.
const char* BlankUnselectedFields(const char* line) {
  const auto* s = reinterpret_cast<const unsigned char*>(line);
  FieldWalker walker;
  size_t i = 0;
  while (i < kLineBuffer - 1 && s[i] != '\0') {
    if (IsSjisLead(s[i]) && IsSjisTrail(s[i + 1])) {
      const bool keep = walker.KeepsDoubleByte();
      gFieldLine[i] = keep ? line[i] : ' ';
      gFieldLine[i + 1] = keep ? line[i + 1] : ' ';
      i += 2;
    } else {
      gFieldLine[i] = walker.KeepsByte(s[i]) ? line[i] : ' ';
      i += 1;
    }
  }
  gFieldLine[i] = '\0';
  return gFieldLine;
}

}  // namespace

bool FindPlain(const char* line, const PlainNeedle& needle, unsigned reading, size_t* offset) {
  const char* text = (reading & kReadFields) != 0 ? BlankUnselectedFields(line) : line;
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

bool FindPlain(const char* line, const char* text, size_t* offset) {
  return FindPlain(line, PreparePlainNeedle(text), LineReadingOf(gSettings), offset);
}

}  // namespace zanto
