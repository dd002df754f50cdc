// A library with the archive library's six entry points and nothing behind
// them, so that binding and the extraction root can be tested.
#include <windows.h>

extern "C" {
__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return 261; }
__declspec(dllexport) int WINAPI Unlha(HWND, LPCSTR, LPSTR, DWORD) { return 0; }
__declspec(dllexport) HANDLE WINAPI UnlhaOpenArchive(HWND, LPCSTR, DWORD) { return nullptr; }
__declspec(dllexport) int WINAPI UnlhaCloseArchive(HANDLE) { return 0; }
__declspec(dllexport) int WINAPI UnlhaFindFirst(HANDLE, LPCSTR, void*) { return -1; }
__declspec(dllexport) int WINAPI UnlhaFindNext(HANDLE, void*) { return -1; }
}
