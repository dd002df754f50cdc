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

}  // namespace byte_scan

size_t CountLineFeeds(const char* bytes, size_t length) { return byte_scan::CountLineFeedsByVector(bytes, length); }

const char* FindByte(const char* bytes, size_t length, char byte) {
  return byte_scan::FindByteByVector(bytes, length, byte);
}

const char* FindAnyByte(const char* bytes, size_t length, const ByteSet& set) {
  return byte_scan::FindAnyByteByVector(bytes, length, set);
}

}  // namespace zanto

#ifdef _WIN32
extern "C" void* memchr(const void* bytes, int byte, size_t length) {
  return const_cast<char*>(zanto::FindByte(static_cast<const char*>(bytes), length, static_cast<char>(byte)));
}
#endif
