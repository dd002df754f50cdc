// The pattern compilers and the matcher. Input: one byte of option flags,
// the term up to a LF, then the line. Checks that a match position lies in
// the line, that a plain term is found where its bytes are, and that the
// unit filter and its anchor never refuse a line that matches. With bit 7
// of the flags the line is raw UTF-8, UTF-16LE or UTF-16BE text (by the
// byte after the term), converted as a file's line is; then the raw forms
// of the anchor, of the filter or of a plain term, must be found in the
// raw bytes the matching line came from.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "match/line_state.h"
#include "match/pattern.h"
#include "match/unicode_anchor.h"
#include "match/unicode_text.h"

namespace {

constexpr size_t kTermBytes = 1100;  // room past the longest compiled term
constexpr uint8_t kUnicodeLineFlag = 0x80;

// The raw Unicode bytes the current line came from, when it came from such.
struct RawLine {
  bool unicode;
  zanto::UnicodeForm form;
  const char* bytes;
  size_t length;  // bytes the line was converted from
};

// Converts the rest of the input as a file's first line of form.
RawLine ReadUnicodeLine(fuzz::InputReader& in) {
  static const zanto::UnicodeForm kForms[] = {zanto::UnicodeForm::Utf8, zanto::UnicodeForm::Utf16Le,
                                              zanto::UnicodeForm::Utf16Be};
  const zanto::UnicodeForm form = kForms[in.Byte() % 3];
  const zanto::UnicodeStep step =
      zanto::ConvertUnicodeLine(form, in.data, in.size, true, zanto::gCurrentLine, zanto::kLineBuffer - 1);
  zanto::gCurrentLine[step.written] = '\0';
  return {true, form, reinterpret_cast<const char*>(in.data), step.read};
}

// A line that matches holds a form of the anchor, if there is one.
void CheckAnchorForms(const RawLine& raw, bool haveAnchor, const zanto::UnicodeAnchor& anchor) {
  if (raw.unicode && haveAnchor && zanto::NextAnchorForm(raw.bytes, 0, raw.length, anchor) >= raw.length) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in{data, size};
  const uint8_t flags = fuzz::ReadOptionFlags(in);
  char term[kTermBytes];
  in.Text(term, sizeof term, '\n');
  RawLine raw = {};
  if (flags & kUnicodeLineFlag) {
    raw = ReadUnicodeLine(in);
  } else {
    in.Text(zanto::gCurrentLine, zanto::kLineBuffer);  // the rest, cut to a line
  }
  static zanto::UnicodeAnchor anchor;

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
      CheckAnchorForms(raw, zanto::AnchorOfFilter(filter, raw.form, &anchor), anchor);
    }
    if (compiled == zanto::kCompiledPlain) {
      size_t offset = 0;
      const size_t lineLength = std::strlen(zanto::gCurrentLine);
      if (zanto::FindPlain(zanto::gCurrentLine, term, &offset)) {
        if (offset + std::strlen(term) > lineLength) std::abort();
        if (!zanto::gSettings.FieldSearch && std::memcmp(zanto::gCurrentLine + offset, term, std::strlen(term)) != 0) {
          std::abort();
        }
        if (!zanto::gSettings.FieldSearch) {
          CheckAnchorForms(raw, zanto::AnchorOfNeedle(zanto::PreparePlainNeedle(term), raw.form, &anchor), anchor);
        }
      }
    }
  }
  zanto::FreeTermArena();
  return 0;
}
