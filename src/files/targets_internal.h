// Helpers shared by the target-list sources; not for other modules.
#pragma once
#include <cstddef>

namespace zanto::targets {

// Memory for sort records, collected directories and kept listings,
// through the test seam.
// Blocks are released with free().
void* Allocate(size_t bytes);
// A malloc'd copy of text, or null.
char* DuplicateText(const char* text);
// dir, a separator unless dir ends in one, and name into out (kPathBuffer
// bytes); an empty dir gives name alone. False when it does not fit.
bool JoinPath(char* out, const char* dir, const char* name);
// Cuts a file-list entry (in place) at the first ":" from its third byte on;
// returns the member list after it, or null (none, or nothing after ":").
const char* SplitFileListEntry(char* entry);

}  // namespace zanto::targets
