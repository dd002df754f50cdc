// ZAFIND1.TXT and the thesaurus read from real files, against the same
// bytes read from memory: the file reader fetches the text in pieces, and a
// CR LF pair split between two pieces, a NUL or a long line must give the
// tables the memory reader gives.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "match/folding.h"
#include "match/line_source.h"
#include "match/thesaurus.h"
#include "search/match_files.h"

namespace {

std::vector<uint16_t> Same1Snapshot(const zanto::Same1Table& table) {
  std::vector<uint16_t> map;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      map.push_back(zanto::Same1Map(&table, static_cast<uint16_t>(lead << 8 | trail)));
    }
  }
  return map;
}

std::string ThesaurusSnapshot(const zanto::Thesaurus& thesaurus) {
  std::string shot;
  if (!thesaurus.Loaded()) return "none";
  for (size_t i = 0; i < thesaurus.Size(); ++i) {
    const zanto::ThesaurusEntry& e = thesaurus.Entry(i);
    shot += std::to_string(e.group) + ':' + e.word + '\n';
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

  Same1Table fromMemory, fromFile;
  MemoryLineSource memory(reinterpret_cast<const char*>(data), size);
  fromMemory.Build(memory);
  LoadSame1Table(path.c_str(), &fromFile);
  if (Same1Snapshot(fromFile) != Same1Snapshot(fromMemory)) std::abort();

  Thesaurus wordsFromMemory, wordsFromFile;
  MemoryLineSource words(reinterpret_cast<const char*>(data), size);
  const bool built = wordsFromMemory.Build(words) != ThesaurusBuild::Failed;
  if (LoadThesaurus(path.c_str(), &wordsFromFile) != built) std::abort();
  if (ThesaurusSnapshot(wordsFromFile) != ThesaurusSnapshot(wordsFromMemory)) std::abort();
  return 0;
}
