// The walk over the targets of a field: groups of (directory, pattern) in
// order, each collected, sorted and handed on - to the search run, to a
// counter, or to the file-list dialog's list.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/host.h"
#include "base/sjis.h"
#include "files/path.h"
#include "files/targets.h"
#include "files/targets_internal.h"

namespace zanto {

namespace {

constexpr char kListFullMessage[] = "これ以上登録できません";

// A run keeps what its counting pass listed, so that each group is listed
// once per run: directory searches are slow where every one is a round trip
// to a file server. When the store cannot grow, the groups it could not keep
// are listed again by the run pass.
constexpr size_t kListingFirstBytes = 64 * 1024;         // the store's first block
constexpr size_t kMaxListingBytes = 16 * 1024 * 1024;    // the most it grows to
constexpr size_t kListingAlign = alignof(SortRecord);    // of every group and entry

enum class WalkMode { Count, Run, List };

// The head of one pattern group in the store, followed by its targets as
// SortRecords in file-system order; its size keeps the first of them
// aligned.
struct alignas(kListingAlign) StoredGroup {
  uint32_t bytes;     // head and entries: the next group's head follows
  uint32_t count;     // targets kept
  uint8_t kept;       // 0: the store ran full inside this group
  uint8_t complete;   // the listing ended before the group limit
};
static_assert(sizeof(StoredGroup) % kListingAlign == 0);

// The counting pass appends one head per pattern group until the store is
// full; the run pass reads them back in the same order.
struct ListingStore {
  char* bytes = nullptr;
  size_t used = 0;
  size_t capacity = 0;
  bool full = false;       // Count: no further group is kept
  bool filling = false;    // Count: the group at open is being filled
  size_t open = 0;         // Count: offset of that group's head
  size_t next = 0;         // Run: offset of the next group's head

  ListingStore() = default;
  ~ListingStore() { std::free(bytes); }
  ListingStore(const ListingStore&) = delete;
  ListingStore& operator=(const ListingStore&) = delete;
};

// One pass over the groups.
struct Walk {
  WalkMode mode;
  const TargetOptions& options;
  SortOrder order;                   // options.order until a sort runs out of memory
  TargetNotes* notes;
  TargetVisitor* visitor = nullptr;  // Run
  TargetListSink* sink = nullptr;    // List
  SortRecord** sortArray = nullptr;  // kMaxGroupFiles slots, or null (order 3)
  unsigned total = 0;                // Run: result of the counting pass
  ListingStore* store = nullptr;     // Count fills it, Run reads it; or null
  unsigned handedOn = 0;             // targets handed on so far
  bool ended = false;                // stop flag, aborting visit or full list
  bool aborted = false;              // a visit returned 0
};

// The patterns of a field and the directories they are applied in.
struct TargetPlan {
  FilePatternList patterns;
  DirectoryList directories;
};

// One (directory, pattern) unit.
struct Group {
  const char* pattern;     // handed to the directory search
  const char* memberList;  // or null
  char drive[kDriveBuffer];  // of pattern, for the paths handed on
  char dir[kPathPart];
  const StoredGroup* stored = nullptr;  // Run: what the counting pass kept
};

uint32_t TargetMask(const TargetOptions& options) { return kTargetMask | (options.searchHide ? kHiddenSystem : 0); }

bool IsTargetEntry(const TargetOptions& options, const FindRecord& record) {
  return (record.attributes & kAttrDirectory) == 0 && !IsExcludedExtension(options, record.name);
}

// The most files one group hands on: sorting holds kMaxGroupFiles.
unsigned GroupLimit(const Walk& walk) {
  return walk.order == kSortAsFound ? ~0u : static_cast<unsigned>(kMaxGroupFiles);
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
  const unsigned limit = GroupLimit(walk);
  unsigned taken = 0;
  char line[kFieldBuffer];
  while (!walk.ended && taken < limit && ReadListLine(file, line)) {
    if (line[0] == '\0') continue;
    FindRecord record;
    if (FindFirst(line, &record, TargetMask(walk.options)) != 0) continue;
    FindEnd(&record);
    if (!IsTargetEntry(walk.options, record)) continue;
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

// A target's record kept in the SortRecord form (name included), and back.
void StoreSortRecord(SortRecord* kept, const FindRecord& record) {
  kept->date = record.date;
  kept->time = record.time;
  kept->size = record.size;
  kept->attributes = record.attributes;
  std::memcpy(kept->name, record.name, std::strlen(record.name) + 1);
}

FindRecord FindRecordOf(const SortRecord& kept) {
  FindRecord record{};
  record.attributes = kept.attributes;
  record.date = kept.date;
  record.time = kept.time;
  record.size = kept.size;
  CopyText(record.name, sizeof record.name, kept.name);
  return record;
}

size_t ListingEntryBytes(const char* name) {
  size_t bytes = sizeof(SortRecord) + std::strlen(name) + 1;
  return (bytes + kListingAlign - 1) / kListingAlign * kListingAlign;
}

StoredGroup* StoredGroupAt(ListingStore& store, size_t offset) {
  return reinterpret_cast<StoredGroup*>(store.bytes + offset);
}

// Room for more bytes; a grown store is a new block (the old one is
// copied and freed).
bool ReserveListing(ListingStore& store, size_t more) {
  if (store.capacity - store.used >= more) return true;
  if (kMaxListingBytes - store.used < more) return false;
  size_t capacity = store.capacity > 0 ? store.capacity : kListingFirstBytes;
  while (capacity - store.used < more) capacity *= 2;
  if (capacity > kMaxListingBytes) capacity = kMaxListingBytes;
  auto* grown = static_cast<char*>(targets::Allocate(capacity));
  if (grown == nullptr) return false;
  if (store.used > 0) std::memcpy(grown, store.bytes, store.used);
  std::free(store.bytes);
  store.bytes = grown;
  store.capacity = capacity;
  return true;
}

void OpenStoredGroup(ListingStore& store) {
  if (store.full) return;
  if (!ReserveListing(store, sizeof(StoredGroup))) {
    store.full = true;
    return;
  }
  store.open = store.used;
  store.filling = true;
  *StoredGroupAt(store, store.open) = StoredGroup{sizeof(StoredGroup), 0, 1, 0};
  store.used += sizeof(StoredGroup);
}

// A group that does not fit keeps its head, marked not kept, so that the
// run pass still finds the heads of the groups before it in order.
void KeepEntry(ListingStore& store, const FindRecord& record) {
  if (!store.filling) return;
  const size_t bytes = ListingEntryBytes(record.name);
  if (!ReserveListing(store, bytes)) {
    store.used = store.open + sizeof(StoredGroup);
    *StoredGroupAt(store, store.open) = StoredGroup{sizeof(StoredGroup), 0, 0, 0};
    store.filling = false;
    store.full = true;
    return;
  }
  StoreSortRecord(reinterpret_cast<SortRecord*>(store.bytes + store.used), record);
  store.used += bytes;
  ++StoredGroupAt(store, store.open)->count;
}

void CloseStoredGroup(ListingStore& store, bool complete) {
  if (!store.filling) return;
  StoredGroup* group = StoredGroupAt(store, store.open);
  group->bytes = static_cast<uint32_t>(store.used - store.open);
  group->complete = complete ? 1 : 0;
  store.filling = false;
}

// Run: the head the counting pass wrote for the next pattern group, or null
// past the last one it kept.
const StoredGroup* NextStoredGroup(ListingStore* store) {
  if (store == nullptr || store->next >= store->used) return nullptr;
  const StoredGroup* group = StoredGroupAt(*store, store->next);
  store->next += group->bytes;
  return group;
}

// Lists the targets of a pattern in file-system order, at most limit of
// them, each to take until it returns false. True when the listing ran to
// its end.
template <typename Take>
bool ListGroup(const TargetOptions& options, const char* pattern, unsigned limit, Take take) {
  FindRecord record;
  if (FindFirst(pattern, &record, TargetMask(options)) != 0) return true;
  unsigned taken = 0;
  bool end = false;
  do {
    if (!IsTargetEntry(options, record)) continue;
    ++taken;
    if (!take(record)) break;
  } while (taken < limit && !(end = FindNext(&record) != 0));
  FindEnd(&record);
  return end;
}

// The targets of a group, as ListGroup gives them: in a run from what the
// counting pass kept when it kept enough of them for limit, else listed
// (and, in a run's counting pass, kept).
template <typename Take>
void EachTarget(Walk& walk, const Group& group, unsigned limit, Take take) {
  const StoredGroup* stored = group.stored;
  if (stored != nullptr && stored->kept && (stored->complete || stored->count >= limit)) {
    const char* entry = reinterpret_cast<const char*>(stored + 1);
    const unsigned count = stored->count < limit ? stored->count : limit;
    for (unsigned i = 0; i < count; ++i) {
      const auto* kept = reinterpret_cast<const SortRecord*>(entry);
      if (!take(FindRecordOf(*kept))) return;
      entry += ListingEntryBytes(kept->name);
    }
    return;
  }
  if (walk.mode != WalkMode::Count || walk.store == nullptr) {
    ListGroup(walk.options, group.pattern, limit, take);
    return;
  }
  ListingStore& store = *walk.store;
  OpenStoredGroup(store);
  bool complete = ListGroup(walk.options, group.pattern, limit, [&](const FindRecord& record) {
    KeepEntry(store, record);
    return take(record);
  });
  CloseStoredGroup(store, complete);
}

// A pattern in file-system order.
void VisitUnsorted(Walk& walk, const Group& group) {
  EachTarget(walk, group, GroupLimit(walk), [&](const FindRecord& record) {
    HandOnEntry(walk, group, record);
    return !walk.ended;
  });
}

SortRecord* NewSortRecord(const FindRecord& record) {
  size_t nameBytes = std::strlen(record.name) + 1;
  auto* sorted = static_cast<SortRecord*>(targets::Allocate(sizeof(SortRecord) + nameBytes));
  if (sorted != nullptr) StoreSortRecord(sorted, record);
  return sorted;
}

void FreeSortRecords(SortRecord** records, int count) {
  for (int i = 0; i < count; ++i) {
    std::free(records[i]);
    records[i] = nullptr;
  }
}

// Collects up to kMaxGroupFiles records of a pattern, sorts and hands them
// on. False when a record could not be allocated: nothing was handed on,
// and the group is to be visited again unsorted.
bool VisitSorted(Walk& walk, const Group& group) {
  SortRecord** records = walk.sortArray;
  int count = 0;
  bool outOfMemory = false;
  EachTarget(walk, group, static_cast<unsigned>(kMaxGroupFiles), [&](const FindRecord& record) {
    records[count] = NewSortRecord(record);
    if (records[count] == nullptr) {
      outOfMemory = true;
      return false;
    }
    ++count;
    return true;
  });
  if (outOfMemory) {
    FreeSortRecords(records, count);
    return false;
  }
  // Names differ within a directory: the order is total, as any sort gives it.
  std::sort(records, records + count, [&](const SortRecord* a, const SortRecord* b) {
    return CompareSortRecords(walk.options, a, b) < 0;
  });
  for (int i = 0; i < count && !walk.ended; ++i) {
    HandOnEntry(walk, group, FindRecordOf(*records[i]));
  }
  FreeSortRecords(records, count);
  return true;
}

void VisitPattern(Walk& walk, Group& group) {
  if (walk.mode == WalkMode::Run) group.stored = NextStoredGroup(walk.store);
  if (walk.mode != WalkMode::Count && walk.sortArray != nullptr && walk.order != kSortAsFound) {
    if (VisitSorted(walk, group)) return;
    walk.order = kSortAsFound;  // persists: later groups and, through the notes, runs unsorted
    walk.notes->sortDropped = true;
  }
  VisitUnsorted(walk, group);
}

// A pattern with a path in it is searched only at the starting position.
bool HasPath(const char* pattern) {
  return FindChar(pattern, '\\') != nullptr || FindChar(pattern, ':') != nullptr ||
         FindChar(pattern, '/') != nullptr;
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
  if (walk.mode == WalkMode::Run && gAbortRequested) {
    walk.ended = true;
    return;
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
  for (int position = -1; position < plan.directories.count && !walk.ended; ++position) {
    const char* dir = position < 0 ? "" : plan.directories.entries[position];
    if (walk.mode == WalkMode::Run) GetHost().DirectoryReached(dir);
    for (int i = 0; i < plan.patterns.count && !walk.ended; ++i) VisitGroup(walk, plan.patterns.items[i], dir);
  }
}

// With subDir on: the directories below the current one and below every
// directory token. Out of memory: a message, subDir off for later runs, and
// this one goes on with the directories collected so far.
void CollectPlanDirectories(const TargetOptions& options, TargetPlan& plan, TargetNotes* notes) {
  bool ok = CollectDirectories(options, "", &plan.directories);
  for (int i = 0; ok && i < plan.patterns.count; ++i) {
    const FilePattern& pattern = plan.patterns.items[i];
    if (!pattern.listFile && IsDirectorySpec(pattern.pattern)) {
      ok = CollectDirectories(options, pattern.pattern, &plan.directories);
    }
  }
  if (!ok) {
    ShowOutOfMemory();
    notes->subDirDropped = true;
  }
}

void BuildPlan(const TargetOptions& options, TargetPlan& plan, const char* field, bool forListing,
               TargetNotes* notes) {
  if (forListing) {
    SplitFieldForListing(options, field, &plan.patterns);
  } else {
    SplitFieldForRun(options, field, &plan.patterns);
  }
  if (options.subDir) CollectPlanDirectories(options, plan, notes);
}

// store, when given, keeps what the pass lists for the run pass.
unsigned CountPlan(const TargetOptions& options, const TargetPlan& plan, ListingStore* store, TargetNotes* notes) {
  Walk count{WalkMode::Count, options, options.order, notes};
  count.store = store;
  WalkGroups(count, plan);
  return count.handedOn;
}

// The pointer array for sorting, or null in order 3. *ok false when it was
// needed and could not be allocated (the message has been shown).
SortRecord** AllocateSortArray(const TargetOptions& options, bool* ok) {
  *ok = true;
  if (options.order == kSortAsFound) return nullptr;
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
int EnumerateFileList(const TargetOptions& options, const FileListEntries& fileList, TargetVisitor& visitor) {
  const unsigned total = static_cast<unsigned>(fileList.count);
  for (int i = 0; i < fileList.count; ++i) {
    char path[kListEntryBuffer];
    CopyText(path, sizeof path, fileList.entries[i]);
    const char* memberList = targets::SplitFileListEntry(path);
    FindRecord record;
    if (FindFirst(path, &record, TargetMask(options)) != 0) continue;
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

bool InUse(const FileListEntries* fileList) { return fileList != nullptr && fileList->count > 0; }

}  // namespace

int EnumerateTargets(const TargetOptions& options, const char* field, const FileListEntries* fileList,
                     TargetVisitor& visitor, TargetNotes* notes) {
  if (InUse(fileList)) return EnumerateFileList(options, *fileList, visitor);
  TargetPlan plan;
  BuildPlan(options, plan, field, false, notes);
  // The sort array first: the store, which may grow large, must not take
  // the memory a sorted run cannot do without.
  bool ok;
  SortRecord** sortArray = AllocateSortArray(options, &ok);
  if (!ok) return kTargetsNoMemory;
  ListingStore store;
  const unsigned total = CountPlan(options, plan, &store, notes);
  Walk run{WalkMode::Run, options, options.order, notes, &visitor, nullptr, sortArray, total, &store};
  WalkGroups(run, plan);
  std::free(sortArray);
  return run.aborted ? kTargetsAborted : kTargetsDone;
}

unsigned CountTargets(const TargetOptions& options, const char* field, const FileListEntries* fileList,
                      TargetNotes* notes) {
  if (InUse(fileList)) return static_cast<unsigned>(fileList->count);
  TargetPlan plan;
  BuildPlan(options, plan, field, false, notes);
  return CountPlan(options, plan, nullptr, notes);
}

int ListTargets(const TargetOptions& options, TargetListSink& sink, const char* field,
                const FileListEntries* fileList, TargetNotes* notes) {
  if (InUse(fileList)) {
    int added = 0;
    for (; added < fileList->count; ++added) {
      if (!sink.AddLine(fileList->entries[added])) {
        sink.ReportListFull(kListFullMessage);
        break;
      }
    }
    return added;
  }
  bool ok;
  SortRecord** sortArray = AllocateSortArray(options, &ok);
  if (!ok) return 0;
  notes->subDirTaken = true;
  TargetPlan plan;
  BuildPlan(options, plan, field, true, notes);
  Walk list{WalkMode::List, options, options.order, notes, nullptr, &sink, sortArray};
  WalkGroups(list, plan);
  std::free(sortArray);
  return static_cast<int>(list.handedOn);
}

}  // namespace zanto
