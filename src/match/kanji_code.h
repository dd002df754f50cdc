// Kanji codes: deciding whether a file is Shift_JIS, EUC-JP, JIS
// (ISO-2022-JP), UTF-8 or UTF-16, and converting EUC-JP and JIS lines to Shift_JIS in place,
// since everything downstream works on Shift_JIS.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/settings.h"  // KanjiCodeChoice
#include "base/unicode_text.h"

namespace zanto {

constexpr size_t kKanjiSampleBytes = 4096;  // bytes whose code decides the file's
// Bytes read to decide the code: the sample and the rest of a UTF-8
// character that it cuts short.
constexpr size_t kKanjiDecideBytes = kKanjiSampleBytes + kUtf8LongestCharacter - 1;

// The code imposed on a file before its bytes are looked at: kKanjiEuc when
// the full path's drive letter is one of eucDrive's letters (letter case
// ignored), else the KanjiCode setting when it names a code (kKanjiSjis to
// kKanjiUtf16), else kKanjiAuto (decide from the bytes).
KanjiCodeChoice ForcedKanjiCode(const char* fullPath, int kanjiCodeSetting, const char* eucDrive);

// True when every byte but the last of sample fits EUC-JP: bytes below 0x80,
// 0x8E with a half-width kana byte 0xA0-0xDF, 0x8F alone, or two bytes of
// 0xA1-0xFE.
bool IsEucJp(const unsigned char* sample, size_t length);

// The code of a file from its first length bytes, which are the whole file
// when it is shorter than kKanjiDecideBytes (only that many count). The
// rules look at the first kKanjiSampleBytes of them: kKanjiSjis for no
// bytes; kKanjiUtf16 or kKanjiUtf8 when they start with that code's
// byte-order mark; kKanjiJis when ESC "$" or ESC "(" occurs before the
// first NUL; kKanjiUtf8 when they are well-formed UTF-8 with a multi-byte
// character (LooksUtf8, which reads a character they cut short to its end);
// else kKanjiSjis when any byte is CR; else kKanjiEuc when the bytes fit
// EUC-JP; else kKanjiSjis.
KanjiCodeChoice GuessKanjiCode(const unsigned char* bytes, size_t length);

// The Shift_JIS code of a JIS X 0208 row/cell pair (both 0x21-0x7E).
constexpr uint16_t JisToSjis(unsigned char row, unsigned char cell) {
  const unsigned lead = ((row + 1u) >> 1) + (row <= 0x5E ? 0x70u : 0xB0u);
  unsigned trail;
  if (row & 1) {
    trail = cell + (cell >= 0x60 ? 0x20u : 0x1Fu);  // skips 0x7F
  } else {
    trail = cell + 0x7Eu;
  }
  return static_cast<uint16_t>(lead << 8 | trail);
}

// Convert a NUL-terminated line to Shift_JIS in place. The result is never
// longer than the line, so the line's own buffer always holds it. Bytes that
// have no Shift_JIS form are dropped.
void EucLineToSjis(char* line);
void JisLineToSjis(char* line);

}  // namespace zanto
