#include "files/list_file.h"

#include <cstring>

#include "base/sjis.h"
#include "files/path.h"

namespace zanto {

namespace {

constexpr int kReadable = 4;             // FileAccessible mode
constexpr size_t kReadChunk = 4096;      // bytes read from the list at once
constexpr size_t kMemberColonFrom = 2;   // a drive letter's colon comes before

// Lines of a raw file, LF or CR LF ended, each cut to kListEntryBuffer - 1
// bytes at a character boundary (the rest of a long line is skipped).
class LineReader {
 public:
  explicit LineReader(intptr_t file) : file_(file) {}

  // The next line into out (kListEntryBuffer bytes); false at the end.
  bool Next(char* out) {
    char line[kListEntryBuffer + 1];
    size_t length = 0;
    bool any = false;
    for (;;) {
      if (at_ == filled_ && !Fill()) break;
      any = true;
      char c = chunk_[at_++];
      if (c == '\n') break;
      if (length < sizeof line - 1) line[length++] = c;
    }
    if (!any) return false;
    if (length > 0 && line[length - 1] == '\r') --length;
    line[length] = '\0';
    CopyText(out, kListEntryBuffer, line);
    return true;
  }

 private:
  bool Fill() {
    long got = ReadRawFile(file_, chunk_, sizeof chunk_);
    if (got <= 0) return false;
    filled_ = static_cast<size_t>(got);
    at_ = 0;
    return true;
  }

  intptr_t file_;
  char chunk_[kReadChunk];
  size_t filled_ = 0;
  size_t at_ = 0;
};

// Whether the file an entry names can be read.
bool NamesReadableFile(const char* entry) {
  char name[kListEntryBuffer];
  CopyText(name, sizeof name, entry);
  if (std::strlen(name) > kMemberColonFrom) {
    char* colon = std::strchr(name + kMemberColonFrom, ':');
    if (colon) *colon = '\0';
  }
  return FileAccessible(name, kReadable) == 0;
}

bool WriteEntries(intptr_t file, ListEntryReader read, void* context) {
  char entry[kListEntryBuffer + 2];
  for (int i = 0; read(context, i, entry); ++i) {
    AppendText(entry, sizeof entry, "\r\n");
    long length = static_cast<long>(std::strlen(entry));
    if (WriteRawFile(file, entry, static_cast<unsigned long>(length)) != length) return false;
  }
  return true;
}

// Puts the complete file temp in the place of path; on failure path is as
// it was. The old file is set aside first, as a rename cannot replace.
bool PutInPlace(const char* temp, const char* path) {
  char aside[kPathBuffer];
  bool hadOld = FileAccessible(path, 0) == 0;
  if (hadOld) {
    char drive[kDriveBuffer], dir[kPathPart];
    SplitPath(path, drive, dir, nullptr, nullptr);
    MergePath(aside, drive, dir, nullptr, nullptr);
    if (!MakeTempName(aside) || RenamePath(path, aside) != 0) return false;
  }
  if (RenamePath(temp, path) != 0) {
    if (hadOld) RenamePath(aside, path);
    return false;
  }
  if (hadOld) ForceDeleteFile(aside);
  return true;
}

}  // namespace

bool LoadListFile(const char* path, TargetListSink& sink) {
  intptr_t file = OpenRawFile(path, kOpenRead | kShareAll);
  if (file < 0) return false;
  LineReader lines(file);
  char entry[kListEntryBuffer];
  while (lines.Next(entry)) {
    if (entry[0] == '\0' || !NamesReadableFile(entry)) continue;
    if (!sink.AddLine(entry)) break;
  }
  CloseRawFile(file);
  return true;
}

bool SaveListFile(const char* path, ListEntryReader read, void* context) {
  char target[kPathBuffer];
  if (std::strlen(path) >= sizeof target) return false;
  std::strcpy(target, path);
  NormalizePath(target);
  uint32_t attributes = 0;
  if (OsGetAttributes(target, &attributes) && (attributes & kAttrDirectory)) return false;
  char temp[kPathBuffer], drive[kDriveBuffer], dir[kPathPart];
  SplitPath(target, drive, dir, nullptr, nullptr);
  MergePath(temp, drive, dir, nullptr, nullptr);
  if (!MakeTempName(temp)) return false;
  intptr_t file = OpenRawFile(temp, kOpenWrite | kShareNone | kOpenCreate);
  if (file < 0) return false;
  bool written = WriteEntries(file, read, context);
  if (CloseRawFile(file) != 0) written = false;
  if (!written || !PutInPlace(temp, target)) {
    DeletePath(temp);
    return false;
  }
  return true;
}

}  // namespace zanto
