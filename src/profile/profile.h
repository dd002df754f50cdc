// The profile file: a sectioned text file held whole in memory, looked up
// and edited in place, and written back safely through a temporary file with
// the previous version kept as .BAK. The system's own profile functions are
// not used.
#pragma once
#include <cstddef>

namespace zanto {

constexpr size_t kProfileMaxFile = 0x1FFFF;   // largest file that loads
constexpr size_t kProfileImage = 131172;      // image buffer, bytes
constexpr size_t kProfileMaxLine = 500;       // a line with its line feed
constexpr size_t kProfileLineOut = 499;       // NextSectionLine copy limit

struct Profile;

// Loads path into memory. A missing file gives an empty profile marked as
// having no file. Null when memory is short, the file is larger than
// kProfileMaxFile or cannot be read whole.
Profile* OpenProfile(const char* path);
// Releases the image, closes the file and frees the record.
void CloseProfile(Profile* profile);
// Line number (1 or more) of the section's header, 0 if absent. An empty
// name returns to the section found last.
int FindSection(Profile* profile, const char* name);
// The next non-comment line of the current section, without its line end,
// into out (kProfileLineOut + 1 bytes): 1 when a line was copied, -1 at the
// end of the section, 0 when no section is current.
int NextSectionLine(Profile* profile, char* out);
// The value of key in section, cut to size - 1 bytes at a character
// boundary; empty when anything is missing.
void GetProfileValue(Profile* profile, const char* section, const char* key, char* out, size_t size);
// Sets key in section (a null value writes an empty one). Returns false
// when the image has no room left for the change; the image is then unchanged.
bool SetProfileValue(Profile* profile, const char* section, const char* key, const char* value);
// Writes the image to path through a temporary file and the .BAK rotation
// and releases the profile in every case. 1 written, 0 failed (the old file
// is then as it was).
int SaveProfile(Profile* profile, const char* path);

}  // namespace zanto
