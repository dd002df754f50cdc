// Counting line ends and finding a byte many bytes at a time. The scan steps over lines that
// cannot match by counting their ends a block at a time, so this count sets
// the pace of a whole search. The 32-bit program may not assume the vector
// unit of later processors (it must run on any i686), and a count a byte at
// a time there runs at a fraction of the speed of the 64-bit build; so the
// count uses the vector unit where the processor has one, and whole machine
// words where it has not.
#pragma once
#include <cstddef>

namespace zanto {

// LF bytes among the length bytes at bytes.
size_t CountLineFeeds(const char* bytes, size_t length);
// The first of the length bytes at bytes that equals byte, or null. The
// Windows program links it in place of the C runtime's memchr, which
// Wine's runtime runs a byte at a time; every line the scan reads and every
// candidate it looks for is found with memchr.
const char* FindByte(const char* bytes, size_t length, char byte);

// A few distinct bytes looked for at once.
constexpr int kMaxByteSet = 8;
struct ByteSet {
  int count;  // 1 to kMaxByteSet
  char values[kMaxByteSet];
};
// The first of the length bytes at bytes that is one of set's, or null.
const char* FindAnyByte(const char* bytes, size_t length, const ByteSet& set);

namespace byte_scan {

// The two ways of counting, for tests that check both on any machine.
size_t CountLineFeedsByWords(const char* bytes, size_t length);
// Falls back to words where the processor has no vector unit.
size_t CountLineFeedsByVector(const char* bytes, size_t length);
const char* FindByteByWords(const char* bytes, size_t length, char byte);
const char* FindByteByVector(const char* bytes, size_t length, char byte);
const char* FindAnyByteBytewise(const char* bytes, size_t length, const ByteSet& set);
const char* FindAnyByteByVector(const char* bytes, size_t length, const ByteSet& set);
// The processor has the vector unit CountLineFeedsByVector uses.
bool HaveVectorUnit();

}  // namespace byte_scan
}  // namespace zanto
