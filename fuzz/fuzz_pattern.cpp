// The pattern compilers and the matcher. Input: one byte of option flags,
// the term up to a LF, then the line. Checks that a match position lies in
// the line, that a plain term is found where its bytes are, and that the
// unit filter and its anchor never refuse a line that matches. With bit 7
// of the flags the line is raw UTF-8, UTF-16LE or UTF-16BE text (by the
// byte after the term), converted as a file's line is; then the raw forms
// of the anchor, of the filter or of a plain term, must be found in the
// raw bytes the matching line came from, and a plain term's run must not
// pass over them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "match/pattern.h"
#include "match/term_arena.h"
#include "match/unicode_anchor.h"
#include "base/unicode_text.h"

namespace {

constexpr size_t kTermBytes = 1100;  // room past the longest compiled term
constexpr uint8_t kUnicodeLineFlag = 0x80;

// What one scan's matcher holds: the line and the working memory (too large
// for the stack), and the arena the term's classes are allocated in.
char gLine[zanto::kLineBuffer];
zanto::PatternWork gWork;
zanto::TermArena gArena;
zanto::UnitFilter gFilter;
zanto::UnicodeAnchor gAnchor;

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
  const zanto::UnicodeStep step = zanto::ConvertUnicodeLine(form, in.data, in.size, true, gLine, sizeof gLine - 1);
  gLine[step.written] = '\0';
  return {true, form, reinterpret_cast<const char*>(in.data), step.read};
}

// A line that matches holds a form of the anchor, if there is one.
void CheckAnchorForms(const RawLine& raw, bool haveAnchor) {
  if (raw.unicode && haveAnchor && zanto::NextAnchorForm(raw.bytes, 0, raw.length, gAnchor) >= raw.length) {
    std::abort();
  }
}

int CompileTerm(const char* term, zanto::PatternUnit* pattern, unsigned reading) {
  zanto::CompileContext context = {&gArena, fuzz::Same1InUse(), false};
  return zanto::gSettings.Regular ? zanto::CompilePattern(term, pattern, zanto::kPatternUnits, reading, context)
                                  : zanto::CompileLiteral(term, pattern, zanto::kPatternUnits, reading, context);
}

// The filter holds only characters every match holds, and its anchor
// precedes every match: neither may refuse a line that matches, nor may
// the raw forms of the filter's character be missing from its raw bytes.
void CheckFilterPasses(const zanto::PatternUnit* pattern, unsigned reading, const RawLine& raw) {
  if ((reading & (zanto::kReadSame1 | zanto::kReadFields)) != 0) return;
  if (!zanto::BuildUnitFilter(pattern, reading, &gFilter)) return;
  const size_t length = std::strlen(gLine);
  if (!zanto::MayHoldUnits(gLine, gFilter)) std::abort();
  if (zanto::NextAnchorPlace(gLine, 0, length, gFilter) == length) std::abort();
  CheckAnchorForms(raw, raw.unicode && zanto::AnchorOfFilter(gFilter, raw.form, &gAnchor));
}

// A field search reads the characters it leaves out as spaces, which the
// raw line need not hold.
bool IsSpaceAnchor(const zanto::UnicodeAnchor& anchor) {
  const zanto::ShortStrings& forms = anchor.forms;
  if (forms.count != 1) return false;
  const uint8_t* b = forms.bytes[0];
  return forms.length[0] == 1 ? b[0] == ' ' : (b[0] == ' ' && b[1] == 0) || (b[0] == 0 && b[1] == ' ');
}

// A plain term found by the byte-wise search lies in the line, and outside
// a field search it is the term's own bytes. The raw line holds the raw
// forms of the term's anchor, and the characters around them are the run's
// or malformed: outside a field search, and in one unless the anchor is a
// space.
void CheckPlainFind(const char* term, unsigned reading, const RawLine& raw) {
  size_t offset = 0;
  const size_t lineLength = std::strlen(gLine);
  const size_t termLength = std::strlen(term);
  const zanto::PlainNeedle needle = zanto::PreparePlainNeedle(term);
  if (!zanto::FindPlain(gWork, gLine, needle, reading, &offset)) return;
  if (offset + termLength > lineLength) std::abort();
  const bool fields = zanto::gSettings.FieldSearch != 0;
  if (!fields && std::memcmp(gLine + offset, term, termLength) != 0) std::abort();
  const bool haveAnchor = raw.unicode && zanto::AnchorOfNeedle(needle, raw.form, &gAnchor);
  CheckAnchorForms(raw, haveAnchor && !(fields && IsSpaceAnchor(gAnchor)));
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
    in.Text(gLine, sizeof gLine);  // the rest, cut to a line
  }

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
    if (found) CheckFilterPasses(pattern, reading, raw);
    if (compiled == zanto::kCompiledPlain) CheckPlainFind(term, reading, raw);
  }
  gArena.Free();
  return 0;
}
