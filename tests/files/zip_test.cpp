#include "files/zip/zip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "files/zip/zip_file.h"

namespace zanto::zip {
namespace {

const std::string kFixtures = ZANTO_ZIP_FIXTURES;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// archive -> (member path in code page 932 -> bsdtar's extracted file)
std::map<std::string, std::map<std::string, std::string>> ReadManifest() {
  std::map<std::string, std::map<std::string, std::string>> archives;
  std::ifstream in(kFixtures + "/members.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, '\t');) f.push_back(field);
    archives[f[0]][FromHex(f[1])] = kFixtures + "/" + f[0] + ".expected/" + f[2];
  }
  return archives;
}

// Every good archive, written by Info-ZIP zip or Python's zipfile: its
// directory names exactly the files bsdtar extracted, under their code
// page 932 paths (UTF-8 names, the Unicode path field and raw Shift_JIS
// names with 0x5C trail bytes alike), and each member inflates to bsdtar's
// bytes.
TEST(Zip, ReadsWhatBsdtarExtracts) {
  auto manifest = ReadManifest();
  ASSERT_EQ(manifest.size(), 6u);
  for (const auto& [name, expected] : manifest) {
    SCOPED_TRACE(name);
    Archive archive;
    ASSERT_EQ(OpenFile((kFixtures + "/" + name).c_str(), &archive), Status::kOk);
    std::map<std::string, std::string> found;
    for (const Member& m : archive.members()) {
      if (m.isDirectory) continue;
      std::string bytes;
      EXPECT_EQ(archive.Read(m, &bytes), Status::kOk) << m.path;
      found[m.path] = bytes;
    }
    std::map<std::string, std::string> want;
    for (const auto& [path, file] : expected) want[path] = ReadAll(file);
    EXPECT_EQ(found, want);
  }
}

// Archives refused whole, and members passed over or found damaged one by
// one while the others read.
TEST(Zip, RefusesHostileArchivesAndBoundsEachMember) {
  const struct {
    const char* archive;
    Status open;
    std::map<std::string, Status> members;  // by path
  } cases[] = {
      {"overlap.zip", Status::kOverlap, {}},
      {"count.zip", Status::kTooManyMembers, {}},
      {"bad_crc.zip", Status::kOk, {{"sjis.txt", Status::kCrc}, {"readme.txt", Status::kOk}}},
      {"oversize.zip", Status::kOk, {{"dir\\sub\\file.txt", Status::kPastDeclaredSize}, {"readme.txt", Status::kOk}}},
      {"bomb.zip", Status::kOk, {{"zeros.txt", Status::kTooLarge}, {"small.txt", Status::kOk}}},
      {"passed.zip", Status::kOk,
       {{"secret.txt", Status::kEncrypted}, {"bz.txt", Status::kUnknownMethod}, {"ok.txt", Status::kOk}}},
      {"make_fixtures.py", Status::kNotZip, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    Archive archive;
    ASSERT_EQ(OpenFile((kFixtures + "/" + c.archive).c_str(), &archive), c.open);
    if (c.open != Status::kOk) {
      EXPECT_TRUE(archive.members().empty());
      continue;
    }
    for (const auto& [path, status] : c.members) {
      const Member* m = archive.Find(path.c_str());
      ASSERT_NE(m, nullptr) << path;
      std::string bytes;
      EXPECT_EQ(archive.Read(*m, &bytes), status) << path;
      EXPECT_EQ(bytes.empty(), status != Status::kOk) << path;
    }
  }
}

// Any cut of a good archive, and any byte of its directory changed, is
// read without a fault and never yields more than a member declares.
TEST(Zip, DamagedCopiesNeverOverrun) {
  const std::string good = ReadAll(kFixtures + "/zip64.zip");
  std::vector<std::string> damaged;
  for (size_t cut = 0; cut < good.size(); cut += 7) damaged.push_back(good.substr(0, cut));
  size_t directory = good.rfind("PK\x01\x02", std::string::npos, 4);
  for (size_t at = good.find("PK\x01\x02", 0, 4); at < good.size(); at += 3) {
    std::string copy = good;
    copy[at] = static_cast<char>(copy[at] ^ 0x80);
    damaged.push_back(copy);
  }
  ASSERT_NE(directory, std::string::npos);
  for (const std::string& bytes : damaged) {
    Archive archive;
    if (archive.Open(Bytes(bytes)) != Status::kOk) continue;
    for (const Member& m : archive.members()) {
      std::string out;
      archive.Read(m, &out);
      EXPECT_LE(out.size(), m.originalSize);
    }
  }
}

}  // namespace
}  // namespace zanto::zip
