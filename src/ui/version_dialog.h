// The version dialog (template 102): name, version and build number, and
// the machine's physical memory.
#pragma once
#include <windows.h>

#include <cstdint>

namespace zanto {

constexpr char kVersionText[] = "Version 3.3　";

// The number after "version=" in a module marker; 0 without one.
unsigned long MarkerVersion(const char* marker);
// The build number: the sum of the module markers' numbers.
unsigned long BuildNumber();
// "Version 3.3　 (Build 2081)" into out.
void FormatVersionLine(char* out, size_t capacity);

// Opens the dialog modally over owner.
void ShowVersionDialog(HWND owner);

}  // namespace zanto
