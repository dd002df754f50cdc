// The table builders (ZAFIND1.TXT and thesaurus images) and the ZenHan
// folding of arbitrary text. Checks the contracts the pattern compiler relies
// on: a fold consumes at least one byte and never passes the text's end, and
// every thesaurus group is a run of equal group numbers that holds the word.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "match/folding.h"
#include "match/line_source.h"
#include "match/thesaurus.h"

namespace {

void FoldWholeText(const std::vector<char>& text) {
  const size_t length = std::strlen(text.data());
  for (size_t i = 0; i < length;) {
    const zanto::FoldedChar folded = zanto::ZenHanFoldText(text.data() + i);
    if (folded.length < 1 || i + static_cast<size_t>(folded.length) > length) std::abort();
    if (folded.unit != 0 && zanto::NormalizeWide(folded.unit) != folded.unit) std::abort();  // folding twice
    zanto::Same1Map(folded.unit);
    i += static_cast<size_t>(folded.length);
  }
}

void CheckThesaurus() {
  if (zanto::gThesaurus == nullptr) return;
  for (const zanto::ThesaurusEntry* e = zanto::gThesaurus; e->word != nullptr; ++e) {
    const zanto::ThesaurusGroup group = zanto::FindThesaurusGroup(e->word);
    if (group.first == nullptr || group.count < 1) std::abort();
    bool holdsWord = false;
    for (int i = 0; i < group.count; ++i) {
      if (group.first[i].group != group.first[0].group) std::abort();
      holdsWord = holdsWord || std::strcmp(group.first[i].word, e->word) == 0;
    }
    if (!holdsWord) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  zanto::MemoryLineSource same1(bytes, size);
  zanto::BuildSame1Table(same1);

  std::vector<char> text(bytes, bytes + size);
  text.push_back('\0');
  FoldWholeText(text);

  zanto::MemoryLineSource thesaurus(bytes, size);
  if (zanto::BuildThesaurus(thesaurus) != zanto::ThesaurusBuild::Built) std::abort();
  CheckThesaurus();

  zanto::FreeThesaurus();
  zanto::FreeSame1Table();
  return 0;
}
