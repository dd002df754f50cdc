// The target file list: which files a search visits and in which order.
//
// Errors in files/ (this header speaks for the layer): a step that can
// fail returns bool, true when done; one whose caller must tell outcomes
// apart returns an enum of them (kTargets*, RangeFault, the archive
// results); a question about a name answers 1 or 0. Bad user input comes
// back as a reason for the caller to show; nothing here names a control.
// The one message files/ shows itself is running out of memory during a
// walk (ShowOutOfMemory through the Host), for the walk goes on without
// what it could not have; it then says so in TargetNotes. Nothing in files/
// reads or writes the settings record: what a walk depends on comes in a
// TargetOptions value.
//
// The input is the text of the file-name field - wildcard patterns,
// directories, list files after "@", archive member lists after ":" - or,
// instead of it, the explicit list of the file-list dialog
// (FileListEntries). With subDir on, every pattern without a path is
// applied again in each subdirectory. Files are filtered by attributes
// (searchHide) and extensions (excludedExtensions) and sorted per directory
// and pattern (order, reverse).
//
// Three callers share the same rules:
//   EnumerateTargets - the search run: hands every target to a TargetVisitor;
//   CountTargets     - the number of targets a run would hand on;
//   ListTargets      - the file-list dialog: one line per target, absolute.
// Relative patterns are resolved against the process's current directory.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/os.h"
#include "files/target_options.h"

namespace zanto {

constexpr int kMaxFilePatterns = 30;      // tokens kept from one field
constexpr size_t kFieldBuffer = 344;      // field copy; one list-file line
constexpr size_t kListEntryBuffer = 334;  // file-list entry: 333 bytes + NUL
constexpr int kMaxGroupFiles = 15000;     // sorted files of one group

// Directory-search masks.
constexpr uint32_t kTargetMask = kAttrReadOnly | kAttrArchive;  // files
constexpr uint32_t kHiddenSystem = kAttrHidden | kAttrSystem;    // with SearchHide
constexpr uint32_t kAllAttributes = 0x37;                      // any entry

// One token of the file-name field after splitting.
struct FilePattern {
  char* pattern = nullptr;     // handed to the directory search; owned
  char* memberList = nullptr;  // archive members after ":", or null; owned
  bool listFile = false;       // "@name": pattern names a list file
};

// The tokens of one field, in field order. Further tokens than
// kMaxFilePatterns are ignored.
struct FilePatternList {
  FilePattern items[kMaxFilePatterns];
  int count = 0;

  FilePatternList() = default;
  ~FilePatternList();
  FilePatternList(const FilePatternList&) = delete;
  FilePatternList& operator=(const FilePatternList&) = delete;
};

// Splits the field for a run: quoted tokens may hold spaces, "@" starts a
// list file, ":" from the third byte on starts a member list, and with
// subDir off a directory token becomes "dir\*.*". Returns the number of
// patterns stored (a token whose copy fails is dropped).
int SplitFieldForRun(const TargetOptions& options, const char* field, FilePatternList* out);
// Splits the field for the listing: cut at every space, one leading and a
// final double quote removed; otherwise as for a run (including "@").
int SplitFieldForListing(const TargetOptions& options, const char* field, FilePatternList* out);

// The directories a subDir search visits, in depth-first pre-order; owned
// by whoever collects them.
struct DirectoryList {
  char** entries = nullptr;  // owned paths
  int count = 0;
  int capacity = 0;

  DirectoryList() = default;
  ~DirectoryList();
  DirectoryList(const DirectoryList&) = delete;
  DirectoryList& operator=(const DirectoryList&) = delete;
};

// Appends to list: a non-empty root in absolute form, then every
// subdirectory below it (below the current directory for an empty root)
// with the root as typed as prefix. Never enters "$ZANTO$.TMP", and hidden
// or system directories only with searchHide. False when memory ran out
// (the directories appended so far stay in the list).
bool CollectDirectories(const TargetOptions& options, const char* root, DirectoryList* list);

// 1 if the token names a directory: it ends in a backslash, is "." or "..",
// ends in "\." or "\.." (existing or not), or is an existing directory.
int IsDirectorySpec(const char* text);

// 1 if the name's last extension is one of the space-separated words of
// excludedExtensions (ASCII case ignored).
int IsExcludedExtension(const TargetOptions& options, const char* name);

// One file of a group collected for sorting; allocated with room for its name.
struct SortRecord {
  int64_t size;         // bytes
  uint32_t attributes;  // attribute bits
  uint16_t date;        // DOS date
  uint16_t time;        // DOS time
  char name[];          // file name
};
// Orders by order (name, extension, date and time) and reverse; ties and
// the name order fall back to the byte-wise name order.
int CompareSortRecords(const TargetOptions& options, const SortRecord* a, const SortRecord* b);

// Receives the targets of a run. Implemented by the search run over
// SearchTarget; the output file name travels in the implementing object.
class TargetVisitor {
 public:
  virtual ~TargetVisitor() = default;
  // One target: path as it is to be opened (relative paths are relative to
  // the current directory), its find data (no open search handle), the
  // running number from 1, the total of the counting pass, and the archive
  // member list or null. Returns 0 to abort the run.
  virtual int Visit(const char* path, const FindRecord& record, unsigned number,
                    unsigned total, const char* memberList) = 0;
};

// EnumerateTargets results.
enum : int {
  kTargetsNoMemory = 0,   // sort array missing; "メモリが足りません" shown, nothing visited
  kTargetsDone = 1,       // walked to the end, or ended by gAbortRequested
  kTargetsAborted = 2,    // a Visit returned 0; gAbortRequested is now set
};

// The explicit file list of the file-list dialog: paths, each optionally
// followed by ":" and a member list. An empty list means none is in use.
struct FileListEntries {
  char** entries = nullptr;  // owned texts of at most 333 bytes
  int count = 0;
  int capacity = 0;

  FileListEntries() = default;
  ~FileListEntries();
  FileListEntries(const FileListEntries&) = delete;
  FileListEntries& operator=(const FileListEntries&) = delete;
};
// Appends a copy of text (cut to 333 bytes); false when memory ran out.
bool AddFileListEntry(FileListEntries* list, const char* text);
// Frees the list: no file list is in use afterwards.
void FreeFileListEntries(FileListEntries* list);

// The search run's walk: counts first (the total), then hands every target
// to the visitor in order. Each group is listed once: the run hands on what
// the counting pass listed (listing a group again only where memory did not
// hold it). Uses fileList instead of the field when it holds entries (null:
// none). Ends as soon as gAbortRequested is set. Reports the directory
// reached to the Host. Do not call CountTargets before it: the counting
// pass is part of the walk. *notes tells what the walk dropped.
int EnumerateTargets(const TargetOptions& options, const char* field, const FileListEntries* fileList,
                     TargetVisitor& visitor, TargetNotes* notes);

// The number of targets EnumerateTargets would hand on (before date and size
// filtering).
unsigned CountTargets(const TargetOptions& options, const char* field, const FileListEntries* fileList,
                      TargetNotes* notes);

// The list the file-list dialog fills (a list box in the program).
class TargetListSink {
 public:
  virtual ~TargetListSink() = default;
  // Adds one line at the end; false when the list refuses it.
  virtual bool AddLine(const char* text) = 0;
  // Tells the user the list is full (warning icon, empty caption).
  virtual void ReportListFull(const char* message) = 0;
};

// Fills the sink with the targets of the field as absolute paths (member
// lists after ":"), or with fileList's entries when it holds any. options
// carry the main dialog's subdirectory check box in subDir; notes->
// subDirTaken tells that the listing went by it. Returns the number of
// lines added.
int ListTargets(const TargetOptions& options, TargetListSink& sink, const char* field,
                const FileListEntries* fileList, TargetNotes* notes);

// The shell helper library's shortcut resolver: fills target (272 bytes)
// with the shortcut's target, empty on failure; arguments may be null.
using ShortcutResolver = long (*)(const char* shortcut, char* target, char* arguments);
// Binds the resolver at start-up (null unbinds it at exit).
void SetShortcutResolver(ShortcutResolver resolver);
// path is a buffer of at least kPathBuffer bytes. If it names a ".lnk" file
// and a resolver is bound that resolves it, replaces it by the target in
// absolute form and returns 1; else returns 0 and leaves path unchanged.
int ResolveShortcut(char* path);

// Test seam: the allocator for sort records, collected directories and a
// run's kept listings (null restores the standard one), so that tests can
// run out of memory.
using TargetAllocator = void* (*)(size_t bytes);
void SetTargetAllocator(TargetAllocator allocator);

}  // namespace zanto
