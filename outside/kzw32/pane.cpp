#include "pane.h"

#include <algorithm>
#include <cstring>

#include "base/bounds.h"
#include "base/sjis.h"
#include "kzw32.h"
#include "match/result_line.h"
#include "member_extraction.h"
#include "text_lines.h"

namespace kzw {
namespace {

constexpr int kMarkMargin = 3;          // lines kept above a line jumped to
constexpr int kWheelLines = 3;          // lines scrolled per wheel notch
constexpr int kTextMargin = 8;          // pixels left of the text
constexpr int kMarkBar = 5;             // width of the mark in that margin
constexpr size_t kMaxFileBytes = 64u << 20;  // larger texts are not shown
constexpr COLORREF kMarkColor = RGB(255, 255, 176);
constexpr COLORREF kMarkBarColor = RGB(232, 128, 0);
constexpr char kNotResultLine[] = "この行にはファイル名と行番号がありません";
constexpr char kCannotOpen[] = "開けません: ";

UINT gRequestMessage = 0;

struct PaneState {
  std::vector<std::string> lines;
  int top = 0;
  int current = -1;
  int marked = -1;
  HFONT font = nullptr;  // set with WM_SETFONT; the fixed system font when none
  int lineHeight = 16;
  int wheelDelta = 0;
};

PaneState* StateOf(HWND pane) { return reinterpret_cast<PaneState*>(GetWindowLongPtrA(pane, 0)); }

HFONT FontOf(const PaneState& s) {
  return s.font ? s.font : static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
}

void Measure(HWND pane, PaneState* s) {
  HDC dc = GetDC(pane);
  HGDIOBJ old = SelectObject(dc, FontOf(*s));
  TEXTMETRICA metrics;
  if (GetTextMetricsA(dc, &metrics)) s->lineHeight = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
  SelectObject(dc, old);
  ReleaseDC(pane, dc);
}

int VisibleLines(HWND pane, const PaneState& s) {
  RECT client;
  GetClientRect(pane, &client);
  return std::max(1, static_cast<int>(client.bottom - client.top) / s.lineHeight);
}

int LastTop(HWND pane, const PaneState& s) {
  return std::max(0, static_cast<int>(s.lines.size()) - VisibleLines(pane, s));
}

void UpdateScrollBar(HWND pane, const PaneState& s) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = s.lines.empty() ? 0 : static_cast<int>(s.lines.size()) - 1;
  info.nPage = static_cast<UINT>(VisibleLines(pane, s));
  info.nPos = s.top;
  SetScrollInfo(pane, SB_VERT, &info, TRUE);
}

void ScrollTo(HWND pane, PaneState* s, int top) {
  top = std::clamp(top, 0, LastTop(pane, *s));
  if (top == s->top) return;
  s->top = top;
  UpdateScrollBar(pane, *s);
  InvalidateRect(pane, nullptr, TRUE);
}

// Makes line current and scrolls as little as needed to keep it in view.
void MoveCurrent(HWND pane, PaneState* s, int line) {
  if (s->lines.empty()) return;
  line = std::clamp(line, 0, static_cast<int>(s->lines.size()) - 1);
  s->current = line;
  const int rows = VisibleLines(pane, *s);
  if (line < s->top) {
    ScrollTo(pane, s, line);
  } else if (line >= s->top + rows) {
    ScrollTo(pane, s, line - rows + 1);
  }
  InvalidateRect(pane, nullptr, TRUE);
}

HWND OwnerOf(HWND pane) {
  HWND parent = GetParent(pane);
  return parent ? parent : GetWindow(pane, GW_OWNER);
}

// Sends a request to the owner; its answer is what it left in its
// GWLP_USERDATA.
LONG_PTR Ask(HWND pane, WPARAM request, LPARAM value, int number) {
  HWND owner = OwnerOf(pane);
  if (!owner || !gRequestMessage) return 0;
  KzRequest record = {pane, value, number};
  SendMessageA(owner, gRequestMessage, request, reinterpret_cast<LPARAM>(&record));
  return GetWindowLongPtrA(owner, GWLP_USERDATA);
}

void Status(HWND pane, const char* text) { Ask(pane, kRequestStatus, reinterpret_cast<LPARAM>(text), 0); }

// path made absolute into full (kPathBuffer bytes), from the current
// directory; path itself when that fails.
void FullPathOf(const char* path, char* full) {
  const DWORD length = GetFullPathNameA(path, zanto::kPathBuffer, full, nullptr);
  if (length == 0 || length >= zanto::kPathBuffer) zanto::CopyText(full, zanto::kPathBuffer, path);
}

// The current line read as a result line: the owner is asked to open the
// file it names at its line. A member of an archive whose extraction is
// gone is extracted again first.
void Jump(HWND pane, PaneState* s) {
  if (s->current < 0) return;
  std::vector<const char*> lines(s->lines.size());
  for (size_t i = 0; i < lines.size(); ++i) lines[i] = s->lines[i].c_str();
  zanto::ResultTarget target;
  if (!zanto::FindResultTarget(lines.data(), lines.size(), static_cast<size_t>(s->current), &target)) {
    Status(pane, kNotResultLine);
    return;
  }
  char full[zanto::kPathBuffer];
  FullPathOf(target.path, full);
  if (target.archive[0] != '\0' && GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) {
    char archive[zanto::kPathBuffer];
    FullPathOf(target.archive, archive);
    ExtractMemberAgain(archive, full, full);  // when it fails, the owner cannot open the file
  }
  if (Ask(pane, kRequestOpen, reinterpret_cast<LPARAM>(full), static_cast<int>(target.line)) != 1) {
    char message[sizeof kCannotOpen + zanto::kPathBuffer];
    zanto::CopyText(message, sizeof message, kCannotOpen);
    zanto::AppendText(message, sizeof message, full);
    Status(pane, message);
  }
}

void Paint(HWND pane, PaneState* s) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(pane, &paint);
  RECT client;
  GetClientRect(pane, &client);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(*s));
  SetBkMode(dc, OPAQUE);
  const bool focused = GetFocus() == pane;
  const int rows = VisibleLines(pane, *s) + 1;  // the part line at the bottom too
  for (int row = 0; row < rows; ++row) {
    const int index = s->top + row;
    RECT band = {client.left, row * s->lineHeight, client.right, (row + 1) * s->lineHeight};
    if (band.top >= paint.rcPaint.bottom) break;
    COLORREF back = GetSysColor(COLOR_WINDOW);
    COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
    if (index == s->current) {
      back = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
      fore = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    } else if (index == s->marked) {
      back = kMarkColor;
    }
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    if (index == s->marked) {
      // The mark stays visible while the line is also the current one.
      RECT bar = {band.left, band.top, band.left + kMarkBar, band.bottom};
      HBRUSH barBrush = CreateSolidBrush(kMarkBarColor);
      FillRect(dc, &bar, barBrush);
      DeleteObject(barBrush);
    }
    if (index < static_cast<int>(s->lines.size())) {
      SetBkColor(dc, back);
      SetTextColor(dc, fore);
      const std::string& text = s->lines[static_cast<size_t>(index)];
      TabbedTextOutA(dc, kTextMargin, band.top, text.c_str(), static_cast<int>(text.size()), 0, nullptr, kTextMargin);
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(pane, &paint);
}

void OnScroll(HWND pane, PaneState* s, int code) {
  const int page = VisibleLines(pane, *s);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(pane, SB_VERT, &info);
  switch (code) {
    case SB_LINEUP: ScrollTo(pane, s, s->top - 1); break;
    case SB_LINEDOWN: ScrollTo(pane, s, s->top + 1); break;
    case SB_PAGEUP: ScrollTo(pane, s, s->top - page); break;
    case SB_PAGEDOWN: ScrollTo(pane, s, s->top + page); break;
    case SB_TOP: ScrollTo(pane, s, 0); break;
    case SB_BOTTOM: ScrollTo(pane, s, LastTop(pane, *s)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(pane, s, info.nTrackPos); break;
    default: break;
  }
}

bool OnKey(HWND pane, PaneState* s, WPARAM key) {
  const int page = VisibleLines(pane, *s);
  switch (key) {
    case VK_UP: MoveCurrent(pane, s, s->current - 1); return true;
    case VK_DOWN: MoveCurrent(pane, s, s->current + 1); return true;
    // The page turns first, so that the current line, moved after it, stays
    // in view.
    case VK_PRIOR: ScrollTo(pane, s, s->top - page); MoveCurrent(pane, s, s->current - page); return true;
    case VK_NEXT: ScrollTo(pane, s, s->top + page); MoveCurrent(pane, s, s->current + page); return true;
    case VK_HOME: MoveCurrent(pane, s, 0); return true;
    case VK_END: MoveCurrent(pane, s, static_cast<int>(s->lines.size()) - 1); return true;
    case VK_RETURN: Jump(pane, s); return true;
    default: return Ask(pane, kRequestKey, static_cast<LPARAM>(key), 0) == 1;
  }
}

int LineAt(const PaneState& s, LPARAM point) {
  return s.top + static_cast<int>(static_cast<short>(HIWORD(point))) / s.lineHeight;
}

LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
  PaneState* s = StateOf(pane);
  if (message == WM_NCCREATE) {
    s = new PaneState;
    SetWindowLongPtrA(pane, 0, reinterpret_cast<LONG_PTR>(s));
    Measure(pane, s);
    return DefWindowProcA(pane, message, wParam, lParam);
  }
  if (!s) return DefWindowProcA(pane, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetWindowLongPtrA(pane, 0, 0);
      delete s;
      break;
    case WM_PAINT: Paint(pane, s); return 0;
    case WM_SIZE:
      s->top = std::clamp(s->top, 0, LastTop(pane, *s));
      UpdateScrollBar(pane, *s);
      InvalidateRect(pane, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      Measure(pane, s);
      UpdateScrollBar(pane, *s);
      if (LOWORD(lParam)) InvalidateRect(pane, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(pane, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      // In a dialog Enter would press the default button, and Ctrl+Tab
      // belongs to the owner.
      if (msg && msg->message == WM_KEYDOWN &&
          (msg->wParam == VK_RETURN || (msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0))) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (OnKey(pane, s, wParam)) return 0;
      break;
    case WM_VSCROLL: OnScroll(pane, s, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: {
      s->wheelDelta += static_cast<short>(HIWORD(wParam));
      const int notches = s->wheelDelta / WHEEL_DELTA;
      s->wheelDelta -= notches * WHEEL_DELTA;
      ScrollTo(pane, s, s->top - notches * kWheelLines);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(pane);
      MoveCurrent(pane, s, LineAt(*s, lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (LineAt(*s, lParam) < static_cast<int>(s->lines.size())) {
        MoveCurrent(pane, s, LineAt(*s, lParam));
        Jump(pane, s);
      }
      return 0;
    case WM_GETTEXTLENGTH:
      return s->current < 0 ? 0 : static_cast<LRESULT>(s->lines[static_cast<size_t>(s->current)].size());
    case WM_GETTEXT: {
      char* out = reinterpret_cast<char*>(lParam);
      if (!out || wParam == 0) return 0;
      const char* text = s->current < 0 ? "" : s->lines[static_cast<size_t>(s->current)].c_str();
      return static_cast<LRESULT>(zanto::CopyText(out, wParam, text));
    }
    case WM_SETTEXT: return FALSE;  // the pane shows files, not a caption
    case kPaneGetLineCount: return static_cast<LRESULT>(s->lines.size());
    case kPaneGetTopLine: return s->top;
    case kPaneGetCurrentLine: return s->current;
    case kPaneGetMarkedLine: return s->marked;
    case kPaneSetCurrentLine: MoveCurrent(pane, s, static_cast<int>(wParam)); return s->current;
    case kPaneGetVisibleLines: return VisibleLines(pane, *s);
    default: break;
  }
  return DefWindowProcA(pane, message, wParam, lParam);
}

bool IsPane(HWND window) {
  char name[sizeof kPaneClass + 1];
  return window && IsWindow(window) && GetClassNameA(window, name, sizeof name) > 0 && strcmp(name, kPaneClass) == 0 &&
         StateOf(window) != nullptr;
}

}  // namespace

bool RegisterPane(HINSTANCE instance) {
  gRequestMessage = RegisterWindowMessageA(kRequestMessage);
  WNDCLASSA pane = {};
  if (GetClassInfoA(instance, kPaneClass, &pane)) return true;
  // Global: the program's dialog templates create panes under the
  // program's own instance, not the library's.
  pane.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  pane.lpfnWndProc = PaneProc;
  pane.cbWndExtra = sizeof(PaneState*);
  pane.hInstance = instance;
  pane.hCursor = LoadCursor(nullptr, IDC_ARROW);
  pane.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  pane.lpszClassName = kPaneClass;
  return RegisterClassA(&pane) != 0;
}

void UnregisterPane(HINSTANCE instance) { UnregisterClassA(kPaneClass, instance); }

UINT RequestMessage() { return gRequestMessage; }

int ShowLines(HWND pane, std::vector<std::string> lines, int line) {
  if (!IsPane(pane)) return kShowNoPane;
  PaneState* s = StateOf(pane);
  s->lines = std::move(lines);
  const int count = static_cast<int>(s->lines.size());
  s->marked = line >= 1 && count > 0 ? std::min(line, count) - 1 : -1;
  s->current = count == 0 ? -1 : std::max(s->marked, 0);
  s->top = std::clamp(s->marked - kMarkMargin, 0, LastTop(pane, *s));
  UpdateScrollBar(pane, *s);
  InvalidateRect(pane, nullptr, TRUE);
  return kShowDone;
}

int ShowFile(HWND pane, const char* path, int line, zanto::KanjiCodeChoice code) {
  if (!IsPane(pane)) return kShowNoPane;
  if (!path) return ShowLines(pane, {}, 0);
  FileLines file;
  if (!ReadFileLines(path, code, kMaxFileBytes, &file)) return kShowUnreadable;
  const int shown = LineOfSearchNumber(file, line < 0 ? 0 : static_cast<unsigned long>(line));
  return ShowLines(pane, std::move(file.lines), shown);
}

}  // namespace kzw
