// The search expression: compile a search string, then evaluate it on a few
// lines. Input: one byte of option flags, one more (bit 0 Thesaurus, bit 1
// MatchStr), the search string up to a LF, then lines separated by LF.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "match/expression.h"
#include "match/line_state.h"
#include "match/thesaurus.h"

namespace zanto {

// The fuzz build reads no files: the thesaurus comes from memory. Groups
// share words, and some words are operators or hold double-byte text.
int LoadSampleThesaurus() {
  FreeThesaurus();
  if (gSettings.Thesaurus == 0) return 1;
  static const char kSynonyms[] =
      "a b c\n"
      "ab x a\n"
      "and or\n"
      " comment line\n"
      "\x8E\xD4 \x8E\xA9\x93\xAE\x8E\xD4 \x83\x4E\x83\x8B\x83\x7D\n"  // car words
      "\x8E\xA9\x93\xAE\x8E\xD4 \x83\x4A\x81\x5B\n";
  MemoryLineSource source(kSynonyms, sizeof kSynonyms - 1);
  return BuildThesaurus(source) == ThesaurusBuild::Failed ? 0 : 1;
}

}  // namespace zanto

namespace {

constexpr size_t kSearchTextBytes = 1200;  // past any search string the dialog takes
constexpr int kLinesPerInput = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in{data, size};
  fuzz::ReadOptionFlags(in);
  const uint8_t more = in.Byte();
  zanto::gSettings.Thesaurus = more & 1;
  zanto::gSettings.MatchStr = (more >> 1) & 1;

  char search[kSearchTextBytes];
  in.Text(search, sizeof search, '\n');
  zanto::ResetExpressionCompiler();
  const int compiled = zanto::CompileSearchExpression(search, zanto::LoadSampleThesaurus);
  if (compiled < zanto::kCompileOk || compiled > zanto::kCompileDeclined) std::abort();
  if (compiled == zanto::kCompileOk) {
    zanto::DumpExpression();
    zanto::ClearEvaluationState();
    for (int i = 0; i < kLinesPerInput && in.size > 0; ++i) {
      in.Text(zanto::gCurrentLine, zanto::kLineBuffer, '\n');
      zanto::BeginLine();
      const int result = zanto::EvaluateLine();
      if (result != 0 && result != 1) std::abort();
    }
  }
  zanto::FreeTermArena();
  zanto::FreeThesaurus();
  return 0;
}
