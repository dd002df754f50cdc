#include "files/lzh/lzh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace zanto::lzh {
namespace {

const std::string kFixtures = ZANTO_LZH_FIXTURES;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class VectorSink : public Sink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
  std::vector<uint8_t> bytes;
};

void SetZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

struct Row {
  std::string archive, method, pathCp932, expectedFile;
  size_t headerOffset, dataOffset, dataSize;
  uint32_t size;
  uint16_t crc, dosDate, dosTime;
  int level;
};

std::vector<Row> ReadManifestRows() {
  std::ifstream in(kFixtures + "/members.tsv");
  std::string line;
  std::getline(in, line);  // column names
  std::vector<Row> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) f.push_back(cell);
    if (f.size() < 17) continue;
    f.resize(18);
    Row r;
    r.archive = f[0];
    r.headerOffset = std::stoul(f[2]);
    r.level = std::stoi(f[3]);
    r.method = f[4];
    r.pathCp932 = FromHex(f[6]);
    r.size = static_cast<uint32_t>(std::stoul(f[8]));
    r.dataOffset = std::stoul(f[9]);
    r.dataSize = std::stoul(f[10]);
    r.crc = static_cast<uint16_t>(std::stoul(f[11], nullptr, 16));
    r.dosDate = static_cast<uint16_t>(std::stoul(f[13], nullptr, 16));
    r.dosTime = static_cast<uint16_t>(std::stoul(f[14], nullptr, 16));
    r.expectedFile = f[17];
    rows.push_back(r);
  }
  return rows;
}

// Every good archive: each member's header as stored, its bytes as the
// three reference extractors wrote them, and the end mark after the last.
// The archives were made in UTC, so level-2 times match in that zone.
TEST(LzhDecoder, ReadsEveryGoodArchiveAsManifested) {
  SetZone("UTC0");
  std::vector<Row> rows = ReadManifestRows();
  ASSERT_GT(rows.size(), 60u);
  std::string current;
  std::vector<uint8_t> archive;
  size_t offset = 0;
  int checked = 0;
  auto finish = [&]() {
    if (current.empty()) return;
    Member m;
    size_t next = 0;
    EXPECT_EQ(ReadHeader(archive.data(), archive.size(), offset, &m, &next), Status::kEnd) << current;
    EXPECT_EQ(offset + 1, archive.size()) << current;
  };
  for (const Row& r : rows) {
    if (r.archive.rfind("bad_", 0) == 0 || r.archive.rfind("hostile_", 0) == 0) continue;
    if (r.archive != current) {
      finish();
      current = r.archive;
      archive = ReadAll(kFixtures + "/" + current);
      offset = 0;
    }
    SCOPED_TRACE(r.archive + " " + r.expectedFile + " at " + std::to_string(r.headerOffset));
    Member m;
    size_t next = 0;
    ASSERT_EQ(offset, r.headerOffset);
    ASSERT_EQ(ReadHeader(archive.data(), archive.size(), offset, &m, &next), Status::kOk);
    std::string path = r.pathCp932;
    bool dir = r.method == "-lhd-";
    if (dir) path.pop_back();
    EXPECT_EQ(m.path, path);
    EXPECT_EQ(m.isDirectory, dir);
    EXPECT_EQ(std::string(m.method), r.method);
    EXPECT_EQ(m.level, r.level);
    EXPECT_EQ(m.originalSize, r.size);
    EXPECT_EQ(m.dataOffset, r.dataOffset);
    EXPECT_EQ(m.packedSize, r.dataSize);
    EXPECT_EQ(m.crc, r.crc);
    EXPECT_EQ(m.dosDate, r.dosDate);
    EXPECT_EQ(m.dosTime, r.dosTime);
    VectorSink sink;
    EXPECT_EQ(Extract(archive.data(), archive.size(), m, &sink), Status::kOk);
    if (!dir) {
      EXPECT_EQ(sink.bytes, ReadAll(kFixtures + "/" + r.expectedFile));
    }
    EXPECT_TRUE(IsSafePath(m.path));
    offset = next;
    ++checked;
  }
  finish();
  EXPECT_GT(checked, 60);
}

// Damaged archives: what each member comes to, in order. A header error
// ends the walk; a data error is that member's alone.
TEST(LzhDecoder, DamagedArchivesGiveTheirErrors) {
  struct Case {
    const char* archive;
    std::vector<Status> members;  // Extract's result, or the header error that ends the walk
  };
  const Case cases[] = {
      {"bad_hdrsum.lzh", {Status::kHeaderChecksum}},
      {"bad_truncated.lzh", {Status::kTruncated}},
      {"bad_truncated_hdr.lzh", {Status::kOk, Status::kTruncated}},
      {"bad_crc_lh0.lzh", {Status::kCrc, Status::kOk, Status::kOk, Status::kOk, Status::kEnd}},
      {"bad_flipped.lzh", {Status::kOk, Status::kBadData, Status::kOk, Status::kOk, Status::kEnd}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    std::vector<uint8_t> archive = ReadAll(kFixtures + "/" + c.archive);
    std::vector<Status> got;
    size_t offset = 0;
    for (;;) {
      Member m;
      size_t next = 0;
      Status s = ReadHeader(archive.data(), archive.size(), offset, &m, &next);
      if (s != Status::kOk) {
        got.push_back(s);
        break;
      }
      VectorSink sink;
      got.push_back(Extract(archive.data(), archive.size(), m, &sink));
      offset = next;
    }
    EXPECT_EQ(got, c.members);
  }
}

// The header CRC of levels 1 and 2 covers the name: a changed name byte is
// caught even where no checksum is (level 2).
TEST(LzhDecoder, HeaderCrcCatchesAChangedName) {
  for (const char* name : {"lh5_l1.lzh", "lh5_l2.lzh"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> archive = ReadAll(kFixtures + "/" + name);
    Member m;
    size_t next = 0;
    ASSERT_EQ(ReadHeader(archive.data(), archive.size(), 0, &m, &next), Status::kOk);
    std::string stored = "readme.txt";
    auto at = std::search(archive.begin(), archive.begin() + static_cast<long>(m.dataOffset), stored.begin(), stored.end());
    ASSERT_NE(at, archive.begin() + static_cast<long>(m.dataOffset));
    *at = 'R';
    if (archive[20] == 1) {  // keep the level-1 checksum right, so that only the CRC can tell
      archive[1] = static_cast<uint8_t>(archive[1] - 'r' + 'R');
    }
    EXPECT_EQ(ReadHeader(archive.data(), archive.size(), 0, &m, &next), Status::kHeaderCrc);
  }
}

// Any cut of a good archive: no crash, no overrun, and whatever still
// extracts as good is the member's true content.
TEST(LzhDecoder, EveryCutOfAnArchiveIsHandled) {
  for (const char* name : {"lh5_l2.lzh", "lh7_l1.lzh", "dirs_l0.lzh"}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> full = ReadAll(kFixtures + "/" + name);
    std::vector<std::vector<uint8_t>> truth;
    size_t offset = 0, next = 0;
    Member m;
    while (ReadHeader(full.data(), full.size(), offset, &m, &next) == Status::kOk) {
      VectorSink sink;
      ASSERT_EQ(Extract(full.data(), full.size(), m, &sink), Status::kOk);
      truth.push_back(sink.bytes);
      offset = next;
    }
    for (size_t cut = 0; cut < full.size(); ++cut) {
      std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<long>(cut));
      offset = 0;
      for (size_t i = 0; ReadHeader(part.data(), part.size(), offset, &m, &next) == Status::kOk; ++i) {
        ASSERT_LT(i, truth.size());
        VectorSink sink;
        if (Extract(part.data(), part.size(), m, &sink) == Status::kOk) {
          EXPECT_EQ(sink.bytes, truth[i]);
        }
        offset = next;
      }
    }
  }
}

TEST(LzhDecoder, OnlyPathsThatStayBelowTheFolderAreSafe) {
  struct Case {
    const char* path;
    bool safe;
  };
  const Case cases[] = {
      {"readme.txt", true},
      {"dir\\sub\\file.txt", true},
      {"\x95\x5C\x8C\x76\x8E\x5A\\\x83\x5C\x81\x5B\x83\x58.txt", true},  // 0x5C trail bytes
      {"\x94\x5C", true},
      {"..x\\a..b", true},
      {"", false},
      {"\\rooted.txt", false},
      {"/slashed.txt", false},
      {"..\\up.txt", false},
      {"sub\\..\\..\\up2.txt", false},
      {"sub/../up.txt", false},
      {"..", false},
      {".\\a", false},
      {"C:x.txt", false},
      {"C:\\x.txt", false},
      {"a\\\\b", false},
      {"a\\", false},
      {"\x95\x5C\\..", false},
      // Names the system takes for devices, with any extension, in any
      // folder, in any case; only the name before the first dot counts.
      {"drivers\\aux.c", false},
      {"CON", false},
      {"nul.txt", false},
      {"lpt1", false},
      {"Prn.tar.gz", false},
      {"com9 .txt", false},
      {"aux\\readme.txt", false},
      {"LPT5\\x", false},
      {"auxiliary.txt", true},
      {"com10.txt", true},
      {"com0", false},
      {"conin$", false},
      {"CONOUT$.txt", false},
      {"conin", true},
      {"lpt", true},
      {"a.con", true},
      {"xnul", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafePath(c.path), c.safe) << c.path;
}

// Paths that a file system ignoring letter case takes for one file fold
// alike; others do not.
TEST(LzhDecoder, PathsOfOneFileFoldAlike) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"dir\\readme.txt", "DIR/README.TXT", true},
      {"\x82\x81\x82\x9A.txt", "\x82\x60\x82\x79.TXT", true},  // full-width a and z
      {"\x83\xBF", "\x83\x9F", true},                              // Greek alpha
      {"\x84\x70\x84\x80\x84\x91", "\x84\x40\x84\x4F\x84\x60", true},  // Cyrillic, either side of 84 7F
      {"a.txt.", "A.TXT", true},
      {"sub. \\x", "SUB\\X", true},
      {"\x83\x61", "\x83\x41", false},  // a trail byte in the range of ASCII small letters
      {"\x95\x5C\\a", "\x95\x5C/A", true},
      {"a.txt", "a.txu", false},
      {".a", "a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(CaseFolded(c.a) == CaseFolded(c.b), c.same) << c.a << " " << c.b;
}

// Hostile archives read as stored; the paths that leave are caught.
TEST(LzhDecoder, HostileArchivesNameTheirWayOut) {
  struct Case {
    const char* archive;
    std::vector<std::string> paths;
  };
  const Case cases[] = {
      {"hostile_l0.lzh", {"\\rooted.txt", "\\slashed.txt", "..\\up.txt", "sub\\..\\..\\up2.txt", "ok.txt"}},
      {"hostile_l2.lzh", {"..\\up.txt", "\\rooted\\rooted2.txt", "ok.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    std::vector<uint8_t> archive = ReadAll(kFixtures + "/" + c.archive);
    std::vector<std::string> paths;
    size_t offset = 0, next = 0;
    Member m;
    while (ReadHeader(archive.data(), archive.size(), offset, &m, &next) == Status::kOk) {
      paths.push_back(m.path);
      EXPECT_EQ(IsSafePath(m.path), m.path == "ok.txt") << m.path;
      offset = next;
    }
    EXPECT_EQ(paths, c.paths);
  }
}

TEST(LzhDecoder, UnixTimesBecomeLocalDosTimes) {
  struct Case {
    const char* zone;
    uint32_t unixTime;
    uint16_t date, time;
  };
  const Case cases[] = {
      {"UTC0", 1330516800, 0x405D, 0x6000},   // 2012-02-29 12:00:00
      {"JST-9", 1330516800, 0x405D, 0xA800},  // 21:00 the same day
      {"JST-9", 1330560000, 0x4061, 0x4800},  // 2012-03-01 00:00 UTC is 09:00 there
      {"UTC0", 0, 0x0021, 0x0000},            // before 1980: the first DOS day
  };
  for (const Case& c : cases) {
    SetZone(c.zone);
    uint16_t date = 0, time = 0;
    UnixTimeToDos(c.unixTime, &date, &time);
    EXPECT_EQ(date, c.date) << c.zone << " " << c.unixTime;
    EXPECT_EQ(time, c.time) << c.zone << " " << c.unixTime;
  }
  SetZone("UTC0");
}

}  // namespace
}  // namespace zanto::lzh
