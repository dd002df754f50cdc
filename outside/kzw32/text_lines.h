// A whole text file as the pane shows it: its kanji code found the way the
// search finds it, and every line turned into Shift_JIS without its line
// end. No window code here.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "base/settings.h"  // KanjiCodeChoice

namespace kzw {

// Splits bytes into Shift_JIS lines. code kKanjiAuto decides from the first
// bytes. A last line without a line end counts; an empty text has no lines.
std::vector<std::string> SjisLines(const unsigned char* bytes, size_t length,
                                   zanto::KanjiCodeChoice code = zanto::kKanjiAuto);

}  // namespace kzw
