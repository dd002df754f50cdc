// Text boxes that take a file dragged from the shell: the name of the
// first dropped file replaces the box's text.
#pragma once
#include <windows.h>

#include <cstddef>

namespace zanto {

constexpr size_t kDroppedNameBuffer = 271;  // 270 bytes + NUL

// Makes box accept dropped files; every other message still goes to the
// box's own procedure. The box stays a drop target until it is destroyed.
void MakeDropTarget(HWND box);

}  // namespace zanto
