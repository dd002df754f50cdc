// The pane window class KZWclasschild32, shared by KZW32.DLL and KZW32.EXE.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/settings.h"  // KanjiCodeChoice

namespace kzw {

// Registers the pane class in instance and the request message. False when
// the class cannot be registered (already registered counts as done).
bool RegisterPane(HINSTANCE instance);
void UnregisterPane(HINSTANCE instance);

// The id of "KZCONTROLMESSAGE", known after RegisterPane.
UINT RequestMessage();

constexpr int kShowDone = 0;
constexpr int kShowNoPane = -1;
constexpr int kShowUnreadable = -2;

// Shows the file at path, read in code (kKanjiAuto: found from its bytes),
// in pane with line (1 for the first; 0 for none) marked and current; a
// null path empties the pane. line counts as the search counts: a line
// longer than the search's line limit counts as several. One of the
// results above.
int ShowFile(HWND pane, const char* path, int line, zanto::KanjiCodeChoice code = zanto::kKanjiAuto);

// Shows lines (Shift_JIS) in pane, as ShowFile does a file's.
int ShowLines(HWND pane, std::vector<std::string> lines, int line);

}  // namespace kzw
