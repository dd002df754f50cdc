// SearchSettings: the one process-wide record of every option of a search,
// the texts that go with them, the three input histories and the five block
// pattern sets. Fields are named by their profile keys. Three constant
// tables (settings.cpp) drive start values, loading and saving.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/path_limits.h"

namespace zanto {

constexpr int kHistoryEntries = 20;      // SearchHistory, FileHistory
constexpr size_t kHistoryText = 129;     // 128 bytes + NUL
constexpr int kDirHistoryEntries = 10;
constexpr size_t kDirHistoryText = 271;  // 270 bytes + NUL
constexpr int kBlockSets = 5;
constexpr int kBlockPatterns = 10;
constexpr size_t kBlockText = 81;        // 80 bytes + NUL
constexpr size_t kSettingsValueBuffer = 512;  // profile read buffer

// One block pattern set; 982 bytes, as the block store lays them out.
struct BlockSet {
  uint8_t endFlag[kBlockPatterns];              // 1: the pattern ends a block
  char pattern[kBlockPatterns][kBlockText];     // regular expressions
  char startText[kBlockText];                   // written before each block
  char endText[kBlockText];                     // written after each block
};
static_assert(sizeof(BlockSet) == 982);

struct SearchSettings {
  // Flags, 0 or 1 (FlagSettingTable order).
  int32_t Word, Case, DelSp, ShortCut, PrintFile, TabToSpace, FullPath, Append;
  int32_t ZenHan, Verbose, Endmatch, SubDir, Connect2, LzhSearch, NotSearchBin;
  int32_t BlockSign, ZengoSign, Zengo, BlockOut, Date, Size, MatchStr, Regular;
  int32_t Same1, ThesaurusCount, BlockMulti, PrintFileList, SearchHide, FieldSearch;
  int32_t Midashi, SortRev, SmallDialog;
  // Numbers (NumberSettingTable order).
  int32_t CountStop, ZengoLine, ZengoLine2, BlockType, BlockLine, SortType;
  int32_t DelUnlha, Thesaurus, KanjiCode, DlgFontPoint;
  // Texts (TextSettingTable order); capacities include the NUL.
  char Directory[kPathBuffer];
  char OutFile[kPathBuffer];
  char ExecEdit[kPathBuffer];
  char ExecClip[50];
  char NotSearchExt[270];
  char ZStartString[81];
  char ZEndString[81];
  char DateStart[7];
  char DateEnd[7];
  char SizeStart[9];
  char SizeEnd[9];
  char MatchString[11];
  char ThesaurusFile0[kPathBuffer];
  char ThesaurusFile1[kPathBuffer];
  char ThesaurusFile2[kPathBuffer];
  char UnlhaTmp[kPathBuffer];
  char EUCDrive[5];
  char FieldPara[64];
  char FieldNo[64];
  char StrMidashi[31];
  char FontDialog[80];

  // Histories, most recent first; an empty entry ends a history.
  char SearchHistory[kHistoryEntries][kHistoryText];
  char FileHistory[kHistoryEntries][kHistoryText];
  char DirHistory[kDirHistoryEntries][kDirHistoryText];

  // The five block sets: one allocation made at start-up.
  BlockSet* BlockSets;

  // Not in the profile.
  char ProfilePath[kPathBuffer];   // ZANTO.INI beside the program, or option I
  char HelpPath[kPathBuffer];      // ZANTO.HLP beside the program
  char Same1Path[kPathBuffer];     // ZAFIND1.TXT beside the program
  int32_t CommandLineMode;         // a second plain argument was given
  int32_t SettingsFileGiven;       // option I named a usable profile
  int32_t FileListForm;            // 0 normal, 1..3 (option !F)
  int32_t EchoQuery;               // option !W
  int32_t NoAutoStart;             // option !S
  int32_t QuitAlways;              // option 1+
  int32_t Use3DControls;           // cleared by option N
  char ArchiveTempDir[kPathBuffer];  // extraction directory fixed at start-up
};

extern SearchSettings gSettings;

}  // namespace zanto

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
// Reads histories, tables and block sets from ProfilePath. Always succeeds.
void LoadSettings();
// Writes them back; false when the profile could not be written.
bool SaveSettings();

enum class HistoryKind { Search, File, Directory };
// Puts text (trimmed of spaces) in front of a history, moving an equal entry
// (exact for searches, case-blind for files and directories) to the front.
void PushHistory(HistoryKind kind, const char* text);

// Allocates / frees the zero-filled store of the five block sets.
bool AllocateBlockSets();
void FreeBlockSets();

}  // namespace zanto
