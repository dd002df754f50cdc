// UTF-8 and UTF-16 text turned into Shift_JIS, since everything downstream
// works on Shift_JIS. A character Shift_JIS cannot hold becomes 〓 (81 AC),
// never a look-alike; malformed bytes have no character and are dropped, as
// the EUC-JP and JIS converters drop theirs.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

constexpr uint16_t kSjisGeta = 0x81AC;  // 〓: the character Shift_JIS lacks

enum class UnicodeForm { Utf8, Utf16Le, Utf16Be };

// The Shift_JIS code of a code point: the byte itself for ASCII and
// half-width kana (below 0x100), else a two-byte code; kSjisGeta when there
// is none.
uint16_t UnicodeToSjis(uint32_t codePoint);

// How many bytes the byte-order mark of form takes at the start of bytes:
// EF BB BF for UTF-8, FF FE or FE FF for UTF-16; 0 when there is none.
size_t UnicodeMarkLength(UnicodeForm form, const unsigned char* bytes, size_t length);

// The UTF-16 byte order a file's first bytes show: big endian only after
// the mark FE FF, little endian otherwise.
UnicodeForm Utf16FormOf(const unsigned char* bytes, size_t length);

// One call of ConvertUnicodeLine: bytes consumed and written, and why it
// stopped. When none of the flags is set, all the input was consumed.
struct UnicodeStep {
  size_t read = 0;
  size_t written = 0;
  bool lineEnd = false;  // a line end (U+000A, written as LF) was the last character
  bool full = false;     // the next character does not fit in the room left
  bool cut = false;      // the input ends inside a character and more may follow
};

// Converts text of form from in (length bytes) to Shift_JIS at out, which
// has room bytes (no NUL is written), up to and including the first line
// end. A character is written whole or not at all. When final, the input
// is all there is: a character it cuts short is dropped, not waited for.
UnicodeStep ConvertUnicodeLine(UnicodeForm form, const unsigned char* in, size_t length, bool final, char* out,
                               size_t room);

constexpr size_t kUtf8LongestCharacter = 4;  // bytes

// The length of the well-formed UTF-8 character at in (length bytes held),
// or 0 when the bytes there are malformed or cut short: those
// ConvertUnicodeLine drops or waits for. A byte that is no continuation
// byte is where ConvertUnicodeLine reads a character afresh, since no
// character goes on over it.
size_t WellFormedUtf8Length(const unsigned char* in, size_t length);

// True when the characters that begin in the first sample bytes of bytes
// (length of them, sample at most length) are well-formed UTF-8 and at
// least one of them is multi-byte. A character the sample cuts short is
// read to its end from the bytes after it; bytes are all the file holds
// there, so one that they cut short too is malformed.
bool LooksUtf8(const unsigned char* bytes, size_t length, size_t sample);

}  // namespace zanto
