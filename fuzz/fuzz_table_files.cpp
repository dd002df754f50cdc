// ZAFIND1.TXT and the thesaurus read from real files, against the same
// bytes read from memory: the file reader fetches the text in pieces, and a
// CR LF pair split between two pieces, a NUL or a long line must give the
// tables the memory reader gives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/sjis.h"
#include "fuzz_files.h"
#include "match/folding.h"
#include "match/line_source.h"
#include "match/thesaurus.h"
#include "search/match_files.h"

namespace {

std::vector<uint16_t> Same1Snapshot() {
  std::vector<uint16_t> map;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      map.push_back(zanto::Same1Map(static_cast<uint16_t>(lead << 8 | trail)));
    }
  }
  return map;
}

std::string ThesaurusSnapshot() {
  std::string shot;
  if (zanto::gThesaurus == nullptr) return "none";
  for (const zanto::ThesaurusEntry* e = zanto::gThesaurus; e->word != nullptr; ++e) {
    shot += std::to_string(e->group) + ':' + e->word + '\n';
  }
  return shot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zanto;
  // Bytes past a few pieces add nothing but time.
  if (size > 20000) return 0;
  const std::string path = fuzz::ScratchPath("TABLE.TXT");
  fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  CopyText(gSettings.Same1Path, sizeof gSettings.Same1Path, path.c_str());
  CopyText(gSettings.ThesaurusFile0, sizeof gSettings.ThesaurusFile0, path.c_str());
  gSettings.Thesaurus = 1;

  MemoryLineSource memory(reinterpret_cast<const char*>(data), size);
  BuildSame1Table(memory);
  const std::vector<uint16_t> fromMemory = Same1Snapshot();
  LoadSame1Table();
  if (Same1Snapshot() != fromMemory) std::abort();
  FreeSame1Table();

  MemoryLineSource words(reinterpret_cast<const char*>(data), size);
  const bool built = BuildThesaurus(words) != ThesaurusBuild::Failed;
  const std::string thesaurus = ThesaurusSnapshot();
  if (LoadThesaurus() != (built ? 1 : 0) || ThesaurusSnapshot() != thesaurus) std::abort();
  FreeThesaurus();
  return 0;
}
