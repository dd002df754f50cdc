#include "ui/win_host.h"

#include <cstring>

#include "base/progress_text.h"

#include "ui/app.h"
#include "ui/progress_dialog.h"
#include "ui/resource.h"

namespace zanto {

WindowsHost gWindowsHost;

namespace {

constexpr DWORD kPauseSleepMs = 2;    // one turn of the pause loop
constexpr DWORD kMessagePollMs = 10;  // least time between two looks at the queue

// Message boxes show the information icon unless the caller chose one.
constexpr unsigned kIconBits = MB_ICONMASK;

// The Host's box styles and answers are the platform's numbers.
static_assert(kBoxOk == MB_OK && kBoxOkCancel == MB_OKCANCEL && kBoxYesNoCancel == MB_YESNOCANCEL &&
              kBoxYesNo == MB_YESNO && kBoxIconInformation == MB_ICONINFORMATION);
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerYes == IDYES && kAnswerNo == IDNO);

}  // namespace

int ShowProgramMessage(HWND owner, const char* text, unsigned style) {
  if ((style & kIconBits) == 0) style |= MB_ICONINFORMATION;
  HWND boxOwner = gProgressWindow ? gProgressWindow : owner;
  return MessageBoxA(boxOwner, text, kProgramTitle, style);
}

HWND WindowsHost::Owner() const { return gProgressWindow ? gProgressWindow : mainWindow_; }

int WindowsHost::ShowMessage(const char* text, unsigned style) {
  // The box belongs to the progress dialog, which shows what led to it.
  ShowProgressNow();
  return ShowProgramMessage(mainWindow_, text, style);
}

namespace {

// The engine's reports go to the progress dialog's controls while it is open.
void ShowProgressLabel(int control, const char* text) {
  if (!gProgressWindow) return;
  SetProgressLabel(control, text);
  UpdateProgressDialog();
}

}  // namespace

void WindowsHost::FileReached(const FileReport& file) {
  char line[kFileLineBuffer];
  FormatFileLine(file, line, sizeof line);
  ShowProgressLabel(IDC_PROGRESS_FILE, line);
}

void WindowsHost::DirectoryReached(const char* path) {
  char line[kDirectoryLineBuffer];
  FormatDirectoryLine(path, line, sizeof line);
  ShowProgressLabel(IDC_PROGRESS_DIR, line);
}

void WindowsHost::MatchCountChanged(unsigned long count) {
  char text[kMatchCountBuffer];
  FormatMatchCount(count, text, sizeof text);
  ShowProgressLabel(IDC_PROGRESS_COUNT, text);
}

void WindowsHost::FirstMatchListed(ListedLine kind, const char* text) {
  if (!gProgressWindow) return;
  char line[kListedLineBuffer];
  FormatListedLine(kind, text, line, sizeof line);
  AddProgressListLine(line);
  UpdateProgressDialog();
}

void DispatchPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (gProgressWindow && IsDialogMessageA(gProgressWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The scan asks every few hundred lines, thousands of times a second; the
// queue is looked at only when kMessagePollMs have passed, which still
// lets stop and pause act well within a tenth of a second.
void WindowsHost::ProcessMessages() {
  const DWORD now = GetTickCount();
  if (now - polledAt_ < kMessagePollMs && !gPauseRequested) return;
  polledAt_ = now;
  UpdateProgressDialog();
  DispatchPendingMessages();
  if (!gPauseRequested || gAbortRequested || !gProgressWindow) return;
  FlushProgressDialog();
  while (gPauseRequested && !gAbortRequested && gProgressWindow) {
    Sleep(kPauseSleepMs);
    DispatchPendingMessages();
  }
}

void WindowsHost::OpenTraceChannel() {
  traceWindow_ = FindWindowA(kTraceWindowClass, nullptr);
  traceOn_ = true;
}

void WindowsHost::Trace(const char* text) {
  if (!traceOn_ || !traceWindow_) return;
  COPYDATASTRUCT data;
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(std::strlen(text) + 1);
  data.lpData = const_cast<char*>(text);
  SendMessageA(traceWindow_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

bool WindowsHost::CopyToClipboard(const char* text, size_t length) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, length + 1);
  if (!memory) return false;
  char* copy = static_cast<char*>(GlobalLock(memory));
  if (!copy) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  GlobalUnlock(memory);
  if (!OpenClipboard(Owner())) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);
  return placed;
}

}  // namespace zanto
