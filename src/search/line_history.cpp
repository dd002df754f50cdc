#include "search/line_history.h"

#include <cstdlib>
#include <cstring>

#include "base/bounds.h"

namespace zanto {

// A line of the longest length still fits behind the switch mark.
static_assert(kHistorySwitchAt + kLineBuffer <= kHistoryHalfText);

bool LineHistory::Allocate() {
  if (Allocated()) return true;
  char* a = static_cast<char*>(malloc(kHistoryHalfText));
  char* b = static_cast<char*>(malloc(kHistoryHalfText));
  if (a == nullptr || b == nullptr) {
    free(a);
    free(b);
    return false;
  }
  text_[0] = a;
  text_[1] = b;
  Clear();
  return true;
}

void LineHistory::Free() {
  free(text_[0]);
  free(text_[1]);
  text_[0] = text_[1] = nullptr;
  Clear();
}

void LineHistory::Clear() {
  half_[0].count = half_[1].count = 0;
  current_ = 0;
  used_ = 0;
}

void LineHistory::Add(const char* line) {
  if (!Allocated()) return;
  if (used_ > kHistorySwitchAt || half_[current_].count >= kHistoryHalfLines) {
    current_ ^= 1;
    half_[current_].count = 0;
    used_ = 0;
  }
  size_t length = strnlen(line, kLineBuffer - 1);
  char* at = text_[current_] + used_;
  memcpy(at, line, length);
  at[length] = '\0';
  Half& h = half_[current_];
  h.lines[h.count++] = at;
  used_ += length + 1;
}

void LineHistory::RemoveLast() {
  if (half_[current_].count > 0) --half_[current_].count;
}

char* LineHistory::At(int k) const {
  if (!Allocated() || k < 0) return nullptr;
  const Half& now = half_[current_];
  if (now.count > k) return now.lines[now.count - 1 - k];
  const Half& before = half_[current_ ^ 1];
  int back = k - now.count;  // distance into the previous half
  if (before.count > back) return before.lines[before.count - 1 - back];
  return nullptr;
}

}  // namespace zanto
