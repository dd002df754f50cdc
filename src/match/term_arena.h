// The allocations of one compiled search: term blocks and class bitmaps.
// Each block is zero-filled and registered, and the arena releases them all
// when it is freed or goes. A block is named by its handle, kArenaHandleBase
// plus its number, which fits the 32-bit references of the token list.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zanto {

constexpr uint32_t kArenaHandleBase = 0x10000;
constexpr size_t kArenaInitialBlocks = 1000;

class TermArena {
 public:
  TermArena() = default;
  ~TermArena() { Free(); }
  TermArena(const TermArena&) = delete;
  TermArena& operator=(const TermArena&) = delete;

  // A zero-filled block of bytes, or null when memory ran out. *handle
  // (when given) receives its handle.
  void* Allocate(size_t bytes, uint32_t* handle = nullptr);
  // The block with that handle, or null for a handle the arena never gave.
  void* Block(uint32_t handle) const;
  // Releases every block; handles given before are then void.
  void Free();

  // Tests: allocations left before one fails; -1 never.
  long failAfter = -1;

 private:
  void** blocks_ = nullptr;  // registered blocks, owned
  size_t count_ = 0;         // blocks in use
  size_t capacity_ = 0;      // room in blocks_; grows as needed
};

}  // namespace zanto
