// What the main dialog needs from the search engine and from the dialogs
// that sit beside it: one place where the user interface meets them.
#pragma once
#include <windows.h>

#include "files/archive_support.h"
#include "files/targets.h"
#include "search/result_output.h"

namespace zanto {

// Runs one search (the progress dialog is open). 0 on success or a stop by
// the user, 1 after a failure the run has reported itself.
int RunSearchEngine(HWND owner, const char* searchText, const char* fileField, const char* outPath);
// Matched lines of the run going on, or of the last one.
unsigned long SearchMatchCount();
// The result is to be shown in the program's own viewer, which lives in the
// main dialog.
bool ResultGoesToViewer();
// Hands the result to the editor; true when the main dialog should stay
// open (the result was shown in the program, or the editor did not start).
bool HandResultToEditor(HWND dialog);
// Opens the option dialog behind button id of the main dialog.
void OpenOptionDialog(HWND dialog, int id);
// The file-list dialog's list, which the searches use instead of the
// file-name field while it holds entries; it lives as long as the program.
FileListEntries& ProgramFileList();
// The result text of the searches, which the main dialog puts on the
// clipboard; it lives as long as the program.
ResultOutput& ProgramResultOutput();
// The archive libraries, bound at start-up and released at exit.
ArchiveSupport& ProgramArchives();
// True while the file-list dialog's list replaces the file-name field.
bool FileListInUse();
// Number of files in that list.
int FileListCount();

}  // namespace zanto
