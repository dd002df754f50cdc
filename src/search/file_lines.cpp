#include "search/file_lines.h"

#include "base/settings.h"

namespace zanto {

void ReadLinesInCode(LineReader& reader, int kanjiCode) {
  if (kanjiCode != kKanjiUtf8 && kanjiCode != kKanjiUtf16) return;
  const unsigned char* head;
  const size_t length = reader.Peek(&head);
  const UnicodeForm form = kanjiCode == kKanjiUtf8 ? UnicodeForm::Utf8 : Utf16FormOf(head, length);
  reader.ReadUnicode(form);
  reader.Seek(static_cast<int64_t>(UnicodeMarkLength(form, head, length)));
}

}  // namespace zanto
