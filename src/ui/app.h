// Process-wide state of the Windows program: the instance, the program icon,
// the restart request of the main dialog, the optional libraries bound at
// start-up and the Windows version tests.
#pragma once
#include <windows.h>

#include <cstdint>

namespace zanto {

constexpr char kProgramTitle[] = "ＺＡＮＴＯ32";

// What GetVersion reports, split into the four tests the program uses.
struct VersionTests {
  bool newShell;     // major version above 3
  bool ntFamily;     // top bit clear
  bool win98OrLater; // not NT, and 5.x or 4.10 and later
  bool nt351;        // NT family 3.51
};
VersionTests VersionTestsFrom(uint32_t version);
// The tests for the system the program runs on (read once).
const VersionTests& Windows();

struct AppState {
  HINSTANCE instance;        // the program module
  HICON programIcon;         // icon 200, loaded once at start-up
  int restartRequested;      // the main dialog closed only to be reopened
  int archiveReady;          // the archive libraries were bound at start-up
  HMODULE ctl3d;             // the 3-D controls library, when bound
  HMODULE shellHelper;       // KZLIB95, when bound
};
extern AppState gApp;

// Shows text in a message box titled "ＺＡＮＴＯ32" with the information
// icon (unless style names another), owned by the progress dialog while a
// search runs, else by owner.
int ShowProgramMessage(HWND owner, const char* text, unsigned style = MB_OK);

}  // namespace zanto
