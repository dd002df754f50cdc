// Runs one search through RunSearch, as the program does, and prints the
// match count and the time it took, for bench/run to compare with peers.
//
//   zanto_bench [-z] [-g] [-r] SEARCH FIELD OUTFILE
//     -z  fuzzy search (ZenHan) on      -g  terms as literal text (Regular off)
//     -r  subdirectories too
#include <cstdio>
#include <cstring>
#include <ctime>

#include "search/file_scan.h"
#include "search/search_run.h"
#include "search/settings_io.h"

using namespace zanto;

namespace {

double Seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
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

  double start = Seconds();
  int result = RunSearch(argv[argi], argv[argi + 1], argv[argi + 2]);
  double elapsed = Seconds() - start;
  std::printf("%u %.3f\n", gRunMatchCount, elapsed);
  FreeBlockSets();
  FreeArguments();
  return result == kRunCompleted ? 0 : 1;
}
