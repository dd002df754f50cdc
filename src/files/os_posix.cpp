// The OS layer for the native build (Linux). It lets the engine run under
// tests, sanitizers, fuzzers and benchmarks with the file-system behaviour
// the program expects from its real platform:
// - "\" and "/" both separate path parts (a 0x5C that is the trail byte of a
//   double-byte character is part of the name, not a separator);
// - a leading "X:" drive is dropped, the path then names the same place on
//   the one native file system;
// - directory searches match "*" and "?" without regard to ASCII case, with
//   the platform's rules for dots ("*.*" matches every name, dotless too);
// - a name that begins with a dot is hidden; a file without write
//   permission is read-only and cannot be deleted or opened for writing
//   (checked from the mode bits, so that tests behave alike as root);
// - a rename never replaces an existing entry.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "files/os.h"

namespace zanto {

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;


// The native form of a program path: real separators become "/", a drive
// prefix is dropped. False when the result would not fit.
bool NativePath(const char* path, char* out, size_t capacity) {
  if (path == nullptr || capacity == 0) return false;
  size_t i = 0;
  if (path[0] != '\0' && path[1] == ':') i = 2;
  size_t n = 0;
  while (path[i] != '\0') {
    size_t len = SjisCharLength(path, i);
    if (n + len >= capacity) return false;
    out[n] = (len == 1 && path[i] == '\\') ? '/' : path[i];
    if (len == 2) out[n + 1] = path[i + 1];
    n += len;
    i += len;
  }
  out[n] = '\0';
  return true;
}

// Native path buffer: longer than a program path, since a relative path may
// be joined to the current directory.
constexpr size_t kNativePath = 4096;

struct NativeName {
  char text[kNativePath];
  bool ok;
  explicit NativeName(const char* path) { ok = NativePath(path, text, sizeof text); }
};

bool Stat(const char* nativePath, struct stat* st) { return ::stat(nativePath, st) == 0; }

bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

uint32_t AttributesOf(const char* name, const struct stat& st) {
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    attributes |= kAttrDirectory;
  } else {
    attributes |= kAttrArchive;
  }
  if (IsReadOnly(st)) attributes |= kAttrReadOnly;
  bool dotEntry = std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
  if (name[0] == '.' && !dotEntry) attributes |= kAttrHidden;
  return attributes;
}

// Local time in DOS encoding; times before 1980 give 1980-01-01 00:00.
void DosDateTime(time_t when, uint16_t* dosDate, uint16_t* dosTime) {
  struct tm local;
  if (localtime_r(&when, &local) == nullptr || local.tm_year < 80) {
    *dosDate = (1 << 5) | 1;
    *dosTime = 0;
    return;
  }
  *dosDate = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  *dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

// --- Wildcard matching -----------------------------------------------------
// A name and a pattern are sequences of characters (one or two bytes). The
// platform's rules, which the program relies on:
//   "*"  any run of characters; a "*" followed by "." cannot run past the
//        name's last dot;
//   "?"  one character, or none at a dot or at the end of the name;
//   "."  a dot; followed by "*", "?" or the end of the pattern it also
//        matches the end of a dotless name;
// and ASCII letters match without regard to case.

struct Chars {
  std::vector<const char*> at;  // start of each character
  std::vector<size_t> len;      // its length in bytes
};

Chars SplitChars(const char* text) {
  Chars chars;
  for (size_t i = 0; text[i] != '\0';) {
    size_t n = SjisCharLength(text, i);
    chars.at.push_back(text + i);
    chars.len.push_back(n);
    i += n;
  }
  return chars;
}

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameChar(const Chars& a, size_t i, const Chars& b, size_t j) {
  if (a.len[i] != b.len[j]) return false;
  if (a.len[i] == 2) return a.at[i][0] == b.at[j][0] && a.at[i][1] == b.at[j][1];
  return FoldCase(a.at[i][0]) == FoldCase(b.at[j][0]);
}

bool IsChar(const Chars& chars, size_t i, char c) { return chars.len[i] == 1 && chars.at[i][0] == c; }

class WildcardMatcher {
 public:
  WildcardMatcher(const char* pattern, const char* name)
      : pattern_(SplitChars(pattern)), name_(SplitChars(name)) {
    lastDot_ = name_.at.size();
    for (size_t j = 0; j < name_.at.size(); ++j)
      if (IsChar(name_, j, '.')) lastDot_ = j;
    size_t cells = (pattern_.at.size() + 1) * (name_.at.size() + 1);
    memo_.assign(cells, kUnknown);
  }

  bool Matches() { return Match(0, 0); }

 private:
  static constexpr signed char kUnknown = -1;

  bool Match(size_t p, size_t n) {
    signed char& cell = memo_[p * (name_.at.size() + 1) + n];
    if (cell == kUnknown) cell = Compute(p, n) ? 1 : 0;
    return cell == 1;
  }

  bool Compute(size_t p, size_t n) {
    size_t patternEnd = pattern_.at.size();
    size_t nameEnd = name_.at.size();
    if (p == patternEnd) return n == nameEnd;
    bool atEnd = n == nameEnd;
    if (IsChar(pattern_, p, '*')) {
      if (Match(p + 1, n)) return true;
      if (atEnd) return false;
      bool beforeDot = p + 1 < patternEnd && IsChar(pattern_, p + 1, '.');
      if (beforeDot && n >= lastDot_) return false;
      return Match(p, n + 1);
    }
    if (IsChar(pattern_, p, '?')) {
      if (atEnd || IsChar(name_, n, '.')) return Match(p + 1, n);
      return Match(p + 1, n + 1);
    }
    if (IsChar(pattern_, p, '.')) {
      bool dosDot = p + 1 == patternEnd || IsChar(pattern_, p + 1, '*') || IsChar(pattern_, p + 1, '?');
      if (atEnd) return dosDot && Match(p + 1, n);
      return IsChar(name_, n, '.') && Match(p + 1, n + 1);
    }
    return !atEnd && SameChar(pattern_, p, name_, n) && Match(p + 1, n + 1);
  }

  Chars pattern_;
  Chars name_;
  size_t lastDot_;  // index of the name's last dot, or its length
  std::vector<signed char> memo_;
};

bool WildcardMatch(const char* pattern, const char* name) {
  return WildcardMatcher(pattern, name).Matches();
}

// --- Directory search ------------------------------------------------------

struct Search {
  std::string directory;           // native, ends in "/" or empty
  std::vector<std::string> names;  // matching names, sorted
  size_t next = 0;                 // next name to report
};

// Byte order without regard to ASCII case, so that native listings come
// out in a fixed order like the platform's.
bool NameBefore(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(FoldCase(a[i]));
    unsigned char y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Fills entry for the next name that can still be looked at; false at the end.
bool NextEntry(Search* search, OsDirEntry* entry) {
  while (search->next < search->names.size()) {
    const std::string& name = search->names[search->next++];
    std::string full = search->directory + name;
    // The entry itself first: only a symbolic link needs a second look, at
    // what it points to.
    struct stat st;
    if (::lstat(full.c_str(), &st) != 0) continue;  // removed meanwhile
    const bool link = S_ISLNK(st.st_mode);
    if (link && !Stat(full.c_str(), &st)) continue;  // a dead link
    entry->attributes = AttributesOf(name.c_str(), st);
    // A symbolic link is marked as the platform marks links, so that the
    // directory walk does not follow it into a loop.
    if (link) entry->attributes |= kAttrReparsePoint;
    DosDateTime(st.st_mtime, &entry->dosDate, &entry->dosTime);
    entry->size = static_cast<uint64_t>(st.st_size);
    std::memcpy(entry->name, name.c_str(), name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

void* OsFindOpen(const char* pattern, OsDirEntry* first) {
  NativeName native(pattern);
  if (!native.ok) return nullptr;
  char* slash = std::strrchr(native.text, '/');  // only real separators are left as "/"
  const char* namePattern = slash != nullptr ? slash + 1 : native.text;
  std::string directory = slash != nullptr ? std::string(native.text, slash + 1 - native.text) : std::string();
  if (*namePattern == '\0') return nullptr;

  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return nullptr;
  Search* search = new (std::nothrow) Search;
  if (search == nullptr) {
    closedir(dir);
    return nullptr;
  }
  search->directory = directory;
  while (struct dirent* d = readdir(dir)) {
    if (std::strlen(d->d_name) >= kNameBuffer) continue;
    if (WildcardMatch(namePattern, d->d_name)) search->names.push_back(d->d_name);
  }
  closedir(dir);
  std::sort(search->names.begin(), search->names.end(), NameBefore);
  if (!NextEntry(search, first)) {
    delete search;
    return nullptr;
  }
  return search;
}

bool OsFindNextEntry(void* handle, OsDirEntry* entry) {
  return handle != nullptr && NextEntry(static_cast<Search*>(handle), entry);
}

void OsFindClose(void* handle) { delete static_cast<Search*>(handle); }

// Resolves "." and ".." by text, as the platform does, without touching the
// file system.
bool OsFullPath(const char* path, char* out, size_t capacity) {
  NativeName native(path);
  if (!native.ok || native.text[0] == '\0' || capacity == 0) return false;
  std::string joined;
  if (native.text[0] != '/') {
    char cwd[kNativePath];
    if (getcwd(cwd, sizeof cwd) == nullptr) return false;
    joined = std::string(cwd) + "/";
  }
  joined += native.text;

  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  char last = joined.back();
  bool trailing = last == '/' || (joined.size() >= 2 && joined.compare(joined.size() - 2, 2, "/.") == 0) ||
                  (joined.size() >= 3 && joined.compare(joined.size() - 3, 3, "/..") == 0);
  if (result.empty() || trailing) result += "/";
  if (result.size() >= capacity) return false;
  std::memcpy(out, result.c_str(), result.size() + 1);
  return true;
}

// Looks in the program's directory, the current directory, then along PATH.
bool OsSearchPath(const char* name, char* out, size_t capacity) {
  NativeName native(name);
  if (!native.ok || native.text[0] == '\0') return false;
  std::vector<std::string> places;
  char exe[kNativePath];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = '\0';
    if (char* slash = std::strrchr(exe, '/')) {
      slash[1] = '\0';
      places.push_back(exe);
    }
  }
  places.push_back("./");
  if (const char* pathVar = std::getenv("PATH")) {
    std::string list = pathVar;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (end > start) places.push_back(list.substr(start, end - start) + "/");
      start = end + 1;
    }
  }
  for (const std::string& place : places) {
    std::string candidate = place + native.text;
    struct stat st;
    if (Stat(candidate.c_str(), &st) && !S_ISDIR(st.st_mode)) return OsFullPath(candidate.c_str(), out, capacity);
  }
  return false;
}

// Sharing modes have no native counterpart and are not enforced.
intptr_t OsOpenFile(const char* path, unsigned mode) {
  NativeName native(path);
  if (!native.ok) return -1;
  int flags = 0;
  switch (mode & 0x3) {
    case 0: flags = O_RDONLY; break;
    case 1: flags = O_WRONLY; break;
    default: flags = O_RDWR; break;
  }
  bool create = (mode & 0x1000) != 0;
  bool writing = (mode & 0x3) != 0;
  struct stat st;
  bool exists = Stat(native.text, &st);
  if (exists && S_ISDIR(st.st_mode)) return -1;
  if (exists && writing && IsReadOnly(st)) return -1;
  if (create) flags |= O_CREAT | O_TRUNC;
  int fd = ::open(native.text, flags | O_CLOEXEC, 0666);
  return fd < 0 ? -1 : fd;
}

int OsCloseFile(intptr_t handle) { return ::close(static_cast<int>(handle)) == 0 ? 0 : -1; }

long OsReadFile(intptr_t handle, void* buffer, unsigned long count) {
  char* at = static_cast<char*>(buffer);
  unsigned long done = 0;
  while (done < count) {
    ssize_t n = ::read(static_cast<int>(handle), at + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<unsigned long>(n);
  }
  return static_cast<long>(done);
}

long OsWriteFile(intptr_t handle, const void* buffer, unsigned long count) {
  const char* at = static_cast<const char*>(buffer);
  unsigned long done = 0;
  while (done < count) {
    ssize_t n = ::write(static_cast<int>(handle), at + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? static_cast<long>(done) : -1;
    done += static_cast<unsigned long>(n);
  }
  return static_cast<long>(done);
}

int64_t OsSeekFile(intptr_t handle, int64_t distance, int origin) {
  static_assert(sizeof(off_t) >= sizeof(int64_t), "file offsets past 4 GiB");
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  off_t at = ::lseek(static_cast<int>(handle), static_cast<off_t>(distance), whence);
  return at < 0 ? -1 : static_cast<int64_t>(at);
}

bool OsAccess(const char* path, int mode) {
  NativeName native(path);
  struct stat st;
  if (!native.ok || !Stat(native.text, &st)) return false;
  if ((mode & 2) != 0 && !S_ISDIR(st.st_mode) && IsReadOnly(st)) return false;
  return true;
}

bool OsRename(const char* from, const char* to) {
  NativeName a(from), b(to);
  struct stat st;
  if (!a.ok || !b.ok || ::lstat(b.text, &st) == 0) return false;
  return ::rename(a.text, b.text) == 0;
}

bool OsDelete(const char* path) {
  NativeName native(path);
  struct stat st;
  if (!native.ok || ::lstat(native.text, &st) != 0) return false;
  if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return false;
  return ::unlink(native.text) == 0;
}

bool OsGetAttributes(const char* path, uint32_t* attributes) {
  NativeName native(path);
  struct stat st;
  if (!native.ok || !Stat(native.text, &st)) return false;
  const char* slash = std::strrchr(native.text, '/');
  *attributes = AttributesOf(slash != nullptr ? slash + 1 : native.text, st);
  return true;
}

// Only read-only maps onto the native file system; the other bits are
// accepted and have no effect.
bool OsSetAttributes(const char* path, uint32_t attributes) {
  NativeName native(path);
  struct stat st;
  if (!native.ok || !Stat(native.text, &st)) return false;
  mode_t mode = st.st_mode & 07777;
  if ((attributes & kAttrReadOnly) != 0) {
    mode &= ~kWriteBits;
  } else {
    mode |= S_IWUSR;
  }
  return ::chmod(native.text, mode) == 0;
}

bool OsCreateDirectory(const char* path) {
  NativeName native(path);
  return native.ok && ::mkdir(native.text, 0777) == 0;
}

bool OsRemoveDirectory(const char* path) {
  NativeName native(path);
  return native.ok && ::rmdir(native.text) == 0;
}

bool OsGetCurrentDirectory(char* out, size_t capacity) {
  return capacity > 0 && getcwd(out, capacity) != nullptr;
}

bool OsSetCurrentDirectory(const char* path) {
  NativeName native(path);
  return native.ok && ::chdir(native.text) == 0;
}

bool OsTempPath(char* out, size_t capacity) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || dir[0] == '\0') dir = "/tmp";
  size_t len = std::strlen(dir);
  bool addSlash = dir[len - 1] != '/';
  if (len + (addSlash ? 1 : 0) >= capacity) return false;
  std::memcpy(out, dir, len);
  if (addSlash) out[len++] = '/';
  out[len] = '\0';
  return true;
}

namespace {
uint64_t Nanoseconds(const struct timespec& t) {
  return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}
OsFileTimes TimesOf(const struct stat& st) {
  return {Nanoseconds(st.st_ctim), Nanoseconds(st.st_atim), Nanoseconds(st.st_mtim)};
}
}  // namespace

bool OsGetFileTimes(const char* path, OsFileTimes* times) {
  NativeName native(path);
  struct stat st;
  if (!native.ok || !Stat(native.text, &st)) return false;
  *times = TimesOf(st);
  return true;
}

bool OsGetOpenFileTimes(intptr_t handle, OsFileTimes* times) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) return false;
  *times = TimesOf(st);
  return true;
}

bool OsSetLastAccessTime(const char* path, uint64_t lastAccess) {
  NativeName native(path);
  if (!native.ok) return false;
  struct timespec both[2];
  both[0].tv_sec = static_cast<time_t>(lastAccess / 1000000000u);
  both[0].tv_nsec = static_cast<long>(lastAccess % 1000000000u);
  both[1].tv_sec = 0;
  both[1].tv_nsec = UTIME_OMIT;
  return ::utimensat(AT_FDCWD, native.text, both, 0) == 0;
}

intptr_t OsOpenFileToScan(const char* path, bool* timesWritable) {
  constexpr unsigned kReadShared = 0x40;  // reading, every sharing
  const intptr_t fd = OsOpenFile(path, kReadShared);
  *timesWritable = fd >= 0;
  return fd;
}

bool OsSetOpenFileAccessTime(intptr_t handle, uint64_t lastAccess) {
  struct timespec both[2];
  both[0].tv_sec = static_cast<time_t>(lastAccess / 1000000000u);
  both[0].tv_nsec = static_cast<long>(lastAccess % 1000000000u);
  both[1].tv_sec = 0;
  both[1].tv_nsec = UTIME_OMIT;
  return ::futimens(static_cast<int>(handle), both) == 0;
}

void* OsLoadLibrary(const char* name) {
  NativeName native(name);
  return native.ok ? dlopen(native.text, RTLD_NOW | RTLD_LOCAL) : nullptr;
}

void* OsGetSymbol(void* library, const char* name) {
  return library != nullptr ? dlsym(library, name) : nullptr;
}

void OsFreeLibrary(void* library) {
  if (library != nullptr) dlclose(library);
}

uint32_t OsTickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace zanto
