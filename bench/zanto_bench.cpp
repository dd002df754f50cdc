// Runs one search through RunSearch, as the program does, and prints the
// match count and the time it took, for bench/run to compare with peers.
//
//   zanto_bench [-z] [-g] [-r] SEARCH FIELD OUTFILE
//     -z  fuzzy search (ZenHan) on      -g  terms as literal text (Regular off)
//     -r  subdirectories too
//   zanto_bench --lzh ARCHIVE
//     decodes every member of an LZH archive over and over and prints the
//     bytes decoded and the time it took
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "files/lzh/lzh.h"

#include "search/file_scan.h"
#include "search/result_output.h"
#include "search/search_run.h"
#include "search/settings_io.h"

using namespace zanto;

namespace {

double Seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

class CountingSink final : public lzh::Sink {
 public:
  bool Write(const uint8_t*, size_t size) override {
    bytes += size;
    return true;
  }
  uint64_t bytes = 0;
};

// The decoder alone, on an archive held in memory: passes over all of its
// members until at least kLzhBenchBytes are decoded.
int TimeLzhDecoder(const char* path) {
  constexpr uint64_t kLzhBenchBytes = uint64_t{64} << 20;
  std::vector<uint8_t> archive;
  if (FILE* f = std::fopen(path, "rb")) {
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) archive.insert(archive.end(), buffer, buffer + n);
    std::fclose(f);
  }
  CountingSink sink;
  double start = Seconds();
  while (sink.bytes < kLzhBenchBytes) {
    const uint64_t before = sink.bytes;
    lzh::Member m;
    size_t offset = 0, next = 0;
    for (; lzh::ReadHeader(archive.data(), archive.size(), offset, &m, &next) == lzh::Status::kOk; offset = next) {
      const lzh::Status status = lzh::Extract(archive.data(), archive.size(), m, &sink);
      if (status != lzh::Status::kOk) {
        std::fprintf(stderr, "%s: %s\n", m.path.c_str(), lzh::StatusText(status));
        return 1;
      }
    }
    if (sink.bytes == before) {
      std::fprintf(stderr, "%s: nothing to decode\n", path);
      return 1;
    }
  }
  double elapsed = Seconds() - start;
  std::printf("%llu %.3f %.1f MB/s\n", static_cast<unsigned long long>(sink.bytes), elapsed, sink.bytes / 1e6 / elapsed);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--lzh") == 0) return TimeLzhDecoder(argv[2]);
  int argi = 1;
  bool zenHan = false, literal = false, subDir = false;
  for (; argi < argc && argv[argi][0] == '-' && argv[argi][1] != '\0'; ++argi) {
    if (std::strcmp(argv[argi], "-z") == 0) zenHan = true;
    if (std::strcmp(argv[argi], "-g") == 0) literal = true;
    if (std::strcmp(argv[argi], "-r") == 0) subDir = true;
  }
  if (argc - argi != 3) {
    std::fprintf(stderr, "usage: zanto_bench [-z] [-g] [-r] SEARCH FIELD OUTFILE\n");
    return 2;
  }
  SplitCommandLine("zanto_bench", "/zanto_bench");
  ApplyCommandLine(1);
  AllocateBlockSets();
  gSettings.ZenHan = zenHan ? 1 : 0;
  gSettings.Regular = literal ? 0 : 1;
  gSettings.SubDir = subDir ? 1 : 0;
  gSettings.Verbose = 0;  // matching lines only, as the peers print them

  // The result text and the count as the program keeps them.
  static ResultOutput output;
  uint32_t matches = 0;
  RunResources resources;
  resources.output = &output;
  resources.matchCount = &matches;
  double start = Seconds();
  int result = RunSearch(resources, argv[argi], argv[argi + 1], argv[argi + 2]);
  double elapsed = Seconds() - start;
  std::printf("%u %.3f\n", matches, elapsed);
  FreeBlockSets();
  FreeArguments();
  return result == kRunCompleted ? 0 : 1;
}
