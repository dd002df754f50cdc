// KZLIB95: the shell helper library. Plain exports over the Windows shell
// that take and return ANSI text; the program loads it at run time and
// binds GetShortCutName to search the targets of shortcut files.
#pragma once
#include <windows.h>

#ifdef KZLIB95_BUILD
#define KZLIB95_API extern "C" __declspec(dllexport)
#else
#define KZLIB95_API extern "C" __declspec(dllimport)
#endif

// Output path buffers hold at least kKzPathBuffer bytes.
constexpr int kKzPathBuffer = MAX_PATH;

// 1 when a file-system folder was chosen and copied into path, else 0 and
// path unchanged.
KZLIB95_API int WINAPI BrowseForFolder(HWND owner, LPCSTR title, LPSTR path);
// Deletes path into the recycle bin without a question; 0 on success. A path
// too long for the operation's buffer is refused and nothing is deleted.
KZLIB95_API int WINAPI DeleteFileToRecycleBin(LPCSTR path);
// target gets the shortcut's target in short form, arguments (when not null)
// its arguments; target is empty whenever no target was read.
KZLIB95_API HRESULT WINAPI GetShortCutName(LPCSTR shortcut, LPSTR target, LPSTR arguments);
// Non-zero when the special folder's path was written.
KZLIB95_API BOOL WINAPI GetSpecialDirectory(int folder, LPSTR path);
// Writes a shortcut to target; the save's status, negative on failure.
KZLIB95_API HRESULT WINAPI SetShortCutName(LPCSTR shortcut, LPCSTR target, LPCSTR description);
// Adds a notification-area icon; a tip too long for it is cut on a character.
KZLIB95_API BOOL WINAPI TaskBarAddIcon(HWND window, UINT id, HICON icon, LPCSTR tip, UINT message);
KZLIB95_API BOOL WINAPI TaskBarDeleteIcon(HWND window, UINT id);
