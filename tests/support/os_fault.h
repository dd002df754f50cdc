// The OS layer of the fault tests: the native layer, with faults switched
// on by the test. Every name below is a part of a path (compared as bytes,
// either separator); an empty one matches nothing.
#pragma once
#include <string>

namespace zanto::test {

struct FaultPlan {
  // Writes to files whose path holds writeName (any file when writeAny)
  // fail once the file has taken writeLimit bytes: the write that crosses
  // the limit stores what still fits and reports that short count, later
  // ones store nothing (a full disk, a write cut off halfway).
  std::string writeName;
  bool writeAny = false;
  long writeLimit = -1;
  std::string closeFails;   // closing such a file reports failure (the file is closed)
  std::string renameFails;  // a rename with this in its source or target fails
  std::string openFails;    // opening fails (locked or denied)
  std::string findFails;    // a directory search of this directory finds nothing (unreadable)
  std::string vanishes;     // deleted when first touched after it was listed
  std::string grows;        // after its first read the file grows by growBytes
  std::string shrinks;      // after its first read the file is cut to its first shrinkTo bytes
  long growBytes = 0;
  long shrinkTo = 0;
};

// Switches the faults of plan on (and every earlier one off).
void SetFaults(const FaultPlan& plan);
void ClearFaults();
// Files opened through the layer and not yet closed.
int OpenFileCount();
// Faults that have fired since SetFaults.
int FaultsFired();
// Directory searches started since SetFaults, failed or not.
int DirectorySearches();

}  // namespace zanto::test
