// The fault layer: implements files/os.h over the native layer (built here
// under other names) and fails the calls the test's plan names.
#include "support/os_fault.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "files/os.h"

namespace zanto {

// The native layer under its own names (os_real_names.h).
void* OsRealFindOpen(const char* pattern, OsDirEntry* first);
bool OsRealFindNextEntry(void* handle, OsDirEntry* entry);
void OsRealFindClose(void* handle);
bool OsRealFullPath(const char* path, char* out, size_t capacity);
bool OsRealSearchPath(const char* name, char* out, size_t capacity);
intptr_t OsRealOpenFile(const char* path, unsigned mode);
intptr_t OsRealOpenFileToScan(const char* path, bool* timesWritable);
bool OsRealSetOpenFileAccessTime(intptr_t handle, uint64_t lastAccess);
int OsRealCloseFile(intptr_t handle);
long OsRealReadFile(intptr_t handle, void* buffer, unsigned long count);
long OsRealWriteFile(intptr_t handle, const void* buffer, unsigned long count);
int64_t OsRealSeekFile(intptr_t handle, int64_t distance, int origin);
bool OsRealAccess(const char* path, int mode);
bool OsRealRename(const char* from, const char* to);
bool OsRealDelete(const char* path);
bool OsRealGetAttributes(const char* path, uint32_t* attributes);
bool OsRealSetAttributes(const char* path, uint32_t attributes);
bool OsRealCreateDirectory(const char* path);
bool OsRealRemoveDirectory(const char* path);
bool OsRealGetCurrentDirectory(char* out, size_t capacity);
bool OsRealSetCurrentDirectory(const char* path);
bool OsRealTempPath(char* out, size_t capacity);
bool OsRealGetFileTimes(const char* path, OsFileTimes* times);
bool OsRealGetOpenFileTimes(intptr_t handle, OsFileTimes* times);
bool OsRealSetLastAccessTime(const char* path, uint64_t lastAccess);
void* OsRealLoadLibrary(const char* name);
void* OsRealGetSymbol(void* library, const char* name);
void OsRealFreeLibrary(void* library);
uint32_t OsRealTickCount();

namespace {

struct OpenFile {
  std::string path;     // as opened, separators made "/"
  long written = 0;     // bytes this handle stored
  bool read = false;    // a read has returned bytes
};

test::FaultPlan gPlan;
std::map<intptr_t, OpenFile> gOpen;
bool gVanished = false;
int gFired = 0;
int gSearches = 0;

// The path with "/" separators and without a drive, as the native file
// system names it.
std::string Slashed(const char* path) {
  std::string text = path != nullptr ? path : "";
  if (text.size() >= 2 && text[1] == ':') text.erase(0, 2);
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

bool Names(const std::string& part, const char* path) {
  return !part.empty() && Slashed(path).find(Slashed(part.c_str())) != std::string::npos;
}

bool Fire() {
  ++gFired;
  return true;
}

// The first touch of the vanishing file after its directory was listed
// removes it.
void MaybeVanish(const char* path) {
  if (gVanished || !Names(gPlan.vanishes, path)) return;
  gVanished = true;
  Fire();
  OsRealDelete(path);
}

}  // namespace

void* OsFindOpen(const char* pattern, OsDirEntry* first) {
  ++gSearches;
  if (Names(gPlan.findFails, pattern) && Fire()) return nullptr;
  return OsRealFindOpen(pattern, first);
}
bool OsFindNextEntry(void* handle, OsDirEntry* entry) { return OsRealFindNextEntry(handle, entry); }
void OsFindClose(void* handle) { OsRealFindClose(handle); }
bool OsFullPath(const char* path, char* out, size_t capacity) { return OsRealFullPath(path, out, capacity); }
bool OsSearchPath(const char* name, char* out, size_t capacity) { return OsRealSearchPath(name, out, capacity); }

namespace {
// Both ways of opening a file meet the same faults and are counted alike.
template <typename Open>
intptr_t OpenWithFaults(const char* path, Open open) {
  MaybeVanish(path);
  if (Names(gPlan.openFails, path) && Fire()) return -1;
  intptr_t handle = open();
  if (handle >= 0) gOpen[handle] = OpenFile{Slashed(path)};
  return handle;
}
}  // namespace

intptr_t OsOpenFile(const char* path, unsigned mode) {
  return OpenWithFaults(path, [&] { return OsRealOpenFile(path, mode); });
}
intptr_t OsOpenFileToScan(const char* path, bool* timesWritable) {
  return OpenWithFaults(path, [&] { return OsRealOpenFileToScan(path, timesWritable); });
}
bool OsSetOpenFileAccessTime(intptr_t handle, uint64_t lastAccess) {
  return OsRealSetOpenFileAccessTime(handle, lastAccess);
}

int OsCloseFile(intptr_t handle) {
  auto it = gOpen.find(handle);
  bool fails = it != gOpen.end() && Names(gPlan.closeFails, it->second.path.c_str());
  if (it != gOpen.end()) gOpen.erase(it);
  int closed = OsRealCloseFile(handle);
  return fails && Fire() ? -1 : closed;
}

long OsReadFile(intptr_t handle, void* buffer, unsigned long count) {
  long got = OsRealReadFile(handle, buffer, count);
  auto it = gOpen.find(handle);
  if (got <= 0 || it == gOpen.end() || it->second.read) return got;
  it->second.read = true;
  const char* path = it->second.path.c_str();
  if (Names(gPlan.grows, path) && Fire()) {
    int fd = ::open(path, O_WRONLY | O_APPEND);
    std::string more(static_cast<size_t>(gPlan.growBytes), 'g');
    for (size_t i = 79; i < more.size(); i += 80) more[i] = '\n';
    if (fd >= 0) {
      if (::write(fd, more.data(), more.size()) < 0) ::perror("grow");
      ::close(fd);
    }
  }
  if (Names(gPlan.shrinks, path) && Fire()) {
    if (::truncate(path, gPlan.shrinkTo) != 0) ::perror("shrink");
  }
  return got;
}

long OsWriteFile(intptr_t handle, const void* buffer, unsigned long count) {
  auto it = gOpen.find(handle);
  if (gPlan.writeLimit >= 0 && it != gOpen.end() &&
      (gPlan.writeAny || Names(gPlan.writeName, it->second.path.c_str()))) {
    long room = gPlan.writeLimit - it->second.written;
    if (room < static_cast<long>(count)) {
      Fire();
      long stored = room > 0 ? OsRealWriteFile(handle, buffer, static_cast<unsigned long>(room)) : 0;
      if (stored > 0) it->second.written += stored;
      return stored > 0 ? stored : -1;
    }
  }
  long stored = OsRealWriteFile(handle, buffer, count);
  if (stored > 0 && it != gOpen.end()) it->second.written += stored;
  return stored;
}

int64_t OsSeekFile(intptr_t handle, int64_t distance, int origin) { return OsRealSeekFile(handle, distance, origin); }

bool OsAccess(const char* path, int mode) {
  MaybeVanish(path);
  if (Names(gPlan.openFails, path) && mode != 0 && Fire()) return false;
  return OsRealAccess(path, mode);
}

bool OsRename(const char* from, const char* to) {
  if ((Names(gPlan.renameFails, from) || Names(gPlan.renameFails, to)) && Fire()) return false;
  return OsRealRename(from, to);
}

bool OsDelete(const char* path) { return OsRealDelete(path); }
bool OsGetAttributes(const char* path, uint32_t* attributes) {
  MaybeVanish(path);
  return OsRealGetAttributes(path, attributes);
}
bool OsSetAttributes(const char* path, uint32_t attributes) { return OsRealSetAttributes(path, attributes); }
bool OsCreateDirectory(const char* path) { return OsRealCreateDirectory(path); }
bool OsRemoveDirectory(const char* path) { return OsRealRemoveDirectory(path); }
bool OsGetCurrentDirectory(char* out, size_t capacity) { return OsRealGetCurrentDirectory(out, capacity); }
bool OsSetCurrentDirectory(const char* path) { return OsRealSetCurrentDirectory(path); }
bool OsTempPath(char* out, size_t capacity) { return OsRealTempPath(out, capacity); }
bool OsGetFileTimes(const char* path, OsFileTimes* times) {
  MaybeVanish(path);
  return OsRealGetFileTimes(path, times);
}
bool OsGetOpenFileTimes(intptr_t handle, OsFileTimes* times) { return OsRealGetOpenFileTimes(handle, times); }
bool OsSetLastAccessTime(const char* path, uint64_t lastAccess) { return OsRealSetLastAccessTime(path, lastAccess); }
void* OsLoadLibrary(const char* name) { return OsRealLoadLibrary(name); }
void* OsGetSymbol(void* library, const char* name) { return OsRealGetSymbol(library, name); }
void OsFreeLibrary(void* library) { OsRealFreeLibrary(library); }
uint32_t OsTickCount() { return OsRealTickCount(); }

namespace test {

void SetFaults(const FaultPlan& plan) {
  gPlan = plan;
  gVanished = false;
  gFired = 0;
  gSearches = 0;
  for (auto& [handle, file] : gOpen) {
    (void)handle;
    file.written = 0;
    file.read = false;
  }
}
void ClearFaults() { SetFaults(FaultPlan{}); }
int OpenFileCount() { return static_cast<int>(gOpen.size()); }
int FaultsFired() { return gFired; }
int DirectorySearches() { return gSearches; }

}  // namespace test
}  // namespace zanto
