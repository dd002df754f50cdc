// The result-line reader on arbitrary text: every line is held in a buffer
// of its own length, so a read past a line's end is caught, and a target
// found must be a path the program can hold, taken from the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "match/result_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::vector<char>> held;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\n') {
      held.emplace_back(data + start, data + i);
      held.back().push_back('\0');
      start = i + 1;
    }
  }
  std::vector<const char*> lines;
  for (const std::vector<char>& line : held) lines.push_back(line.data());
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < lines.size(); ++i) {
    zanto::ResultTarget target;
    if (!zanto::FindResultTarget(lines.data(), lines.size(), i, &target)) continue;
    const size_t length = strnlen(target.path, sizeof target.path);
    if (length == 0 || length > zanto::kMaxPath) std::abort();
    if (text.find(target.path) == std::string::npos) std::abort();
  }
  return 0;
}
