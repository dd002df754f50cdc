// Kanji-code detection and both line converters on arbitrary bytes. Each
// converter works on a buffer exactly as long as the line, so any write past
// the line's end is caught; a converted line must never grow.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "match/kanji_code.h"

namespace {

// The line as the file scan hands it over: NUL-terminated, in a buffer of
// its own length.
std::vector<char> LineOf(const uint8_t* data, size_t size) {
  std::vector<char> line(data, data + size);
  line.push_back('\0');
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int code = zanto::GuessKanjiCode(data, size);
  if (code < zanto::kKanjiSjis || code > zanto::kKanjiUtf16) std::abort();
  zanto::IsEucJp(data, size < zanto::kKanjiSampleBytes ? size : zanto::kKanjiSampleBytes);

  std::vector<char> euc = LineOf(data, size);
  const size_t before = std::strlen(euc.data());
  zanto::EucLineToSjis(euc.data());
  if (std::strlen(euc.data()) > before) std::abort();

  std::vector<char> jis = LineOf(data, size);
  zanto::JisLineToSjis(jis.data());
  if (std::strlen(jis.data()) > before) std::abort();
  return 0;
}
