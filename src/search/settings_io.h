// How the settings record is filled and kept: the command line, the profile
// (ZANTO.INI) and the three input histories.
#pragma once

#include "base/settings.h"

namespace zanto {

constexpr int kMaxArguments = 500;       // arguments kept from a command line
constexpr int kArgumentSlots = 510;      // room in the argument vector

// The argument vector: entry 0 is the program path; ended by an empty entry.
struct ArgumentVector {
  int count;                          // filled entries, program path included
  char* entries[kArgumentSlots];      // owned copies
};
extern ArgumentVector gArguments;

// Splits a command line as the system reports it (program token first) into
// gArguments; programPath becomes entry 0.
void SplitCommandLine(const char* commandLine, const char* programPath);
// Frees gArguments.
void FreeArguments();

// Pass 1: start values, program-file paths, plain arguments and options;
// pass 2: the options again.
void ApplyCommandLine(int pass);
// Reads histories, tables and block sets from ProfilePath. Always succeeds;
// a profile that exists but cannot be loaded sets ProfileUnreadable.
void LoadSettings();
// Writes them back; false when the profile could not be written or was
// unreadable at start-up (it is then left as it is).
bool SaveSettings();

enum class HistoryKind { Search, File, Directory };
// Puts text (trimmed of spaces) in front of a history, moving an equal entry
// (exact for searches, case-blind for files and directories) to the front.
void PushHistory(HistoryKind kind, const char* text);

// Allocates / frees the zero-filled store of the five block sets.
bool AllocateBlockSets();
void FreeBlockSets();

}  // namespace zanto
