// The lines most recently read, for the lines written before a match and
// for the look-back to a block start. Two fixed halves: when the current
// half is full the other one is emptied and becomes current, so the reach
// is the current half plus the whole previous one, with no allocation per
// line.
#pragma once
#include <cstddef>

namespace zanto {

constexpr size_t kHistoryHalfText = 64512;   // text bytes of one half
constexpr size_t kHistorySwitchAt = 59392;   // more bytes used: switch halves
constexpr int kHistoryHalfLines = 1000;      // line pointers of one half

class LineHistory {
 public:
  LineHistory() = default;
  LineHistory(const LineHistory&) = delete;
  LineHistory& operator=(const LineHistory&) = delete;
  ~LineHistory() { Free(); }

  // Allocates both halves; false when memory ran out (the history then
  // stays unusable: adding does nothing, look-backs find no line).
  bool Allocate();
  void Free();
  bool Allocated() const { return text_[0] != nullptr; }

  // Forgets every line (start of a file).
  void Clear();
  // Copies a NUL-terminated line (at most kLineBuffer - 1 bytes).
  void Add(const char* line);
  // Forgets the line added last (its text stays in place).
  void RemoveLast();
  // The line at distance k (0: the line added last), or null when it is
  // out of reach.
  char* At(int k) const;

 private:
  struct Half {
    int count;                       // lines held
    char* lines[kHistoryHalfLines];  // into the half's text
  };
  char* text_[2] = {nullptr, nullptr};  // kHistoryHalfText bytes each
  Half half_[2] = {};
  int current_ = 0;       // half written to
  size_t used_ = 0;       // text bytes used in the current half
};

}  // namespace zanto
