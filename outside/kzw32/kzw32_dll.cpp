// KZW32.DLL: the pane class for programs that show text in it, behind one
// stdcall entry point.
#include <windows.h>

#include "kzw32.h"
#include "member_extraction.h"
#include "pane.h"

namespace {

HINSTANCE gInstance = nullptr;
constexpr int kFailed = -1;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    gInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// The client name and option text of a start ask for nothing this library
// varies.
__declspec(dllexport) int WINAPI kzcontrol(int command, LPARAM target, LPCSTR text, int value, int) {
  switch (command) {
    case kzw::kControlStart: return kzw::RegisterPane(gInstance) ? 0 : kFailed;
    case kzw::kControlEnd:
      kzw::UnregisterPane(gInstance);
      kzw::RemoveExtractedMembers();
      return 0;
    case kzw::kControlShow: return kzw::ShowFile(reinterpret_cast<HWND>(target), text, value);
    default: return kFailed;
  }
}

}  // extern "C"
