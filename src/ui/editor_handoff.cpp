// The hand-off of a search result to the editor: the editor program is
// started on the output file (or told to take the clipboard), or, with an
// editor command beginning with "#", the result is shown in the program's
// own viewer.
#include <cstdio>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/os.h"
#include "files/path.h"
#include "search/editor_command.h"
#include "ui/app.h"
#include "ui/editor_control.h"
#include "ui/search_bridge.h"

namespace zanto {

namespace {

constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\%s";
constexpr size_t kAppPathsKeyBuffer = sizeof kAppPathsKey + kEditorWord;
constexpr char kViewerPrefix = '#';
constexpr UINT kWinExecFailed = 32;  // WinExec results up to this are errors
constexpr char kCannotStartFormat[] = "実行できません\n%s";
constexpr size_t kCannotStartText = sizeof kCannotStartFormat + kEditorCommand;

// The path the system registers for a program name, from the default value
// of its App Paths key.
bool LookUpAppPath(const char* name, char* path, size_t capacity) {
  char key[kAppPathsKeyBuffer];
  std::snprintf(key, sizeof key, kAppPathsKey, name);
  HKEY opened;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  char value[kRegisteredPath];
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  LONG result = RegQueryValueExA(opened, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(opened);
  if (result != ERROR_SUCCESS || type != REG_SZ) return false;
  value[size < sizeof value ? size : sizeof value - 1] = '\0';  // the system need not end it
  CopyText(path, capacity, value);
  return true;
}

void RestoreDirectory(const char* dir) {
  if (dir[0] != '\0' && dir[1] == ':') {
    char drive[kDriveBuffer] = {dir[0], ':', '\0'};
    OsSetCurrentDirectory(drive);
  }
  OsSetCurrentDirectory(dir);
}

// The output file in the viewer. The viewer's panes may change the current
// directory; the main dialog's lists rely on it.
void ShowInViewer(HWND dialog) {
  char file[kPathBuffer];
  CopyText(file, sizeof file, gSettings.OutFile);
  NormalizePath(file);
  char current[kPathBuffer];
  if (!OsGetCurrentDirectory(current, sizeof current)) current[0] = '\0';
  EditorControlDialog(dialog, file);
  if (current[0] != '\0') RestoreDirectory(current);
}

}  // namespace

bool ResultGoesToViewer() { return gSettings.ExecEdit[0] == kViewerPrefix; }

bool HandResultToEditor(HWND dialog) {
  const SearchSettings& s = gSettings;
  const bool matched = SearchMatchCount() > 0;
  if (ResultGoesToViewer() && s.OutFile[0] != '\0' && matched) {
    ShowInViewer(dialog);
    return true;
  }
  if (s.ExecEdit[0] == '\0' || !matched) return false;
  char outFile[kPathBuffer] = "";
  if (s.OutFile[0] != '\0') {
    CopyText(outFile, sizeof outFile, s.OutFile);
    NormalizePath(outFile);
  }
  char command[kEditorCommand];
  BuildEditorCommand(command, sizeof command, s.ExecEdit, s.ExecClip, outFile, LookUpAppPath);
  Trace("[%s]", command);
  if (WinExec(command, SW_SHOW) <= kWinExecFailed) {
    char text[kCannotStartText];
    std::snprintf(text, sizeof text, kCannotStartFormat, command);
    ShowProgramMessage(dialog, text);
    return true;  // the user reads the message over the result
  }
  return false;
}

}  // namespace zanto
