// The profile file: loaded whole into a fixed image, read line by line
// within sections, edited in place, and written back through a temporary
// file so that the old file is touched only once the new one is complete.
//
// Syntax: leading spaces and tabs of a line are ignored; "[name]" starts a
// section (the rest of the line is ignored); inside a section ";" starts a
// comment line and any other line is key=value. Spaces before "=" belong to
// the key; the value loses its leading blanks and ends before " ;" or
// tab-";". Lines end in LF (a CR before it is not text) and are at most
// kProfileMaxLine bytes: a scan that meets a longer line stops there as if
// the file ended.
#include "profile/profile.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/name_compare.h"
#include "files/path.h"

namespace zanto {

namespace {

constexpr intptr_t kNoFile = -1;
constexpr int kKeyScanLimit = 1024;    // lines of a section examined for a key
constexpr size_t kTextLimit = kProfileMaxLine + 1;  // a formatted line + NUL

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* text) {
  while (IsBlank(*text)) ++text;
  return text;
}

// A control character other than tab disqualifies a key.
bool HasControl(const char* text) {
  for (; *text != '\0'; ++text) {
    unsigned char c = static_cast<unsigned char>(*text);
    if (c < 0x20 && c != '\t') return true;
  }
  return false;
}

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

// Cuts a value before its trailing comment: " ;" or tab-";". Neither byte
// can be the trail byte of a double-byte character.
void CutTrailingComment(char* value) {
  for (char* p = value; *p != '\0'; ++p) {
    if (IsBlank(p[0]) && p[1] == ';') {
      *p = '\0';
      return;
    }
  }
}

}  // namespace

struct Profile {
  intptr_t file;        // the file, open for reading, or kNoFile
  bool hasFile;         // the image was read from an existing file
  char* image;          // kProfileImage bytes
  size_t length;        // bytes used in the image
  size_t lineStart;     // start of the last line examined (or where a scan stopped)
  size_t lineEnd;       // where the next line starts
  int lineNumber;       // line number of the last line examined
  bool inSection;       // a section is current
  size_t sectionStart;  // first byte after the current section's header line
  int sectionLine;      // line number of that header
  size_t readableEnd;   // where the last section search ran out: the image's
                        // end, or a line too long to read past
};

namespace {

// End (after the LF) of the line at pos; false at the end of the image or
// when no LF comes within kProfileMaxLine bytes.
bool LineEndAt(const Profile* profile, size_t pos, size_t* end) {
  if (pos >= profile->length) return false;
  size_t limit = profile->length - pos < kProfileMaxLine ? profile->length - pos : kProfileMaxLine;
  const void* lf = std::memchr(profile->image + pos, '\n', limit);
  if (lf == nullptr) return false;
  *end = static_cast<size_t>(static_cast<const char*>(lf) - profile->image) + 1;
  return true;
}

size_t SkipBlanksAt(const Profile* profile, size_t pos, size_t end) {
  while (pos < end && IsBlank(profile->image[pos])) ++pos;
  return pos;
}

// Where a key was found, or where the scan of the section stopped.
struct KeyScan {
  bool found;
  bool lineLimit;    // every line the lookup examines was taken, none matched
  size_t lineStart;  // the key's line
  size_t lineEnd;    // after its line feed
  size_t stop;       // where a new entry of the section goes
};

// Looks key up in the current section; on a match value receives the value
// (kProfileLineOut + 1 bytes).
KeyScan FindKey(Profile* profile, const char* key, char* value) {
  KeyScan scan = {false, false, 0, 0, 0};
  char line[kProfileLineOut + 1];
  for (int i = 0; i < kKeyScanLimit; ++i) {
    if (NextSectionLine(profile, line) != kLineCopied) {
      scan.stop = profile->lineStart;
      return scan;
    }
    char* eq = std::strchr(line, '=');  // "=" is never a trail byte
    char* rest = line + std::strlen(line);
    if (eq != nullptr) {
      *eq = '\0';
      rest = eq + 1;
    }
    const char* name = SkipBlanks(line);
    if (HasControl(name) || !SameNoCase(name, key)) continue;
    CutTrailingComment(rest);
    std::strcpy(value, SkipBlanks(rest));
    scan.found = true;
    scan.lineStart = profile->lineStart;
    scan.lineEnd = profile->lineEnd;
    return scan;
  }
  scan.stop = profile->lineEnd;
  scan.lineLimit = true;
  return scan;
}

// Replaces count bytes at pos by first and second. False, with the image
// unchanged, when the result would be larger than a file that loads.
bool Splice(Profile* profile, size_t pos, size_t count, const char* first, size_t firstLen, const char* second,
            size_t secondLen) {
  size_t newLength = profile->length - count + firstLen + secondLen;
  if (newLength > kProfileMaxFile) return false;
  char* at = profile->image + pos;
  std::memmove(at + firstLen + secondLen, at + count, profile->length - pos - count);
  std::memcpy(at, first, firstLen);
  std::memcpy(at + firstLen, second, secondLen);
  profile->length = newLength;
  return true;
}

bool LoadImage(Profile* profile, intptr_t file) {
  const int64_t size = SeekRawFile(file, 0, 2);
  if (size < 0 || size > static_cast<int64_t>(kProfileMaxFile) || SeekRawFile(file, 0, 0) != 0) return false;
  if (ReadRawFile(file, profile->image, static_cast<unsigned long>(size)) != size) return false;
  profile->length = static_cast<size_t>(size);
  if (size > 0 && profile->image[size - 1] != '\n') {
    std::memcpy(profile->image + size, "\r\n", 2);
    profile->length += 2;
  }
  return true;
}

// A free temporary name in the directory of path, into out (kPathBuffer
// bytes); false when none could be made.
bool MakeTempNameBeside(const char* path, char* out) {
  char drive[kDriveBuffer], dir[kPathPart];
  SplitPath(path, drive, dir, nullptr, nullptr);
  MergePath(out, drive, dir, nullptr, nullptr);
  return MakeTempName(out);
}

// Moves the written temporary file to path, keeping the old file under its
// backup name. On failure the old file is back under path and the
// temporary file is gone.
bool PutInPlace(const char* temp, const char* path) {
  char backup[kPathBuffer];
  bool movedAside = false;
  bool keepBackup = true;
  if (FileAccessible(path, 0) == 0) {
    MakeBackupName(path, backup);
    if (SameNoCase(backup, path)) {
      // The profile itself has the extension .BAK: set the old file aside
      // under a second temporary name instead.
      if (!MakeTempNameBeside(path, backup)) {
        DeletePath(temp);
        return false;
      }
      keepBackup = false;
    } else {
      ForceDeleteFile(backup);
    }
    if (RenamePath(path, backup) != 0) {
      DeletePath(temp);
      return false;
    }
    movedAside = true;
  }
  if (RenamePath(temp, path) != 0) {
    if (movedAside) RenamePath(backup, path);
    DeletePath(temp);
    return false;
  }
  if (movedAside && !keepBackup) ForceDeleteFile(backup);
  return true;
}

}  // namespace

Profile* OpenProfile(const char* path) {
  if (path == nullptr) return nullptr;
  Profile* profile = new (std::nothrow) Profile{};
  if (profile == nullptr) return nullptr;
  profile->file = kNoFile;
  profile->image = new (std::nothrow) char[kProfileImage];
  if (profile->image == nullptr) {
    delete profile;
    return nullptr;
  }
  intptr_t file = OpenRawFile(path, kOpenRead | kShareRead);
  if (file < 0) {
    // Only a missing file reads as empty; one that exists but cannot be
    // opened must not be overwritten by defaults later.
    if (FileAccessible(path, 0) == 0) {
      CloseProfile(profile);
      return nullptr;
    }
    return profile;
  }
  profile->file = file;
  profile->hasFile = true;
  if (!LoadImage(profile, file)) {
    CloseProfile(profile);
    return nullptr;
  }
  return profile;
}

void CloseProfile(Profile* profile) {
  if (profile == nullptr) return;
  if (profile->file != kNoFile) CloseRawFile(profile->file);
  delete[] profile->image;
  delete profile;
}

int FindSection(Profile* profile, const char* name) {
  if (profile == nullptr) return 0;
  profile->readableEnd = profile->length;
  if (name == nullptr || name[0] == '\0') {
    if (!profile->inSection) return 0;
    profile->lineStart = profile->lineEnd = profile->sectionStart;
    profile->lineNumber = profile->sectionLine;
    return profile->sectionLine;
  }
  profile->inSection = false;
  char header[kTextLimit];
  int headerLen = std::snprintf(header, sizeof header, "[%s]", name);
  if (headerLen < 0 || static_cast<size_t>(headerLen) >= sizeof header) return 0;

  size_t pos = 0, end = 0;
  for (int line = 1; LineEndAt(profile, pos, &end); ++line, pos = end) {
    size_t at = SkipBlanksAt(profile, pos, end);
    if (at + static_cast<size_t>(headerLen) > end) continue;
    if (CompareNoCase(profile->image + at, header, static_cast<size_t>(headerLen)) != 0) continue;
    profile->inSection = true;
    profile->sectionStart = end;
    profile->sectionLine = line;
    profile->lineStart = profile->lineEnd = end;
    profile->lineNumber = line;
    return line;
  }
  profile->readableEnd = pos;
  return 0;
}

SectionLine NextSectionLine(Profile* profile, char* out) {
  if (profile == nullptr || !profile->inSection) return kNoCurrentSection;
  for (;;) {
    size_t pos = profile->lineEnd, end = 0;
    profile->lineStart = pos;
    if (!LineEndAt(profile, pos, &end)) return kSectionEnd;
    size_t at = SkipBlanksAt(profile, pos, end);
    if (profile->image[at] == '[') return kSectionEnd;
    profile->lineEnd = end;
    profile->lineNumber++;
    if (profile->image[at] == ';') continue;
    size_t textEnd = end - 1;
    if (textEnd > pos && profile->image[textEnd - 1] == '\r') --textEnd;
    size_t count = textEnd - pos;  // at most kProfileLineOut: a line holds its LF too
    std::memcpy(out, profile->image + pos, count);
    out[count] = '\0';
    return kLineCopied;
  }
}

void GetProfileValue(Profile* profile, const char* section, const char* key, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  out[0] = '\0';
  if (profile == nullptr || !profile->hasFile || section == nullptr || key == nullptr) return;
  if (FindSection(profile, section) == 0) return;
  char value[kProfileLineOut + 1];
  if (FindKey(profile, key, value).found) CopyText(out, size, value);
}

bool SetProfileValue(Profile* profile, const char* section, const char* key, const char* value) {
  if (profile == nullptr || section == nullptr || key == nullptr) return false;
  if (value == nullptr) value = "";
  // A line break would split the entry into lines of their own. Lines end
  // at a line feed and lose one carriage return before it, so a carriage
  // return inside a value (read so from a profile) reads back as it was.
  if (HasLineBreak(section) || HasLineBreak(key) || std::strchr(value, '\n') != nullptr) return false;
  char entry[kTextLimit];
  int entryLen = std::snprintf(entry, sizeof entry, "%s=%s\r\n", key, value);
  // A longer line could not be read back and would end every scan there.
  if (entryLen < 0 || static_cast<size_t>(entryLen) > kProfileMaxLine) return false;

  if (FindSection(profile, section) == 0) {
    char header[kTextLimit];
    int headerLen = std::snprintf(header, sizeof header, "[%s]\r\n", section);
    if (headerLen < 0 || static_cast<size_t>(headerLen) > kProfileMaxLine) return false;
    // A new section goes where the search ran out: past a line too long to
    // read, no lookup would ever reach it.
    if (!Splice(profile, profile->readableEnd, 0, header, static_cast<size_t>(headerLen), entry,
                static_cast<size_t>(entryLen)))
      return false;
    FindSection(profile, section);
    return true;
  }
  char old[kProfileLineOut + 1];
  KeyScan scan = FindKey(profile, key, old);
  if (scan.found) {
    size_t at = SkipBlanksAt(profile, scan.lineStart, scan.lineEnd);
    // The old line's indentation stays, so it counts toward the line limit
    // too: a longer line would hide this key and every one after it.
    if (at - scan.lineStart + static_cast<size_t>(entryLen) > kProfileMaxLine) return false;
    return Splice(profile, at, scan.lineEnd - at, entry, static_cast<size_t>(entryLen), "", 0);
  }
  // A section that fills every line a lookup examines has no readable
  // place left for another key.
  if (scan.lineLimit) return false;
  return Splice(profile, scan.stop, 0, entry, static_cast<size_t>(entryLen), "", 0);
}

bool SaveProfile(Profile* profile, const char* path) {
  if (profile == nullptr) return false;
  // An image that grew past the loadable size (a long file whose final
  // line feed was added) is not written: the next start could not read it.
  if (path == nullptr || std::strlen(path) >= kPathBuffer || profile->length > kProfileMaxFile) {
    CloseProfile(profile);
    return false;
  }
  // Absolute, so that no file call looks the name up elsewhere.
  char target[kPathBuffer];
  std::strcpy(target, path);
  NormalizePath(target);

  // A file already under path (also one the image was not read from) is
  // replaced only once the new one is complete.
  bool viaTemp = profile->hasFile || FileAccessible(target, 0) == 0;
  char written[kPathBuffer];
  if (viaTemp) {
    if (!MakeTempNameBeside(target, written)) {
      CloseProfile(profile);
      return false;
    }
  } else {
    std::strcpy(written, target);
  }

  intptr_t out = OpenRawFile(written, kOpenWrite | kShareNone | kOpenCreate);
  if (out < 0) {
    CloseProfile(profile);
    return false;
  }
  long length = static_cast<long>(profile->length);
  if (WriteRawFile(out, profile->image, profile->length) != length) {
    CloseRawFile(out);
    DeletePath(written);
    CloseProfile(profile);
    return false;
  }
  CloseProfile(profile);  // also closes the file the image came from
  if (CloseRawFile(out) != 0) {
    DeletePath(written);
    return false;
  }
  return viaTemp ? PutInPlace(written, target) : true;
}

}  // namespace zanto
