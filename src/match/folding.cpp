#include "match/folding.h"

#include <cstdlib>

namespace zanto {

namespace {

// Half-width katakana 0xA6-0xDD as the large hiragana of the same sound;
// 0 where the byte has no wide form (the long vowel mark 0xB0).
constexpr unsigned char kHalfKanaFirst = 0xA6;
constexpr uint16_t kHalfKanaWide[] = {
    0x82A8, 0x82A0, 0x82A2, 0x82A4, 0x82A6, 0x82A8,  // wo, small a i u e o
    0x82E2, 0x82E4, 0x82E6, 0x82C2,                  // small ya yu yo tsu
    0,                                               // long vowel mark
    0x82A0, 0x82A2, 0x82A4, 0x82A6, 0x82A8,          // a i u e o
    0x82A9, 0x82AB, 0x82AD, 0x82AF, 0x82B1,          // ka row
    0x82B3, 0x82B5, 0x82B7, 0x82B9, 0x82BB,          // sa row
    0x82BD, 0x82BF, 0x82C2, 0x82C4, 0x82C6,          // ta row
    0x82C8, 0x82C9, 0x82CA, 0x82CB, 0x82CC,          // na row
    0x82CD, 0x82D0, 0x82D3, 0x82D6, 0x82D9,          // ha row
    0x82DC, 0x82DD, 0x82DE, 0x82DF, 0x82E0,          // ma row
    0x82E2, 0x82E4, 0x82E6,                          // ya yu yo
    0x82E7, 0x82E8, 0x82E9, 0x82EA, 0x82EB,          // ra row
    0x82ED, 0x82F1,                                  // wa, n
};
constexpr unsigned char kHalfKanaLast = kHalfKanaFirst + sizeof(kHalfKanaWide) / sizeof(kHalfKanaWide[0]) - 1;
static_assert(kHalfKanaLast == 0xDD);

// The folded form of every hiragana 0x829F-0x82F1: small kana become large,
// voiced and semi-voiced kana lose their marks, and the kana read alike in
// modern usage meet (du with zu as su, wa with ha, wi with i, we with e,
// wo with o).
constexpr uint16_t kHiraganaFirst = 0x829F;
constexpr uint16_t kHiraganaFolded[] = {
    0x82A0, 0x82A0, 0x82A2, 0x82A2, 0x82A4, 0x82A4, 0x82A6, 0x82A6, 0x82A8, 0x82A8,  // a-o
    0x82A9, 0x82A9, 0x82AB, 0x82AB, 0x82AD, 0x82AD, 0x82AF, 0x82AF, 0x82B1, 0x82B1,  // ka ga
    0x82B3, 0x82B3, 0x82B5, 0x82B5, 0x82B7, 0x82B7, 0x82B9, 0x82B9, 0x82BB, 0x82BB,  // sa za
    0x82BD, 0x82BD, 0x82BF, 0x82BF, 0x82C2, 0x82C2, 0x82B7,                          // ta da, tsu, du
    0x82C4, 0x82C4, 0x82C6, 0x82C6,                                                  // te de to do
    0x82C8, 0x82C9, 0x82CA, 0x82CB, 0x82CC,                                          // na row
    0x82CD, 0x82CD, 0x82CD, 0x82D0, 0x82D0, 0x82D0, 0x82D3, 0x82D3, 0x82D3,          // ha ba pa ...
    0x82D6, 0x82D6, 0x82D6, 0x82D9, 0x82D9, 0x82D9,                                  // ... he ho
    0x82DC, 0x82DD, 0x82DE, 0x82DF, 0x82E0,                                          // ma row
    0x82E2, 0x82E2, 0x82E4, 0x82E4, 0x82E6, 0x82E6,                                  // ya yu yo
    0x82E7, 0x82E8, 0x82E9, 0x82EA, 0x82EB,                                          // ra row
    0x82CD, 0x82CD, 0x82A2, 0x82A6, 0x82A8, 0x82F1,                                  // wa wi we wo n
};
constexpr uint16_t kHiraganaLast = kHiraganaFirst + sizeof(kHiraganaFolded) / sizeof(kHiraganaFolded[0]) - 1;
static_assert(kHiraganaLast == 0x82F1);

// Katakana run parallel to hiragana from small a on, except that their row
// skips trail byte 0x7F; the three after n have no hiragana twin.
constexpr uint16_t kKatakanaFirst = 0x8340;
constexpr uint16_t kKatakanaGap = 0x837F;
struct KanaTwin {
  uint16_t katakana, hiragana;
};
constexpr KanaTwin kKatakanaExtra[] = {
    {0x8394, 0x82D3},  // vu as fu
    {0x8395, 0x82A9},  // small ka as ka
    {0x8396, 0x82AF},  // small ke as ke
};

enum class WideRule { Drop, Keep, UpperCase, Hiragana, Katakana };
struct WideRange {
  uint16_t first, last;
  WideRule rule;
};
// Every code falls in exactly one range; ranges are in code order.
constexpr WideRange kWideRanges[] = {
    {0x0000, 0x824E, WideRule::Drop},       // symbols, punctuation, long vowel mark
    {0x824F, 0x8279, WideRule::Keep},       // full-width digits and capitals
    {0x827A, 0x8280, WideRule::Drop},
    {0x8281, 0x829A, WideRule::UpperCase},  // full-width small letters
    {0x829B, 0x829E, WideRule::Drop},
    {0x829F, 0x82F1, WideRule::Hiragana},
    {0x82F2, 0x833F, WideRule::Drop},
    {0x8340, 0x837E, WideRule::Katakana},
    {0x837F, 0x837F, WideRule::Drop},
    {0x8380, 0x8396, WideRule::Katakana},
    {0x8397, 0x8491, WideRule::Keep},       // Greek, Cyrillic
    {0x8492, 0x889E, WideRule::Drop},       // line drawing up to the first kanji
    {0x889F, 0xFFFF, WideRule::Keep},       // kanji and beyond
};
constexpr uint16_t kWideCaseOffset = 0x21;  // full-width small letter to capital

// Small katakana vowels after VU and what the pair folds to.
struct VuVowel {
  uint16_t wideVowel;      // small katakana vowel, double-byte
  unsigned char halfVowel; // small half-width vowel
  uint16_t folded;         // the H-row hiragana the pair sounds like
};
constexpr VuVowel kVuVowels[] = {
    {0x8340, 0xA7, 0x82CD},  // a: ha
    {0x8342, 0xA8, 0x82D0},  // i: hi
    {0x8344, 0xA9, 0x82D3},  // u: fu
    {0x8346, 0xAA, 0x82D6},  // e: he
    {0x8348, 0xAB, 0x82D9},  // o: ho
};
constexpr uint16_t kVuAlone = 0x82D3;  // fu

constexpr uint16_t HiraganaFolded(uint16_t code) { return kHiraganaFolded[code - kHiraganaFirst]; }

constexpr uint16_t KatakanaFolded(uint16_t code) {
  for (const KanaTwin& twin : kKatakanaExtra) {
    if (twin.katakana == code) return HiraganaFolded(twin.hiragana);
  }
  const uint16_t offset = code - kKatakanaFirst - (code > kKatakanaGap ? 1 : 0);
  return HiraganaFolded(static_cast<uint16_t>(kHiraganaFirst + offset));
}

uint16_t CodeAt(const unsigned char* text) { return static_cast<uint16_t>(text[0] << 8 | text[1]); }

constexpr uint16_t Widen(unsigned char byte) {
  if (byte >= '0' && byte <= '9') return static_cast<uint16_t>(0x824F + (byte - '0'));
  if (byte >= 'A' && byte <= 'Z') return static_cast<uint16_t>(0x8260 + (byte - 'A'));
  if (byte >= 'a' && byte <= 'z') return static_cast<uint16_t>(0x8260 + (byte - 'a'));
  if (byte >= kHalfKanaFirst && byte <= kHalfKanaLast) {
    const uint16_t wide = kHalfKanaWide[byte - kHalfKanaFirst];
    if (wide != 0) return wide;
  }
  return byte;
}

constexpr uint16_t FoldByRanges(uint16_t code) {
  for (const WideRange& range : kWideRanges) {
    if (code < range.first || code > range.last) continue;
    switch (range.rule) {
      case WideRule::Drop: return 0;
      case WideRule::Keep: return code;
      case WideRule::UpperCase: return static_cast<uint16_t>(code - kWideCaseOffset);
      case WideRule::Hiragana: return HiraganaFolded(code);
      case WideRule::Katakana: return KatakanaFolded(code);
    }
  }
  return 0;
}

constexpr ZenHanTables MakeZenHanTables() {
  ZenHanTables tables{};
  for (int index = 0; index < kCharIndexCount; ++index) {
    const int code = CodeOfCharIndex(index);
    if (code >= 0) tables.byIndex[index] = FoldByRanges(static_cast<uint16_t>(code));
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    const uint16_t wide = Widen(static_cast<unsigned char>(byte));
    tables.singleByte[byte] = wide == byte ? 0 : FoldByRanges(wide);
  }
  return tables;
}

}  // namespace

// Made by the compiler: no start-up work, and no first-use test in the
// line loop.
constinit const ZenHanTables gZenHanTables = MakeZenHanTables();

uint16_t WidenHalf(unsigned char byte) { return Widen(byte); }

uint16_t NormalizeWideByRanges(uint16_t code) { return FoldByRanges(code); }

FoldedChar VuSequence(const char* text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (bytes[0] == 0 || bytes[1] == 0 || CodeAt(bytes) != kKatakanaVu) return {0, 0};
  for (const VuVowel& vowel : kVuVowels) {
    if (bytes[2] != 0 && bytes[3] != 0 && CodeAt(bytes + 2) == vowel.wideVowel) return {vowel.folded, 4};
    if (bytes[2] == vowel.halfVowel) return {vowel.folded, 3};
  }
  return {kVuAlone, 2};
}

FoldedChar ZenHanFoldText(const char* text) {
  const FoldedChar vu = VuSequence(text);
  if (vu.length != 0) return vu;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (IsSjisLead(bytes[0]) && IsSjisTrail(bytes[1])) return {ZenHanFold(CodeAt(bytes)), 2};
  return {ZenHanFold(bytes[0]), 1};
}

uint16_t Same1Table::Lookup(uint16_t code, bool* mapped) const {
  if (mapped != nullptr) *mapped = false;
  if (entries_ == nullptr) return code;
  const int index = CharIndex(code);
  if (code < 0x100 || index < 0 || index >= kSame1Entries) return code;
  const uint16_t representative = entries_[index];
  if (representative == 0) return code;
  if (mapped != nullptr) *mapped = true;
  return representative;
}

uint16_t Same1Map(const Same1Table* table, uint16_t code, bool* mapped) {
  if (table == nullptr) {
    if (mapped != nullptr) *mapped = false;
    return code;
  }
  return table->Lookup(code, mapped);
}

void Same1Table::Free() {
  std::free(entries_);
  entries_ = nullptr;
}

void Same1Table::Set(uint16_t code, uint16_t representative) {
  const int index = CharIndex(code);
  if (index >= 0 && index < kSame1Entries) entries_[index] = representative;
}

namespace {

// Where the table file's reading stands within one line. A line longer than
// a read piece goes on in the next piece, so a long group stays one group.
struct Same1LineState {
  enum Phase { Start, Members, Ignored } phase = Start;
  uint16_t representative = 0;
  unsigned char pendingLead = 0;  // lead byte whose trail is the next byte
};

// The code a byte completes, with its representative, or 0 when the byte
// sets nothing.
struct Same1Entry {
  uint16_t code, representative;
};

Same1Entry ReadSame1Byte(Same1LineState& state, unsigned char c) {
  if (c == '\n') {
    state = Same1LineState{};
    return {0, 0};
  }
  if (state.phase == Same1LineState::Ignored) return {0, 0};
  if (state.pendingLead != 0) {
    const unsigned char lead = state.pendingLead;
    state.pendingLead = 0;
    if (!IsSjisTrail(c)) {
      state.phase = Same1LineState::Ignored;
      return {0, 0};
    }
    const uint16_t code = static_cast<uint16_t>(lead << 8 | c);
    if (state.phase == Same1LineState::Start) {
      state.representative = code;
      state.phase = Same1LineState::Members;
    }
    return {code, state.representative};
  }
  if (IsSjisLead(c)) {
    state.pendingLead = c;
  } else {
    state.phase = Same1LineState::Ignored;  // a single byte ends the list
  }
  return {0, 0};
}

}  // namespace

bool Same1Table::Build(LineSource& source) {
  Free();
  entries_ = static_cast<uint16_t*>(std::calloc(kSame1Entries, sizeof(uint16_t)));
  if (entries_ == nullptr) return false;
  char piece[kSame1LineBuffer];
  Same1LineState state;
  while (source.ReadLine(piece, sizeof piece)) {
    for (const char* p = piece; *p != '\0'; ++p) {
      const Same1Entry entry = ReadSame1Byte(state, static_cast<unsigned char>(*p));
      if (entry.code != 0) Set(entry.code, entry.representative);
    }
  }
  return true;
}

}  // namespace zanto
