#include "files/archive_support.h"

#include <cstring>

#include "base/host.h"
#include "base/sjis.h"
#include "files/os.h"
#include "files/path.h"
#include "files/targets.h"

namespace zanto {

namespace {

#ifdef _WIN32
#define ZANTO_LIBRARY_CALL __stdcall
#else
#define ZANTO_LIBRARY_CALL
#endif

using UnlhaGetVersionCall = unsigned short(ZANTO_LIBRARY_CALL*)();

constexpr char kArchiveLibrary[] = "UNLHA32.DLL";

// The entry points archive search relies on, in the order they are bound.
constexpr const char* kEntryNames[] = {
    "UnlhaGetVersion", "Unlha", "UnlhaOpenArchive", "UnlhaCloseArchive", "UnlhaFindFirst", "UnlhaFindNext",
};
constexpr int kEntryCount = sizeof kEntryNames / sizeof kEntryNames[0];

struct ArchiveLibrary {
  void* module = nullptr;            // the loaded library, or null
  void* entries[kEntryCount] = {};   // bound entry points, kEntryNames order
  char root[kPathBuffer] = {};       // extraction root, ends in a backslash
  bool ready = false;                // InitArchiveSupport returned 1
};
ArchiveLibrary gArchive;

bool BindEntries(void* module) {
  for (int i = 0; i < kEntryCount; ++i) {
    gArchive.entries[i] = OsGetSymbol(module, kEntryNames[i]);
    if (gArchive.entries[i] == nullptr) return false;
  }
  return true;
}

void Unbind() {
  if (gArchive.module != nullptr) OsFreeLibrary(gArchive.module);
  gArchive = ArchiveLibrary{};
}

// root = base + separator (unless it has one) + "$ZANTO$.TMP"; false when
// it would not fit a path buffer.
bool FormRoot(const char* base, char* root) {
  CopyText(root, kPathBuffer, base);
  int last = LastChar(root);
  bool hasSeparator = last == '/' || (last == '\\' && FindLastChar(root, '\\') == root + std::strlen(root) - 1);
  if (!hasSeparator && AppendText(root, kPathBuffer, "\\") != std::strlen(base) + 1) return false;
  size_t before = std::strlen(root);
  return AppendText(root, kPathBuffer, kArchiveRootName) == before + sizeof kArchiveRootName - 1;
}

}  // namespace

int InitArchiveSupport(const char* baseDirectory) {
  Unbind();
  void* module = OsLoadLibrary(kArchiveLibrary);
  if (module == nullptr) return 0;
  gArchive.module = module;
  if (!BindEntries(module)) {
    Unbind();
    return 0;
  }
  Trace("unlha version=%d\n", static_cast<int>(ArchiveLibraryVersion()));
  char root[kPathBuffer];
  if (!FormRoot(baseDirectory, root)) {
    Unbind();
    return 0;
  }
  OsCreateDirectory(root);  // an existing root is fine
  if (FileAccessible(root, 0) != 0) {
    Unbind();
    return 0;
  }
  uint32_t attributes = 0;
  OsGetAttributes(root, &attributes);
  OsSetAttributes(root, attributes | kAttrHidden);
  std::memcpy(gArchive.root, root, sizeof root);
  AppendText(gArchive.root, sizeof gArchive.root, "\\");
  gArchive.ready = true;
  return 1;
}

void ShutdownArchiveSupport() {
  if (!gArchive.ready) return;
  char root[kPathBuffer];
  std::memcpy(root, gArchive.root, sizeof root);
  DropLastChar(root, 0);  // without its trailing backslash
  Unbind();
  OsSetAttributes(root, 0);
  RemoveTree(root);
  OsRemoveDirectory(root);
}

bool ArchiveSupportReady() { return gArchive.ready; }

unsigned ArchiveLibraryVersion() {
  if (gArchive.entries[0] == nullptr) return 0;
  auto getVersion = reinterpret_cast<UnlhaGetVersionCall>(gArchive.entries[0]);
  return getVersion();
}

const char* ArchiveRoot() { return gArchive.root; }

void RemoveTree(const char* dir) {
  char pattern[kPathBuffer];
  CopyText(pattern, sizeof pattern, dir);
  if (AppendText(pattern, sizeof pattern, "\\*.*") != std::strlen(dir) + 4) return;
  FindRecord record;
  if (FindFirst(pattern, &record, kAllAttributes) != 0) return;
  do {
    char path[kPathBuffer];
    CopyText(path, sizeof path, dir);
    AppendText(path, sizeof path, "\\");
    if (AppendText(path, sizeof path, record.name) != std::strlen(dir) + 1 + std::strlen(record.name)) continue;
    if ((record.attributes & kAttrDirectory) == 0) {
      DeletePath(path);
    } else if ((record.attributes & kAttrReparsePoint) != 0) {
      // A linked directory: remove the link, never what it points to.
      if (!OsRemoveDirectory(path)) DeletePath(path);
    } else if (std::strcmp(record.name, ".") != 0 && std::strcmp(record.name, "..") != 0) {
      RemoveTree(path);
      if (OsRemoveDirectory(path)) Trace("\n[rmdir %s]", path);
    }
  } while (FindNext(&record) == 0);
  FindEnd(&record);
}

}  // namespace zanto
