#include "search/editor_command.h"

#include <cstring>

#include "base/sjis.h"

namespace zanto {

size_t BuildEditorCommand(char* out, size_t capacity, const char* execEdit, const char* execClip,
                          const char* outFile, ProgramLookup lookup) {
  if (capacity == 0) return 0;
  char built[kEditorCommand];
  CopyText(built, sizeof built, execEdit);
  AppendText(built, sizeof built, " ");
  // The result text quotes a path with a space; the editor reads its
  // arguments the same way, or it would take the path for two names.
  AppendText(built, sizeof built, outFile[0] != '\0' ? QuotePath(outFile).text : execClip);

  // A space never occurs as the second byte of a double-byte character.
  const char* space = std::strchr(built, ' ');
  const size_t wordLength = static_cast<size_t>(space - built);
  char word[kEditorWord];
  char path[kRegisteredPath];
  if (lookup && wordLength > 0 && wordLength < sizeof word) {
    std::memcpy(word, built, wordLength);
    word[wordLength] = '\0';
    path[0] = '\0';
    if (lookup(word, path, sizeof path) && path[0] != '\0') {
      path[sizeof path - 1] = '\0';
      size_t n = CopyText(out, capacity, path);
      return n + CopyText(out + n, capacity - n, space);
    }
  }
  return CopyText(out, capacity, built);
}

}  // namespace zanto
