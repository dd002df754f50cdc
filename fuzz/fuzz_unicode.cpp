// The UTF-8 and UTF-16 converters on arbitrary bytes, as the line reader
// drives them: the output buffer is exactly the room given, so a write past
// it is caught. Converting the bytes in one go, and in pieces cut by a small
// room and by input that ends inside a character, must give the same text,
// and that text must be whole Shift_JIS characters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "base/unicode_text.h"

namespace {

using zanto::UnicodeForm;
using zanto::UnicodeStep;

// Converts in[0, length) to the end, each call with at most room bytes of
// output; the input is handed over up to `given` bytes at first (not final),
// then whole, as the reader gets more bytes from the file.
std::string ConvertAll(UnicodeForm form, const uint8_t* in, size_t length, size_t room, size_t given) {
  std::string text;
  size_t at = 0;
  for (int calls = 0; at < length; ++calls) {
    if (calls > 4 * static_cast<int>(length) + 8) std::abort();  // no progress
    const bool final = given >= length;
    const size_t held = final ? length : given;
    std::vector<char> out(room);
    const UnicodeStep step = zanto::ConvertUnicodeLine(form, in + at, held - at, final, out.data(), room);
    if (step.written > room || step.read > held - at) std::abort();
    text.append(out.data(), step.written);
    at += step.read;
    if (step.cut || at >= held) given = length;  // the rest of the file arrives
  }
  return text;
}

void CheckWholeCharacters(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (zanto::IsSjisLead(c)) {
      if (i + 1 >= text.size() || !zanto::IsSjisTrail(static_cast<unsigned char>(text[i + 1]))) std::abort();
      ++i;
    } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t room = 2 + data[0] % 16;  // a piece always has room for one character
  const uint8_t* in = data + 2;
  const size_t length = size - 2;
  const size_t given = length == 0 ? 0 : data[1] % (length + 1);
  for (UnicodeForm form : {UnicodeForm::Utf8, UnicodeForm::Utf16Le, UnicodeForm::Utf16Be}) {
    const std::string whole = ConvertAll(form, in, length, 2 * length + 2, length);
    const std::string pieces = ConvertAll(form, in, length, room, given);
    if (whole != pieces) std::abort();
    CheckWholeCharacters(whole);
    zanto::UnicodeMarkLength(form, in, length);
  }
  zanto::LooksUtf8(in, length, given);  // the sample read on to the end of its last character
  return 0;
}
