#include "ui/drop_target.h"

#include <shellapi.h>

#include "base/sjis.h"

namespace zanto {

namespace {

constexpr char kBoxProcedureProperty[] = "ZantoBoxProc";  // the box's own procedure
constexpr UINT kDropNameRead = 1024;  // what the shell may hand over for one name

void OnDropFiles(HWND box, HDROP drop) {
  char name[kDropNameRead] = {};
  if (DragQueryFileA(drop, 0, name, sizeof name) > 0) {
    // The shell cuts a long name anywhere; ours is cut on a character.
    char text[kDroppedNameBuffer];
    CopyText(text, sizeof text, name);
    SetWindowTextA(box, text);
  }
  DragFinish(drop);
}

LRESULT CALLBACK DropTargetProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  auto own = reinterpret_cast<WNDPROC>(GetPropA(box, kBoxProcedureProperty));
  if (message == WM_DROPFILES) {
    OnDropFiles(box, reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    RemovePropA(box, kBoxProcedureProperty);
  }
  return CallWindowProcA(own, box, message, wParam, lParam);
}

}  // namespace

void MakeDropTarget(HWND box) {
  if (!box || GetPropA(box, kBoxProcedureProperty)) return;
  LONG_PTR own = GetWindowLongPtrA(box, GWLP_WNDPROC);
  SetPropA(box, kBoxProcedureProperty, reinterpret_cast<HANDLE>(own));
  SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DropTargetProc));
  DragAcceptFiles(box, TRUE);
}

}  // namespace zanto
