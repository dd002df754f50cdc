// The main dialog (template 100): the old-style file-open common dialog
// with the program's own template and hook. The common dialog keeps the
// current directory and its directory, file and drive lists; the hook adds
// the search string, the file names, the options and the search itself.
#pragma once
#include <windows.h>

#include <cstddef>

#include "base/settings.h"

namespace zanto {

// Shows the main dialog with Directory as the initial directory. True when
// the common dialog ended with a chosen file (its path is then in
// Directory); the hook normally ends the dialog without one.
bool RunMainDialog();

// A search named on the command line, run before the main dialog is made
// where it may end the program (options 1- and 1+). True when the program
// ends now; else the main dialog is to be shown, then with the search's
// count where one ran.
bool RunCommandLineSearch();

// The texts of the option buttons and summary labels for the settings.
// control: 3017, 3019, 3020, 3028, 3063 or 3081. Returns false for any
// other control.
bool OptionSummaryText(int control, const SearchSettings& settings, bool fileListInUse, char* out,
                       size_t capacity);

}  // namespace zanto
