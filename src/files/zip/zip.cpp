#include "files/zip/zip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/sjis.h"
#include "base/unicode_text.h"

namespace zanto::zip {

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kEnd64Signature = 0x06064B50;
constexpr uint32_t kLocator64Signature = 0x07064B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr size_t kEndBytes = 22;
constexpr size_t kMaxCommentBytes = 65535;
constexpr size_t kLocator64Bytes = 20;
constexpr size_t kEnd64Bytes = 56;
constexpr size_t kCentralBytes = 46;
constexpr size_t kLocalBytes = 30;
constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraUnicodePath = 0x7075;
constexpr size_t kExtraHeaderBytes = 4;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint16_t kFull16 = 0xFFFF;
constexpr uint32_t kFull32 = 0xFFFFFFFF;
constexpr size_t kInflateChunk = 65536;        // output handed to the sink at a time
constexpr size_t kLargestZlibInput = 1u << 30;  // input given to zlib at a time (its counts are 32 bits)
// Room for a converted name: a UTF-8 character never becomes longer in
// Shift_JIS (〓 takes two bytes for two to four).
constexpr size_t kNameRoom = 2 * kMaxPathBytes + 2;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

// Whether [offset, offset + length) lies inside size bytes.
bool Inside(uint64_t offset, uint64_t length, uint64_t size) { return offset <= size && length <= size - offset; }

struct Directory {
  uint64_t count = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t end = 0;  // where the records after the directory begin
};

// The end-of-directory record nearest the end whose comment fits the
// archive; size of the archive when there is none.
size_t FindEndRecord(const uint8_t* archive, size_t size) {
  if (size < kEndBytes) return size;
  size_t lowest = size - kEndBytes > kMaxCommentBytes ? size - kEndBytes - kMaxCommentBytes : 0;
  for (size_t pos = size - kEndBytes + 1; pos-- > lowest;) {
    if (Le32(archive + pos) == kEndSignature && Le16(archive + pos + 20) <= size - pos - kEndBytes) return pos;
  }
  return size;
}

// Fills dir from the ZIP64 end record the locator before endPos names.
Status ReadEnd64(const uint8_t* archive, size_t endPos, Directory* dir) {
  if (endPos < kLocator64Bytes) return Status::kBadDirectory;
  const uint8_t* locator = archive + endPos - kLocator64Bytes;
  if (Le32(locator) != kLocator64Signature) return Status::kBadDirectory;
  if (Le32(locator + 16) > 1) return Status::kMultiDisk;
  uint64_t at = Le64(locator + 8);
  if (!Inside(at, kEnd64Bytes, endPos - kLocator64Bytes)) return Status::kBadDirectory;
  const uint8_t* e = archive + at;
  if (Le32(e) != kEnd64Signature) return Status::kBadDirectory;
  if (Le32(e + 16) != 0 || Le32(e + 20) != 0) return Status::kMultiDisk;
  if (Le64(e + 24) != Le64(e + 32)) return Status::kMultiDisk;
  dir->count = Le64(e + 32);
  dir->size = Le64(e + 40);
  dir->offset = Le64(e + 48);
  dir->end = at;
  return Status::kOk;
}

Status FindDirectory(const uint8_t* archive, size_t size, Directory* dir) {
  size_t endPos = FindEndRecord(archive, size);
  if (endPos == size) return Status::kNotZip;
  const uint8_t* e = archive + endPos;
  dir->count = Le16(e + 10);
  dir->size = Le32(e + 12);
  dir->offset = Le32(e + 16);
  dir->end = endPos;
  bool wants64 = Le16(e + 8) == kFull16 || Le16(e + 10) == kFull16 || Le32(e + 12) == kFull32 ||
                 Le32(e + 16) == kFull32;
  if (wants64 || (endPos >= kLocator64Bytes && Le32(e - kLocator64Bytes) == kLocator64Signature)) {
    Status s = ReadEnd64(archive, endPos, dir);
    if (s != Status::kOk) return s;
  } else if (Le16(e + 4) != 0 || Le16(e + 6) != 0 || Le16(e + 8) != Le16(e + 10)) {
    return Status::kMultiDisk;
  }
  if (!Inside(dir->offset, dir->size, dir->end)) return Status::kBadDirectory;
  if (dir->count > dir->size / kCentralBytes || dir->count > kMaxMembers) return Status::kTooManyMembers;
  return Status::kOk;
}

// The UTF-8 bytes as Shift_JIS; what Shift_JIS cannot hold is 〓.
std::string Utf8ToSjis(const uint8_t* text, size_t length) {
  std::string out;
  char room[kNameRoom];
  while (length > 0) {
    UnicodeStep step = ConvertUnicodeLine(UnicodeForm::Utf8, text, length, true, room, sizeof room);
    out.append(room, step.written);
    if (step.read == 0) break;
    text += step.read;
    length -= step.read;
  }
  return out;
}

// A name's path as the program uses it: '\' for '/' (stepping over
// double-byte characters, whose trail byte may be 0x5C), no separator at
// the end. Empty when a byte is a control character, a lead byte has no
// trail byte after it (the system would read the bytes otherwise than the
// safe-path rule does) or the path is too long: such a name cannot be
// written as it is listed.
std::string MemberPath(const std::string& name, bool* endsInSeparator) {
  std::string path;
  *endsInSeparator = false;
  for (size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return "";
    *endsInSeparator = c == '/' || c == '\\';
    if (IsSjisLead(c)) {
      if (i + 1 == name.size() || !IsSjisTrail(static_cast<unsigned char>(name[i + 1]))) return "";
      path.append(name, i++, 2);
    } else {
      path.push_back(*endsInSeparator ? '\\' : static_cast<char>(c));
    }
  }
  if (*endsInSeparator) path.pop_back();
  return path.size() <= kMaxPathBytes ? path : "";
}

// Reads the extra fields of a central record: the ZIP64 values for the
// fields that say so, and a Unicode path whose check matches the name.
bool ReadExtras(const uint8_t* extra, size_t length, const uint8_t* rawName, size_t nameLength, Member* m,
                bool* hasUnicodePath, std::string* unicodePath, bool wantOriginal, bool wantPacked,
                bool wantOffset) {
  for (size_t pos = 0; pos + kExtraHeaderBytes <= length;) {
    uint16_t id = Le16(extra + pos), bytes = Le16(extra + pos + 2);
    const uint8_t* body = extra + pos + kExtraHeaderBytes;
    if (bytes > length - pos - kExtraHeaderBytes) return false;
    if (id == kExtraZip64) {
      size_t at = 0;
      for (auto [wanted, field] : {std::pair{wantOriginal, &m->originalSize}, std::pair{wantPacked, &m->packedSize},
                                   std::pair{wantOffset, &m->headerOffset}}) {
        if (!wanted) continue;
        if (at + 8 > bytes) return false;
        *field = Le64(body + at);
        at += 8;
      }
    } else if (id == kExtraUnicodePath && bytes >= 5 && body[0] == 1 &&
               Le32(body + 1) == crc32(0, rawName, static_cast<uInt>(nameLength))) {
      *hasUnicodePath = true;
      *unicodePath = Utf8ToSjis(body + 5, bytes - 5u);
    }
    pos += kExtraHeaderBytes + bytes;
  }
  return true;
}

// Reads the central record at *pos into m and steps past it.
Status ReadCentral(const uint8_t* archive, const Directory& dir, uint64_t* pos, Member* m) {
  uint64_t limit = dir.offset + dir.size;
  if (!Inside(*pos, kCentralBytes, limit)) return Status::kBadDirectory;
  const uint8_t* h = archive + *pos;
  if (Le32(h) != kCentralSignature) return Status::kBadDirectory;
  size_t nameLength = Le16(h + 28), extraLength = Le16(h + 30), commentLength = Le16(h + 32);
  uint64_t recordBytes = kCentralBytes + nameLength + extraLength + commentLength;
  if (!Inside(*pos, recordBytes, limit)) return Status::kBadDirectory;
  m->flags = Le16(h + 8);
  m->method = Le16(h + 10);
  m->dosTime = Le16(h + 12);
  m->dosDate = Le16(h + 14);
  m->crc = Le32(h + 16);
  m->packedSize = Le32(h + 20);
  m->originalSize = Le32(h + 24);
  m->headerOffset = Le32(h + 42);
  m->encrypted = (m->flags & kFlagEncrypted) != 0;
  const uint8_t* rawName = h + kCentralBytes;
  bool hasUnicodePath = false;
  std::string unicodePath;
  if (!ReadExtras(rawName + nameLength, extraLength, rawName, nameLength, m, &hasUnicodePath, &unicodePath,
                  Le32(h + 24) == kFull32, Le32(h + 20) == kFull32, Le32(h + 42) == kFull32))
    return Status::kBadDirectory;
  std::string name;
  if (m->flags & kFlagUtf8) {
    name = Utf8ToSjis(rawName, nameLength);
  } else if (hasUnicodePath) {
    name = unicodePath;
  } else {
    name.assign(reinterpret_cast<const char*>(rawName), nameLength);  // code page 932 as it stands
  }
  m->path = MemberPath(name, &m->isDirectory);
  *pos += recordBytes;
  return Status::kOk;
}

// Finds where a member's data starts from its local header.
Status LocateData(const uint8_t* archive, const Directory& dir, Member* m) {
  if (!Inside(m->headerOffset, kLocalBytes, dir.offset)) return Status::kBadDirectory;
  const uint8_t* h = archive + m->headerOffset;
  if (Le32(h) != kLocalSignature) return Status::kBadDirectory;
  m->dataOffset = m->headerOffset + kLocalBytes + Le16(h + 26) + Le16(h + 28);
  if (!Inside(m->dataOffset, m->packedSize, dir.offset)) return Status::kOverlap;
  return Status::kOk;
}

// Members that share bytes (one local header inside another member) are
// how one small archive is made to unpack a hundred times over.
bool Overlaps(const std::vector<Member>& members) {
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  spans.reserve(members.size());
  for (const Member& m : members) spans.emplace_back(m.headerOffset, m.dataOffset + m.packedSize);
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i)
    if (spans[i].first < spans[i - 1].second) return true;
  return false;
}

// Bounds what a member may yield and checks what it did.
class Output {
 public:
  Output(const Member& m, Sink* sink) : member_(m), sink_(sink) { crc_ = crc32(0, nullptr, 0); }
  // Takes n more bytes, consumed bytes of input read so far.
  Status Take(const uint8_t* data, size_t n, uint64_t consumed) {
    if (n > member_.originalSize - written_) return Status::kPastDeclaredSize;
    uint64_t total = written_ + n;
    if (total > kMaxMemberBytes || (total > kRatioFreeBytes && total / kMaxRatio > consumed))
      return Status::kTooLarge;
    if (n > 0 && !sink_->Write(data, n)) return Status::kWriteFailed;
    crc_ = crc32(crc_, data, static_cast<uInt>(n));
    written_ = total;
    return Status::kOk;
  }
  Status Finish() const {
    if (written_ != member_.originalSize) return Status::kBadData;
    return crc_ == member_.crc ? Status::kOk : Status::kCrc;
  }

 private:
  const Member& member_;
  Sink* sink_;
  uint64_t written_ = 0;
  uLong crc_;
};

Status CopyStored(const uint8_t* data, const Member& m, Output* out) {
  for (uint64_t done = 0; done < m.packedSize;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kInflateChunk, m.packedSize - done));
    Status s = out->Take(data + done, n, m.packedSize);
    if (s != Status::kOk) return s;
    done += n;
  }
  return out->Finish();
}

Status Inflate(const uint8_t* data, const Member& m, Output* out) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Status::kBadData;
  std::vector<uint8_t> chunk(kInflateChunk);
  uint64_t given = 0;
  Status s = Status::kOk;
  for (int r = Z_OK; r != Z_STREAM_END;) {
    if (z.avail_in == 0 && given < m.packedSize) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(kLargestZlibInput, m.packedSize - given));
      z.next_in = const_cast<Bytef*>(data + given);
      z.avail_in = static_cast<uInt>(n);
      given += n;
    }
    z.next_out = chunk.data();
    z.avail_out = static_cast<uInt>(chunk.size());
    r = inflate(&z, Z_NO_FLUSH);
    size_t produced = chunk.size() - z.avail_out;
    bool stuck = r == Z_BUF_ERROR && produced == 0 && z.avail_in == 0 && given == m.packedSize;
    if ((r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) || stuck) {
      s = Status::kBadData;
      break;
    }
    s = out->Take(chunk.data(), produced, given - z.avail_in);
    if (s != Status::kOk) break;
  }
  inflateEnd(&z);
  return s == Status::kOk ? out->Finish() : s;
}

class StringSink : public Sink {
 public:
  explicit StringSink(std::string* out) : out_(out) {}
  bool Write(const uint8_t* data, size_t size) override {
    out_->append(reinterpret_cast<const char*>(data), size);
    return true;
  }

 private:
  std::string* out_;
};

bool SamePath(const std::string& path, const char* wanted) {
  size_t n = std::strlen(wanted);
  if (n != path.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    char w = wanted[i] == '/' ? '\\' : wanted[i];
    if (w != path[i]) return false;
  }
  return true;
}

}  // namespace

const char* StatusText(Status status) {
  switch (status) {
    case Status::kOk: return "ok";
    case Status::kNotZip: return "not a ZIP archive";
    case Status::kBadDirectory: return "damaged directory";
    case Status::kTooManyMembers: return "more members than the directory holds";
    case Status::kOverlap: return "members overlap";
    case Status::kMultiDisk: return "part of a split archive";
    case Status::kEncrypted: return "encrypted";
    case Status::kUnknownMethod: return "unknown method";
    case Status::kPastDeclaredSize: return "larger than its declared size";
    case Status::kTooLarge: return "larger than the limit";
    case Status::kBadData: return "damaged data";
    case Status::kCrc: return "CRC error";
    case Status::kWriteFailed: return "write failed";
  }
  return "?";
}

bool IsPassedOver(Status status) {
  return status == Status::kEncrypted || status == Status::kUnknownMethod || status == Status::kPastDeclaredSize ||
         status == Status::kTooLarge;
}

Status ReadDirectory(const uint8_t* archive, size_t size, std::vector<Member>* members) {
  members->clear();
  Directory dir;
  Status s = FindDirectory(archive, size, &dir);
  if (s != Status::kOk) return s;
  std::vector<Member> read;
  read.reserve(static_cast<size_t>(dir.count));
  uint64_t pos = dir.offset;
  for (uint64_t i = 0; i < dir.count; ++i) {
    Member m;
    if ((s = ReadCentral(archive, dir, &pos, &m)) != Status::kOk) return s;
    if ((s = LocateData(archive, dir, &m)) != Status::kOk) return s;
    read.push_back(std::move(m));
  }
  if (Overlaps(read)) return Status::kOverlap;
  *members = std::move(read);
  return Status::kOk;
}

Status Extract(const uint8_t* archive, size_t size, const Member& m, Sink* sink) {
  if (!Inside(m.dataOffset, m.packedSize, size)) return Status::kBadData;
  if (m.isDirectory) return Status::kOk;
  if (m.encrypted) return Status::kEncrypted;
  Output out(m, sink);
  if (m.method == kMethodStored) return CopyStored(archive + m.dataOffset, m, &out);
  if (m.method == kMethodDeflated) return Inflate(archive + m.dataOffset, m, &out);
  return Status::kUnknownMethod;
}

Status ExtractToMemory(const uint8_t* archive, size_t size, const Member& m, std::string* out) {
  out->clear();
  StringSink sink(out);
  Status s = Extract(archive, size, m, &sink);
  if (s != Status::kOk) out->clear();
  return s;
}

Status Archive::Open(std::vector<uint8_t> bytes) {
  bytes_ = std::move(bytes);
  Status s = ReadDirectory(bytes_.data(), bytes_.size(), &members_);
  if (s != Status::kOk) bytes_.clear();
  return s;
}

const Member* Archive::Find(const char* path) const {
  for (const Member& m : members_)
    if (!m.isDirectory && SamePath(m.path, path)) return &m;
  return nullptr;
}

}  // namespace zanto::zip
