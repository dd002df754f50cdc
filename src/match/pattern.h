// The pattern matcher: a term compiled into 16-bit units, the current line
// converted into the same unit form, and the search of one in the other.
// A double-byte Shift_JIS character is always one unit, so no match can
// start or end in the middle of a character. Terms that need no folding and
// have no operator are searched byte-wise in the raw line instead (FindPlain).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bounds.h"
#include "base/byte_scan.h"
#include "base/settings.h"
#include "match/folding.h"
#include "match/term_arena.h"

namespace zanto {

// A character (a single byte as itself, a double-byte character as
// lead * 256 + trail) or, from 0xFF00 on, an operator. 0 ends a pattern.
using PatternUnit = uint16_t;

// Operator units: 0xFF00 plus the ASCII code that writes the operator.
constexpr PatternUnit kUnitLineEnd = 0xFF24;    // "$" as the last character: end of line
constexpr PatternUnit kUnitStar = 0xFF2A;       // "*": zero or more of the next element
constexpr PatternUnit kUnitPlus = 0xFF2B;       // "+": one or more of the next element
constexpr PatternUnit kUnitAny = 0xFF2E;        // ".": any character
constexpr PatternUnit kUnitOptional = 0xFF3F;   // "?": zero or one of the next element
constexpr PatternUnit kUnitClass = 0xFF5B;      // "[": class; 4 more units hold its bitmap
constexpr PatternUnit kUnitLineStart = 0xFF5E;  // "^" as the first element: start of line
constexpr PatternUnit kUnitStale = 0xFFFF;      // first unit of a UnitLine to be rebuilt
constexpr PatternUnit kFirstOperatorUnit = 0xFF00;  // no character is this high

constexpr int kPatternUnits = 500;  // a compiled pattern, terminating 0 included
constexpr int kClassUnits = 5;      // the class unit and its bitmap reference

// One bit per CharIndex: set when the character belongs to the class.
constexpr size_t kClassBitmapBytes = 1500;
struct ClassBitmap {
  uint8_t bits[kClassBitmapBytes];
};

// What a compiler made of a term.
enum : int {
  kCompiledPlain = 0,    // plain text: FindPlain can search it as typed
  kCompiledPattern = 1,  // needs FindPattern (operator, class, escape, Same1)
  kCompileError = 2,     // empty, starts with a quantifier, misplaced
                         // quantifier, too long, bad class or code
};

// What matching a term depends on besides the term and the line. It is
// handed down rather than read from the settings, because the search's own
// terms and the block patterns are matched in one scan under different
// options.
struct MatchOptions {
  unsigned reading;  // LineReading: how the term is compiled and the line read
  bool word;         // Word: a match may not start or end inside a word
  bool markMatches;  // MatchStr: the start of each match goes to gMatchMarks
};

// The options of block patterns, from those of the search's own terms: the
// block set's patterns are found as written (no case or ZenHan folding, no
// Word) and are no result the user asked to see (no marks), whatever the
// search's options. Same1 and field selection still apply: a block is found
// in the line as the search reads it.
inline MatchOptions BlockPatternOptions(MatchOptions terms) {
  return {terms.reading & (kReadSame1 | kReadFields), false, false};
}

// What compiling a term reads and fills besides the term.
struct CompileContext {
  TermArena* arena;         // class bitmaps are allocated here
  const Same1Table* same1;  // Same1's table; null maps nothing
  bool outOfMemory;         // set when a compile failed because a class
                            // bitmap could not be had
};

// Compiles a regular expression of the program's dialect (used with Regular
// and for block patterns). Folding follows the Case, ZenHan and Same1 bits
// of reading (LineReading). capacity counts units, the terminating 0
// included (at most kPatternUnits).
int CompilePattern(const char* text, PatternUnit* out, int capacity, unsigned reading, CompileContext& context);
// Compiles literal text: only escapes are read; every other byte stands for
// itself. Same result codes as CompilePattern.
int CompileLiteral(const char* text, PatternUnit* out, int capacity, unsigned reading, CompileContext& context);

// Readable text of a compiled pattern, for tests and traces: characters as
// themselves (operator characters and backslash escaped with "\", other
// bytes and double-byte codes as <hex>), operators as "^ $ . * + ?" in front
// of their operand, classes as [members] or [^members] with ranges a-b.
std::string DumpPattern(const PatternUnit* pattern);

// A line in unit form, converted at most once per line for all terms.
// unit[0] == kUnitStale until rebuilt. position[i] is the byte offset in the
// line of the first byte of unit i; after the last unit it holds the line's
// end offset twice and then 0.
struct UnitLine {
  PatternUnit unit[kLineBuffer + 1] = {kUnitStale};
  uint16_t position[kLineBuffer + 3] = {};
  int length = 0;                // units before the terminating 0
  const char* source = nullptr;  // the line it was built from
  unsigned reading = 0;          // the LineReading it was built under
};

// Field selection for FieldSearch, filled from FieldPara and FieldNo
// (match/field_selection.h): which bytes separate fields, which fields
// (1-99) are searched. Characters of other fields read as spaces.
constexpr int kFieldLimit = 99;
struct FieldSelection {
  uint8_t separator[256];            // 1: the byte separates fields
  uint8_t selected[kFieldLimit + 1]; // 1: the field is searched (index 0 unused)
};

constexpr int kMemoRows = kPatternUnits / 2;  // a repetition takes 2 units or more

// The working memory of matching, one line at a time, and the tables it
// reads: the matcher of a scan owns one, so two searches never share it.
struct PatternWork {
  const Same1Table* same1 = nullptr;        // Same1's table; null maps nothing
  const FieldSelection* fields = nullptr;   // read under kReadFields
  UnitLine unitLine;
  // (repetition, unit) pairs visited by the current search: == memoStamp.
  uint16_t memo[kMemoRows][kLineBuffer + 1] = {};
  uint16_t memoStamp = 0;
  uint64_t steps = 0;           // element-matcher steps; tests show that
                                // the work per line is bounded
  char fieldLine[kLineBuffer];  // the line with unselected fields blanked
};

// Marks the unit line stale: the next search rebuilds it. Call it whenever
// the text of the line changes.
void MarkLineStale(PatternWork& work);
// Builds work's unit line from line under reading (LineReading: Case,
// ZenHan, Same1 and field selection).
void ConvertLine(PatternWork& work, const char* line, unsigned reading);

// Searches pattern in line under options.reading, honouring options.word
// (options.markMatches is the caller's). The unit line is rebuilt first
// when it is stale, was built from another line or under another reading.
// On a match sets *unitIndex to the unit where the match starts; its byte
// offset is work.unitLine.position[*unitIndex].
bool FindPatternIn(PatternWork& work, const char* line, const PatternUnit* pattern, MatchOptions options,
                   int* unitIndex);

// The longest run of characters that every match of pattern contains in a
// row (characters not under a quantifier), as Shift_JIS bytes in out
// (NUL-terminated, cut to capacity). avoidLetters leaves out ASCII letters,
// whose case may be folded. Returns the length; 0 when there is none.
size_t RequiredText(const PatternUnit* pattern, bool avoidLetters, char* out, size_t capacity);

// A quick test of a line for a pattern whose characters are folded (Case,
// ZenHan), so that the raw line's bytes are not its units: the characters
// every match holds (up to kFilterUnits of them) and, for every pair of
// bytes, which of them a character ending at the pair's second byte can
// fold to. A line that lacks one of them cannot match.
constexpr int kFilterUnits = 8;
struct UnitFilter {
  uint8_t wanted;             // a bit for each character every match holds
  uint8_t byPair[0x10000];    // by previous byte * 256 + byte
  // The wanted character expected to be rarest in text, and the bytes that
  // may end it: lines before the next such place cannot match.
  uint8_t anchor;             // its bit
  uint8_t mayEndAnchor[0x100];
  ByteSet anchorEnds;         // the same bytes, when few; else count 0
  // The anchor's raw forms: each single byte that folds to it, and each
  // double-byte character that does and whose trail byte does not alone.
  // None (count 0) when there are more than a set holds.
  ShortStrings anchorForms;
  // The anchor's unit and, where the pattern holds a character right after
  // it, that one's: a place whose next character that folds to something
  // is another cannot start a match there. anchorNext 0 when none; reading
  // as the filter was built for.
  PatternUnit anchorUnit;
  PatternUnit anchorNext;
  unsigned reading;
};
// Fills filter for pattern under the Case and ZenHan bits of reading
// (LineReading), for lines converted without Same1 and field selection.
// False when no character is held by every match (the filter then passes
// every line).
bool BuildUnitFilter(const PatternUnit* pattern, unsigned reading, UnitFilter* filter);
// Chooses filter's anchor from its wanted bits and byPair (BuildUnitFilter
// does this; a filter filled by other means calls it itself).
void ChooseFilterAnchor(UnitFilter* filter);
// The offset in [from, end) of bytes of the first place that may hold the
// filter's anchor character, or end. A line starts at from: a byte there
// is taken to start a character.
size_t NextAnchorPlace(const char* bytes, size_t from, size_t end, const UnitFilter& filter);
// False when line (NUL-terminated) cannot hold every character the filter
// wants.
bool MayHoldUnits(const char* line, const UnitFilter& filter);
// The same for length bytes (a NUL among them only lets more through).
bool MayHoldUnits(const char* bytes, size_t length, const UnitFilter& filter);

// Prepared form of a plain term for FindPlain: the byte it looks for first
// (the rarest of the term) and where that byte sits in the term; and, for
// the scan through a whole file, the few neighbouring bytes of the term
// expected to be rarest together, which it looks for all at once.
struct PlainNeedle {
  const char* text;     // the term's bytes, NUL-terminated; not owned
  size_t length;        // bytes in text (at least 1)
  size_t rareAt;        // offset in text of the byte searched first
  size_t windowAt;      // offset in text of the bytes looked for together
  size_t windowLength;  // 1 to kShortStringBytes of them
};
PlainNeedle PreparePlainNeedle(const char* text);

// Byte-wise search of text in line (NUL-terminated), never at a position
// inside a double-byte character; when reading (LineReading) has
// kReadFields, only the fields work selects are searched. On a match sets
// *offset to its byte offset.
bool FindPlain(PatternWork& work, const char* line, const PlainNeedle& needle, unsigned reading,
               size_t* offset);

// 2 when byte index of text is the second byte of a double-byte character,
// else 1.
int IsMidCharacter(const char* text, size_t index);

// A unit that is an ASCII letter, digit or "_"; no double-byte character is.
constexpr bool IsWordChar(PatternUnit unit) {
  return unit < 128 && ((unit >= '0' && unit <= '9') || (unit >= 'A' && unit <= 'Z') ||
                        (unit >= 'a' && unit <= 'z') || unit == '_');
}

}  // namespace zanto
