#include "archive_shell.h"

#include <cstring>
#include <map>
#include <set>

#include "base/sjis.h"
#include "member_record.h"

namespace zanto::shell {

namespace {

constexpr DWORD kMaxArchiveBytes = 256u << 20;  // read whole; a 32-bit process has room for this
constexpr unsigned kFirstSpareFolder = 2;     // "~2", the first folder for a member whose path is taken
constexpr unsigned kLastSpareFolder = 65535;
constexpr int kErrorArchive = 0x8000 + 0x1A;   // the archive could not be read
constexpr int kErrorMember = 0x8000 + 0x2A;    // some member was refused or failed

// The final part of a path, after the last separator of its own.
const char* NamePart(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += zanto::SjisCharLength(path.c_str(), i))
    if (path[i] == '\\') start = i + 1;
  return path.c_str() + start;
}

bool ReadArchive(const char* path, std::vector<uint8_t>* out) {
  // An archive named like a device (aux.lzh) opens the device, which is
  // no archive and may never end.
  if (zanto::lzh::EndsInDeviceName(path)) return false;
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(f, &high);
  bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxArchiveBytes;
  if (ok) {
    out->resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(f, out->data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(f);
  return ok;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// DOS wildcards, ASCII case blind, stepping over double-byte characters.
bool WildMatch(const char* p, const char* s) {
  while (*p) {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (!*p) return true;
      for (const char* t = s;; t += zanto::SjisCharLength(t, 0)) {
        if (WildMatch(p, t)) return true;
        if (!*t) return false;
      }
    }
    if (!*s) return false;
    size_t np = zanto::SjisCharLength(p, 0), ns = zanto::SjisCharLength(s, 0);
    if (*p == '?') {
      ++p;
      s += ns;
      continue;
    }
    if (np != ns) return false;
    if (np == 2 ? (p[0] != s[0] || p[1] != s[1]) : UpperAscii(*p) != UpperAscii(*s)) return false;
    p += np;
    s += ns;
  }
  return *s == '\0';
}


// A pattern without a separator picks members by name in any folder.
bool Selected(const std::vector<std::string>& patterns, const std::string& path) {
  if (patterns.empty()) return true;
  for (const std::string& p : patterns) {
    if (p == "*.*" || p == "*") return true;
    bool hasSeparator = p.find('\\') != std::string::npos;
    if (WildMatch(p.c_str(), hasSeparator ? path.c_str() : NamePart(path))) return true;
  }
  return false;
}

struct Token {
  std::string text;
  bool quoted = false;  // written in double quotes (at least in part): never an option
};

// Splits on blanks; a double-quoted token keeps its blanks. There is no
// limit on the number of tokens, so that a command and a listing given the
// same wildcards always select the same members.
std::vector<Token> SplitCommand(const char* text) {
  std::vector<Token> tokens;
  const char* s = text ? text : "";
  for (;;) {
    while (*s == ' ' || *s == '\t') ++s;
    if (!*s) break;
    Token token;
    bool inQuotes = false;
    while (*s && (inQuotes || (*s != ' ' && *s != '\t'))) {
      if (*s == '"') {
        inQuotes = !inQuotes;
        token.quoted = true;
        ++s;
        continue;
      }
      size_t n = zanto::SjisCharLength(s, 0);
      token.text.append(s, n);
      s += n;
    }
    tokens.push_back(token);
  }
  return tokens;
}

std::vector<std::string> Wildcards(const char* text) {
  std::vector<std::string> patterns;
  for (const Token& t : SplitCommand(text)) patterns.push_back(t.text);
  return patterns;
}

// Where each member of one walk over an archive is written, decided from
// the members before it alone, so that extraction and listing agree. Paths
// are compared as a file system that ignores letter case compares them.
class Placement {
 public:
  // The path below the folder for a file member, or "" when there is none.
  std::string PlaceFile(const std::string& path) {
    if (FitsFile(path)) return Take(path);
    unsigned& next = nextSpare_[zanto::lzh::CaseFolded(path)];
    for (unsigned k = next > kFirstSpareFolder ? next : kFirstSpareFolder; k <= kLastSpareFolder; ++k) {
      std::string spare = "~" + std::to_string(k) + "\\" + path;
      if (spare.size() > zanto::lzh::kMaxPathBytes) break;
      if (!FitsFile(spare)) continue;
      next = k + 1;
      return Take(spare);
    }
    return "";
  }
  // Whether a folder member can be made at its path.
  bool PlaceFolder(const std::string& path) {
    std::string folded = zanto::lzh::CaseFolded(path);
    if (files_.count(folded) || UnderAFile(folded)) return false;
    AddFolders(folded, true);
    return true;
  }

 private:
  bool FitsFile(const std::string& path) const {
    std::string folded = zanto::lzh::CaseFolded(path);
    return !files_.count(folded) && !folders_.count(folded) && !UnderAFile(folded);
  }
  bool UnderAFile(const std::string& folded) const {
    for (size_t i = 0; i < folded.size(); i += zanto::SjisCharLength(folded.c_str(), i))
      if (folded[i] == '\\' && files_.count(folded.substr(0, i))) return true;
    return false;
  }
  void AddFolders(const std::string& folded, bool includingLast) {
    for (size_t i = 0; i < folded.size(); i += zanto::SjisCharLength(folded.c_str(), i))
      if (folded[i] == '\\') folders_.insert(folded.substr(0, i));
    if (includingLast) folders_.insert(folded);
  }
  std::string Take(const std::string& path) {
    std::string folded = zanto::lzh::CaseFolded(path);
    files_.insert(folded);
    AddFolders(folded, false);
    return path;
  }

  std::set<std::string> files_, folders_;
  std::map<std::string, unsigned> nextSpare_;  // by folded member path
};

class FileSink : public zanto::lzh::Sink {
 public:
  explicit FileSink(HANDLE f) : f_(f) {}
  bool Write(const uint8_t* data, size_t size) override {
    DWORD done = 0;
    return WriteFile(f_, data, static_cast<DWORD>(size), &done, nullptr) && done == size;
  }

 private:
  HANDLE f_;
};

class NullSink : public zanto::lzh::Sink {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
};

// Creates every folder of relative (a member path) below base.
void MakeFolders(const std::string& base, const std::string& relative, bool includingLast) {
  for (size_t i = 0; i < relative.size(); i += zanto::SjisCharLength(relative.c_str(), i))
    if (relative[i] == '\\') CreateDirectoryA((base + relative.substr(0, i)).c_str(), nullptr);
  if (includingLast) CreateDirectoryA((base + relative).c_str(), nullptr);
}

void SetDosTime(HANDLE f, const ShellMember& m) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(m.dosDate, m.dosTime, &local) && LocalFileTimeToFileTime(&local, &utc))
    SetFileTime(f, nullptr, nullptr, &utc);
}

// Writes the member the format read last at place (below folder).
bool ExtractMember(ArchiveFormat* format, const ShellMember& m, const std::string& folder, const std::string& place) {
  MakeFolders(folder, place, false);
  std::string target = folder + place;
  HANDLE f = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  FileSink sink(f);
  bool whole = format->Decode(&sink) == Decoded::kWhole;
  if (whole) SetDosTime(f, m);
  CloseHandle(f);
  // A member that did not decode whole is not left to look like a good one.
  if (!whole) DeleteFileA(target.c_str());
  return whole;
}

void Report(char* out, DWORD size, const std::string& text) {
  if (out && size > 0) zanto::CopyText(out, size, text.c_str());
}

// A selected member's place in one walk: its path below the folder, ""
// when it is not written (an unsafe path, or no place for it). Folders are
// placed too, since files cannot go where they stand.
std::string Place(Placement* placement, const ShellMember& m) {
  if (!zanto::lzh::IsSafePath(m.path)) return "";
  if (m.isDirectory) return placement->PlaceFolder(m.path) ? m.path : "";
  return placement->PlaceFile(m.path);
}

struct Listing {
  std::unique_ptr<ArchiveFormat> format;
  std::vector<std::string> patterns;
  Placement placement;
};

// The next member that is listed: selected, placed, not a folder, and not
// damaged (its check passed, or it is passed over whole), exactly those
// the command writes or passes over, under the path the command writes it
// at.
bool NextListed(Listing* arc, MemberRecord* record) {
  for (ShellMember m; arc->format->Next(&m);) {
    if (!Selected(arc->patterns, m.path)) continue;
    std::string place = Place(&arc->placement, m);
    if (m.isDirectory || place.empty()) continue;
    NullSink sink;
    if (arc->format->Decode(&sink) == Decoded::kDamaged) continue;
    std::memset(record, 0, sizeof *record);
    record->originalSize = m.originalSize;
    record->compressedSize = m.packedSize;
    record->crc = m.crc;
    record->ratio = static_cast<WORD>(m.originalSize ? (1000ull * m.packedSize) / m.originalSize : 0);
    record->date = m.dosDate;
    record->time = m.dosTime;
    zanto::CopyText(record->fileName, sizeof record->fileName, place.c_str());
    zanto::CopyText(record->mode, sizeof record->mode, m.method.c_str());
    return true;
  }
  return false;
}

}  // namespace

int RunCommand(ArchiveFormat* format, LPCSTR command, LPSTR output, DWORD outputSize) {
  std::vector<Token> tokens = SplitCommand(command);
  std::string archivePath, folder;
  std::vector<std::string> patterns;
  bool haveCommand = false;
  for (const Token& token : tokens) {
    const std::string& t = token.text;
    if (!haveCommand) {
      haveCommand = true;
      if (t != "x" && t != "X") {
        Report(output, outputSize, "unknown command\r\n");
        return kErrorArchive;
      }
    } else if (!token.quoted && t.size() > 1 && t[0] == '-') {
      continue;  // options change nothing here
    } else if (archivePath.empty()) {
      archivePath = t;
    } else if (folder.empty() && (t.back() == '\\' || t.back() == '/')) {
      folder = t;
      if (folder.back() == '/') folder.back() = '\\';
    } else {
      patterns.push_back(t);
    }
  }
  std::vector<uint8_t> archive;
  if (archivePath.empty() || !ReadArchive(archivePath.c_str(), &archive)) {
    Report(output, outputSize, "cannot read the archive\r\n");
    return kErrorArchive;
  }
  format->Load(std::move(archive));
  if (!folder.empty()) CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
  int extracted = 0, failed = 0;
  Placement placement;
  for (ShellMember m; format->Next(&m);) {
    if (!Selected(patterns, m.path)) continue;
    std::string place = Place(&placement, m);
    if (place.empty()) {
      ++failed;
    } else if (m.isDirectory) {
      MakeFolders(folder, place, true);
    } else if (ExtractMember(format, m, folder, place)) {
      ++extracted;
    } else {
      ++failed;
    }
  }
  std::string text = std::to_string(extracted) + " file(s) extracted";
  if (failed) text += ", " + std::to_string(failed) + " refused or damaged";
  std::string end = format->EndNote();
  if (!end.empty()) text += ", " + end;
  Report(output, outputSize, text + "\r\n");
  return failed || !end.empty() ? kErrorMember : 0;
}

HANDLE OpenArchive(std::unique_ptr<ArchiveFormat> format, LPCSTR path) {
  std::vector<uint8_t> bytes;
  if (!path || !ReadArchive(path, &bytes)) return nullptr;
  auto* arc = new Listing;
  arc->format = std::move(format);
  arc->format->Load(std::move(bytes));
  return reinterpret_cast<HANDLE>(arc);
}

int CloseArchive(HANDLE handle) {
  delete reinterpret_cast<Listing*>(handle);
  return 0;
}

int FindFirst(HANDLE handle, LPCSTR wildcards, void* record) {
  if (!handle || !record) return -1;
  auto* arc = reinterpret_cast<Listing*>(handle);
  arc->format->Rewind();
  arc->patterns = Wildcards(wildcards);
  arc->placement = Placement();
  return NextListed(arc, static_cast<MemberRecord*>(record)) ? 0 : -1;
}

int FindNext(HANDLE handle, void* record) {
  if (!handle || !record) return -1;
  return NextListed(reinterpret_cast<Listing*>(handle), static_cast<MemberRecord*>(record)) ? 0 : -1;
}

}  // namespace zanto::shell
