// A stand-in for the editor in the end-to-end tests: appends the command
// line it was started with, and a line end, to the file that the variable
// ZANTO_EDITOR_LOG names, then ends. Without the variable it only ends.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char log[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("ZANTO_EDITOR_LOG", log, sizeof log);
  if (n == 0 || n >= sizeof log) return 0;
  // Two editors started close together must not lose a line: the file is
  // opened for appending and its sharing refused, with a few retries.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 100 && file == INVALID_HANDLE_VALUE; ++tries) {
    file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* command = GetCommandLineA();
  DWORD written = 0;
  WriteFile(file, command, static_cast<DWORD>(std::strlen(command)), &written, nullptr);
  WriteFile(file, "\r\n", 2, &written, nullptr);
  CloseHandle(file);
  return 0;
}
