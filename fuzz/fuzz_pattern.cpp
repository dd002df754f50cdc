// The pattern compilers and the matcher. Input: one byte of option flags,
// the term up to a LF, then the line. Checks that a match position lies in
// the line, that a plain term is found where its bytes are, and that the
// unit filter and its anchor never refuse a line that matches.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "match/line_state.h"
#include "match/pattern.h"

namespace {

constexpr size_t kTermBytes = 1100;  // room past the longest compiled term

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in{data, size};
  fuzz::ReadOptionFlags(in);
  char term[kTermBytes];
  in.Text(term, sizeof term, '\n');
  in.Text(zanto::gCurrentLine, zanto::kLineBuffer);  // the rest, cut to a line

  zanto::PatternUnit pattern[zanto::kPatternUnits];
  const int compiled = zanto::gSettings.Regular ? zanto::CompilePattern(term, pattern, zanto::kPatternUnits)
                                                : zanto::CompileLiteral(term, pattern, zanto::kPatternUnits);
  if (compiled < zanto::kCompiledPlain || compiled > zanto::kCompileError) std::abort();
  if (compiled != zanto::kCompileError) {
    zanto::DumpPattern(pattern);
    zanto::MarkLineStale();
    int at = -1;
    const bool found = zanto::FindPattern(pattern, &at);
    if (found && (at < 0 || at > zanto::gUnitLine.length)) std::abort();
    static zanto::UnitFilter filter;
    const unsigned reading = zanto::LineReadingOf(zanto::gSettings);
    if (found && (reading & (zanto::kReadSame1 | zanto::kReadFields)) == 0 &&
        zanto::BuildUnitFilter(pattern, &filter)) {
      const size_t length = std::strlen(zanto::gCurrentLine);
      if (!zanto::MayHoldUnits(zanto::gCurrentLine, filter)) std::abort();
      if (zanto::NextAnchorPlace(zanto::gCurrentLine, 0, length, filter) == length) std::abort();
    }
    if (compiled == zanto::kCompiledPlain) {
      size_t offset = 0;
      const size_t lineLength = std::strlen(zanto::gCurrentLine);
      if (zanto::FindPlain(zanto::gCurrentLine, term, &offset)) {
        if (offset + std::strlen(term) > lineLength) std::abort();
        if (!zanto::gSettings.FieldSearch && std::memcmp(zanto::gCurrentLine + offset, term, std::strlen(term)) != 0) {
          std::abort();
        }
      }
    }
  }
  zanto::FreeTermArena();
  return 0;
}
