#include "match/result_line.h"

#include <cstring>

#include "base/name_compare.h"
#include "base/sjis.h"

namespace zanto {
namespace {

constexpr char kHeadingMark[] = "===== ";
constexpr char kHeadingEnd[] = " =====";
constexpr char kCountMark[] = "*** ";
constexpr size_t kMaxLineDigits = 9;  // keeps a line number inside 32 bits
constexpr char kArchiveExtension[] = ".lzh";   // archives the search extracts
constexpr char kShortcutExtension[] = ".lnk";  // shortcuts the search follows

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWith(const char* text, const char* head) { return strncmp(text, head, strlen(head)) == 0; }

// Copies the length bytes at from as the target's path. False when they do
// not fit the program's paths or are empty.
bool TakePath(const char* from, size_t length, ResultTarget* target) {
  if (length == 0 || length > kMaxPath) return false;
  memcpy(target->path, from, length);
  target->path[length] = '\0';
  return true;
}

// Reads the decimal number at *p (at least one digit) and steps past it.
bool ReadNumber(const char** p, unsigned long* number) {
  const char* q = *p;
  unsigned long value = 0;
  size_t digits = 0;
  while (IsDigit(*q)) {
    if (++digits > kMaxLineDigits) return false;
    value = value * 10 + static_cast<unsigned long>(*q - '0');
    ++q;
  }
  if (digits == 0) return false;
  *p = q;
  *number = value;
  return true;
}

// Reads a path as the prefixes write it: in double quotes, or up to the
// first space. Leaves *p on the byte after it.
bool ReadPathWord(const char** p, ResultTarget* target) {
  const char* q = *p;
  if (*q == '"') {
    const char* close = strchr(q + 1, '"');  // '"' is never a trail byte
    if (close == nullptr || !TakePath(q + 1, static_cast<size_t>(close - q - 1), target)) return false;
    *p = close + 1;
    return true;
  }
  const char* end = q;
  while (*end != '\0' && *end != ' ') end += SjisCharLength(end, 0);
  if (!TakePath(q, static_cast<size_t>(end - q), target)) return false;
  *p = end;
  return true;
}

// "path n" followed by a sign and the text, or by nothing (a header). With
// wholeLine the sign must end the line, as under a heading text.
bool ReadPrefix(const char* line, bool wholeLine, ResultTarget* target) {
  const char* p = line;
  if (!ReadPathWord(&p, target) || *p != ' ') return false;
  ++p;
  if (!ReadNumber(&p, &target->line)) return false;
  if (*p == '\0') return true;
  if (*p != ':' && *p != '<' && *p != '>') return false;
  return !wholeLine || p[1] == '\0';
}

// Whether the length bytes at text end in extension, letter case ignored.
bool EndsWithExtension(const char* text, size_t length, const char* extension) {
  const size_t n = strlen(extension);
  return length >= n && CompareNoCase(text + length - n, extension, n) == 0;
}

// Where the parentheses that end inner (length bytes) open, or length when
// it does not end in a closing one. Neither parenthesis is ever a trail
// byte, so the bytes can be walked backwards.
size_t LastParenthesesStart(const char* inner, size_t length) {
  if (inner[length - 1] != ')') return length;
  int depth = 0;
  for (size_t i = length; i-- > 0;) {
    if (inner[i] == ')') ++depth;
    if (inner[i] == '(' && --depth == 0) return i;
  }
  return length;
}

// "===== path =====", or "===== path(second) =====" for a file reached
// through a shortcut (second: the shortcut's own path) or extracted from
// an archive (second: the archive). The search makes only those two kinds
// of files, so the second path ends in their extensions; other
// parentheses at the end belong to the file's own name, as in "memo(2)".
bool ReadHeading(const char* line, ResultTarget* target) {
  const size_t length = strlen(line);
  const size_t mark = sizeof kHeadingMark - 1;
  const size_t end = sizeof kHeadingEnd - 1;
  if (length <= mark + end || !StartsWith(line, kHeadingMark) || strcmp(line + length - end, kHeadingEnd) != 0) {
    return false;
  }
  const char* inner = line + mark;
  size_t innerLength = length - mark - end;
  target->archive[0] = '\0';
  const size_t open = LastParenthesesStart(inner, innerLength);
  if (open > 0 && open < innerLength) {
    const char* second = inner + open + 1;
    const size_t secondLength = innerLength - open - 2;
    const bool archive = EndsWithExtension(second, secondLength, kArchiveExtension);
    if ((archive || EndsWithExtension(second, secondLength, kShortcutExtension)) && secondLength <= kMaxPath) {
      if (archive) {
        memcpy(target->archive, second, secondLength);
        target->archive[secondLength] = '\0';
      }
      innerLength = open;
    }
  }
  target->line = 1;
  return TakePath(inner, innerLength, target);
}

bool ReadCountLine(const char* line, ResultTarget* target) {
  if (!StartsWith(line, kCountMark)) return false;
  const char* p = line + sizeof kCountMark - 1;
  if (!ReadPathWord(&p, target) || strncmp(p, "  ", 2) != 0) return false;
  target->line = 1;
  return true;
}

// "path\t3 5 8 ": the path may hold spaces, since nothing else follows it
// but the tab.
bool ReadNumberList(const char* line, ResultTarget* target) {
  const char* tab = strchr(line, '\t');  // a tab is never a trail byte
  if (tab == nullptr) return false;
  const char* p = tab + 1;
  if (!ReadNumber(&p, &target->line)) return false;
  while (*p != '\0') {
    unsigned long ignored;
    if (*p++ != ' ') return false;
    if (*p != '\0' && !ReadNumber(&p, &ignored)) return false;
  }
  return TakePath(line, static_cast<size_t>(tab - line), target);
}

bool IsDigitLine(const char* line) {
  if (*line == '\0') return false;
  for (const char* p = line; *p != '\0'; ++p) {
    if (!IsDigit(*p)) return false;
  }
  return true;
}

// One path alone on its line: no spaces, and a separator or a dot in it,
// so that notes and totals are not taken for one.
bool ReadBarePath(const char* line, ResultTarget* target) {
  if (*line == '\0' || *line == '*' || *line == '=') return false;
  bool pathLike = false;
  size_t i = 0;
  size_t last = 0;
  while (line[i] != '\0') {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    const size_t n = SjisCharLength(line, i);
    if (n == 1) {
      if (c <= ' ') return false;
      if (c == '\\' || c == '/' || c == '.') pathLike = true;
    }
    last = i;
    i += n;
  }
  if (!pathLike || line[last] == ')') return false;
  target->line = 1;
  return TakePath(line, i, target);
}

// Every form but the heading.
bool ReadFileTarget(const char* const* lines, size_t index, ResultTarget* target) {
  const char* line = lines[index];
  if (ReadCountLine(line, target)) return true;
  if (StartsWith(line, "** ") || StartsWith(line, "skip ") || StartsWith(line, "cannot open ")) return false;
  // A matched line may hold a tab and numbers in its text: the prefix is
  // tried first, and a file-list path rarely holds a space and a number.
  if (ReadPrefix(line, false, target) || ReadNumberList(line, target)) return true;
  // A heading text stands before the prefix, and the prefix ends the line.
  const char* space = strchr(line, ' ');
  if (space != nullptr && space != line && ReadPrefix(space + 1, true, target)) return true;
  if (IsDigitLine(line)) {
    size_t above = index;
    while (above > 0 && IsDigitLine(lines[above - 1])) --above;
    if (above == 0) return false;
    const char* number = line;
    unsigned long n;
    if (!ReadNumber(&number, &n)) return false;
    // The list form writes the path as it is, spaces and all.
    const char* path = lines[above - 1];
    if (strcmp(path, "*") == 0 || !TakePath(path, strlen(path), target)) return false;
    target->line = n;
    return true;
  }
  return ReadBarePath(line, target);
}

// The archive named by the heading of the file whose lines run down to
// index: the nearest heading above, when it is that file's.
void TakeArchiveFromHeading(const char* const* lines, size_t index, ResultTarget* target) {
  for (size_t i = index; i-- > 0;) {
    ResultTarget heading;
    if (!ReadHeading(lines[i], &heading)) continue;
    if (SamePath(heading.path, target->path)) CopyText(target->archive, sizeof target->archive, heading.archive);
    return;
  }
}

}  // namespace

bool FindResultTarget(const char* const* lines, size_t count, size_t index, ResultTarget* target) {
  if (index >= count) return false;
  if (ReadHeading(lines[index], target)) return true;
  target->archive[0] = '\0';
  if (!ReadFileTarget(lines, index, target)) return false;
  TakeArchiveFromHeading(lines, index, target);
  return true;
}

}  // namespace zanto
