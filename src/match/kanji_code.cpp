#include "match/kanji_code.h"

#include <cstring>

#include "base/name_compare.h"
#include "base/sjis.h"
#include "base/unicode_text.h"

namespace zanto {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;  // JIS: half-width kana follow
constexpr unsigned char kShiftIn = 0x0F;   // JIS: back to ASCII
constexpr unsigned char kEucKanaPrefix = 0x8E;
constexpr unsigned char kEucSupplementPrefix = 0x8F;

constexpr bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
constexpr bool IsEucKanaByte(unsigned char c) { return c >= 0xA0 && c <= 0xDF; }
constexpr bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }
constexpr bool IsHalfKanaByte(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }


// JIS conversion state: what the bytes between escape sequences are.
enum class JisMode { Roman, Kanji, HalfKana };

// The escape sequences that switch the JIS mode, all three bytes long.
struct JisEscape {
  unsigned char second, third;
  JisMode mode;
};
constexpr JisEscape kJisEscapes[] = {
    {'$', 'B', JisMode::Kanji},     // JIS X 0208-1983
    {'$', '@', JisMode::Kanji},     // JIS C 6226-1978
    {'(', 'B', JisMode::Roman},     // ASCII
    {'(', 'J', JisMode::Roman},     // JIS X 0201 Roman
    {'(', 'I', JisMode::HalfKana},  // JIS X 0201 katakana
};

void PutCode(unsigned char*& out, uint16_t code) {
  *out++ = static_cast<unsigned char>(code >> 8);
  *out++ = static_cast<unsigned char>(code & 0xFF);
}

}  // namespace

KanjiCodeChoice ForcedKanjiCode(const char* fullPath, int kanjiCodeSetting, const char* eucDrive) {
  if (fullPath[0] != '\0' && fullPath[1] == ':') {
    const char drive = UpperAscii(fullPath[0]);
    for (const char* d = eucDrive; *d != '\0'; ++d) {
      if (UpperAscii(*d) == drive) return kKanjiEuc;
    }
  }
  if (kanjiCodeSetting >= kKanjiSjis && kanjiCodeSetting <= kKanjiUtf16) {
    return static_cast<KanjiCodeChoice>(kanjiCodeSetting);
  }
  return kKanjiAuto;
}

bool IsEucJp(const unsigned char* sample, size_t length) {
  size_t i = 0;
  while (i + 1 < length) {
    const unsigned char c = sample[i];
    if (c < 0x80 || c == kEucSupplementPrefix) {
      i += 1;
    } else if (c == kEucKanaPrefix) {
      if (!IsEucKanaByte(sample[i + 1])) return false;
      i += 2;
    } else if (IsEucByte(c)) {
      if (!IsEucByte(sample[i + 1])) return false;
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

namespace {

// An ESC "$" or ESC "(" that starts before the first NUL and before the
// last byte. Every file is sampled: memchr finds the few ESC bytes faster
// than a look at every byte.
bool HasJisEscape(const unsigned char* sample, size_t length) {
  size_t bound = length - 1;
  if (const void* nul = memchr(sample, 0, bound)) bound = static_cast<size_t>(static_cast<const unsigned char*>(nul) - sample);
  for (size_t i = 0; i < bound; ++i) {
    const void* esc = memchr(sample + i, kEsc, bound - i);
    if (esc == nullptr) return false;
    i = static_cast<size_t>(static_cast<const unsigned char*>(esc) - sample);
    if (sample[i + 1] == '$' || sample[i + 1] == '(') return true;
  }
  return false;
}

}  // namespace

KanjiCodeChoice GuessKanjiCode(const unsigned char* bytes, size_t length) {
  const size_t sample = length < kKanjiSampleBytes ? length : kKanjiSampleBytes;
  const size_t reach = length < kKanjiDecideBytes ? length : kKanjiDecideBytes;
  if (sample == 0) return kKanjiSjis;
  if (UnicodeMarkLength(UnicodeForm::Utf16Le, bytes, sample) != 0 ||
      UnicodeMarkLength(UnicodeForm::Utf16Be, bytes, sample) != 0) {
    return kKanjiUtf16;
  }
  if (UnicodeMarkLength(UnicodeForm::Utf8, bytes, sample) != 0) return kKanjiUtf8;
  if (HasJisEscape(bytes, sample)) return kKanjiJis;
  // Before the CR rule: UTF-8 files have CR LF line ends as often as not.
  if (LooksUtf8(bytes, reach, sample)) return kKanjiUtf8;
  if (memchr(bytes, '\r', sample) != nullptr) return kKanjiSjis;  // CR line ends: always Shift_JIS
  return IsEucJp(bytes, sample) ? kKanjiEuc : kKanjiSjis;
}

// Writes never pass the read position: every rule writes at most as many
// bytes as it consumes.
void EucLineToSjis(char* line) {
  const auto* in = reinterpret_cast<const unsigned char*>(line);
  auto* out = reinterpret_cast<unsigned char*>(line);
  while (*in != 0) {
    const unsigned char c = in[0];
    if (c < 0x80) {
      *out++ = c;
      in += 1;
    } else if (c == kEucKanaPrefix && IsEucKanaByte(in[1])) {
      *out++ = in[1];
      in += 2;
    } else if (IsEucByte(c) && IsEucByte(in[1])) {
      PutCode(out, JisToSjis(c & 0x7F, in[1] & 0x7F));
      in += 2;
    } else {
      in += 1;  // no Shift_JIS form; a 0x8F prefix goes this way too
    }
  }
  *out = 0;
}

void JisLineToSjis(char* line) {
  const auto* in = reinterpret_cast<const unsigned char*>(line);
  auto* out = reinterpret_cast<unsigned char*>(line);
  JisMode mode = JisMode::Roman;
  while (*in != 0) {
    const unsigned char c = in[0];
    if (c == kEsc && in[1] != 0) {
      const JisEscape* escape = nullptr;
      for (const JisEscape& e : kJisEscapes) {
        if (in[1] == e.second && in[2] == e.third) escape = &e;
      }
      if (escape != nullptr) {
        mode = escape->mode;
        in += 3;
        continue;
      }
    }
    if (c == kShiftOut || c == kShiftIn) {
      mode = c == kShiftOut ? JisMode::HalfKana : JisMode::Roman;
      in += 1;
    } else if (c >= 0x80) {
      if (!IsSjisLead(c)) *out++ = c;
      in += 1;
    } else if (mode == JisMode::Roman) {
      *out++ = c;
      in += 1;
    } else if (mode == JisMode::HalfKana) {
      const unsigned char kana = c | 0x80;
      if (IsHalfKanaByte(kana)) *out++ = kana;
      in += 1;
    } else if (IsJisByte(c) && IsJisByte(in[1])) {
      PutCode(out, JisToSjis(c, in[1]));
      in += 2;
    } else {
      in += 1;  // a space or line end inside a kanji run
    }
  }
  *out = 0;
}

}  // namespace zanto
