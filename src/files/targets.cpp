// The walk over the targets of a field: groups of (directory, pattern) in
// order, each collected, sorted and handed on - to the search run, to a
// counter, or to the file-list dialog's list.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/date_size_filter.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/targets_internal.h"

namespace zanto {

namespace {

constexpr char kDirectoryLinePrefix[] = "ﾃﾞｨﾚｸﾄﾘ　";
constexpr char kListFullMessage[] = "これ以上登録できません";

enum class WalkMode { Count, Run, List };

// One pass over the groups.
struct Walk {
  WalkMode mode;
  TargetVisitor* visitor = nullptr;  // Run
  TargetListSink* sink = nullptr;    // List
  SortRecord** sortArray = nullptr;  // kMaxGroupFiles slots, or null (order 3)
  unsigned total = 0;                // Run: result of the counting pass
  unsigned handedOn = 0;             // targets handed on so far
  bool ended = false;                // stop flag, aborting visit or full list
  bool aborted = false;              // a visit returned 0
};

// The patterns of a field and the directories they are applied in.
struct TargetPlan {
  FilePatternList patterns;
  char** directories = nullptr;  // the module's DirectoryList
  int directoryCount = 0;
};

// One (directory, pattern) unit.
struct Group {
  const char* pattern;     // handed to the directory search
  const char* memberList;  // or null
  char drive[kDriveBuffer];  // of pattern, for the paths handed on
  char dir[kPathPart];
};

uint32_t TargetMask() { return kTargetMask | (gSettings.SearchHide ? kHiddenSystem : 0); }

bool IsTargetEntry(const FindRecord& record) {
  return (record.attributes & kAttrDirectory) == 0 && !IsExcludedExtension(record.name);
}

// The most files one group hands on: sorting holds kMaxGroupFiles.
unsigned GroupLimit() {
  return gSettings.SortType == kSortAsFound ? ~0u : static_cast<unsigned>(kMaxGroupFiles);
}

// Adds one listing line: path in absolute form, then ":" and the member list.
void AddListLine(Walk& walk, const char* path, const char* memberList) {
  char line[kListEntryBuffer];
  CopyText(line, kPathBuffer, path);
  NormalizePath(line);
  if (memberList != nullptr) {
    AppendText(line, sizeof line, ":");
    AppendText(line, sizeof line, memberList);
  }
  if (!walk.sink->AddLine(line)) {
    walk.sink->ReportListFull(kListFullMessage);
    walk.ended = true;
    return;
  }
  ++walk.handedOn;
}

// Hands one target on; path is ready to open (merged, or a list-file line).
void HandOn(Walk& walk, const char* path, const FindRecord& found, const char* memberList) {
  switch (walk.mode) {
    case WalkMode::Count:
      ++walk.handedOn;
      return;
    case WalkMode::List:
      AddListLine(walk, path, memberList);
      return;
    case WalkMode::Run:
      break;
  }
  if (gAbortRequested) {
    walk.ended = true;
    return;
  }
  FindRecord record = found;
  record.osHandle = nullptr;
  if (walk.visitor->Visit(path, record, ++walk.handedOn, walk.total, memberList) == 0) {
    gAbortRequested = 1;
    walk.ended = walk.aborted = true;
  }
}

// Reads the next list-file line: cut at its first control byte, at most
// kFieldBuffer - 1 bytes (the rest of a longer line is skipped).
bool ReadListLine(FILE* file, char* line) {
  if (std::fgets(line, static_cast<int>(kFieldBuffer), file) == nullptr) return false;
  if (std::strchr(line, '\n') == nullptr) {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
  }
  size_t i = 0;
  while (static_cast<unsigned char>(line[i]) >= 0x20) ++i;
  line[i] = '\0';
  TruncateText(line, kFieldBuffer - 1);  // no lead byte left without its trail
  return true;
}

// A list file: every line naming an existing file is handed on as written.
// Sorted orders keep the group limit but not the sorting.
void VisitListFile(Walk& walk, const Group& group) {
  FILE* file = std::fopen(group.pattern, "r");
  if (file == nullptr) return;
  const unsigned limit = GroupLimit();
  unsigned taken = 0;
  char line[kFieldBuffer];
  while (!walk.ended && taken < limit && ReadListLine(file, line)) {
    if (line[0] == '\0') continue;
    FindRecord record;
    if (FindFirst(line, &record, TargetMask()) != 0) continue;
    FindEnd(&record);
    if (!IsTargetEntry(record)) continue;
    ++taken;
    HandOn(walk, line, record, nullptr);
  }
  std::fclose(file);
}

void HandOnEntry(Walk& walk, const Group& group, const FindRecord& record) {
  char path[kPathBuffer];
  MergePath(path, group.drive, group.dir, record.name, "");
  HandOn(walk, path, record, group.memberList);
}

// A pattern in file-system order.
void VisitUnsorted(Walk& walk, const Group& group) {
  FindRecord record;
  if (FindFirst(group.pattern, &record, TargetMask()) != 0) return;
  const unsigned limit = GroupLimit();
  unsigned taken = 0;
  do {
    if (!IsTargetEntry(record)) continue;
    ++taken;
    HandOnEntry(walk, group, record);
  } while (!walk.ended && taken < limit && FindNext(&record) == 0);
  FindEnd(&record);
}

SortRecord* NewSortRecord(const FindRecord& record) {
  size_t nameBytes = std::strlen(record.name) + 1;
  auto* sorted = static_cast<SortRecord*>(targets::Allocate(sizeof(SortRecord) + nameBytes));
  if (sorted == nullptr) return nullptr;
  sorted->date = record.date;
  sorted->time = record.time;
  sorted->size = record.size;
  sorted->attributes = record.attributes;
  std::memcpy(sorted->name, record.name, nameBytes);
  return sorted;
}

void FreeSortRecords(SortRecord** records, int count) {
  for (int i = 0; i < count; ++i) {
    std::free(records[i]);
    records[i] = nullptr;
  }
}

int CompareSortSlots(const void* a, const void* b) {
  return CompareSortRecords(*static_cast<SortRecord* const*>(a), *static_cast<SortRecord* const*>(b));
}

// Collects up to kMaxGroupFiles records of a pattern, sorts and hands them
// on. False when a record could not be allocated: nothing was handed on,
// and the group is to be visited again unsorted.
bool VisitSorted(Walk& walk, const Group& group) {
  SortRecord** records = walk.sortArray;
  int count = 0;
  bool outOfMemory = false;
  FindRecord record;
  if (FindFirst(group.pattern, &record, TargetMask()) == 0) {
    do {
      if (!IsTargetEntry(record)) continue;
      records[count] = NewSortRecord(record);
      if (records[count] == nullptr) {
        outOfMemory = true;
        break;
      }
      ++count;
    } while (count < kMaxGroupFiles && FindNext(&record) == 0);
    FindEnd(&record);
  }
  if (outOfMemory) {
    FreeSortRecords(records, count);
    return false;
  }
  std::qsort(records, static_cast<size_t>(count), sizeof *records, CompareSortSlots);
  for (int i = 0; i < count && !walk.ended; ++i) {
    FindRecord sorted{};
    sorted.attributes = records[i]->attributes;
    sorted.date = records[i]->date;
    sorted.time = records[i]->time;
    sorted.size = records[i]->size;
    CopyText(sorted.name, sizeof sorted.name, records[i]->name);
    HandOnEntry(walk, group, sorted);
  }
  FreeSortRecords(records, count);
  return true;
}

void VisitPattern(Walk& walk, const Group& group) {
  if (walk.mode != WalkMode::Count && walk.sortArray != nullptr && gSettings.SortType != kSortAsFound) {
    if (VisitSorted(walk, group)) return;
    gSettings.SortType = kSortAsFound;  // persists: later groups and runs unsorted
  }
  VisitUnsorted(walk, group);
}

// A pattern with a path in it is searched only at the starting position.
bool HasPath(const char* pattern) {
  return FindChar(pattern, '\\') != nullptr || FindChar(pattern, ':') != nullptr ||
         FindChar(pattern, '/') != nullptr;
}

void ShowDirectoryLine(const char* dir) {
  char line[sizeof kDirectoryLinePrefix + kPathBuffer];
  line[0] = '\0';
  if (dir[0] != '\0') {
    CopyText(line, sizeof line, kDirectoryLinePrefix);
    AppendText(line, sizeof line, dir);
  }
  GetHost().SetProgressText(kProgressDirectory, line);
}

// Visits one pattern at one position (dir empty for the starting position).
void VisitGroup(Walk& walk, const FilePattern& pattern, const char* dir) {
  char text[kPathBuffer];
  if (dir[0] == '\0') {
    if (std::strlen(pattern.pattern) >= kPathBuffer) return;  // no search could open it
    std::strcpy(text, pattern.pattern);
  } else if (HasPath(pattern.pattern) || !targets::JoinPath(text, dir, pattern.pattern)) {
    return;
  }
  if (walk.mode == WalkMode::Run) {
    if (gAbortRequested) {
      walk.ended = true;
      return;
    }
    ParseDateRange();  // the bounds follow the stored settings
    ParseSizeRange();
  }
  Group group{text, pattern.memberList, {}, {}};
  SplitPath(text, group.drive, group.dir, nullptr, nullptr);
  if (pattern.listFile) {
    VisitListFile(walk, group);
  } else {
    VisitPattern(walk, group);
  }
}

void WalkGroups(Walk& walk, const TargetPlan& plan) {
  for (int position = -1; position < plan.directoryCount && !walk.ended; ++position) {
    const char* dir = position < 0 ? "" : plan.directories[position];
    if (walk.mode == WalkMode::Run) ShowDirectoryLine(dir);
    for (int i = 0; i < plan.patterns.count && !walk.ended; ++i) VisitGroup(walk, plan.patterns.items[i], dir);
  }
}

// With SubDir on: the directories below the current one and below every
// directory token. Out of memory: a message, SubDir off for later runs, and
// this one goes on with the directories collected so far.
void CollectPlanDirectories(TargetPlan& plan) {
  char** list = nullptr;
  int count = 0;
  bool ok = CollectDirectories("", &list, &count) != 0;
  for (int i = 0; ok && i < plan.patterns.count; ++i) {
    const FilePattern& pattern = plan.patterns.items[i];
    if (!pattern.listFile && IsDirectorySpec(pattern.pattern)) {
      ok = CollectDirectories(pattern.pattern, &list, &count) != 0;
    }
  }
  if (!ok) {
    ShowOutOfMemory();
    gSettings.SubDir = 0;
  }
  plan.directories = CollectedDirectories().entries;
  plan.directoryCount = CollectedDirectories().count;
}

void BuildPlan(TargetPlan& plan, const char* field, bool forListing) {
  if (forListing) {
    SplitFieldForListing(field, &plan.patterns);
  } else {
    SplitFieldForRun(field, &plan.patterns);
  }
  if (gSettings.SubDir) CollectPlanDirectories(plan);
}

unsigned CountPlan(const TargetPlan& plan) {
  Walk count{WalkMode::Count};
  WalkGroups(count, plan);
  return count.handedOn;
}

// The pointer array for sorting, or null in order 3. *ok false when it was
// needed and could not be allocated (the message has been shown).
SortRecord** AllocateSortArray(bool* ok) {
  *ok = true;
  if (gSettings.SortType == kSortAsFound) return nullptr;
  size_t bytes = sizeof(SortRecord*) * kMaxGroupFiles;
  auto* array = static_cast<SortRecord**>(targets::Allocate(bytes));
  if (array == nullptr) {
    ShowOutOfMemory();
    *ok = false;
    return nullptr;
  }
  std::memset(array, 0, bytes);
  return array;
}

// File-list mode of a run: the entries as written, numbered by position.
int EnumerateFileList(TargetVisitor& visitor) {
  const unsigned total = static_cast<unsigned>(gFileListEntries.count);
  for (int i = 0; i < gFileListEntries.count; ++i) {
    char path[kListEntryBuffer];
    CopyText(path, sizeof path, gFileListEntries.entries[i]);
    const char* memberList = targets::SplitFileListEntry(path);
    FindRecord record;
    if (FindFirst(path, &record, TargetMask()) != 0) continue;
    FindEnd(&record);
    if (gAbortRequested) break;
    record.osHandle = nullptr;
    if (visitor.Visit(path, record, static_cast<unsigned>(i + 1), total, memberList) == 0) {
      gAbortRequested = 1;
      return kTargetsAborted;
    }
  }
  return kTargetsDone;
}

}  // namespace

int EnumerateTargets(const char* field, TargetVisitor& visitor) {
  if (gFileListEntries.count > 0) return EnumerateFileList(visitor);
  TargetPlan plan;
  BuildPlan(plan, field, false);
  const unsigned total = CountPlan(plan);
  bool ok;
  SortRecord** sortArray = AllocateSortArray(&ok);
  if (!ok) return kTargetsNoMemory;
  Walk run{WalkMode::Run, &visitor, nullptr, sortArray, total};
  WalkGroups(run, plan);
  std::free(sortArray);
  return run.aborted ? kTargetsAborted : kTargetsDone;
}

unsigned CountTargets(const char* field) {
  if (gFileListEntries.count > 0) return static_cast<unsigned>(gFileListEntries.count);
  TargetPlan plan;
  BuildPlan(plan, field, false);
  return CountPlan(plan);
}

int ListTargets(TargetListSink& sink, const char* field, int subDir) {
  if (gFileListEntries.count > 0) {
    int added = 0;
    for (; added < gFileListEntries.count; ++added) {
      if (!sink.AddLine(gFileListEntries.entries[added])) {
        sink.ReportListFull(kListFullMessage);
        break;
      }
    }
    return added;
  }
  bool ok;
  SortRecord** sortArray = AllocateSortArray(&ok);
  if (!ok) return 0;
  gSettings.SubDir = subDir ? 1 : 0;
  TargetPlan plan;
  BuildPlan(plan, field, true);
  Walk list{WalkMode::List, nullptr, &sink, sortArray};
  WalkGroups(list, plan);
  std::free(sortArray);
  return static_cast<int>(list.handedOn);
}

}  // namespace zanto
