// What the matching fuzz targets share: a Same1 table loaded at start to
// exercise the mapping, a field selection, and a reader that splits an input
// into option flags and texts. It defines LLVMFuzzerInitialize: one target
// source includes it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/settings.h"
#include "match/folding.h"
#include "match/line_source.h"
#include "match/pattern.h"

namespace fuzz {

// The Same1 table option bit 2 maps through, loaded once at start.
inline zanto::Same1Table& Same1Sample() {
  static zanto::Same1Table table;
  return table;
}

// A few groups of a ZAFIND1.TXT: two kanji groups, a kana group, a group of
// full-width letters.
inline void LoadSame1Sample() {
  static const char kTable[] =
      "\x8D\xD6\x90\xC4\xE7\x5F\xE7\x60\n"  // four forms of one kanji
      "\x82\xA0\x83\x41\x82\x9F\n"          // a in hiragana, katakana, small
      "\x82\x60\x82\x81\n";                 // full-width A and a
  zanto::MemoryLineSource source(kTable, sizeof kTable - 1);
  Same1Sample().Build(source);
}

// The field selection FieldSearch reads, as the flags of the input set it.
inline zanto::FieldSelection& Fields() {
  static zanto::FieldSelection selection;
  return selection;
}

// Reads an input front to back.
struct InputReader {
  const uint8_t* data;
  size_t size;

  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  // The bytes up to the next separator (not included; -1: none) or the
  // end, as a NUL-terminated text in out (capacity bytes, cut there).
  void Text(char* out, size_t capacity, int separator = -1) {
    size_t n = 0;
    while (size > 0 && *data != separator) {
      if (n + 1 < capacity && *data != 0) out[n++] = static_cast<char>(*data);
      ++data;
      --size;
    }
    if (size > 0) {  // the separator
      ++data;
      --size;
    }
    out[n] = '\0';
  }
};

// Sets the matching options from the bits of flags.
inline void ApplyFlags(uint8_t flags) {
  zanto::gSettings.Case = flags & 1;
  zanto::gSettings.ZenHan = (flags >> 1) & 1;
  zanto::gSettings.Same1 = (flags >> 2) & 1;
  zanto::gSettings.Word = (flags >> 3) & 1;
  zanto::gSettings.FieldSearch = (flags >> 4) & 1;
  zanto::gSettings.Regular = (flags >> 5) & 1;
}

// Field selection for FieldSearch: "," always separates, a space when bit 6
// of flags is set; every third field is searched, from a start the flags
// choose.
inline void SetFields(uint8_t flags) {
  zanto::FieldSelection& fields = Fields();
  std::memset(&fields, 0, sizeof fields);
  fields.separator[static_cast<unsigned char>(',')] = 1;
  fields.separator[static_cast<unsigned char>(' ')] = (flags >> 6) & 1;
  for (int field = 1; field <= zanto::kFieldLimit; ++field) {
    fields.selected[field] = (field + flags) % 3 == 0;
  }
}

// Reads the option-flag byte that starts an input and applies it.
inline uint8_t ReadOptionFlags(InputReader& in) {
  const uint8_t flags = in.Byte();
  ApplyFlags(flags);
  SetFields(flags);
  return flags;
}

// The Same1 table as the search hands it down: only under Same1.
inline const zanto::Same1Table* Same1InUse() {
  return zanto::gSettings.Same1 != 0 ? &Same1Sample() : nullptr;
}

}  // namespace fuzz

// Both matching targets start with the Same1 sample loaded, so that option
// bit 2 has a table to map through.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::LoadSame1Sample();
  return 0;
}
