// The subdirectory collection of a SubDir search: one list of directory
// paths in depth-first pre-order, siblings in file-system order, rebuilt by
// every run and listing.
#include <cstdlib>
#include <cstring>

#include "base/name_compare.h"
#include "base/settings.h"
#include "files/archive_support.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/targets_internal.h"

namespace zanto {

namespace {

constexpr int kDirectoryGrowth = 64;
constexpr int kDirectorySlack = 10;  // grow while this many slots are still free

DirectoryList gDirectories;

void FreeDirectories() {
  for (int i = 0; i < gDirectories.count; ++i) std::free(gDirectories.entries[i]);
  std::free(gDirectories.entries);
  gDirectories = DirectoryList{};
}

bool StartDirectories() {
  size_t bytes = sizeof(char*) * (kDirectoryGrowth + kDirectorySlack);
  gDirectories.entries = static_cast<char**>(targets::Allocate(bytes));
  if (gDirectories.entries == nullptr) return false;
  gDirectories.capacity = kDirectoryGrowth;
  return true;
}

// Appends a copy of path; grows the storage before it runs short.
bool AppendDirectory(const char* path) {
  size_t length = std::strlen(path);
  char* copy = static_cast<char*>(targets::Allocate(length + 1));
  if (copy == nullptr) return false;
  std::memcpy(copy, path, length + 1);
  gDirectories.entries[gDirectories.count++] = copy;
  if (gDirectories.count + 1 < gDirectories.capacity - kDirectorySlack) return true;
  int capacity = gDirectories.capacity + kDirectoryGrowth;
  auto* grown = static_cast<char**>(targets::Allocate(sizeof(char*) * static_cast<size_t>(capacity)));
  if (grown == nullptr) return false;
  std::memcpy(grown, gDirectories.entries, sizeof(char*) * static_cast<size_t>(gDirectories.count));
  std::free(gDirectories.entries);
  gDirectories.entries = grown;
  gDirectories.capacity = capacity;
  return true;
}

// An entry of a directory search that the walk descends into.
bool IsWalkedDirectory(const FindRecord& record, bool searchHide) {
  if ((record.attributes & kAttrDirectory) == 0) return false;
  // A linked directory may lead back to its own parent: walking it would
  // never end. Its files are still found when the link is named directly.
  if ((record.attributes & kAttrReparsePoint) != 0) return false;
  if (std::strcmp(record.name, ".") == 0 || std::strcmp(record.name, "..") == 0) return false;
  if (CompareNoCase(record.name, kArchiveRootName) == 0) return false;
  return searchHide || (record.attributes & kHiddenSystem) == 0;
}

// Appends every directory below dir ("" for the current directory) in
// pre-order. A directory whose path would not fit a path buffer is skipped.
// False when memory ran out anywhere below; a failed subtree does not end
// the walk of its siblings.
bool WalkDirectory(const char* dir) {
  const bool searchHide = gSettings.SearchHide != 0;
  char pattern[kPathBuffer];
  if (!targets::JoinPath(pattern, dir, "*.*")) return true;
  FindRecord record;
  if (FindFirst(pattern, &record, kAttrDirectory | (searchHide ? kHiddenSystem : 0)) != 0) return true;
  bool ok = true;
  do {
    if (!IsWalkedDirectory(record, searchHide)) continue;
    char child[kPathBuffer];
    if (!targets::JoinPath(child, dir, record.name)) continue;
    if (!AppendDirectory(child)) {
      ok = false;
      break;
    }
    if (!WalkDirectory(child)) ok = false;
  } while (FindNext(&record) == 0);
  FindEnd(&record);
  return ok;
}

}  // namespace

const DirectoryList& CollectedDirectories() { return gDirectories; }

void FreeDirectoryList() { FreeDirectories(); }

int CollectDirectories(const char* root, char*** list, int* count) {
  if (*count == 0 || gDirectories.entries == nullptr) {
    FreeDirectories();
    if (!StartDirectories()) return 0;
  }
  bool ok = true;
  if (root != nullptr && std::strlen(root) >= kPathBuffer) {
    ok = true;  // names no directory that a search could open
  } else if (root != nullptr && root[0] != '\0') {
    char absolute[kPathBuffer];
    CopyText(absolute, sizeof absolute, root);
    NormalizePath(absolute);
    ok = AppendDirectory(absolute) && WalkDirectory(root);
  } else {
    ok = WalkDirectory("");
  }
  if (!ok) return 0;
  *list = gDirectories.entries;
  *count = gDirectories.count;
  return 1;
}

}  // namespace zanto
