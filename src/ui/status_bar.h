// The dialog status bar, window class KZDlgStatusBar2: a sunken line at the
// bottom of every dialog that shows the status text of the focused control.
#pragma once
#include <windows.h>

#include <cstddef>

namespace zanto {

constexpr size_t kStatusTextBuffer = 256;  // 255 bytes + NUL per bar

// Registers the class with classStyle (start-up passes CS_GLOBALCLASS).
bool RegisterStatusBarClass(HINSTANCE instance, UINT classStyle);

// How many bytes of text (length bytes) fit into width pixels at averageWidth
// per byte, never ending on the lead byte of a double-byte character.
size_t StatusTextFit(const char* text, size_t length, int width, int averageWidth);

// Average character width and height of font (system fixed font when null),
// measured in dc or, with no dc, in the window's own.
SIZE FontCellSize(HWND window, HDC dc, HFONT font);

}  // namespace zanto
