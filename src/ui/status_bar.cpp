#include "ui/status_bar.h"

#include <cstring>

#include "base/sjis.h"
#include "ui/resource.h"

namespace zanto {

namespace {

// Window extra slots.
constexpr int kTextSlot = 0;  // HLOCAL of the text block
constexpr int kFontSlot = 4;  // HFONT set with WM_SETFONT, or none
constexpr int kExtraBytes = 8;

constexpr int kBarPadding = 7;  // bar height = font height + this
constexpr int kInset = 2;       // the sunken field starts 2 pixels in

// Measured on the font last used; shared by all bars.
SIZE gCell = {8, 16};

void MeasureFont(HWND window, HFONT font) {
  gCell = FontCellSize(window, nullptr, font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
}

void MoveToParentBottom(HWND window, BOOL repaint) {
  HWND parent = GetParent(window);
  RECT client;
  if (!parent || !GetClientRect(parent, &client)) return;
  int height = gCell.cy + kBarPadding;
  MoveWindow(window, 0, client.bottom - height, client.right, height, repaint);
}

LRESULT OnCreate(HWND window) {
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, kStatusTextBuffer);
  if (!block) return -1;
  SetWindowLongPtrA(window, kTextSlot, reinterpret_cast<LONG_PTR>(block));
  SetWindowLongPtrA(window, kFontSlot, 0);
  MeasureFont(window, nullptr);
  MoveToParentBottom(window, FALSE);
  return 0;
}

HLOCAL TextBlock(HWND window) { return reinterpret_cast<HLOCAL>(GetWindowLongPtrA(window, kTextSlot)); }

void OnSetText(HWND window, const char* text) {
  HLOCAL block = TextBlock(window);
  char* stored = block ? static_cast<char*>(LocalLock(block)) : nullptr;
  if (!stored) return;
  CopyText(stored, kStatusTextBuffer, text ? text : "");
  LocalUnlock(block);
  InvalidateRect(window, nullptr, FALSE);
}

LRESULT OnGetText(HWND window, size_t capacity, char* out) {
  if (!out || capacity == 0) return 0;
  std::memset(out, 0, capacity);
  HLOCAL block = TextBlock(window);
  const char* stored = block ? static_cast<const char*>(LocalLock(block)) : nullptr;
  if (!stored) return 0;
  size_t n = std::strlen(stored);
  if (n > capacity - 1) n = capacity - 1;
  std::memcpy(out, stored, n);
  LocalUnlock(block);
  return static_cast<LRESULT>(n);
}

void OnSetFont(HWND window, HFONT font) {
  SetWindowLongPtrA(window, kFontSlot, reinterpret_cast<LONG_PTR>(font));
  if (!font) return;
  MeasureFont(window, font);
  MoveToParentBottom(window, TRUE);
}

void DrawSunkenField(HDC dc, const RECT& field, HPEN shadow) {
  HPEN old = static_cast<HPEN>(SelectObject(dc, shadow));
  MoveToEx(dc, field.right - 1, field.top, nullptr);
  LineTo(dc, field.left, field.top);
  LineTo(dc, field.left, field.bottom);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  MoveToEx(dc, field.left + 1, field.bottom - 1, nullptr);
  LineTo(dc, field.right - 1, field.bottom - 1);
  LineTo(dc, field.right - 1, field.top - 1);
  SelectObject(dc, old);
}

// Draws the text into the memory context; false when not a byte fits.
bool DrawStatusText(HWND window, HDC dc, const RECT& field) {
  HLOCAL block = TextBlock(window);
  const char* stored = block ? static_cast<const char*>(LocalLock(block)) : nullptr;
  if (!stored) return false;
  char text[kStatusTextBuffer];
  CopyText(text, sizeof text, stored);
  LocalUnlock(block);
  size_t length = StatusTextFit(text, std::strlen(text), field.right - field.left - 2, gCell.cx);
  if (length == 0 && text[0] != '\0') return false;
  TextOutA(dc, field.left, field.top, text, static_cast<int>(length));
  return true;
}

void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC screen = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  RECT field = {kInset, kInset, client.right - kInset, client.bottom - kInset};
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right > 0 ? client.right : 1, client.bottom > 0 ? client.bottom : 1);
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  HGDIOBJ oldBrush = SelectObject(memory, face);
  SetTextColor(memory, GetSysColor(COLOR_BTNTEXT));
  SetBkMode(memory, TRANSPARENT);
  PatBlt(memory, field.left, field.top, field.right - field.left, field.bottom - field.top, PATCOPY);
  DrawSunkenField(memory, field, shadow);
  HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(window, kFontSlot));
  HGDIOBJ oldFont = SelectObject(memory, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FIXED_FONT));
  if (DrawStatusText(window, memory, field)) {
    BitBlt(screen, field.left, field.top, field.right - field.left, field.bottom - field.top, memory, field.left,
           field.top, SRCCOPY);
  }
  SelectObject(memory, oldFont);
  SelectObject(memory, oldBrush);
  SelectObject(memory, oldBitmap);
  DeleteObject(face);
  DeleteObject(shadow);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &ps);
}

void OnDestroy(HWND window) {
  HLOCAL block = TextBlock(window);
  if (block) LocalFree(block);
  SetWindowLongPtrA(window, kTextSlot, 0);
}

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (OnCreate(window) < 0) return -1;
      break;
    case WM_SETFONT:
      OnSetFont(window, reinterpret_cast<HFONT>(wParam));
      break;
    case WM_SETTEXT:
      OnSetText(window, reinterpret_cast<const char*>(lParam));
      break;
    case WM_GETTEXT:
      return OnGetText(window, static_cast<size_t>(wParam), reinterpret_cast<char*>(lParam));
    case WM_GETTEXTLENGTH: {
      char text[kStatusTextBuffer];
      return OnGetText(window, sizeof text, text);
    }
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

size_t StatusTextFit(const char* text, size_t length, int width, int averageWidth) {
  if (averageWidth <= 0 || width <= 0) return 0;
  if (length * static_cast<size_t>(averageWidth) <= static_cast<size_t>(width)) return length;
  size_t fit = static_cast<size_t>(width / averageWidth);
  if (fit > length) fit = length;
  // Never keep the first half of a double-byte character.
  return WholeCharLength(text, fit);
}

SIZE FontCellSize(HWND window, HDC dc, HFONT font) {
  SIZE cell = {8, 16};
  HDC use = dc ? dc : GetDC(window);
  if (!use) return cell;
  HGDIOBJ old = SelectObject(use, font);
  TEXTMETRICA metrics;
  if (GetTextMetricsA(use, &metrics)) {
    cell.cx = metrics.tmAveCharWidth;
    cell.cy = metrics.tmHeight;
  }
  SelectObject(use, old);
  if (!dc) ReleaseDC(window, use);
  return cell;
}

bool RegisterStatusBarClass(HINSTANCE instance, UINT classStyle) {
  gCell = FontCellSize(nullptr, nullptr, static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
  WNDCLASSA wc = {};
  wc.style = classStyle;
  wc.lpfnWndProc = StatusBarProc;
  wc.cbWndExtra = kExtraBytes;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = STATUS_BAR_CLASS;
  return RegisterClassA(&wc) != 0;
}

}  // namespace zanto
