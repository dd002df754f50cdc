// Where in the raw bytes of a UTF-8 or UTF-16 file a line may hold a
// character every match needs. Lines of such files are converted to
// Shift_JIS before the search sees them; a line whose raw bytes hold no
// form of any code point that converts to that character cannot hold the
// character once converted, so it need not be converted at all.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/byte_scan.h"
#include "match/pattern.h"
#include "base/unicode_text.h"

namespace zanto {

// The code points that convert to the Shift_JIS character code (a single
// byte as itself, a double-byte character as lead * 256 + trail): every one
// that lands on it, not only the one it converts back to. Up to capacity of
// them go to out. Returns their number (0 when no code point converts to
// code), or -1 when they are too many to list: 〓, which every code point
// without a Shift_JIS form becomes.
constexpr int kMostCodePointsPerChar = 4;
int CodePointsOfSjis(uint16_t code, uint32_t* out, int capacity);

// The characters a line must hold one of for the filter's wanted character
// bit (one bit of filter.wanted): every character that folds to it, as the
// filter's byte pairs know them. Up to capacity go to out; returns their
// number, or -1 when there are more.
constexpr int kMostFoldMembers = 16;
int FoldMembersOf(const UnitFilter& filter, uint8_t bit, uint16_t* out, int capacity);

// The raw forms of a set of characters in one Unicode form (at most
// kMaxShortStrings), all their bytes compared at once; without the vector
// unit each form is looked for by its key, the last byte of a UTF-8
// sequence or the low byte of a UTF-16 unit, whose values spread widest.
constexpr size_t kMostRunBytes = 48;
struct UnicodeAnchor {
  ShortStrings forms;  // none when no line of the file can hold a character of the set
  // How often lines are expected to hold a form: the commonness of each
  // form's character, summed; 0 when no line can. Of two anchors, the one
  // of lower score is the better.
  unsigned score = 0;
  // Of a needle's anchor in UTF-8: the raw form of the needle's characters
  // around the anchor's, each the form of the one code point that converts
  // to it, neither a space nor a line end; runAt is where the anchor's form
  // is in it. runLength 0 when the anchor's character is not such.
  size_t runLength = 0;
  size_t runAt = 0;
  char run[kMostRunBytes];
};

// The anchor of the characters codes (count of them) in form. False when
// some character has too many code points or the set too many forms: then
// there is no safe anchor.
bool AnchorOfCharacters(const uint16_t* codes, int count, UnicodeForm form, UnicodeAnchor* anchor);

// The anchor for lines the filter tests: of its wanted characters, the one
// expected to be rarest in text (lowest score). False when none has a
// safe anchor.
bool AnchorOfFilter(const UnitFilter& filter, UnicodeForm form, UnicodeAnchor* anchor);

// The anchor for lines that must hold the plain text of needle: the rarest
// of its whole characters, with the run around it. False when none has a
// safe anchor.
bool AnchorOfNeedle(const PlainNeedle& needle, UnicodeForm form, UnicodeAnchor* anchor);

// The offset of the first place in [from, end) where one of anchor's forms
// starts, or where one may start and run past end; end when there is none.
// With a run, a form is passed over where the characters on either side of
// it show that the needle cannot be there: they are read back as far as
// bytes[0], so the bytes before from must be those before it in the text.
size_t NextAnchorForm(const char* bytes, size_t from, size_t end, const UnicodeAnchor& anchor);

}  // namespace zanto
