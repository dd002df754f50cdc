// The command line: split a fuzzed line into arguments and apply them in
// both passes. Checks the argument vector's shape (bounded count, ended by
// an empty entry, no argument longer than its line) and that every text
// setting an option can write still ends inside its field.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_files.h"
#include "search/settings_io.h"
#include "search/settings_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zanto;
  // The line as the system hands it over: no NUL inside.
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.substr(0, line.find('\0'));
  // The program beside the scratch files, so that option I's names and the
  // files beside the program stay there.
  const std::string program = fuzz::ScratchPath("ZANTO32.EXE");
  SplitCommandLine(line.c_str(), program.c_str());

  if (gArguments.count < 1 || gArguments.count > kMaxArguments) std::abort();
  if (gArguments.entries[gArguments.count] != nullptr && gArguments.entries[gArguments.count][0] != '\0')
    std::abort();
  if (std::strcmp(gArguments.entries[0], program.c_str()) != 0) std::abort();
  for (int i = 1; i < gArguments.count; ++i) {
    if (gArguments.entries[i] == nullptr || std::strlen(gArguments.entries[i]) > line.size()) std::abort();
  }

  for (int pass = 1; pass <= 2; ++pass) {
    ApplyCommandLine(pass);
    for (const TextSetting& row : kTextSettingTable) {
      const char* field = reinterpret_cast<const char*>(&gSettings) + row.offset;
      if (strnlen(field, row.capacity) == row.capacity) std::abort();
    }
    if (strnlen(gSettings.ProfilePath, kPathBuffer) == kPathBuffer) std::abort();
  }
  FreeArguments();
  return 0;
}
