// The subdirectory collection of a subDir search: one list of directory
// paths in depth-first pre-order, siblings in file-system order, made by
// every run and listing for itself.
#include <cstdlib>
#include <cstring>

#include "base/name_compare.h"
#include "files/archive_support.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/targets_internal.h"

namespace zanto {

namespace {

constexpr int kDirectoryGrowth = 64;
constexpr int kDirectorySlack = 10;  // grow while this many slots are still free

void FreeDirectories(DirectoryList& list) {
  for (int i = 0; i < list.count; ++i) std::free(list.entries[i]);
  std::free(list.entries);
  list.entries = nullptr;
  list.count = list.capacity = 0;
}

bool StartDirectories(DirectoryList& list) {
  size_t bytes = sizeof(char*) * (kDirectoryGrowth + kDirectorySlack);
  list.entries = static_cast<char**>(targets::Allocate(bytes));
  if (list.entries == nullptr) return false;
  list.capacity = kDirectoryGrowth;
  return true;
}

// Appends a copy of path; grows the storage before it runs short.
bool AppendDirectory(DirectoryList& list, const char* path) {
  size_t length = std::strlen(path);
  char* copy = static_cast<char*>(targets::Allocate(length + 1));
  if (copy == nullptr) return false;
  std::memcpy(copy, path, length + 1);
  list.entries[list.count++] = copy;
  if (list.count + 1 < list.capacity - kDirectorySlack) return true;
  int capacity = list.capacity + kDirectoryGrowth;
  auto* grown = static_cast<char**>(targets::Allocate(sizeof(char*) * static_cast<size_t>(capacity)));
  if (grown == nullptr) return false;
  std::memcpy(grown, list.entries, sizeof(char*) * static_cast<size_t>(list.count));
  std::free(list.entries);
  list.entries = grown;
  list.capacity = capacity;
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
bool WalkDirectory(DirectoryList& list, const char* dir, bool searchHide) {
  char pattern[kPathBuffer];
  if (!targets::JoinPath(pattern, dir, "*.*")) return true;
  FindRecord record;
  if (FindFirst(pattern, &record, kAttrDirectory | (searchHide ? kHiddenSystem : 0)) != 0) return true;
  bool ok = true;
  do {
    if (!IsWalkedDirectory(record, searchHide)) continue;
    char child[kPathBuffer];
    if (!targets::JoinPath(child, dir, record.name)) continue;
    if (!AppendDirectory(list, child)) {
      ok = false;
      break;
    }
    if (!WalkDirectory(list, child, searchHide)) ok = false;
  } while (FindNext(&record) == 0);
  FindEnd(&record);
  return ok;
}

}  // namespace

DirectoryList::~DirectoryList() { FreeDirectories(*this); }

bool CollectDirectories(const TargetOptions& options, const char* root, DirectoryList* list) {
  if (list->entries == nullptr && !StartDirectories(*list)) return false;
  if (root != nullptr && std::strlen(root) >= kPathBuffer) return true;  // names no directory a search could open
  if (root == nullptr || root[0] == '\0') return WalkDirectory(*list, "", options.searchHide);
  char absolute[kPathBuffer];
  CopyText(absolute, sizeof absolute, root);
  NormalizePath(absolute);
  return AppendDirectory(*list, absolute) && WalkDirectory(*list, root, options.searchHide);
}

}  // namespace zanto
