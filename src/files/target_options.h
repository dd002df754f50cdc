// What the target walk reads of the user's settings, as one value handed to
// every entry point of files/ that depends on it, and what a walk decided
// about those settings for its caller to keep.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/settings.h"
#include "files/date_size_filter.h"

namespace zanto {

constexpr size_t kExcludedExtensionsBuffer = 270;  // space-separated words

struct TargetOptions {
  bool searchHide = false;                    // hidden and system entries too
  bool subDir = false;                        // patterns without a path in every subdirectory
  SortOrder order = kSortByName;              // of each group
  bool reverse = false;                       // the order reversed
  char excludedExtensions[kExcludedExtensionsBuffer] = "";  // last extensions never searched
  DateSizeRanges ranges;                      // the date and size filters
};

// What a walk changed of the options for the runs after it.
struct TargetNotes {
  bool sortDropped = false;    // a sort ran out of memory: later groups and runs as found
  bool subDirDropped = false;  // the subdirectories could not be collected: later runs without
  bool subDirTaken = false;    // a listing went by options.subDir, which later runs keep
};

}  // namespace zanto
