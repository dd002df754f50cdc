#include "ui/version_dialog.h"

#include <cstdio>
#include <cstring>

#include "ui/app.h"
#include "ui/resource.h"
#include "ui/run_dialog.h"

namespace zanto {

namespace {

// Identification markers of the program's modules, whose numbers add up to
// the build number shown in the dialog.
constexpr const char* kModuleMarkers[] = {
    "@(#)main_dialog.cpp version=1918",  "@(#)result_output.cpp version=7",
    "@(#)folding.cpp version=53",        "@(#)pattern.cpp version=38",
    "@(#)line_history.cpp version=3",    "@(#)archive.cpp version=62",
};

constexpr char kVersionKey[] = " version=";
constexpr size_t kLineBuffer = 128;
constexpr int kKilobyteShift = 10;

// The memory figures shown last; a line is rewritten only when it changes.
MEMORYSTATUS gShownMemory;

void ShowMemory(HWND dialog) {
  MEMORYSTATUS status = {};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  char line[kLineBuffer];
  if (status.dwTotalPhys != gShownMemory.dwTotalPhys) {
    std::snprintf(line, sizeof line, "　　物理メモリ %6lu キロバイト",
                  static_cast<unsigned long>(status.dwTotalPhys >> kKilobyteShift));
    SetDlgItemTextA(dialog, IDC_VERSION_TOTAL_MEMORY, line);
  }
  if (status.dwAvailPhys != gShownMemory.dwAvailPhys) {
    std::snprintf(line, sizeof line, "空き物理メモリ %6ld キロバイト",
                  static_cast<long>(status.dwAvailPhys >> kKilobyteShift));
    SetDlgItemTextA(dialog, IDC_VERSION_FREE_MEMORY, line);
  }
  gShownMemory = status;
}

void OnInitDialog(HWND dialog) {
  char text[kLineBuffer];
  std::snprintf(text, sizeof text, "%s : バージョン情報", kProgramTitle);
  SetWindowTextA(dialog, text);
  SetDlgItemTextA(dialog, IDC_VERSION_NAME, kProgramTitle);
  std::memset(&gShownMemory, 0, sizeof gShownMemory);
  ShowMemory(dialog);
  FormatVersionLine(text, sizeof text);
  SetDlgItemTextA(dialog, IDC_VERSION_LINE, text);
}

INT_PTR CALLBACK VersionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      return TRUE;
  }
  return FALSE;
}

}  // namespace

unsigned long MarkerVersion(const char* marker) {
  const char* at = std::strstr(marker, kVersionKey);
  if (!at) return 0;
  unsigned long n = 0;
  for (const char* p = at + sizeof kVersionKey - 1; *p >= '0' && *p <= '9'; ++p) n = n * 10 + (*p - '0');
  return n;
}

unsigned long BuildNumber() {
  unsigned long sum = 0;
  for (const char* marker : kModuleMarkers) sum += MarkerVersion(marker);
  return sum;
}

void FormatVersionLine(char* out, size_t capacity) {
  std::snprintf(out, capacity, "%s (Build %lu)", kVersionText, BuildNumber());
}

void ShowVersionDialog(HWND owner) { RunDialog(true, IDD_VERSION, owner, VersionProc, 0); }

}  // namespace zanto
