// The ZIP library as the program binds it, over archives that Info-ZIP zip
// and Python's zipfile wrote: what its command writes is what bsdtar
// extracts, its listing names exactly that, and hostile or damaged members
// are never written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive_library.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::CollectFiles;
using test::HostPath;
using test::kOutputSize;
using test::ReadAnsi;

using Paths = std::vector<std::string>;

struct Library : test::Library {
  Library() : test::Library(KZZIP32_DLL, "KzZip") {}
};

std::string Fixture(const std::string& name) { return ReadAnsi(HostPath(ZANTO_ZIP_FIXTURES) + "\\" + name); }

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// A file whose path is UTF-8 (bsdtar's tree of a fixture), through the
// wide calls.
std::string ReadUtf8Named(const std::string& path) {
  std::wstring wide(path.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  if (n <= 0) return "(bad name)";
  std::string bytes;
  HANDLE f = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
}

// archive -> member path (code page 932) -> bsdtar's extracted bytes
std::map<std::string, std::map<std::string, std::string>> ReadManifest() {
  std::map<std::string, std::map<std::string, std::string>> archives;
  std::istringstream in(Fixture("members.tsv"));
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, '\t');) f.push_back(field);
    std::string file = HostPath(ZANTO_ZIP_FIXTURES) + "\\" + f[0] + ".expected\\" + f[2];
    for (char& c : file)
      if (c == '/') c = '\\';
    archives[f[0]][FromHex(f[1])] = ReadUtf8Named(file);
  }
  return archives;
}

// Extracts archive (a fixture) into tmp\out\ and returns what the listing
// names and which files were written there, both sorted.
void ExtractAndList(const Library& lib, const test::TempDir& tmp, const std::string& archive, Paths* listed,
                    Paths* written) {
  tmp.Write("a.zip", Fixture(archive));
  std::string line = "x -jf0 \"" + (tmp / "a.zip") + "\" \"" + (tmp / "out\\") + "\" *.*";
  std::vector<char> output(kOutputSize, 'x');
  lib.command(nullptr, line.c_str(), output.data(), kOutputSize);
  EXPECT_NE(std::memchr(output.data(), '\0', kOutputSize), nullptr);
  for (const test::Listed& l : test::List(lib, tmp / "a.zip", "*.*")) listed->push_back(l.path);
  CollectFiles(tmp / "out\\", "", written);
  std::sort(listed->begin(), listed->end());
  std::sort(written->begin(), written->end());
}

TEST(KzZip32, BindsAllSixEntryPoints) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  EXPECT_GE(lib.version(), 100);
}

// Every good fixture: the command writes bsdtar's members, at their code
// page 932 paths (UTF-8 names, the Unicode path field, raw Shift_JIS names
// with 0x5C trail bytes), with bsdtar's bytes; the listing names them and nothing else.
TEST(KzZip32, WritesAndListsWhatBsdtarExtracts) {
  Library lib;
  ASSERT_TRUE(lib.Complete());
  auto manifest = ReadManifest();
  ASSERT_EQ(manifest.size(), 6u);
  for (const auto& [archive, members] : manifest) {
    SCOPED_TRACE(archive);
    test::TempDir tmp;
    Paths listed, written, want;
    ExtractAndList(lib, tmp, archive, &listed, &written);
    for (const auto& [path, bytes] : members) {
      want.push_back(path);
      EXPECT_EQ(ReadAnsi(tmp / ("out\\" + path)), bytes) << path;
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(written, want);
    EXPECT_EQ(listed, want);
  }
}

// Hostile and damaged archives: names that climb out, start at a root, name
// a drive or a device or have an empty part are neither written nor listed,
// and nothing lands outside the folder; a member that fails its CRC (the
// directory's) is neither; one encrypted, of another method or cut at a
// bound is listed (the program notes it) but not written; an archive whose
// members overlap or whose count the directory cannot hold has none.
TEST(KzZip32, NeverWritesHostileOrDamagedMembers) {
  const struct {
    const char* archive;
    Paths listed, written;
  } cases[] = {
      {"hostile.zip", {"ok.txt"}, {"ok.txt"}},
      {"bad_crc.zip", {"dir\\sub\\file.txt", "empty.txt", "readme.txt"}, {"dir\\sub\\file.txt", "empty.txt", "readme.txt"}},
      {"oversize.zip", {"dir\\sub\\file.txt", "empty.txt", "readme.txt", "sjis.txt"}, {"empty.txt", "readme.txt", "sjis.txt"}},
      {"bomb.zip", {"small.txt", "zeros.txt"}, {"small.txt"}},
      {"passed.zip", {"bz.txt", "ok.txt", "secret.txt"}, {"ok.txt"}},
      {"overlap.zip", {}, {}},
      {"count.zip", {}, {}},
  };
  Library lib;
  ASSERT_TRUE(lib.Complete());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    test::TempDir tmp;
    Paths listed, written, everything;
    ExtractAndList(lib, tmp, c.archive, &listed, &written);
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(written, c.written);
    CollectFiles(tmp.path(), "", &everything);
    EXPECT_EQ(everything.size(), c.written.size() + 1) << "written outside the folder";  // a.zip beside out
  }
}

}  // namespace
}  // namespace zanto
