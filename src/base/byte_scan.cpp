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

// 1 in each byte of word that is LF, 0 elsewhere. Exact: unlike the quick
// zero-byte test, no carry runs from one byte into the next.
inline Word LineFeedFlags(Word word) {
  const Word x = word ^ kLineFeeds;
  const Word nonZero = ((x & kLow7) + kLow7) | x;
  return (~nonZero & kHigh) >> 7;
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
      Word word;
      std::memcpy(&word, bytes + i, sizeof word);
      counts += LineFeedFlags(word);
    }
    total += static_cast<size_t>((counts * kOnes) >> (8 * (sizeof(Word) - 1)));
  }
  return total + CountBytewise(bytes + i, length - i);
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

size_t CountLineFeedsByVector(const char* bytes, size_t length) {
#ifdef ZANTO_X86
  static const bool vector = HaveVectorUnit();
  if (vector) return CountSse2(bytes, length);
#endif
  return CountLineFeedsByWords(bytes, length);
}

}  // namespace byte_scan

size_t CountLineFeeds(const char* bytes, size_t length) { return byte_scan::CountLineFeedsByVector(bytes, length); }

}  // namespace zanto
