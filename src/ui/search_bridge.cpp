#include "ui/search_bridge.h"

#include "files/targets.h"
#include "search/file_scan.h"
#include "search/search_run.h"
#include "ui/progress_dialog.h"

namespace zanto {

namespace {

FileListEntries gFileList;

}  // namespace

FileListEntries& ProgramFileList() { return gFileList; }

int RunSearchEngine(HWND, const char* searchText, const char* fileField, const char* outPath) {
  // The engine owns its message boxes through the host, which knows the
  // progress dialog; it needs no window of ours.
  const int result = RunSearch(searchText, fileField, outPath, &gFileList);
  FlushProgressDialog();  // the final count, file and directory lines
  return result;
}

unsigned long SearchMatchCount() { return gRunMatchCount; }

bool FileListInUse() { return gFileList.count > 0; }

int FileListCount() { return gFileList.count; }

}  // namespace zanto
