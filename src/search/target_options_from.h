// The target walk's options made from the settings record, and the walk's
// notes written back to it.
#pragma once

#include "base/settings.h"
#include "files/target_options.h"

namespace zanto {

// SearchHide, SubDir, SortType, SortRev, NotSearchExt and the date and size
// ranges (Date, DateStart, DateEnd, Size, SizeStart, SizeEnd).
TargetOptions TargetOptionsFrom(const SearchSettings& settings);

// Keeps what a walk over used decided for the runs after it: SubDir takes
// the check box a listing went by, then loses it when the subdirectories
// could not be collected; SortType becomes "as found" after a sort ran out
// of memory. The settings are saved at exit with it.
void KeepTargetNotes(const TargetNotes& notes, const TargetOptions& used, SearchSettings* settings);

}  // namespace zanto
