#include "files/lzh/lzh.h"

#include <cstring>
#include <ctime>
#include <vector>

#include "base/sjis.h"

namespace zanto::lzh {

namespace {

constexpr size_t kLevel01MinHeader = 22;   // through the name length byte
constexpr size_t kLevel2FixedHeader = 26;  // through the first extension size
constexpr size_t kExtensionMinSize = 3;    // type byte and the next size
constexpr uint8_t kExtHeaderCrc = 0x00;
constexpr uint8_t kExtFileName = 0x01;
constexpr uint8_t kExtDirectory = 0x02;
constexpr uint8_t kExtDosAttribute = 0x40;

// Sliding-window coder constants shared by -lh4- to -lh7-.
constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;
constexpr int kCharCodes = 256 + kMaxMatch - kThreshold + 2;  // 510
constexpr int kCharBits = 9;
constexpr int kLengthCodes = 19;  // code-length alphabet
constexpr int kLengthBits = 5;
constexpr int kMaxCodeLength = 16;
// Codes up to this long are decoded by one table look-up; longer ones are
// rare and walk the code lengths.
constexpr int kTableBits = 10;
constexpr int kMaxPositionCodes = 17;
constexpr size_t kWindowSize = size_t{1} << 16;  // the largest dictionary (-lh7-)
constexpr size_t kCopyChunk = 16384;

// Device names without a number; COM and LPT take one digit.
constexpr const char* kDeviceNames[] = {"AUX", "CON", "NUL", "PRN", "CONIN$", "CONOUT$"};
constexpr size_t kLongestDeviceName = 7;  // CONOUT$

// Double-byte small letters and how far below them their capitals lie:
// full-width Latin (82 81 to 82 9A), Greek (83 BF to 83 D6), Cyrillic
// (84 70 to 84 91, past the unused 84 7F; the capitals' row has no gap).
unsigned SmallLetterDistance(unsigned char lead, unsigned char trail) {
  if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) return 0x21;
  if (lead == 0x83 && trail >= 0xBF && trail <= 0xD6) return 0x20;
  if (lead == 0x84 && trail >= 0x70 && trail <= 0x7E) return 0x30;
  if (lead == 0x84 && trail >= 0x80 && trail <= 0x91) return 0x31;
  return 0;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct CrcTable {
  uint16_t entry[256];
  constexpr CrcTable() : entry() {
    for (int i = 0; i < 256; ++i) {
      uint16_t c = static_cast<uint16_t>(i);
      for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : c >> 1;
      entry[i] = c;
    }
  }
};
constexpr CrcTable kCrcTable;

// Paths reach the program with '\' between parts: level 0 names may use '/'
// (Unix archivers), levels 1 and 2 mark parts with 0xFF. Double-byte
// characters are copied whole so that their trail bytes stay as they are.
void AppendNormalized(std::string* out, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (IsSjisLead(p[i]) && i + 1 < n && IsSjisTrail(p[i + 1])) {
      out->push_back(static_cast<char>(p[i]));
      out->push_back(static_cast<char>(p[++i]));
    } else if (p[i] == '/' || p[i] == 0xFF) {
      out->push_back('\\');
    } else {
      out->push_back(static_cast<char>(p[i]));
    }
  }
}

// Whether the path's last byte is a separator of its own, not the trail
// byte of a double-byte character.
bool EndsWithSeparator(const std::string& path) {
  bool last = false;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < path.size()) {
      ++i;
      last = false;
    } else {
      last = c == '\\';
    }
  }
  return last;
}

bool KnownMethod(const char* m) {
  static const char* const kMethods[] = {"-lh0-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-"};
  for (const char* k : kMethods)
    if (std::memcmp(m, k, 5) == 0) return true;
  return false;
}

// ---- decoding ----

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint32_t Peek(int bits) {
    Fill();
    return static_cast<uint32_t>(acc_ >> (count_ - bits)) & ((1u << bits) - 1);
  }
  void Skip(int bits) {
    count_ -= bits;
    used_ += static_cast<uint64_t>(bits);
  }
  uint32_t Get(int bits) {
    if (bits == 0) return 0;
    uint32_t v = Peek(bits);
    Skip(bits);
    return v;
  }
  // Reading runs on past the data as zero bits; this tells whether any of
  // those were used.
  bool Overrun() const { return used_ > static_cast<uint64_t>(size_) * 8; }

 private:
  void Fill() {
    while (count_ <= 56) {
      acc_ = (acc_ << 8) | (pos_ < size_ ? data_[pos_] : 0);
      if (pos_ < size_) ++pos_;
      count_ += 8;
    }
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint64_t acc_ = 0;
  int count_ = 0;
  uint64_t used_ = 0;
};

// A canonical prefix code: shorter codes first, symbols in order within a
// length. Only complete codes are accepted; a lone symbol costs no bits.
class Huffman {
 public:
  bool SetSingle(int symbol, int symbols) {
    if (symbol < 0 || symbol >= symbols) return false;
    single_ = symbol;
    return true;
  }
  bool Build(const uint8_t* lengths, int symbols) {
    single_ = -1;
    std::memset(count_, 0, sizeof count_);
    for (int i = 0; i < symbols; ++i) ++count_[lengths[i]];
    count_[0] = 0;
    uint32_t space = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) space += static_cast<uint32_t>(count_[len]) << (kMaxCodeLength - len);
    if (space != (1u << kMaxCodeLength)) return false;
    int offset[kMaxCodeLength + 2];
    offset[1] = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) offset[len + 1] = offset[len] + count_[len];
    for (int i = 0; i < symbols; ++i)
      if (lengths[i] != 0) symbol_[offset[lengths[i]]++] = static_cast<uint16_t>(i);
    FillTable();
    return true;
  }
  int Decode(BitReader* in) const {
    if (single_ >= 0) return single_;
    uint32_t bits = in->Peek(kMaxCodeLength);
    const Entry& e = table_[bits >> (kMaxCodeLength - kTableBits)];
    if (e.length != 0) {
      in->Skip(e.length);
      return e.symbol;
    }
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      code |= static_cast<int>((bits >> (kMaxCodeLength - len)) & 1);
      int n = count_[len];
      if (code - first < n) {
        in->Skip(len);
        return symbol_[index + code - first];
      }
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    return 0;  // unreachable with a complete code
  }

 private:
  struct Entry {
    uint16_t symbol;
    uint8_t length;  // 0: the code is longer than kTableBits
  };
  // Every kTableBits-bit prefix that begins with a short code names that
  // code's symbol and length; codes are numbered as Decode's walk numbers
  // them (shorter first, symbols in order within a length).
  void FillTable() {
    std::memset(table_, 0, sizeof table_);
    uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= kTableBits; ++len) {
      for (int k = 0; k < count_[len]; ++k, ++code) {
        const uint32_t step = 1u << (kTableBits - len);
        for (uint32_t t = code * step; t < (code + 1) * step; ++t)
          table_[t] = Entry{symbol_[index + k], static_cast<uint8_t>(len)};
      }
      index += count_[len];
      code <<= 1;
    }
  }

  int single_ = -1;
  uint16_t count_[kMaxCodeLength + 1] = {};
  uint16_t symbol_[kCharCodes] = {};
  Entry table_[1u << kTableBits] = {};
};

// Writes whole windows to the sink and keeps the running CRC.
class Output {
 public:
  Output(Sink* sink, uint8_t* window) : sink_(sink), window_(window) {}
  bool Put(uint8_t c) {
    window_[pos_++] = c;
    ++produced_;
    return pos_ < kWindowSize || Flush();
  }
  bool Flush() {
    crc_ = Crc16(crc_, window_, pos_);
    bool ok = pos_ == 0 || sink_->Write(window_, pos_);
    pos_ = 0;
    return ok;
  }
  uint8_t Back(size_t distance) const { return window_[(pos_ + kWindowSize - distance) & (kWindowSize - 1)]; }
  uint64_t produced() const { return produced_; }
  uint16_t crc() const { return crc_; }

 private:
  Sink* sink_;
  uint8_t* window_;
  size_t pos_ = 0;
  uint64_t produced_ = 0;
  uint16_t crc_ = 0;
};

bool ReadLengthLengths(BitReader* in, Huffman* tree, int symbols, int bits, int special) {
  int n = static_cast<int>(in->Get(bits));
  if (n == 0) return tree->SetSingle(static_cast<int>(in->Get(bits)), symbols);
  if (n > symbols) return false;
  uint8_t lengths[kLengthCodes > kMaxPositionCodes ? kLengthCodes : kMaxPositionCodes] = {};
  int i = 0;
  while (i < n) {
    int c = static_cast<int>(in->Peek(3));
    if (c == 7) {
      uint32_t v = in->Peek(16);
      for (uint32_t mask = 1u << 12; mask & v; mask >>= 1)
        if (++c > kMaxCodeLength) return false;
    }
    in->Skip(c < 7 ? 3 : c - 3);
    lengths[i++] = static_cast<uint8_t>(c);
    if (i == special) {
      int zeros = static_cast<int>(in->Get(2));
      if (i + zeros > symbols) return false;
      i += zeros;  // lengths already zero
    }
  }
  return tree->Build(lengths, symbols);
}

bool ReadCharLengths(BitReader* in, const Huffman& lengthTree, Huffman* tree) {
  int n = static_cast<int>(in->Get(kCharBits));
  if (n == 0) return tree->SetSingle(static_cast<int>(in->Get(kCharBits)), kCharCodes);
  if (n > kCharCodes) return false;
  uint8_t lengths[kCharCodes] = {};
  int i = 0;
  while (i < n) {
    int c = lengthTree.Decode(in);
    if (c <= 2) {
      int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(in->Get(4)) + 3 : static_cast<int>(in->Get(kCharBits)) + 20;
      if (i + zeros > kCharCodes) return false;
      i += zeros;
    } else {
      lengths[i++] = static_cast<uint8_t>(c - 2);
    }
  }
  return tree->Build(lengths, kCharCodes);
}

Status DecodeSliding(const uint8_t* data, const Member& m, int dictionaryBits, Sink* sink) {
  const int positionCodes = dictionaryBits + 1;
  const int positionBits = positionCodes >= 16 ? 5 : 4;
  BitReader in(data, m.packedSize);
  std::vector<uint8_t> window(kWindowSize);
  Output out(sink, window.data());
  // Trees live on the heap: three of them are too big for a DLL caller's stack.
  std::vector<Huffman> trees(3);
  Huffman& lengthTree = trees[0];
  Huffman& charTree = trees[1];
  Huffman& positionTree = trees[2];
  uint32_t blockLeft = 0;
  uint64_t remaining = m.originalSize;
  while (remaining > 0) {
    if (blockLeft == 0) {
      blockLeft = in.Get(16);
      if (blockLeft == 0) return in.Overrun() ? Status::kTruncated : Status::kBadData;
      if (!ReadLengthLengths(&in, &lengthTree, kLengthCodes, kLengthBits, 3) ||
          !ReadCharLengths(&in, lengthTree, &charTree) ||
          !ReadLengthLengths(&in, &positionTree, positionCodes, positionBits, -1))
        return in.Overrun() ? Status::kTruncated : Status::kBadData;
    }
    --blockLeft;
    int c = charTree.Decode(&in);
    if (c < 256) {
      if (!out.Put(static_cast<uint8_t>(c))) return Status::kWriteFailed;
      --remaining;
    } else {
      uint32_t length = static_cast<uint32_t>(c - 256 + kThreshold);
      uint32_t p = static_cast<uint32_t>(positionTree.Decode(&in));
      if (p > 1) p = (1u << (p - 1)) + in.Get(static_cast<int>(p - 1));
      size_t distance = p + 1;
      if (distance > out.produced() || length > remaining) return Status::kBadData;
      for (uint32_t k = 0; k < length; ++k)
        if (!out.Put(out.Back(distance))) return Status::kWriteFailed;
      remaining -= length;
    }
    if (in.Overrun()) return Status::kTruncated;
  }
  if (!out.Flush()) return Status::kWriteFailed;
  return out.crc() == m.crc ? Status::kOk : Status::kCrc;
}

Status CopyStored(const uint8_t* data, const Member& m, Sink* sink) {
  if (m.packedSize < m.originalSize) return Status::kTruncated;
  uint16_t crc = 0;
  for (size_t done = 0; done < m.originalSize;) {
    size_t n = m.originalSize - done < kCopyChunk ? m.originalSize - done : kCopyChunk;
    crc = Crc16(crc, data + done, n);
    if (!sink->Write(data + done, n)) return Status::kWriteFailed;
    done += n;
  }
  return crc == m.crc ? Status::kOk : Status::kCrc;
}

}  // namespace

const char* StatusText(Status status) {
  switch (status) {
    case Status::kOk: return "ok";
    case Status::kEnd: return "end of archive";
    case Status::kTruncated: return "archive cut short";
    case Status::kBadHeader: return "broken header";
    case Status::kHeaderChecksum: return "header checksum error";
    case Status::kHeaderCrc: return "header CRC error";
    case Status::kUnknownMethod: return "unknown method";
    case Status::kBadData: return "broken data";
    case Status::kCrc: return "CRC error";
    case Status::kWriteFailed: return "write failed";
  }
  return "?";
}

uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) crc = static_cast<uint16_t>((crc >> 8) ^ kCrcTable.entry[(crc ^ data[i]) & 0xFF]);
  return crc;
}

void UnixTimeToDos(uint32_t unixTime, uint16_t* dosDate, uint16_t* dosTime) {
  std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm tm{};
#ifdef _WIN32
  bool ok = localtime_s(&tm, &t) == 0;
#else
  bool ok = localtime_r(&t, &tm) != nullptr;
#endif
  int year = tm.tm_year + 1900;
  if (!ok || year < 1980) {
    *dosDate = (1 << 5) | 1;  // 1980-01-01 00:00:00
    *dosTime = 0;
    return;
  }
  if (year > 2107) {
    *dosDate = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    *dosTime = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
    return;
  }
  *dosDate = static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  *dosTime = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

Status ReadHeader(const uint8_t* a, size_t size, size_t offset, Member* m, size_t* next) {
  if (offset >= size || a[offset] == 0) return Status::kEnd;
  const size_t avail = size - offset;
  if (avail < kLevel01MinHeader) return Status::kTruncated;
  const uint8_t* h = a + offset;
  *m = Member{};
  m->headerOffset = offset;
  std::memcpy(m->method, h + 2, 5);
  m->method[5] = '\0';
  m->packedSize = Le32(h + 7);
  m->originalSize = Le32(h + 11);
  m->attribute = h[19];
  m->level = h[20];

  std::string name, directory;
  size_t headerEnd = 0;       // one past the last header byte
  size_t extensionPos = 0;    // first extension header
  size_t extensionLimit = 0;  // extensions must end by here
  uint16_t firstExtension = 0;

  if (m->level == 0 || m->level == 1) {
    size_t base = static_cast<size_t>(h[0]) + 2;
    if (base > avail) return Status::kTruncated;
    size_t nameLength = h[21];
    size_t need = kLevel01MinHeader + nameLength + 2 + (m->level == 1 ? 3 : 0);
    if (base < need) return Status::kBadHeader;
    uint8_t sum = 0;
    for (size_t i = 2; i < base; ++i) sum = static_cast<uint8_t>(sum + h[i]);
    if (sum != h[1]) return Status::kHeaderChecksum;
    name.assign(reinterpret_cast<const char*>(h + 22), nameLength);
    m->crc = Le16(h + 22 + nameLength);
    m->dosTime = Le16(h + 15);
    m->dosDate = Le16(h + 17);
    headerEnd = base;
    if (m->level == 1) {
      firstExtension = Le16(h + base - 2);
      extensionPos = base;
      extensionLimit = avail;
    }
  } else if (m->level == 2) {
    size_t total = Le16(h);
    if (total < kLevel2FixedHeader) return Status::kBadHeader;
    if (total > avail) return Status::kTruncated;
    m->crc = Le16(h + 21);
    UnixTimeToDos(Le32(h + 15), &m->dosDate, &m->dosTime);
    firstExtension = Le16(h + 24);
    extensionPos = kLevel2FixedHeader;
    extensionLimit = total;
    headerEnd = total;
  } else {
    return Status::kBadHeader;
  }

  size_t crcPos = 0;
  bool haveCrc = false;
  size_t pos = extensionPos;
  for (size_t extSize = firstExtension; extSize != 0;) {
    if (extSize < kExtensionMinSize) return Status::kBadHeader;
    if (extSize > extensionLimit - pos)
      return m->level == 1 ? Status::kTruncated : Status::kBadHeader;
    const uint8_t* e = h + pos;
    size_t bodyLength = extSize - kExtensionMinSize;
    switch (e[0]) {
      case kExtHeaderCrc:
        if (bodyLength < 2) return Status::kBadHeader;
        crcPos = pos + 1;
        haveCrc = true;
        break;
      case kExtFileName:
        name.assign(reinterpret_cast<const char*>(e + 1), bodyLength);
        break;
      case kExtDirectory:
        directory.assign(reinterpret_cast<const char*>(e + 1), bodyLength);
        break;
      case kExtDosAttribute:
        if (bodyLength >= 2) m->attribute = e[1];
        break;
      default:
        break;
    }
    pos += extSize;
    extSize = Le16(e + extSize - 2);
  }
  if (m->level == 1) {
    size_t extensions = pos - extensionPos;
    if (extensions > m->packedSize) return Status::kBadHeader;
    m->packedSize -= static_cast<uint32_t>(extensions);
    headerEnd = pos;
  }

  if (haveCrc) {
    uint16_t crc = Crc16(0, h, crcPos);
    const uint8_t zero[2] = {0, 0};
    crc = Crc16(crc, zero, 2);
    crc = Crc16(crc, h + crcPos + 2, headerEnd - crcPos - 2);
    if (crc != Le16(h + crcPos)) return Status::kHeaderCrc;
  }

  if (directory.size() + name.size() > kMaxPathBytes) return Status::kBadHeader;
  if (!directory.empty()) {
    AppendNormalized(&m->path, reinterpret_cast<const uint8_t*>(directory.data()), directory.size());
    if (!EndsWithSeparator(m->path)) m->path.push_back('\\');
  }
  AppendNormalized(&m->path, reinterpret_cast<const uint8_t*>(name.data()), name.size());
  m->isDirectory = std::memcmp(m->method, "-lhd-", 5) == 0;
  if (m->isDirectory && EndsWithSeparator(m->path)) m->path.pop_back();

  m->dataOffset = offset + headerEnd;
  if (m->packedSize > size - m->dataOffset) return Status::kTruncated;
  *next = m->dataOffset + m->packedSize;
  return Status::kOk;
}

Status Extract(const uint8_t* archive, size_t size, const Member& m, Sink* sink) {
  if (m.dataOffset > size || m.packedSize > size - m.dataOffset) return Status::kTruncated;
  const uint8_t* data = archive + m.dataOffset;
  if (!KnownMethod(m.method)) return Status::kUnknownMethod;
  switch (m.method[3]) {
    case 'd': return Status::kOk;
    case '0': return CopyStored(data, m, sink);
    case '4': return DecodeSliding(data, m, 12, sink);
    case '5': return DecodeSliding(data, m, 13, sink);
    case '6': return DecodeSliding(data, m, 15, sink);
    case '7': return DecodeSliding(data, m, 16, sink);
  }
  return Status::kUnknownMethod;
}

bool IsDeviceName(const char* part, size_t length) {
  size_t n = 0;
  while (n < length && part[n] != '.') ++n;
  while (n > 0 && part[n - 1] == ' ') --n;
  if (n > kLongestDeviceName) return false;
  char name[kLongestDeviceName + 1] = {};
  for (size_t i = 0; i < n; ++i) name[i] = part[i] >= 'a' && part[i] <= 'z' ? static_cast<char>(part[i] - 'a' + 'A') : part[i];
  for (const char* device : kDeviceNames)
    if (std::strcmp(name, device) == 0) return true;
  bool numbered = n == 4 && name[3] >= '0' && name[3] <= '9';
  return numbered && (std::memcmp(name, "COM", 3) == 0 || std::memcmp(name, "LPT", 3) == 0);
}

bool EndsInDeviceName(const char* path) {
  size_t start = 0, length = std::strlen(path);
  for (size_t i = 0; i < length; i += SjisCharLength(path, i))
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
  return IsDeviceName(path + start, length - start);
}

bool IsSafePath(const std::string& path) {
  if (path.empty()) return false;
  size_t partStart = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    unsigned char c = i < path.size() ? static_cast<unsigned char>(path[i]) : '\\';
    if (i < path.size() && IsSjisLead(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == ':') return false;
    if (c == '\\' || c == '/') {
      size_t n = i - partStart;
      if (n == 0) return false;
      if ((n == 1 || n == 2) && path.compare(partStart, n, std::string(n, '.')) == 0) return false;
      if (IsDeviceName(path.data() + partStart, n)) return false;
      partStart = i + 1;
    }
  }
  return true;
}

std::string CaseFolded(const std::string& path) {
  std::string folded;
  size_t kept = 0;  // folded up to the last byte that is not a part's trailing dot or blank
  for (size_t i = 0; i < path.size(); ++i) {
    auto c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < path.size()) {
      auto trail = static_cast<unsigned char>(path[++i]);
      folded.push_back(static_cast<char>(c));
      folded.push_back(static_cast<char>(trail - SmallLetterDistance(c, trail)));
      kept = folded.size();
      continue;
    }
    if (c == '/' || c == '\\') {
      folded.resize(kept);
      folded.push_back('\\');
      kept = folded.size();
      continue;
    }
    folded.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    if (c != '.' && c != ' ') kept = folded.size();
  }
  folded.resize(kept);
  return folded;
}

}  // namespace zanto::lzh
