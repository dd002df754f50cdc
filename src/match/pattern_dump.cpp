// Readable text of compiled patterns, for tests and traces.
#include "match/pattern.h"

#include <cstdio>
#include <cstring>

#include "match/pattern_units.h"

namespace zanto {

// ---------------------------------------------------------------------------
// Dump

namespace {

void AppendCode(std::string& text, unsigned code, bool inClass = false) {
  char buffer[8];
  if (code > 0x20 && code < 0x7F) {
    if (std::strchr(inClass ? "\\^]-<>" : "\\$^.*+?[<>", static_cast<int>(code)) != nullptr) text += '\\';
    text += static_cast<char>(code);
    return;
  }
  std::snprintf(buffer, sizeof buffer, code < 0x100 ? "<%02X>" : "<%04X>", code);
  text += buffer;
}

// The code of a CharIndex (the inverse of CharIndex), or -1.
int CodeOfIndex(int index) {
  if (index < 0x100) return index;
  const int row = (index - 256) / 189, column = (index - 256) % 189;
  const int lead = row <= 0x9F - 0x81 ? row + 0x81 : row + 0xC1;
  const int code = lead << 8 | (column + 0x40);
  return IsDoubleByteCode(static_cast<unsigned>(code)) ? code : -1;
}

// Members as runs "a-c", in CharIndex order, only characters (set) or only
// non-members (!set).
void AppendClassMembers(std::string& text, const ClassBitmap& bitmap, bool set) {
  int runFirst = -1, runLast = -1;
  auto flush = [&] {
    if (runFirst < 0) return;
    AppendCode(text, static_cast<unsigned>(runFirst), true);
    if (runLast != runFirst) {
      text += '-';
      AppendCode(text, static_cast<unsigned>(runLast), true);
    }
    runFirst = -1;
  };
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfIndex(index);
    if (code < 0) continue;
    if (ClassBitSet(bitmap, static_cast<unsigned>(code)) != set) {
      flush();
      continue;
    }
    if (runFirst < 0) runFirst = code;
    runLast = code;
  }
  flush();
}

void AppendClass(std::string& text, const ClassBitmap& bitmap) {
  int members = 0;
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfIndex(index);
    if (code >= 0 && ClassBitSet(bitmap, static_cast<unsigned>(code))) ++members;
  }
  const bool negated = members > kCharIndexCount / 2;
  text += negated ? "[^" : "[";
  AppendClassMembers(text, bitmap, !negated);
  text += ']';
}

}  // namespace

std::string DumpPattern(const PatternUnit* pattern) {
  std::string text;
  for (int i = 0; i < kPatternUnits && pattern[i] != 0; ++i) {
    const PatternUnit unit = pattern[i];
    switch (unit) {
      case kUnitLineEnd: text += '$'; break;
      case kUnitStar: text += '*'; break;
      case kUnitPlus: text += '+'; break;
      case kUnitAny: text += '.'; break;
      case kUnitOptional: text += '?'; break;
      case kUnitLineStart: text += '^'; break;
      case kUnitClass:
        AppendClass(text, *ClassReference(pattern + i));
        i += kClassUnits - 1;
        break;
      default: AppendCode(text, unit); break;
    }
  }
  return text;
}

}  // namespace zanto
