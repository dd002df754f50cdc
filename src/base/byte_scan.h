// Counting line ends and finding a byte many bytes at a time. The scan steps over lines that
// cannot match by counting their ends a block at a time, so this count sets
// the pace of a whole search. The 32-bit program may not assume the vector
// unit of later processors (it must run on any i686), and a count a byte at
// a time there runs at a fraction of the speed of the 64-bit build; so the
// count uses the vector unit where the processor has one, and whole machine
// words where it has not.
#pragma once
#include <cstddef>
#include <cstdint>

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

// A few strings of 1 to kShortStringBytes bytes looked for at once, each
// compared whole: the raw forms of the characters a line must hold one of.
// Without the vector unit each is looked for by one of its bytes, its key,
// and then compared.
constexpr int kMaxShortStrings = 24;
constexpr size_t kShortStringBytes = 3;
struct ShortStrings {
  int count = 0;
  uint8_t length[kMaxShortStrings];
  uint8_t keyAt[kMaxShortStrings];  // offset of the key in the string
  uint8_t bytes[kMaxShortStrings][kShortStringBytes];
  uint8_t isKey[0x100] = {};        // 1: the byte is some string's key
};
// Adds a string of length bytes (1 to kShortStringBytes) whose key is its
// byte at keyAt. False when set is full.
bool AddShortString(ShortStrings* set, const uint8_t* bytes, size_t length, size_t keyAt);
// The first of the length bytes at bytes where one of set's strings starts,
// or where one may start and run past the end (the bytes there are the
// first bytes of a string); null when there is none.
const char* FindShortString(const char* bytes, size_t length, const ShortStrings& set);

namespace byte_scan {

// The two ways of counting, for tests that check both on any machine.
size_t CountLineFeedsByWords(const char* bytes, size_t length);
// Falls back to words where the processor has no vector unit.
size_t CountLineFeedsByVector(const char* bytes, size_t length);
const char* FindByteByWords(const char* bytes, size_t length, char byte);
const char* FindByteByVector(const char* bytes, size_t length, char byte);
const char* FindAnyByteBytewise(const char* bytes, size_t length, const ByteSet& set);
const char* FindAnyByteByVector(const char* bytes, size_t length, const ByteSet& set);
const char* FindShortStringByKeys(const char* bytes, size_t length, const ShortStrings& set);
const char* FindShortStringByVector(const char* bytes, size_t length, const ShortStrings& set);
// The processor has the vector unit CountLineFeedsByVector uses.
bool HaveVectorUnit();

}  // namespace byte_scan
}  // namespace zanto
