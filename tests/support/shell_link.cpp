#include "support/shell_link.h"

#include <windows.h>
#include <shlobj.h>

namespace zanto::test {

bool WriteShellLink(const std::string& shortcut, const std::string& target, const char* arguments) {
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  link->SetPath(target.c_str());
  if (arguments != nullptr) link->SetArguments(arguments);
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
    saved = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

}  // namespace zanto::test
