// KZW32.EXE: shows a result text (a file, or the clipboard with -C) in one
// pane; Enter or a double click on a result line shows its source in a
// second pane at that line, and Escape goes back to the result.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/bounds.h"
#include "base/sjis.h"
#include "kzw32.h"
#include "member_extraction.h"
#include "pane.h"
#include "text_lines.h"

namespace {

constexpr char kViewerClass[] = "KZW32Viewer";
constexpr char kTitle[] = "KZW32";
constexpr char kClipboardName[] = "(クリップボード)";
constexpr char kBackHint[] = "  [Esc: 結果に戻る]";
constexpr char kCannotRead[] = "  [読めません]";
constexpr int kResultPaneId = 1;  // the panes' ids, for FindWindow users
constexpr int kSourcePaneId = 2;
constexpr size_t kTitleBuffer = 2 * zanto::kPathBuffer + 200;

struct Viewer {
  HWND window = nullptr;
  HWND result = nullptr;
  HWND source = nullptr;
  char resultName[zanto::kPathBuffer] = "";
  char sourceName[zanto::kPathBuffer] = "";
  char status[zanto::kPathBuffer + 64] = "";
  bool showingSource = false;
};
Viewer gViewer;

void UpdateTitle() {
  char title[kTitleBuffer];
  zanto::CopyText(title, sizeof title, kTitle);
  zanto::AppendText(title, sizeof title, " - ");
  zanto::AppendText(title, sizeof title, gViewer.showingSource ? gViewer.sourceName : gViewer.resultName);
  if (gViewer.showingSource) zanto::AppendText(title, sizeof title, kBackHint);
  if (gViewer.status[0]) {
    zanto::AppendText(title, sizeof title, "  ");
    zanto::AppendText(title, sizeof title, gViewer.status);
  }
  SetWindowTextA(gViewer.window, title);
}

void ShowPane(bool source) {
  gViewer.showingSource = source;
  ShowWindow(source ? gViewer.source : gViewer.result, SW_SHOW);
  ShowWindow(source ? gViewer.result : gViewer.source, SW_HIDE);
  SetFocus(source ? gViewer.source : gViewer.result);
  UpdateTitle();
}

// The panes' requests; the answer goes to GWLP_USERDATA.
LONG_PTR OnRequest(WPARAM request, const kzw::KzRequest& record) {
  switch (request) {
    case kzw::kRequestStatus:
      zanto::CopyText(gViewer.status, sizeof gViewer.status,
                      record.value ? reinterpret_cast<const char*>(record.value) : "");
      UpdateTitle();
      return 0;
    case kzw::kRequestOpen: {
      const char* path = reinterpret_cast<const char*>(record.value);
      if (kzw::ShowFile(gViewer.source, path, record.number) < 0) return 0;
      zanto::CopyText(gViewer.sourceName, sizeof gViewer.sourceName, path);
      gViewer.status[0] = '\0';
      ShowPane(true);
      return 1;
    }
    case kzw::kRequestKey:
      if (record.value == VK_ESCAPE && gViewer.showingSource) {
        gViewer.status[0] = '\0';
        ShowPane(false);
        return 1;
      }
      return 0;
    default: return 0;
  }
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kzw::RequestMessage() && message != 0) {
    SetWindowLongPtrA(window, GWLP_USERDATA, OnRequest(wParam, *reinterpret_cast<const kzw::KzRequest*>(lParam)));
    return 0;
  }
  switch (message) {
    case WM_SIZE:
      for (HWND pane : {gViewer.result, gViewer.source}) {
        if (pane) MoveWindow(pane, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_SETFOCUS: SetFocus(gViewer.showingSource ? gViewer.source : gViewer.result); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The argument: the rest of the command line, quotes removed. The program
// passes an output path with spaces as it is, unquoted.
std::string FirstArgument() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    p = strchr(p + 1, '"');
    p = p ? p + 1 : "";
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  std::string argument;
  if (*p == '"') {
    const char* end = strchr(p + 1, '"');
    argument.assign(p + 1, end ? static_cast<size_t>(end - p - 1) : strlen(p + 1));
  } else {
    argument = p;
    while (!argument.empty() && (argument.back() == ' ' || argument.back() == '\t')) argument.pop_back();
  }
  return argument;
}

// The clipboard's text, taken at once: it may be gone a moment after the
// program that put it there has ended.
std::vector<std::string> ClipboardLines() {
  std::vector<std::string> lines;
  if (!OpenClipboard(nullptr)) return lines;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* text = static_cast<const char*>(GlobalLock(data))) {
      lines = kzw::SjisLines(text, strlen(text));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return lines;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const std::string argument = FirstArgument();
  const bool clipboard = argument == "-C" || argument == "-c";
  std::vector<std::string> clipLines;
  if (clipboard) clipLines = ClipboardLines();

  if (!kzw::RegisterPane(instance)) return 1;
  WNDCLASSA viewer = {};
  viewer.lpfnWndProc = ViewerProc;
  viewer.hInstance = instance;
  viewer.hCursor = LoadCursor(nullptr, IDC_ARROW);
  viewer.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  viewer.lpszClassName = kViewerClass;
  if (!RegisterClassA(&viewer)) return 1;
  gViewer.window = CreateWindowA(kViewerClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 720, 520,
                                 nullptr, nullptr, instance, nullptr);
  if (!gViewer.window) return 1;
  const DWORD paneStyle = WS_CHILD | WS_VSCROLL | WS_TABSTOP;
  gViewer.result = CreateWindowA(kzw::kPaneClass, "", paneStyle | WS_VISIBLE, 0, 0, 100, 100, gViewer.window,
                                 reinterpret_cast<HMENU>(kResultPaneId), instance, nullptr);
  gViewer.source = CreateWindowA(kzw::kPaneClass, "", paneStyle, 0, 0, 100, 100, gViewer.window,
                                 reinterpret_cast<HMENU>(kSourcePaneId), instance, nullptr);
  RECT client;
  GetClientRect(gViewer.window, &client);
  SendMessageA(gViewer.window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));

  if (clipboard) {
    zanto::CopyText(gViewer.resultName, sizeof gViewer.resultName, kClipboardName);
    kzw::ShowLines(gViewer.result, std::move(clipLines), 0);
  } else if (!argument.empty()) {
    zanto::CopyText(gViewer.resultName, sizeof gViewer.resultName, argument.c_str());
    // A result is the search's own Shift_JIS text, never guessed at.
    if (kzw::ShowFile(gViewer.result, argument.c_str(), 0, zanto::kKanjiSjis) < 0) {
      zanto::CopyText(gViewer.status, sizeof gViewer.status, kCannotRead);
    }
  }
  ShowWindow(gViewer.window, show);
  ShowPane(false);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  kzw::UnregisterPane(instance);
  kzw::RemoveExtractedMembers();
  return static_cast<int>(msg.wParam);
}
