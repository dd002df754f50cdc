// Counting line ends many bytes at a time. The scan steps over lines that
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

namespace byte_scan {

// The two ways of counting, for tests that check both on any machine.
size_t CountLineFeedsByWords(const char* bytes, size_t length);
// Falls back to words where the processor has no vector unit.
size_t CountLineFeedsByVector(const char* bytes, size_t length);
// The processor has the vector unit CountLineFeedsByVector uses.
bool HaveVectorUnit();

}  // namespace byte_scan
}  // namespace zanto
