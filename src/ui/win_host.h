// The Host over the real windows: message boxes, the progress dialog's
// controls (the engine's reports formatted for them), the message pump with the pause loop, the trace channel and the
// clipboard.
#pragma once
#include <windows.h>

#include "base/host.h"

namespace zanto {

// The trace window's class; a window of this class that accepts
// WM_COPYDATA text receives every trace line.
constexpr char kTraceWindowClass[] = "VemoDebugWClass";

class WindowsHost final : public Host {
 public:
  int ShowMessage(const char* text, unsigned style) override;
  void FileReached(const FileReport& file) override;
  void DirectoryReached(const char* path) override;
  void MatchCountChanged(unsigned long count) override;
  void FirstMatchListed(ListedLine kind, const char* text) override;
  void ProcessMessages() override;
  void Trace(const char* text) override;
  bool CopyToClipboard(const char* text, size_t length) override;
  void* OwnerWindow() override { return Owner(); }

  // Looks for the trace window once and turns tracing on.
  void OpenTraceChannel();
  // The window that owns message boxes and the clipboard: the progress
  // dialog while a search runs, else the main dialog.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND Owner() const;

 private:
  HWND mainWindow_ = nullptr;   // the main dialog while it is open
  HWND traceWindow_ = nullptr;  // found at start-up, or none
  bool traceOn_ = false;
  DWORD polledAt_ = 0;          // tick of the last look at the message queue
};

extern WindowsHost gWindowsHost;

// Sends every pending message of the thread on; dialog keys go to the
// progress dialog. A WM_QUIT is put back for the outer loop to see.
void DispatchPendingMessages();

}  // namespace zanto
