#include "ui/search_bridge.h"

#include "files/archive_support.h"
#include "files/targets.h"
#include "search/result_output.h"
#include "search/search_run.h"
#include "ui/progress_dialog.h"

namespace zanto {

namespace {

FileListEntries gFileList;
ResultOutput gResultOutput;         // the result text, kept between runs
ArchiveSupport gArchives;           // bound at start-up, released at exit
uint32_t gMatchCount = 0;           // matching lines of the run going on, or of the last one

}  // namespace

FileListEntries& ProgramFileList() { return gFileList; }

ResultOutput& ProgramResultOutput() { return gResultOutput; }

ArchiveSupport& ProgramArchives() { return gArchives; }

int RunSearchEngine(HWND, const char* searchText, const char* fileField, const char* outPath) {
  // The engine owns its message boxes through the host, which knows the
  // progress dialog; it needs no window of ours.
  const int result = RunSearch({&gResultOutput, &gArchives, &gFileList, &gMatchCount}, searchText, fileField, outPath);
  FlushProgressDialog();  // the final count, file and directory lines
  return result;
}

unsigned long SearchMatchCount() { return gMatchCount; }

bool FileListInUse() { return gFileList.count > 0; }

int FileListCount() { return gFileList.count; }

}  // namespace zanto
