// One search from start to the last line of the result: compile the search
// text, prepare the line history and block patterns, open the result
// output, walk the targets and hand each to the scan, write the totals and
// close everything again.
//
// Errors in this layer: here the reasons of the layers below become the
// user's texts and questions, shown through the Host; a step that must end
// the run returns false (or kRunFailed) once it has shown why.
#pragma once
#include <cstdint>

#include "files/date_size_filter.h"
#include "files/os.h"
#include "files/targets.h"

namespace zanto {

struct ScanContext;
class ResultOutput;
class ArchiveSupport;

enum : int {
  kRunCompleted = 0,  // finished, or stopped by the user
  kRunFailed = 1,     // nothing (more) searched; the message has been shown
};

// What a run works with that the program keeps from run to run.
struct RunResources {
  ResultOutput* output;                       // the result text
  ArchiveSupport* archives = nullptr;         // bound archive libraries; null: archives are not unpacked
  const FileListEntries* fileList = nullptr;  // the file-list dialog's list
  // The run counts its matching lines here, if given, as it goes: the
  // progress dialog shows it whenever it repaints.
  uint32_t* matchCount = nullptr;
};

// searchText: at most 255 bytes; fieldText: the file-name field (ignored
// when the file-list dialog's list holds entries); outputPath:
// absolute, or empty for the clipboard (the text then stays in output's
// buffer). Options come from gSettings. Message boxes go through the host,
// which owns them by the progress dialog.
int RunSearch(const RunResources& resources, const char* searchText, const char* fieldText, const char* outputPath);

// Hands one target to the scan. A plain file goes to ScanFile; an LZH
// archive (LzhSearch on) is unpacked and each member scanned under the
// archive's name, then deleted or kept as DelUnlha says. memberList names
// the members to search, colon-separated wildcards, or is null for all.
// Members whose extension the run's options exclude are not searched; every
// file is tested against the run's date and size filter first. 0 when the scan found the expression
// unusable.
int SearchTarget(char* path, const FindRecord& record, unsigned number, unsigned total,
                 const char* outputPath, const char* memberList, const ScanContext& context);

}  // namespace zanto
