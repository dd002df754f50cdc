// The editor-control library (KZW32.DLL), bound at start-up when present and
// ended at shutdown. Without it the experimental result viewer shows nothing;
// nothing else depends on it.
#pragma once
#include <windows.h>

namespace zanto {

// kzcontrol(command, target, text, value, reserved): 1 start, 2 end,
// 3 show a file in a pane. A result of 0 or more is success.
using KzControlCall = int(WINAPI*)(int command, LPARAM target, LPCSTR text, int value, int reserved);

struct EditorControlLibrary {
  HMODULE module;        // KZW32.DLL, or null
  KzControlCall control; // its one entry point
  UINT requestMessage;   // the registered "KZCONTROLMESSAGE"
};
extern EditorControlLibrary gEditorControl;

void StartEditorControl();
void EndEditorControl();

}  // namespace zanto
