#include "match/field_selection.h"

#include <cstring>

#include "base/host.h"

namespace zanto {

namespace {

constexpr char kDefaultSeparator = ',';
constexpr int kDefaultField = 1;

// The next word of text (split at spaces) as [*begin, *end); false at the
// end of the text.
bool NextWord(const char** cursor, const char** begin, const char** end) {
  const char* p = *cursor;
  while (*p == ' ') ++p;
  if (*p == '\0') return false;
  *begin = p;
  while (*p != '\0' && *p != ' ') ++p;
  *end = p;
  *cursor = p;
  return true;
}

void MarkSeparator(const char* word, const char* end, FieldSelection* selection, bool trace) {
  if (word[0] != '\\') {
    if (trace) Trace("para=%c ", word[0]);
    selection->separator[static_cast<unsigned char>(word[0])] = 1;
    return;
  }
  char next = word + 1 < end ? word[1] : '\0';
  if (trace) Trace("para=%c ", next);
  switch (next) {
    case 's':
      selection->separator[static_cast<unsigned char>(' ')] = 1;
      break;
    case 't':
      selection->separator[static_cast<unsigned char>('\t')] = 1;
      break;
    case '\\':
    case '\0':
      selection->separator[static_cast<unsigned char>('\\')] = 1;
      break;
    default:
      break;
  }
}

// A field number from 1 to kFieldLimit at *p; on success *p is moved past
// its digits. Long runs of digits stop as soon as they exceed the limit.
bool ReadFieldNumber(const char** p, const char* end, int* number) {
  const char* q = *p;
  int value = 0;
  while (q < end && *q >= '0' && *q <= '9') {
    value = value * 10 + (*q - '0');
    if (value > kFieldLimit) return false;
    ++q;
  }
  if (q == *p || value < 1) return false;
  *p = q;
  *number = value;
  return true;
}

// Marks the fields of one word "n" or "n-m"; false when it is malformed.
bool MarkFields(const char* word, const char* end, FieldSelection* selection, bool trace) {
  const char* p = word;
  int first = 0;
  if (!ReadFieldNumber(&p, end, &first)) return false;
  if (trace) Trace("field[%d]", first);
  int last = first;
  if (p < end) {
    if (*p != '-') return false;
    ++p;
    if (!ReadFieldNumber(&p, end, &last) || p != end) return false;
    if (trace) Trace("-[%d]", last);
  }
  int low = first < last ? first : last;
  int high = first < last ? last : first;
  for (int field = low; field <= high; ++field) selection->selected[field] = 1;
  return true;
}

}  // namespace

FieldSpecFault FillFieldSelection(const char* separators, const char* numbers, FieldSelection* selection,
                                  bool trace) {
  std::memset(selection, 0, sizeof *selection);

  const char* cursor = separators;
  const char *word, *end;
  bool any = false;
  while (NextWord(&cursor, &word, &end)) {
    MarkSeparator(word, end, selection, trace);
    any = true;
  }
  if (!any) selection->separator[static_cast<unsigned char>(kDefaultSeparator)] = 1;

  cursor = numbers;
  any = false;
  while (NextWord(&cursor, &word, &end)) {
    if (!MarkFields(word, end, selection, trace)) return FieldSpecFault::kNumbers;
    any = true;
  }
  if (!any) selection->selected[kDefaultField] = 1;
  return FieldSpecFault::kNone;
}

}  // namespace zanto
