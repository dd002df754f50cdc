#include "match/unicode_anchor.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "match/folding.h"
#include "base/unicode_table.h"

namespace zanto {

namespace {

constexpr uint16_t kLowestTableCode = 0x80;  // below it, a code is its own code point

// The table turned round: Shift_JIS code << 16 | code point, sorted, made
// once.
const std::vector<uint32_t>& CodePointsBySjis() {
  static const std::vector<uint32_t> table = [] {
    std::vector<uint32_t> bySjis(kUnicodeToSjisCount);
    for (size_t i = 0; i < kUnicodeToSjisCount; ++i) {
      bySjis[i] = (kUnicodeToSjis[i] & 0xFFFF) << 16 | kUnicodeToSjis[i] >> 16;
    }
    std::sort(bySjis.begin(), bySjis.end());
    return bySjis;
  }();
  return table;
}

// How common a character is in Japanese and English text, 0 (rare) to
// 255: the anchor is the character expected to be rarest. Any one kanji is
// rarer than any one kana, the long vowel mark and the small TSU the most
// common of the katakana.
constexpr unsigned CharCommonness(uint32_t cp) {
  if (cp == ' ' || cp == 'e' || cp == 't' || cp == 'a' || cp == 'o' || cp == 'i' || cp == 'n') return 230;
  if (cp >= 'a' && cp <= 'z') return 200;
  if (cp == '\t' || cp == '\r' || cp == '\n' || (cp >= '0' && cp <= '9')) return 160;
  if (cp >= 'A' && cp <= 'Z') return 140;
  if (cp < 0x80) return 130;
  if (cp >= 0x3040 && cp <= 0x309F) return 220;       // hiragana
  if (cp == 0x30FC || cp == 0x30C3) return 220;        // ー ッ
  if (cp >= 0x30A0 && cp <= 0x30FF) return 180;       // katakana
  if (cp >= 0x3000 && cp <= 0x303F) return 200;       // punctuation
  if (cp >= 0x4E00 && cp <= 0x9FFF) return 100;       // kanji
  if (cp >= 0xFF00 && cp <= 0xFFEF) return 120;       // full-width and half-width forms
  return 110;
}

// The raw bytes of a BMP code point in form.
struct RawForm {
  size_t length;
  size_t keyAt;  // the low byte of a UTF-16 unit, the last of a UTF-8 sequence
  uint8_t bytes[kShortStringBytes];
};

RawForm FormOf(uint32_t codePoint, UnicodeForm form) {
  RawForm f = {};
  if (form != UnicodeForm::Utf8) {
    const auto high = static_cast<uint8_t>(codePoint >> 8), low = static_cast<uint8_t>(codePoint & 0xFF);
    const bool little = form == UnicodeForm::Utf16Le;
    f.length = 2;
    f.bytes[0] = little ? low : high;
    f.bytes[1] = little ? high : low;
    f.keyAt = little ? 0 : 1;
    return f;
  }
  if (codePoint < 0x80) {
    f.length = 1;
    f.bytes[0] = static_cast<uint8_t>(codePoint);
  } else if (codePoint < 0x800) {
    f.length = 2;
    f.bytes[0] = static_cast<uint8_t>(0xC0 | codePoint >> 6);
    f.bytes[1] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
  } else {
    f.length = 3;
    f.bytes[0] = static_cast<uint8_t>(0xE0 | codePoint >> 12);
    f.bytes[1] = static_cast<uint8_t>(0x80 | ((codePoint >> 6) & 0x3F));
    f.bytes[2] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
  }
  f.keyAt = f.length - 1;
  return f;
}

constexpr bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// True when the anchor's form at hit in the bytes [0, end) may be the
// run's character at runAt in the text ConvertUnicodeLine makes of them.
// That reads a character afresh at every byte that is no continuation
// byte, such as the first of a form, and converts each code point to one
// character: so the needle's characters there are the run's code points
// side by side, each next to the next unless malformed bytes, which are
// dropped, lie between. The anchor's form is passed over only when the
// nearest characters on both sides of it, as far as the run goes, are
// well-formed ones, one of them not the run's.
bool MayBeRun(const unsigned char* bytes, size_t hit, size_t end, const UnicodeAnchor& anchor) {
  const auto* run = reinterpret_cast<const unsigned char*>(anchor.run);
  auto same = [](const unsigned char* a, const unsigned char* b, size_t n) {
    while (n > 0 && a[n - 1] == b[n - 1]) --n;
    return n == 0;
  };
  // The anchor's character and those after it.
  for (size_t x = hit, r = anchor.runAt; r < anchor.runLength;) {
    const size_t n = x < end ? WellFormedUtf8Length(bytes + x, end - x) : 0;
    if (n == 0) return true;  // malformed, or the bytes held end
    if (r + n > anchor.runLength || !same(bytes + x, run + r, n)) return false;
    x += n;
    r += n;
  }
  // Those before it: the character that ends where the next begins starts
  // at the nearest byte before that is no continuation byte.
  for (size_t y = hit, r = anchor.runAt; r > 0;) {
    if (y == 0) return true;
    size_t v = y - 1;
    while (v > 0 && y - v < kUtf8LongestCharacter && IsUtf8Continuation(bytes[v])) --v;
    const size_t n = WellFormedUtf8Length(bytes + v, end - v);
    if (n != y - v) return true;  // continuation bytes of no character: malformed
    if (n > r || !same(bytes + v, run + r - n, n)) return false;
    y = v;
    r -= n;
  }
  return true;
}

// Where the needle's character after the one at i starts; i itself when
// there is none (a lead byte ending the text is no whole character).
size_t NextNeedleChar(const PlainNeedle& needle, size_t i) {
  if (i >= needle.length) return i;
  const size_t size = IsSjisLead(static_cast<unsigned char>(needle.text[i])) ? 2 : 1;
  return i + size <= needle.length ? i + size : i;
}

uint16_t NeedleChar(const PlainNeedle& needle, size_t i) {
  const auto* s = reinterpret_cast<const unsigned char*>(needle.text);
  return IsSjisLead(s[i]) ? static_cast<uint16_t>(s[i] << 8 | s[i + 1]) : s[i];
}

// The UTF-8 form of the needle's character at i when it is a run's: the
// form of the one code point that converts to it. A field search blanks
// the characters it leaves out to spaces, which then meet the needle's,
// and no line holds a line end inside it: neither is a run's.
bool RunCharForm(const PlainNeedle& needle, size_t i, RawForm* form) {
  const uint16_t code = NeedleChar(needle, i);
  uint32_t point;
  if (code == ' ' || code == '\n' || CodePointsOfSjis(code, &point, 1) != 1) return false;
  *form = FormOf(point, UnicodeForm::Utf8);
  return true;
}

// Sets anchor's run from the needle's characters around the one at
// anchorAt: those of its stretch of run characters, as many on each side
// as fit in kMostRunBytes. None when the anchor's character is alone or no
// run character.
void SetRun(const PlainNeedle& needle, size_t anchorAt, UnicodeAnchor* anchor) {
  RawForm f;
  if (!RunCharForm(needle, anchorAt, &f)) return;
  std::string run;  // the whole stretch
  size_t runAt = 0, chars = 0;
  for (size_t i = 0, next; (next = NextNeedleChar(needle, i)) != i; i = next) {
    if (!RunCharForm(needle, i, &f)) {
      if (i > anchorAt) break;
      run.clear();
      chars = 0;
      continue;
    }
    if (i == anchorAt) runAt = run.size();
    run.append(reinterpret_cast<const char*>(f.bytes), f.length);
    ++chars;
  }
  if (chars < 2) return;
  // A window on the anchor's form that starts and ends at characters.
  auto whole = [&run](size_t at) {
    while (at < run.size() && IsUtf8Continuation(static_cast<unsigned char>(run[at]))) --at;
    return at;
  };
  const size_t start = runAt > kMostRunBytes / 2 ? whole(runAt - kMostRunBytes / 2) : 0;
  const size_t end = whole(std::min(run.size(), start + kMostRunBytes));
  anchor->runLength = end - start;
  anchor->runAt = runAt - start;
  std::memcpy(anchor->run, run.data() + start, end - start);
}

// Under ZenHan: the double-byte character code folds to what the single
// byte does.
bool FoldsAlike(uint16_t code, unsigned byte) {
  const uint16_t folded = ZenHanFold(static_cast<uint16_t>(byte));
  return folded != 0 && NormalizeWide(code) == folded;
}

}  // namespace

int CodePointsOfSjis(uint16_t code, uint32_t* out, int capacity) {
  if (code == kSjisGeta) return -1;
  if (code < kLowestTableCode) {
    if (capacity < 1) return -1;
    out[0] = code;
    return 1;
  }
  const std::vector<uint32_t>& table = CodePointsBySjis();
  const uint32_t low = uint32_t{code} << 16;
  int count = 0;
  for (auto it = std::lower_bound(table.begin(), table.end(), low); it != table.end() && (*it >> 16) == code; ++it) {
    if (count == capacity) return -1;
    out[count++] = *it & 0xFFFF;
  }
  return count;
}

int FoldMembersOf(const UnitFilter& filter, uint8_t bit, uint16_t* out, int capacity) {
  // A single byte that folds is marked after every byte (the pair with 0
  // before it is no double-byte character); a double-byte character only
  // at its own code. Where the trail of a double-byte character is such a
  // byte, the pair does not tell: the character is one when it folds as
  // that byte does, which only ZenHan makes happen (つ and ﾂ). Under ZenHan
  // VU is marked for every wanted character; without it only for VU, which
  // then has no single byte beside it, or, by its trail, for the lone byte
  // 0x94, which ZenHan drops.
  bool single[0x100];
  int count = 0;
  for (unsigned b = 0; b < 0x100; ++b) {
    single[b] = (filter.byPair[b] & bit) != 0;
    if (!single[b]) continue;
    if (count == capacity) return -1;
    out[count++] = static_cast<uint16_t>(b);
  }
  const bool zenHan = (filter.byPair[kKatakanaVu] & bit) != 0 && !single[kKatakanaVu & 0xFF];
  for (unsigned code = 0x8100; code <= 0xFFFF; ++code) {
    if ((filter.byPair[code] & bit) == 0 || !IsDoubleByteCode(code)) continue;
    const unsigned trail = code & 0xFF;
    if (single[trail] && !(zenHan && FoldsAlike(static_cast<uint16_t>(code), trail))) continue;
    if (count == capacity) return -1;
    out[count++] = static_cast<uint16_t>(code);
  }
  return count;
}

bool AnchorOfCharacters(const uint16_t* codes, int count, UnicodeForm form, UnicodeAnchor* anchor) {
  *anchor = UnicodeAnchor{};
  for (int c = 0; c < count; ++c) {
    uint32_t points[kMostCodePointsPerChar];
    const int n = CodePointsOfSjis(codes[c], points, kMostCodePointsPerChar);
    if (n < 0) return false;
    for (int k = 0; k < n; ++k) {
      const RawForm f = FormOf(points[k], form);
      if (!AddShortString(&anchor->forms, f.bytes, f.length, f.keyAt)) return false;
      anchor->score += CharCommonness(points[k]) + 1;
    }
  }
  return true;
}

bool AnchorOfFilter(const UnitFilter& filter, UnicodeForm form, UnicodeAnchor* anchor) {
  bool found = false;
  unsigned best = ~0u;
  for (unsigned k = 0; k < kFilterUnits; ++k) {
    const auto bit = static_cast<uint8_t>(1u << k);
    if ((filter.wanted & bit) == 0) continue;
    uint16_t members[kMostFoldMembers];
    const int count = FoldMembersOf(filter, bit, members, kMostFoldMembers);
    UnicodeAnchor candidate;
    if (count < 0 || !AnchorOfCharacters(members, count, form, &candidate)) continue;
    const unsigned score = candidate.score;
    if (score < best) {
      best = score;
      *anchor = candidate;
      found = true;
    }
  }
  return found;
}

bool AnchorOfNeedle(const PlainNeedle& needle, UnicodeForm form, UnicodeAnchor* anchor) {
  bool found = false;
  unsigned best = ~0u;
  size_t bestAt = 0;
  for (size_t i = 0, next; (next = NextNeedleChar(needle, i)) != i; i = next) {
    const uint16_t code = NeedleChar(needle, i);
    UnicodeAnchor candidate;
    if (!AnchorOfCharacters(&code, 1, form, &candidate)) continue;
    const unsigned score = candidate.score;
    if (score < best) {
      best = score;
      bestAt = i;
      *anchor = candidate;
      found = true;
    }
  }
  if (found && form == UnicodeForm::Utf8) SetRun(needle, bestAt, anchor);
  return found;
}

size_t NextAnchorForm(const char* bytes, size_t from, size_t end, const UnicodeAnchor& anchor) {
  for (size_t at = from; at < end && anchor.forms.count > 0;) {
    const char* hit = FindShortString(bytes + at, end - at, anchor.forms);
    if (hit == nullptr) break;
    const size_t place = static_cast<size_t>(hit - bytes);
    if (anchor.runLength == 0 || MayBeRun(reinterpret_cast<const unsigned char*>(bytes), place, end, anchor)) {
      return place;
    }
    at = place + 1;
  }
  return end;
}

}  // namespace zanto
