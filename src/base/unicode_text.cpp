#include "base/unicode_text.h"

#include <vector>

#include "base/unicode_table.h"

namespace zanto {

namespace {

constexpr uint32_t kLineFeed = 0x0A;

// The outcome of reading one character.
enum class Read { Char, Malformed, Cut };

struct Decoded {
  Read kind;
  size_t bytes;  // consumed: the character's, or one malformed byte (two for UTF-16)
  uint32_t codePoint;
};

constexpr bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// A UTF-8 character at in. Only well-formed sequences count: no overlong
// forms, no surrogates, nothing past U+10FFFF. A malformed sequence gives
// up its first byte only, so that what follows is read afresh.
[[gnu::always_inline]] inline Decoded DecodeUtf8(const unsigned char* in, size_t length) {
  const unsigned char c = in[0];
  if (c < 0x80) return {Read::Char, 1, c};
  size_t count;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    count = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    count = 3;
    cp = c & 0x0F;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    count = 4;
    cp = c & 0x07;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return {Read::Malformed, 1, 0};
  }
  for (size_t i = 1; i < count; ++i) {
    if (i >= length) return {Read::Cut, 0, 0};
    const unsigned char b = in[i];
    if (i == 1 ? (b < low || b > high) : !IsContinuation(b)) return {Read::Malformed, 1, 0};
    cp = cp << 6 | (b & 0x3Fu);
  }
  return {Read::Char, count, cp};
}

uint32_t UnitAt(const unsigned char* in, bool bigEndian) {
  return bigEndian ? (uint32_t{in[0]} << 8 | in[1]) : (uint32_t{in[1]} << 8 | in[0]);
}

// A UTF-16 character at in. A lone surrogate is malformed.
Decoded DecodeUtf16(const unsigned char* in, size_t length, bool bigEndian) {
  if (length < 2) return {Read::Cut, 0, 0};
  const uint32_t unit = UnitAt(in, bigEndian);
  if (unit < 0xD800 || unit > 0xDFFF) return {Read::Char, 2, unit};
  if (unit > 0xDBFF) return {Read::Malformed, 2, 0};
  if (length < 4) return {Read::Cut, 0, 0};
  const uint32_t second = UnitAt(in + 2, bigEndian);
  if (second < 0xDC00 || second > 0xDFFF) return {Read::Malformed, 2, 0};
  return {Read::Char, 4, 0x10000 + ((unit - 0xD800) << 10) + (second - 0xDC00)};
}

}  // namespace

namespace {

// Every BMP code point's Shift_JIS code, 0 where it has none, spread out
// once from the sorted table: a line then converts at one look-up a
// character instead of a search through nine thousand pairs.
const uint16_t* SjisByCodePoint() {
  static const std::vector<uint16_t> table = [] {
    std::vector<uint16_t> spread(0x10000, 0);
    for (size_t i = 0; i < kUnicodeToSjisCount; ++i) spread[kUnicodeToSjis[i] >> 16] = kUnicodeToSjis[i] & 0xFFFF;
    return spread;
  }();
  return table.data();
}

uint16_t SjisOf(const uint16_t* byCodePoint, uint32_t codePoint) {
  if (codePoint < 0x80) return static_cast<uint16_t>(codePoint);
  if (codePoint > 0xFFFF) return kSjisGeta;
  const uint16_t code = byCodePoint[codePoint];
  return code != 0 ? code : kSjisGeta;
}

}  // namespace

uint16_t UnicodeToSjis(uint32_t codePoint) { return SjisOf(SjisByCodePoint(), codePoint); }

size_t UnicodeMarkLength(UnicodeForm form, const unsigned char* bytes, size_t length) {
  if (form == UnicodeForm::Utf8) {
    return length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  }
  if (length < 2) return 0;
  const bool little = bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool big = bytes[0] == 0xFE && bytes[1] == 0xFF;
  return (form == UnicodeForm::Utf16Le && little) || (form == UnicodeForm::Utf16Be && big) ? 2 : 0;
}

UnicodeForm Utf16FormOf(const unsigned char* bytes, size_t length) {
  return length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF ? UnicodeForm::Utf16Be : UnicodeForm::Utf16Le;
}

UnicodeStep ConvertUnicodeLine(UnicodeForm form, const unsigned char* in, size_t length, bool final, char* out,
                               size_t room) {
  const uint16_t* byCodePoint = SjisByCodePoint();
  const bool utf8 = form == UnicodeForm::Utf8;
  UnicodeStep step;
  size_t read = 0, written = 0;  // kept apart from step, in registers
  while (read < length) {
    const size_t left = length - read;
    const Decoded d = utf8 ? DecodeUtf8(in + read, left) : DecodeUtf16(in + read, left, form == UnicodeForm::Utf16Be);
    if (d.kind == Read::Cut) {
      if (!final) {
        step.cut = true;
        break;
      }
      read = length;  // the file ends inside the character
      break;
    }
    if (d.kind == Read::Malformed) {
      read += d.bytes;
      continue;
    }
    const uint16_t code = SjisOf(byCodePoint, d.codePoint);
    const size_t size = code < 0x100 ? 1 : 2;
    if (size > room - written) {
      step.full = true;
      break;
    }
    if (size == 2) out[written++] = static_cast<char>(code >> 8);
    out[written++] = static_cast<char>(code & 0xFF);
    read += d.bytes;
    if (d.codePoint == kLineFeed) {
      step.lineEnd = true;
      break;
    }
  }
  step.read = read;
  step.written = written;
  return step;
}

size_t WellFormedUtf8Length(const unsigned char* in, size_t length) {
  const Decoded d = DecodeUtf8(in, length);
  return d.kind == Read::Char ? d.bytes : 0;
}

bool LooksUtf8(const unsigned char* bytes, size_t length, size_t sample) {
  bool multiByte = false;
  size_t i = 0;
  while (i < sample) {
    const Decoded d = DecodeUtf8(bytes + i, length - i);
    if (d.kind != Read::Char) return false;  // malformed, or the file ends inside it
    multiByte = multiByte || d.bytes > 1;
    i += d.bytes;
  }
  return multiByte;
}

}  // namespace zanto
