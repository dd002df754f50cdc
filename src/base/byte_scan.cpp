#include "base/byte_scan.h"

#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define ZANTO_X86 1
#endif

namespace zanto {
namespace byte_scan {
namespace {

using Word = uintptr_t;  // 4 bytes in the 32-bit program, 8 in the 64-bit one
constexpr Word kOnes = ~Word{0} / 0xFF;  // 0x01 in every byte
constexpr Word kLow7 = kOnes * 0x7F;
constexpr Word kHigh = kOnes * 0x80;
constexpr Word kLineFeeds = kOnes * '\n';
// Per-byte counts are summed for at most this many words, so that the sum
// of all bytes still fits in one byte for the multiply that adds them up.
constexpr size_t kWordsPerSum = 255 / sizeof(Word);

// 0x80 in each byte of word that equals the byte repeated in pattern, 0
// elsewhere. Exact: unlike the quick zero-byte test, no carry runs from one
// byte into the next.
inline Word EqualBytes(Word word, Word pattern) {
  const Word x = word ^ pattern;
  const Word nonZero = ((x & kLow7) + kLow7) | x;
  return ~nonZero & kHigh;
}

// 1 in each byte of word that is LF, 0 elsewhere.
inline Word LineFeedFlags(Word word) { return EqualBytes(word, kLineFeeds) >> 7; }

inline Word LoadWord(const char* bytes) {
  Word word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

const char* FindBytewise(const char* bytes, size_t length, char byte) {
  for (size_t i = 0; i < length; ++i) {
    if (bytes[i] == byte) return bytes + i;
  }
  return nullptr;
}

// True when string k of set starts at offset at of the length bytes, or
// its first bytes end them there.
inline bool ShortStringAt(const char* bytes, size_t length, size_t at, const ShortStrings& set, int k) {
  const size_t held = set.length[k] < length - at ? set.length[k] : length - at;
  return std::memcmp(bytes + at, set.bytes[k], held) == 0;
}

// The first place in [from, length) where a string of set starts or may
// start, every place tried in turn; length when there is none.
size_t FindShortStringBytewise(const char* bytes, size_t from, size_t length, const ShortStrings& set) {
  for (size_t at = from; at < length; ++at) {
    for (int k = 0; k < set.count; ++k) {
      if (ShortStringAt(bytes, length, at, set, k)) return at;
    }
  }
  return length;
}

size_t CountBytewise(const char* bytes, size_t length) {
  size_t total = 0;
  for (size_t i = 0; i < length; ++i) total += bytes[i] == '\n';
  return total;
}

#ifdef ZANTO_X86
constexpr size_t kVector = 16;
// Per-byte counts of at most 255 blocks fit in the vector's bytes.
constexpr size_t kBlocksPerSum = 255;

__attribute__((target("sse2"))) size_t CountSse2(const char* bytes, size_t length) {
  const __m128i lineFeeds = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  size_t total = 0;
  size_t i = 0;
  while (length - i >= kVector) {
    size_t blocks = (length - i) / kVector;
    if (blocks > kBlocksPerSum) blocks = kBlocksPerSum;
    __m128i counts = zero;
    for (size_t b = 0; b < blocks; ++b, i += kVector) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, lineFeeds));  // a match is -1
    }
    const __m128i sums = _mm_sad_epu8(counts, zero);
    total += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
  return total + CountBytewise(bytes + i, length - i);
}

__attribute__((target("sse2"))) const char* FindSse2(const char* bytes, size_t length, char byte) {
  const __m128i wanted = _mm_set1_epi8(byte);
  size_t i = 0;
  for (; length - i >= kVector; i += kVector) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
    if (mask != 0) return bytes + i + __builtin_ctz(mask);
  }
  return FindBytewise(bytes + i, length - i, byte);
}

__attribute__((target("sse2"))) const char* FindAnySse2(const char* bytes, size_t length, const ByteSet& set) {
  __m128i wanted[kMaxByteSet];
  for (int k = 0; k < set.count; ++k) wanted[k] = _mm_set1_epi8(set.values[k]);
  size_t i = 0;
  for (; length - i >= kVector; i += kVector) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    __m128i hits = _mm_cmpeq_epi8(v, wanted[0]);
    for (int k = 1; k < set.count; ++k) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, wanted[k]));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return bytes + i + __builtin_ctz(mask);
  }
  return FindAnyByteBytewise(bytes + i, length - i, set);
}

// The places in the block at bytes where one of strings starts: the bytes
// at the places, and at the places one and two on, compared with every
// byte of every string at once. A string's broadcast bytes are in wanted;
// kLength is the strings' length when they are all alike, else 0.
template <size_t kLength>
__attribute__((target("sse2"))) inline unsigned ShortStringStarts(const char* bytes, const __m128i (*wanted)[kShortStringBytes],
                                                                  int count, const uint8_t* lengths) {
  __m128i at[kShortStringBytes];
  for (size_t b = 0; b < kShortStringBytes; ++b) at[b] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + b));
  __m128i hits = _mm_setzero_si128();
  for (int k = 0; k < count; ++k) {
    const size_t length = kLength != 0 ? kLength : lengths[k];
    __m128i starts = _mm_cmpeq_epi8(at[0], wanted[k][0]);
    for (size_t b = 1; b < length; ++b) starts = _mm_and_si128(starts, _mm_cmpeq_epi8(at[b], wanted[k][b]));
    hits = _mm_or_si128(hits, starts);
  }
  return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

// Two blocks at a time. With one string (the common case: a character
// without folding), kCount and kLength let its bytes stay in registers.
template <int kCount, size_t kLength>
__attribute__((target("sse2"))) const char* FindShortStringSse2(const char* bytes, size_t length,
                                                                const ShortStrings& set) {
  constexpr size_t kSpan = 2 * kVector + kShortStringBytes - 1;  // bytes the loads of two blocks cover
  const int count = kCount != 0 ? kCount : set.count;
  __m128i wanted[kMaxShortStrings][kShortStringBytes];
  for (int k = 0; k < count; ++k) {
    for (size_t b = 0; b < set.length[k]; ++b) wanted[k][b] = _mm_set1_epi8(static_cast<char>(set.bytes[k][b]));
  }
  size_t i = 0;
  for (; i + kSpan <= length; i += 2 * kVector) {
    const unsigned mask = ShortStringStarts<kLength>(bytes + i, wanted, count, set.length) |
                          ShortStringStarts<kLength>(bytes + i + kVector, wanted, count, set.length) << kVector;
    if (mask != 0) return bytes + i + __builtin_ctz(mask);
  }
  const size_t at = FindShortStringBytewise(bytes, i, length, set);
  return at == length ? nullptr : bytes + at;
}

__attribute__((target("sse2"))) const char* FindShortStringSse2(const char* bytes, size_t length,
                                                                const ShortStrings& set) {
  using Find = const char* (*)(const char*, size_t, const ShortStrings&);
  static constexpr Find kOneString[kShortStringBytes] = {FindShortStringSse2<1, 1>, FindShortStringSse2<1, 2>,
                                                         FindShortStringSse2<1, 3>};
  if (set.count == 1) return kOneString[set.length[0] - 1](bytes, length, set);
  return FindShortStringSse2<0, 0>(bytes, length, set);
}
#endif

}  // namespace

size_t CountLineFeedsByWords(const char* bytes, size_t length) {
  size_t total = 0;
  size_t i = 0;
  while (length - i >= sizeof(Word)) {
    size_t words = (length - i) / sizeof(Word);
    if (words > kWordsPerSum) words = kWordsPerSum;
    Word counts = 0;
    for (size_t w = 0; w < words; ++w, i += sizeof(Word)) {
      counts += LineFeedFlags(LoadWord(bytes + i));
    }
    total += static_cast<size_t>((counts * kOnes) >> (8 * (sizeof(Word) - 1)));
  }
  return total + CountBytewise(bytes + i, length - i);
}

const char* FindByteByWords(const char* bytes, size_t length, char byte) {
  const Word pattern = kOnes * static_cast<unsigned char>(byte);
  size_t i = 0;
  for (; length - i >= sizeof(Word); i += sizeof(Word)) {
    const Word found = EqualBytes(LoadWord(bytes + i), pattern);
    // The byte first in memory is the lowest of the word (little-endian).
    if (found != 0) return bytes + i + static_cast<size_t>(__builtin_ctzll(found)) / 8;
  }
  return FindBytewise(bytes + i, length - i, byte);
}

const char* FindAnyByteBytewise(const char* bytes, size_t length, const ByteSet& set) {
  for (size_t i = 0; i < length; ++i) {
    for (int k = 0; k < set.count; ++k) {
      if (bytes[i] == set.values[k]) return bytes + i;
    }
  }
  return nullptr;
}

// The places whose byte is a key are found four bytes at a time by the
// table, and the strings with that key are compared there. A string found
// may still be preceded by one that starts before it and has its key after
// it: keys are looked at until none can be. Strings cut by the end may have
// their keys past it; they are compared at the last places.
const char* FindShortStringByKeys(const char* bytes, size_t length, const ShortStrings& set) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  const uint8_t* is = set.isKey;
  size_t best = length;   // the first start found so far
  size_t limit = length;  // keys of strings starting before best lie before it
  for (size_t i = 0;; ++i) {
    while (i + 4 <= limit && (is[s[i]] | is[s[i + 1]] | is[s[i + 2]] | is[s[i + 3]]) == 0) i += 4;
    while (i < limit && is[s[i]] == 0) ++i;
    if (i >= limit) break;
    for (int k = 0; k < set.count; ++k) {
      const size_t keyAt = set.keyAt[k];
      if (set.bytes[k][keyAt] != s[i] || i < keyAt) continue;
      const size_t start = i - keyAt;
      if (start < best && start + set.length[k] <= length && std::memcmp(bytes + start, set.bytes[k], set.length[k]) == 0) {
        best = start;
        limit = best + kShortStringBytes - 1 < length ? best + kShortStringBytes - 1 : length;
      }
    }
  }
  const size_t cutFrom = length > kShortStringBytes - 1 ? length - (kShortStringBytes - 1) : 0;
  for (size_t at = cutFrom; at < best; ++at) {
    for (int k = 0; k < set.count; ++k) {
      if (at + set.length[k] > length && ShortStringAt(bytes, length, at, set, k)) return bytes + at;
    }
  }
  return best == length ? nullptr : bytes + best;
}

bool HaveVectorUnit() {
#if defined(__x86_64__) || defined(__SSE2__)
  return true;
#elif defined(ZANTO_X86)
  unsigned eax, ebx, ecx, edx;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
#else
  return false;
#endif
}

#ifdef ZANTO_X86
namespace {

// HaveVectorUnit, asked once. A plain flag, not a guarded static: memchr
// may be called before the C++ runtime is set up.
bool VectorUnit() {
#if defined(__x86_64__) || defined(__SSE2__)
  return true;
#else
  static int known = -1;
  if (known < 0) known = HaveVectorUnit() ? 1 : 0;
  return known != 0;
#endif
}

}  // namespace
#endif

size_t CountLineFeedsByVector(const char* bytes, size_t length) {
#ifdef ZANTO_X86
  if (VectorUnit()) return CountSse2(bytes, length);
#endif
  return CountLineFeedsByWords(bytes, length);
}

const char* FindByteByVector(const char* bytes, size_t length, char byte) {
#ifdef ZANTO_X86
  if (VectorUnit()) return FindSse2(bytes, length, byte);
#endif
  return FindByteByWords(bytes, length, byte);
}

const char* FindAnyByteByVector(const char* bytes, size_t length, const ByteSet& set) {
#ifdef ZANTO_X86
  if (VectorUnit()) return FindAnySse2(bytes, length, set);
#endif
  return FindAnyByteBytewise(bytes, length, set);
}

const char* FindShortStringByVector(const char* bytes, size_t length, const ShortStrings& set) {
#ifdef ZANTO_X86
  if (VectorUnit()) return FindShortStringSse2(bytes, length, set);
#endif
  return FindShortStringByKeys(bytes, length, set);
}

}  // namespace byte_scan

size_t CountLineFeeds(const char* bytes, size_t length) { return byte_scan::CountLineFeedsByVector(bytes, length); }

const char* FindByte(const char* bytes, size_t length, char byte) {
  return byte_scan::FindByteByVector(bytes, length, byte);
}

const char* FindAnyByte(const char* bytes, size_t length, const ByteSet& set) {
  return byte_scan::FindAnyByteByVector(bytes, length, set);
}

bool AddShortString(ShortStrings* set, const uint8_t* bytes, size_t length, size_t keyAt) {
  if (set->count == kMaxShortStrings || length == 0 || length > kShortStringBytes || keyAt >= length) return false;
  const int k = set->count++;
  set->length[k] = static_cast<uint8_t>(length);
  set->keyAt[k] = static_cast<uint8_t>(keyAt);
  std::memcpy(set->bytes[k], bytes, length);
  set->isKey[bytes[keyAt]] = 1;
  return true;
}

const char* FindShortString(const char* bytes, size_t length, const ShortStrings& set) {
  return byte_scan::FindShortStringByVector(bytes, length, set);
}

}  // namespace zanto

#ifdef _WIN32
extern "C" void* memchr(const void* bytes, int byte, size_t length) {
  return const_cast<char*>(zanto::FindByte(static_cast<const char*>(bytes), length, static_cast<char>(byte)));
}
#endif
