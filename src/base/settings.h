// SearchSettings: the one process-wide record of every option of a search,
// the texts that go with them, the three input histories and the five block
// pattern sets. Fields are named by their profile keys. Three constant
// tables (search/settings.cpp) drive start values, loading and saving.
//
// Several keys are romanised Japanese or shortened words:
//   Zengo        "before and after": context output, ZengoLine lines before
//                and ZengoLine2 after each match, ZengoSign their signs,
//                ZStartString / ZEndString the texts around each group
//   Midashi      "heading": StrMidashi written before file names
//   ZenHan       "full-width / half-width": the fuzzy search that also folds
//                kana forms (hiragana and katakana, small and voiced kana)
//   Same1        "same as one": one-character equivalences of ZAFIND1.TXT
//   Connect2     each line is joined with the next before it is tested
//   DelSp        leading spaces and tabs are deleted from result lines
//   Endmatch     the program ends after a search that found something
//   CountStop    matches after which the scan goes on to the next file
//   BlockOut     block output: the block around each match, bounded by the
//                patterns of BlockSets[BlockType]; BlockLine its reach,
//                BlockSign its signs, BlockMulti every block line tested
//   Unlha, Lzh   the LZH archive library and its extraction (UnlhaTmp,
//                DelUnlha: what happens to members after their search)
//   EUCDrive     drive letters whose files are always taken as EUC-JP
//   FieldPara, FieldNo   separators and numbers of the fields searched
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/bounds.h"

namespace zanto {

// SortType: the order of the files a wildcard finds in one directory.
enum SortOrder : int32_t {
  kSortByName = 0,
  kSortByExtension = 1,
  kSortByDate = 2,     // oldest first
  kSortAsFound = 3,    // as the directory lists them
};

// KanjiCode, and the code a file was found to have.
enum KanjiCodeChoice : int32_t {
  kKanjiAuto = 0,  // decide from the file's bytes
  kKanjiSjis = 1,
  kKanjiEuc = 2,
  kKanjiJis = 3,
  kKanjiUtf8 = 4,
  kKanjiUtf16 = 5,  // either byte order, told by the byte-order mark
};

// FileListForm (option !F): what a match writes instead of its line.
enum ListForm : int32_t {
  kListLines = 0,          // the matching lines, as the other options say
  kListFileNames = 1,      // the file's path once; the scan goes on to the next file
  kListNumbersInRow = 2,   // the path, a tab, then the line numbers on one line
  kListNumbersInColumn = 3,  // the path, the line numbers a line each, then "*"
};

// How the matcher reads a line, from the settings that change it: each bit
// is one setting that is on. Compiled patterns and line filters belong to
// the bits they were made for.
enum LineReading : unsigned {
  kReadFoldCase = 1,     // Case
  kReadZenHan = 2,       // ZenHan
  kReadSame1 = 4,        // Same1
  kReadFields = 8,       // FieldSearch
};

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
  int32_t DocSearch;               // office documents searched as their text
  // Numbers (NumberSettingTable order).
  int32_t CountStop, ZengoLine, ZengoLine2, BlockType, BlockLine;
  int32_t SortType;                // SortOrder
  int32_t DelUnlha, Thesaurus;
  int32_t KanjiCode;               // KanjiCodeChoice
  int32_t DlgFontPoint;
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
  int32_t FileListForm;            // ListForm (option !F)
  int32_t EchoQuery;               // option !W
  int32_t NoAutoStart;             // option !S
  int32_t QuitAlways;              // option 1+
  int32_t Use3DControls;           // cleared by option N
  int32_t ProfileUnreadable;       // the profile exists but could not be loaded: never saved over
  char ArchiveTempDir[kPathBuffer];  // extraction directory fixed at start-up
};

extern SearchSettings gSettings;

// The LineReading bits of the settings' Case, ZenHan, Same1 and FieldSearch.
unsigned LineReadingOf(const SearchSettings& settings);

}  // namespace zanto
