// The search expression: compile a search string, then evaluate it on a few
// lines. Input: one byte of option flags, one more (bit 0 Thesaurus, bit 1
// MatchStr), the search string up to a LF, then lines separated by LF.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "fuzz_settings.h"
#include "match/expression.h"
#include "match/line_matcher.h"
#include "match/thesaurus.h"
#include "search/search_options.h"

namespace {

constexpr size_t kSearchTextBytes = 1200;  // past any search string the dialog takes
constexpr int kLinesPerInput = 8;

// The fuzz build reads no files: the thesaurus comes from memory, built
// once. Groups share words, and some words are operators or hold
// double-byte text.
const zanto::Thesaurus* SampleThesaurus() {
  static const char kSynonyms[] =
      "a b c\n"
      "ab x a\n"
      "and or\n"
      " comment line\n"
      "\x8E\xD4 \x8E\xA9\x93\xAE\x8E\xD4 \x83\x4E\x83\x8B\x83\x7D\n"  // car words
      "\x8E\xA9\x93\xAE\x8E\xD4 \x83\x4A\x81\x5B\n";
  static zanto::Thesaurus thesaurus;
  static const bool built = [] {
    zanto::MemoryLineSource source(kSynonyms, sizeof kSynonyms - 1);
    return thesaurus.Build(source) != zanto::ThesaurusBuild::Failed;
  }();
  return built ? &thesaurus : nullptr;
}

// The rules a run compiles under, made from the settings as the run makes
// them, with the sample tables in place of the files.
zanto::TermRules RulesFromSettings() {
  zanto::SearchOptionNotes notes;
  const zanto::SearchOptions options = zanto::SearchOptionsFrom(zanto::gSettings, &notes);
  return {options.terms, options.regular, fuzz::Same1InUse(), options.thesaurus ? SampleThesaurus() : nullptr};
}

void EvaluateLines(fuzz::InputReader& in, const zanto::CompiledSearch& search) {
  const zanto::MatchTables tables = {fuzz::Same1InUse(), &fuzz::Fields()};
  // A matcher per input, as a scan makes one; in static storage, since it is
  // too large for the stack and fresh pages for each input cost more than
  // the matching.
  static std::optional<zanto::LineMatcher> matcher;
  matcher.emplace(search, tables);
  matcher->BeginFile();
  for (int i = 0; i < kLinesPerInput && in.size > 0; ++i) {
    in.Text(matcher->line, sizeof matcher->line, '\n');
    matcher->BeginLine();
    const int result = matcher->EvaluateLine();
    if (result != 0 && result != 1) std::abort();
  }
  matcher.reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in{data, size};
  fuzz::ReadOptionFlags(in);
  const uint8_t more = in.Byte();
  zanto::gSettings.Thesaurus = more & 1;
  zanto::gSettings.MatchStr = (more >> 1) & 1;

  char search[kSearchTextBytes];
  in.Text(search, sizeof search, '\n');
  zanto::CompiledSearch compiled;
  const zanto::CompileResult result = zanto::CompileSearchExpression(search, RulesFromSettings(), &compiled);
  if (result != zanto::CompileResult::Ok && result != zanto::CompileResult::Wrong &&
      result != zanto::CompileResult::OutOfMemory) {
    std::abort();
  }
  if (result == zanto::CompileResult::Ok) {
    zanto::DumpExpression(compiled);
    EvaluateLines(in, compiled);
  }
  return 0;
}
