#include "ui/search_bridge.h"

#include "files/targets.h"
#include "search/host.h"

namespace zanto {

int RunSearchEngine(HWND, const char*, const char*, const char*) {
  // The search run is not part of this build yet: report the run as failed
  // so that the dialog skips every after-run step.
  Trace("search run not available ");
  return 1;
}

unsigned long SearchMatchCount() { return 0; }

bool HandResultToEditor(HWND) { return false; }

void OpenOptionDialog(HWND, int) {}

bool FileListInUse() { return gFileListEntries.count > 0; }

int FileListCount() { return gFileListEntries.count; }

}  // namespace zanto
