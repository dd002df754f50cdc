// Bounds of the program's path, name and line buffers, shared by every
// layer.
#pragma once
#include <cstddef>

namespace zanto {

constexpr size_t kMaxPath = 260;        // longest path the program handles
constexpr size_t kPathBuffer = 270;     // working buffer for a path
constexpr size_t kPathBufferWide = 272; // buffer handed across library calls
constexpr size_t kNameBuffer = 256;     // a directory entry name + NUL
constexpr size_t kLineBuffer = 4096;    // longest line of text, NUL included

}  // namespace zanto
