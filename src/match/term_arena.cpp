#include "match/term_arena.h"

#include <cstdlib>

namespace zanto {

void* TermArena::Allocate(size_t bytes, uint32_t* handle) {
  if (failAfter == 0) return nullptr;
  if (count_ == capacity_) {
    const size_t grown = capacity_ == 0 ? kArenaInitialBlocks : capacity_ * 2;
    void* list = std::realloc(blocks_, grown * sizeof(void*));
    if (list == nullptr) return nullptr;
    blocks_ = static_cast<void**>(list);
    capacity_ = grown;
  }
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  if (failAfter > 0) --failAfter;
  blocks_[count_] = block;
  if (handle != nullptr) *handle = static_cast<uint32_t>(kArenaHandleBase + count_);
  ++count_;
  return block;
}

void* TermArena::Block(uint32_t handle) const {
  if (handle < kArenaHandleBase || handle - kArenaHandleBase >= count_) return nullptr;
  return blocks_[handle - kArenaHandleBase];
}

void TermArena::Free() {
  for (size_t i = 0; i < count_; ++i) std::free(blocks_[i]);
  std::free(blocks_);
  blocks_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

}  // namespace zanto
