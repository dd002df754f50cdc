// KZLIB95: every operation is the shell's own; this library only chooses
// the flags, the buffer sizes and what comes back.
#define KZLIB95_BUILD
#include "shellaux/kzlib95.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "base/sjis.h"

namespace {

// The shell's ids, spelled out here so that the library needs no import
// library beyond the system's own entry points.
constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kShellLinkAnsi = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr DWORD kResolveQuietAnyMatch = DWORD{SLR_NO_UI} | DWORD{SLR_ANY_MATCH};
constexpr DWORD kShortTargetPath = SLGP_SHORTPATH;
// The shell takes a list of paths ended by an empty one: the path, its NUL
// and the list's closing NUL.
constexpr size_t kDeleteBuffer = 280;
constexpr size_t kDeletePathMax = kDeleteBuffer - 2;
constexpr FILEOP_FLAGS kRecycleQuietly = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
constexpr DWORD kNotifyIconSize = 88;  // the record as the first new shell knew it
constexpr size_t kTipBuffer = 64;
constexpr UINT kIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr UINT kFolderOnlyFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS;

// Set by the first shortcut call of the process and never cleared: the
// caller's one interface thread keeps the object model for its lifetime.
bool gComReady = false;

void EnsureCom() {
  if (gComReady) return;
  CoInitialize(nullptr);
  gComReady = true;
}

void WidePath(LPCSTR path, WCHAR (&wide)[MAX_PATH]) {
  wide[0] = L'\0';
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) wide[MAX_PATH - 1] = L'\0';
}

// Not every shell honours the short-path flag; the short form is asked for
// again where the target exists, so that callers always get the same form.
// A target that is gone keeps the form the link stored.
void ShortenExistingPath(LPSTR path) {
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (length > 0 && length < sizeof shortPath) std::memcpy(path, shortPath, length + 1);
}

// A shell link object with its file interface, released together.
struct ShellLinkFile {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;

  // Makes both; a failed status leaves neither.
  HRESULT Open() {
    HRESULT status = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkAnsi,
                                      reinterpret_cast<void**>(&link));
    if (SUCCEEDED(status)) status = link->QueryInterface(kPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(status)) Release();
    return status;
  }
  void Release() {
    if (file) file->Release();
    if (link) link->Release();
    file = nullptr;
    link = nullptr;
  }
  ~ShellLinkFile() { Release(); }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

KZLIB95_API HRESULT WINAPI GetShortCutName(LPCSTR shortcut, LPSTR target, LPSTR arguments) {
  EnsureCom();
  target[0] = '\0';
  if (arguments) arguments[0] = '\0';
  ShellLinkFile shell;
  HRESULT status = shell.Open();
  if (FAILED(status)) return status;
  IShellLinkA* link = shell.link;
  WCHAR wide[MAX_PATH];
  WidePath(shortcut, wide);
  status = shell.file->Load(wide, STGM_READ);
  if (SUCCEEDED(status)) status = link->Resolve(nullptr, kResolveQuietAnyMatch);
  if (SUCCEEDED(status)) {
    // A failed read may leave part of a text behind; the caller trusts only
    // an empty target to mean "not resolved".
    status = link->GetPath(target, kKzPathBuffer, nullptr, kShortTargetPath);
    if (FAILED(status)) {
      target[0] = '\0';
      status = 0;
    } else {
      ShortenExistingPath(target);
      if (arguments) {
        status = link->GetArguments(arguments, kKzPathBuffer);
        if (FAILED(status)) {
          arguments[0] = '\0';
          status = 0;
        }
      }
    }
  } else {
    target[0] = '\0';
  }
  target[kKzPathBuffer - 1] = '\0';
  if (arguments) arguments[kKzPathBuffer - 1] = '\0';
  return status;
}

KZLIB95_API HRESULT WINAPI SetShortCutName(LPCSTR shortcut, LPCSTR target, LPCSTR description) {
  EnsureCom();
  ShellLinkFile shell;
  HRESULT status = shell.Open();
  if (FAILED(status)) return status;
  shell.link->SetPath(target);
  shell.link->SetDescription(description);
  WCHAR wide[MAX_PATH];
  WidePath(shortcut, wide);
  return shell.file->Save(wide, TRUE);
}

KZLIB95_API int WINAPI DeleteFileToRecycleBin(LPCSTR path) {
  // A longer path would lose its end and could name another file.
  if (std::strlen(path) > kDeletePathMax) return ERROR_FILENAME_EXCED_RANGE;
  char list[kDeleteBuffer] = {};
  std::memcpy(list, path, std::strlen(path));
  SHFILEOPSTRUCTA op = {};
  op.hwnd = nullptr;
  op.wFunc = FO_DELETE;
  op.pFrom = list;
  op.pTo = nullptr;
  op.fFlags = kRecycleQuietly;
  op.lpszProgressTitle = "";
  return SHFileOperationA(&op);
}

namespace {
// The fields that name one tray icon: its owner window and its number.
NOTIFYICONDATAA TrayIconOf(HWND window, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = kNotifyIconSize;
  data.hWnd = window;
  data.uID = id;
  return data;
}
}  // namespace

KZLIB95_API BOOL WINAPI TaskBarAddIcon(HWND window, UINT id, HICON icon, LPCSTR tip, UINT message) {
  NOTIFYICONDATAA data = TrayIconOf(window, id);
  data.uFlags = kIconFlags;
  data.uCallbackMessage = message;
  data.hIcon = icon;
  zanto::CopyText(data.szTip, kTipBuffer, tip ? tip : "");
  return Shell_NotifyIconA(NIM_ADD, &data);
}

KZLIB95_API BOOL WINAPI TaskBarDeleteIcon(HWND window, UINT id) {
  NOTIFYICONDATAA data = TrayIconOf(window, id);
  return Shell_NotifyIconA(NIM_DELETE, &data);
}

KZLIB95_API BOOL WINAPI GetSpecialDirectory(int folder, LPSTR path) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return 0;
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items))) {
    allocator->Release();
    return 0;
  }
  BOOL written = SHGetPathFromIDListA(items, path);
  allocator->Free(items);
  allocator->Release();
  return written;
}

KZLIB95_API int WINAPI BrowseForFolder(HWND owner, LPCSTR title, LPSTR path) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return 0;
  char chosen[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = chosen;
  info.lpszTitle = title;
  info.ulFlags = kFolderOnlyFlags;
  info.lpfn = nullptr;
  LPITEMIDLIST items = SHBrowseForFolderA(&info);
  if (items == nullptr) {
    allocator->Release();
    return 0;
  }
  int result = 0;
  if (SHGetPathFromIDListA(items, chosen)) {
    zanto::CopyText(path, kKzPathBuffer, chosen);
    result = 1;
  }
  allocator->Free(items);
  allocator->Release();
  return result;
}
