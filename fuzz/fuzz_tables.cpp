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

void FoldWholeText(const std::vector<char>& text, const zanto::Same1Table& same1) {
  const size_t length = std::strlen(text.data());
  for (size_t i = 0; i < length;) {
    const zanto::FoldedChar folded = zanto::ZenHanFoldText(text.data() + i);
    if (folded.length < 1 || i + static_cast<size_t>(folded.length) > length) std::abort();
    if (folded.unit != 0 && zanto::NormalizeWide(folded.unit) != folded.unit) std::abort();  // folding twice
    zanto::Same1Map(&same1, folded.unit);
    i += static_cast<size_t>(folded.length);
  }
}

void CheckThesaurus(const zanto::Thesaurus& thesaurus) {
  if (!thesaurus.Loaded()) return;
  if (thesaurus.Entry(thesaurus.Size()).word != nullptr) std::abort();  // the entry that ends the table
  for (size_t i = 0; i < thesaurus.Size(); ++i) {
    const zanto::ThesaurusEntry& e = thesaurus.Entry(i);
    if (e.word == nullptr) std::abort();
    const zanto::Thesaurus::Group group = thesaurus.FindGroup(e.word);
    if (group.count < 1 || group.first + static_cast<size_t>(group.count) > thesaurus.Size()) std::abort();
    const uint32_t number = thesaurus.Entry(group.first).group;
    bool holdsWord = false;
    for (int k = 0; k < group.count; ++k) {
      const zanto::ThesaurusEntry& member = thesaurus.Entry(group.first + static_cast<size_t>(k));
      if (member.group != number) std::abort();
      holdsWord = holdsWord || std::strcmp(member.word, e.word) == 0;
    }
    if (!holdsWord) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  zanto::Same1Table same1;
  zanto::MemoryLineSource same1Lines(bytes, size);
  same1.Build(same1Lines);

  std::vector<char> text(bytes, bytes + size);
  text.push_back('\0');
  FoldWholeText(text, same1);

  zanto::Thesaurus thesaurus;
  zanto::MemoryLineSource thesaurusLines(bytes, size);
  if (thesaurus.Build(thesaurusLines) != zanto::ThesaurusBuild::Built) std::abort();
  CheckThesaurus(thesaurus);
  return 0;
}
