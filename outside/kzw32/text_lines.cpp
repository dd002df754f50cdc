#include "text_lines.h"

#include <cstring>

#include "base/bounds.h"
#include "match/kanji_code.h"
#include "match/unicode_text.h"

namespace kzw {
namespace {

using zanto::kLineBuffer;

void DropCarriageReturn(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
}

std::vector<std::string> UnicodeLines(zanto::UnicodeForm form, const unsigned char* bytes, size_t length) {
  std::vector<std::string> lines;
  size_t pos = zanto::UnicodeMarkLength(form, bytes, length);
  std::string line;
  bool open = false;  // line holds the start of a line not yet ended
  char piece[kLineBuffer];
  while (pos < length) {
    const zanto::UnicodeStep step =
        zanto::ConvertUnicodeLine(form, bytes + pos, length - pos, true, piece, sizeof piece);
    if (step.read == 0) break;  // nothing more can be converted
    pos += step.read;
    line.append(piece, step.written);
    open = true;
    if (step.lineEnd) {
      line.pop_back();  // the LF
      DropCarriageReturn(&line);
      lines.push_back(std::move(line));
      line.clear();
      open = false;
    }
  }
  if (open) {
    DropCarriageReturn(&line);
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

std::vector<std::string> SjisLines(const unsigned char* bytes, size_t length, zanto::KanjiCodeChoice code) {
  if (code == zanto::kKanjiAuto) {
    code = zanto::GuessKanjiCode(bytes, length < zanto::kKanjiSampleBytes ? length : zanto::kKanjiSampleBytes);
  }
  if (code == zanto::kKanjiUtf8) return UnicodeLines(zanto::UnicodeForm::Utf8, bytes, length);
  if (code == zanto::kKanjiUtf16) return UnicodeLines(zanto::Utf16FormOf(bytes, length), bytes, length);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < length) {
    const void* lf = memchr(bytes + pos, '\n', length - pos);
    const size_t end = lf ? static_cast<size_t>(static_cast<const unsigned char*>(lf) - bytes) : length;
    std::string line(reinterpret_cast<const char*>(bytes + pos), end - pos);
    pos = lf ? end + 1 : length;
    DropCarriageReturn(&line);
    // The converters work on NUL-terminated text and never lengthen it.
    if (code == zanto::kKanjiEuc) {
      zanto::EucLineToSjis(line.data());
      line.resize(strlen(line.c_str()));
    } else if (code == zanto::kKanjiJis) {
      zanto::JisLineToSjis(line.data());
      line.resize(strlen(line.c_str()));
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace kzw
