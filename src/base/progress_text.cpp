#include "base/progress_text.h"

#include <cstdio>

#include "base/sjis.h"

namespace zanto {

namespace {

constexpr char kDirectoryLinePrefix[] = "ﾃﾞｨﾚｸﾄﾘ　";
constexpr char kMatchCountFormat[] = "%lu 個マッチ";
constexpr size_t kListedLineHead = 127;  // bytes of a matching line looked at
constexpr size_t kListedLineLength = 120;  // longest match line of the list

bool EndsLine(char c) { return c == '\0' || c == '\r' || c == '\n'; }

}  // namespace

void FormatFileLine(const FileReport& file, char* out, size_t size) {
  if (file.member != 0) {
    std::snprintf(out, size, "%-12s(%2u-%2u/%2u)", file.name, file.number, file.member, file.total);
  } else if (file.extracting) {
    std::snprintf(out, size, "%-12s(%2u/%2u)解凍中", file.name, file.number, file.total);
  } else {
    std::snprintf(out, size, "%-12s(%2u/%2u)", file.name, file.number, file.total);
  }
}

void FormatDirectoryLine(const char* path, char* out, size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  if (path[0] == '\0') return;
  CopyText(out, size, kDirectoryLinePrefix);
  AppendText(out, size, path);
}

void FormatMatchCount(unsigned long count, char* out, size_t size) {
  std::snprintf(out, size, kMatchCountFormat, count);
}

void FormatListedLine(ListedLine kind, const char* text, char* out, size_t size) {
  if (size == 0) return;
  if (kind == ListedLine::kHeading) {
    std::snprintf(out, size, "■ %s ■■■■■", text);
    TruncateText(out, size - 1);
    return;
  }
  char line[kListedLineHead + 2];
  line[0] = ' ';
  size_t n = 0;
  while (n < kListedLineHead && !EndsLine(text[n])) {
    line[n + 1] = text[n];
    ++n;
  }
  line[n + 1] = '\0';
  TruncateText(line, kListedLineLength);
  CopyText(out, size, line);
}

}  // namespace zanto
