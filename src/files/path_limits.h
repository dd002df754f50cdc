// Bounds of the program's path and name buffers. They live apart from the OS
// layer so that records that only hold paths (the settings record, which
// the matcher reads) need not see that layer.
#pragma once
#include <cstddef>

namespace zanto {

constexpr size_t kMaxPath = 260;        // longest path the program handles
constexpr size_t kPathBuffer = 270;     // working buffer for a path
constexpr size_t kPathBufferWide = 272; // buffer handed across library calls
constexpr size_t kNameBuffer = 256;     // a directory entry name + NUL

}  // namespace zanto
