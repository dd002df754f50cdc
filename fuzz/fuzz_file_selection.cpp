// The texts that choose files: the file-name field (split for a run and for
// the listing, and listed with its "@" list files), list files (.LST) read
// and written back, the date and size filter texts and the field selection texts.
//
// The field may name only entries of the scratch directory (no separators),
// so the listing never leaves it. A list file's lines name files that exist
// there or not; what loads, saved and loaded again, must come back line for
// line.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/date_size_filter.h"
#include "files/list_file.h"
#include "files/targets.h"
#include "fuzz_files.h"
#include "match/field_selection.h"

namespace {

struct Lines final : zanto::TargetListSink {
  std::vector<std::string> lines;
  size_t limit = 200;
  bool AddLine(const char* text) override {
    if (lines.size() >= limit) return false;
    lines.emplace_back(text);
    return true;
  }
  void ReportListFull(const char*) override {}
};

bool ReadEntry(void* context, int index, char* out) {
  const auto& lines = *static_cast<const std::vector<std::string>*>(context);
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return false;
  std::strcpy(out, lines[static_cast<size_t>(index)].c_str());
  return true;
}

void CheckPatterns(const zanto::FilePatternList& list, int count) {
  if (count != list.count || count < 0 || count > zanto::kMaxFilePatterns) std::abort();
  for (int i = 0; i < count; ++i) {
    if (list.items[i].pattern == nullptr || std::strlen(list.items[i].pattern) >= zanto::kFieldBuffer) std::abort();
  }
}

void SetUpScratch() {
  static bool done = false;
  if (done) return;
  done = true;
  fuzz::WriteFile(fuzz::ScratchPath("a.txt"), "a\r\n");
  fuzz::WriteFile(fuzz::ScratchPath("B.TXT"), "b\r\n");
  fuzz::WriteFile(fuzz::ScratchPath("\x82\xA0.txt"), "c\r\n");
  if (chdir(fuzz::ScratchDir()) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zanto;
  SetUpScratch();
  FuzzedDataProvider in(data, size);
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  TargetOptions options;
  options.searchHide = flags & 1;
  options.order = static_cast<SortOrder>((flags >> 1) % 3);
  options.reverse = (flags >> 3) & 1;

  // Filter texts and the field selection.
  std::string dateStart = in.ConsumeRandomLengthString(12), dateEnd = in.ConsumeRandomLengthString(12);
  std::string sizeMin = in.ConsumeRandomLengthString(12), sizeMax = in.ConsumeRandomLengthString(12);
  DateBounds date;
  RangeFault fault = ParseDateRangeTexts(dateStart.c_str(), dateEnd.c_str(), &date);
  if (fault != RangeFault::kNone && fault != RangeFault::kDateStart && fault != RangeFault::kDateEnd) std::abort();
  if (std::strlen(date.start) != kDateTextLength || std::strlen(date.end) != kDateTextLength) std::abort();
  SizeBounds bounds;
  fault = ParseSizeRangeTexts(sizeMin.c_str(), sizeMax.c_str(), &bounds);
  if (fault != RangeFault::kNone && fault != RangeFault::kSizeMin && fault != RangeFault::kSizeMax) std::abort();
  if (bounds.minimum < 0 || bounds.maximum < bounds.minimum) std::abort();
  DateInRange(dateStart.c_str(), dateEnd.c_str(), sizeMin.c_str());
  std::string separators = in.ConsumeRandomLengthString(80), numbers = in.ConsumeRandomLengthString(80);
  FieldSelection selection;
  const FieldSpecFault wrong = FillFieldSelection(separators.c_str(), numbers.c_str(), &selection);
  if (wrong != FieldSpecFault::kNone && wrong != FieldSpecFault::kNumbers) std::abort();

  // A list file: loaded, saved, loaded again.
  const std::string list = in.ConsumeRandomLengthString(2048);
  fuzz::WriteFile(fuzz::ScratchPath("A.LST"), list);
  Lines first;
  if (!LoadListFile("A.LST", first)) std::abort();
  for (const std::string& line : first.lines) {
    // A carriage return inside a line stays in its entry (no file name
    // holds one, so it matches nothing) and is saved back as it was.
    if (line.size() >= kListEntryBuffer || line.find('\n') != std::string::npos) std::abort();
  }
  if (!SaveListFile("C.LST", ReadEntry, &first.lines)) std::abort();
  Lines second;
  if (!LoadListFile("C.LST", second) || second.lines != first.lines) std::abort();

  // The field, split both ways and listed.
  std::string field = in.ConsumeRemainingBytesAsString();
  field = field.substr(0, field.find('\0'));
  if (field.find_first_of("/\\") != std::string::npos) return 0;
  {
    FilePatternList run;
    CheckPatterns(run, SplitFieldForRun(options, field.c_str(), &run));
    FilePatternList listing;
    CheckPatterns(listing, SplitFieldForListing(options, field.c_str(), &listing));
  }
  Lines listed;
  TargetNotes notes;
  ListTargets(options, listed, field.c_str(), nullptr, &notes);
  return 0;
}
