#include "text_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "base/bounds.h"
#include "files/document/document_text.h"
#include "files/path.h"
#include "files/zip/zip_package.h"
#include "match/kanji_code.h"
#include "search/file_lines.h"
#include "search/line_reader.h"

namespace kzw {
namespace {

// A whole line, its LF gone: without its CR, and in Shift_JIS. The
// converters work on NUL-terminated text and never lengthen it.
void FinishLine(std::string* line, zanto::KanjiCodeChoice code) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
  if (code == zanto::kKanjiEuc) {
    zanto::EucLineToSjis(line->data());
    line->resize(strlen(line->c_str()));
  } else if (code == zanto::kKanjiJis) {
    zanto::JisLineToSjis(line->data());
    line->resize(strlen(line->c_str()));
  }
}

// The pieces of reader joined into whole lines, numbered as they come.
bool ReadPieces(zanto::LineReader& reader, zanto::KanjiCodeChoice code, size_t maxBytes, FileLines* file) {
  char piece[zanto::kLineBuffer];
  std::string line;
  bool open = false;  // line holds the start of a line not yet ended
  size_t held = 0;
  unsigned long number = 0;
  for (long got; (got = reader.ReadLine(piece)) >= 0;) {
    held += static_cast<size_t>(got);
    if (held > maxBytes) return false;
    ++number;
    if (!open) file->firstNumbers.push_back(number);
    line.append(piece, static_cast<size_t>(got));
    open = line.empty() || line.back() != '\n';
    if (!open) {
      line.pop_back();
      FinishLine(&line, code);
      file->lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (open) {
    FinishLine(&line, code);
    file->lines.push_back(std::move(line));
  }
  return true;
}

// The lines of the open file: of its text when it is an office document
// (as the search reads it under DocSearch: a paragraph a line, in UTF-8),
// else of its bytes. False when a document cannot be read as one.
bool ReadOpenFileLines(intptr_t handle, const char* path, zanto::KanjiCodeChoice code, size_t maxBytes,
                       FileLines* file) {
  auto reader = std::make_unique<zanto::LineReader>();  // too large for the stack
  std::string text;
  const zanto::document::DocumentKind kind = zanto::document::DocumentKindOf(path);
  if (kind != zanto::document::DocumentKind::kNone) {
    if (!zanto::document::ReadDocumentFile(kind, handle, &text).ok()) return false;
    reader->StartBytes(text.data(), text.size());
    code = zanto::kKanjiUtf8;
  } else {
    reader->Start(handle);
    if (code == zanto::kKanjiAuto) {
      const unsigned char* head;
      const size_t length = reader->Peek(&head);
      code = zanto::GuessKanjiCode(head, length);
    }
  }
  zanto::ReadLinesInCode(*reader, code);
  *file = FileLines{};
  return ReadPieces(*reader, code, maxBytes, file);
}

}  // namespace

std::vector<std::string> SjisLines(const char* text, size_t length) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < length) {
    const void* lf = memchr(text + pos, '\n', length - pos);
    const size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text) : length;
    std::string line(text + pos, end - pos);
    pos = lf ? end + 1 : length;
    FinishLine(&line, zanto::kKanjiSjis);
    lines.push_back(std::move(line));
  }
  return lines;
}

bool ReadFileLines(const char* path, zanto::KanjiCodeChoice code, size_t maxBytes, FileLines* file) {
  const intptr_t handle = zanto::OpenRawFile(path, zanto::kOpenRead);
  if (handle < 0) return false;
  const bool read = ReadOpenFileLines(handle, path, code, maxBytes, file);
  zanto::CloseRawFile(handle);
  return read;
}

int LineOfSearchNumber(const FileLines& file, unsigned long number) {
  if (number == 0 || file.lines.empty()) return 0;
  const auto after = std::upper_bound(file.firstNumbers.begin(), file.firstNumbers.end(), number);
  return static_cast<int>(std::max<ptrdiff_t>(after - file.firstNumbers.begin(), 1));
}

}  // namespace kzw
