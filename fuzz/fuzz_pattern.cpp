// The pattern compilers and the matcher. Input: one byte of option flags,
// the term up to a LF, then the line. Checks that a match position lies in
// the line, that a plain term is found where its bytes are, and that the
// unit filter and its anchor never refuse a line that matches.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "match/pattern.h"
#include "match/term_arena.h"

namespace {

constexpr size_t kTermBytes = 1100;  // room past the longest compiled term

// What one scan's matcher holds: the line and the working memory (too large
// for the stack), and the arena the term's classes are allocated in.
char gLine[zanto::kLineBuffer];
zanto::PatternWork gWork;
zanto::TermArena gArena;
zanto::UnitFilter gFilter;

int CompileTerm(const char* term, zanto::PatternUnit* pattern, unsigned reading) {
  zanto::CompileContext context = {&gArena, fuzz::Same1InUse(), false};
  return zanto::gSettings.Regular ? zanto::CompilePattern(term, pattern, zanto::kPatternUnits, reading, context)
                                  : zanto::CompileLiteral(term, pattern, zanto::kPatternUnits, reading, context);
}

// The filter holds only characters every match holds, and its anchor
// precedes every match: neither may refuse a line that matches.
void CheckFilterPasses(const zanto::PatternUnit* pattern, unsigned reading) {
  if ((reading & (zanto::kReadSame1 | zanto::kReadFields)) != 0) return;
  if (!zanto::BuildUnitFilter(pattern, reading, &gFilter)) return;
  const size_t length = std::strlen(gLine);
  if (!zanto::MayHoldUnits(gLine, gFilter)) std::abort();
  if (zanto::NextAnchorPlace(gLine, 0, length, gFilter) == length) std::abort();
}

// A plain term found by the byte-wise search lies in the line, and outside
// a field search it is the term's own bytes.
void CheckPlainFind(const char* term, unsigned reading) {
  size_t offset = 0;
  const size_t lineLength = std::strlen(gLine);
  const size_t termLength = std::strlen(term);
  if (!zanto::FindPlain(gWork, gLine, zanto::PreparePlainNeedle(term), reading, &offset)) return;
  if (offset + termLength > lineLength) std::abort();
  if (!zanto::gSettings.FieldSearch && std::memcmp(gLine + offset, term, termLength) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in{data, size};
  fuzz::ReadOptionFlags(in);
  char term[kTermBytes];
  in.Text(term, sizeof term, '\n');
  in.Text(gLine, sizeof gLine);  // the rest, cut to a line

  const unsigned reading = zanto::LineReadingOf(zanto::gSettings);
  const zanto::MatchOptions options = {reading, zanto::gSettings.Word != 0, false};
  gWork.same1 = fuzz::Same1InUse();
  gWork.fields = &fuzz::Fields();

  zanto::PatternUnit pattern[zanto::kPatternUnits];
  const int compiled = CompileTerm(term, pattern, reading);
  if (compiled < zanto::kCompiledPlain || compiled > zanto::kCompileError) std::abort();
  if (compiled != zanto::kCompileError) {
    zanto::DumpPattern(pattern);
    zanto::MarkLineStale(gWork);
    int at = -1;
    const bool found = zanto::FindPatternIn(gWork, gLine, pattern, options, &at);
    if (found && (at < 0 || at > gWork.unitLine.length)) std::abort();
    if (found) CheckFilterPasses(pattern, reading);
    if (compiled == zanto::kCompiledPlain) CheckPlainFind(term, reading);
  }
  gArena.Free();
  return 0;
}
