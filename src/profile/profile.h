// The profile file: a sectioned text file held whole in memory, looked up
// and edited in place, and written back safely through a temporary file with
// the previous version kept as .BAK. The system's own profile functions are
// not used.
//
// Errors in this layer: a step that can fail returns bool (true when done)
// or a null profile; one whose caller must tell outcomes apart returns an
// enum of them. Nothing is shown: the layer above tells the user.
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
// into out (kProfileLineOut + 1 bytes).
enum SectionLine : int { kLineCopied = 1, kSectionEnd = -1, kNoCurrentSection = 0 };
SectionLine NextSectionLine(Profile* profile, char* out);
// The value of key in section, cut to size - 1 bytes at a character
// boundary; empty when anything is missing.
void GetProfileValue(Profile* profile, const char* section, const char* key, char* out, size_t size);
// Sets key in section (a null value writes an empty one). Returns false
// when the image has no room left for the change; the image is then unchanged.
bool SetProfileValue(Profile* profile, const char* section, const char* key, const char* value);
// Writes the image to path through a temporary file and the .BAK rotation
// and releases the profile in every case. False when it failed (the old
// file is then as it was).
bool SaveProfile(Profile* profile, const char* path);

}  // namespace zanto
