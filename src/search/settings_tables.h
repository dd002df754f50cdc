// The three settings tables, shared by the profile loader and writer
// (settings.cpp) and the command-line interpreter (command_line.cpp). Each
// row names the profile key and the field; the tables are walked in the
// order given here for start values, loading and saving, and that order is
// also the order of the keys in the profile.
#pragma once
#include <cstddef>
#include <cstdint>

#include "search/settings_io.h"

namespace zanto {

constexpr int8_t kNoStart = -1;  // the field keeps the value it has

struct FlagSetting {
  const char* key;                 // profile key, also the field's name
  int32_t SearchSettings::*field;  // 0 or 1
  bool always;       // read from the profile even in command-line mode
  int8_t start;      // value set by ApplyCommandLine pass 1, or kNoStart
  int8_t fallback;   // taken when the profile value is absent or not 0/1
  char onLetter;     // command-line switch that sets 1; 0 when none
  char offLetter;    // command-line switch that sets 0; 0 when none
};

struct NumberSetting {
  const char* key;
  int32_t SearchSettings::*field;
  bool always;
  int32_t start;     // every number has one
  int32_t min;       // a profile value outside min..max takes the fallback
  int32_t max;
  int32_t fallback;
};

struct TextSetting {
  const char* key;
  size_t offset;     // of the char array within SearchSettings
  size_t capacity;   // bytes including the NUL
  bool always;
  const char* start;   // set by pass 1; every text has one
  char letter;         // value option that sets the text; 0 when none
  bool afterBang;      // the letter is given as "!letter"
};

#define ZANTO_FLAG(key, always, start, fallback, on, off) \
  FlagSetting { #key, &SearchSettings::key, always, start, fallback, on, off }
#define ZANTO_NUMBER(key, always, start, min, max, fallback) \
  NumberSetting { #key, &SearchSettings::key, always, start, min, max, fallback }
#define ZANTO_TEXT(key, always, start, letter, afterBang)                                         \
  TextSetting {                                                                                   \
    #key, offsetof(SearchSettings, key), sizeof(SearchSettings::key), always, start, letter, afterBang \
  }

constexpr bool kAlways = true;
constexpr bool kNotAlways = false;

// Endmatch is switched by the option "1", whose meaning depends on the
// character after it; Zengo and BlockOut are set by the value options V and X.
inline constexpr FlagSetting kFlagSettingTable[] = {
    ZANTO_FLAG(Word, kNotAlways, 0, 0, 'W', 'w'),
    ZANTO_FLAG(Case, kNotAlways, 0, 0, 'c', 'C'),  // the capital distinguishes case
    ZANTO_FLAG(DelSp, kNotAlways, 0, 0, 'M', 'm'),
    ZANTO_FLAG(ShortCut, kNotAlways, 1, 1, 'H', 'h'),
    ZANTO_FLAG(PrintFile, kNotAlways, 1, 1, 'L', 'l'),
    ZANTO_FLAG(TabToSpace, kNotAlways, 0, 0, 'B', 'b'),
    ZANTO_FLAG(FullPath, kNotAlways, 1, 0, 'P', 'p'),
    ZANTO_FLAG(Append, kNotAlways, 0, 0, 'A', 'a'),
    ZANTO_FLAG(ZenHan, kNotAlways, 0, 0, 'Z', 'z'),
    ZANTO_FLAG(Verbose, kNotAlways, 1, 1, 'U', 'u'),
    ZANTO_FLAG(Endmatch, kNotAlways, 1, 1, 0, 0),
    ZANTO_FLAG(SubDir, kNotAlways, 0, 0, 'R', 'r'),
    ZANTO_FLAG(Connect2, kNotAlways, 0, 0, 'T', 't'),
    ZANTO_FLAG(LzhSearch, kNotAlways, 1, 1, 'J', 'j'),
    ZANTO_FLAG(NotSearchBin, kNotAlways, 1, 1, 'Y', 'y'),
    ZANTO_FLAG(BlockSign, kAlways, kNoStart, 1, 0, 0),
    ZANTO_FLAG(ZengoSign, kAlways, kNoStart, 1, 0, 0),
    ZANTO_FLAG(Zengo, kNotAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(BlockOut, kNotAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(Date, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(Size, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(MatchStr, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(Regular, kNotAlways, 1, 1, 'G', 'g'),
    ZANTO_FLAG(Same1, kAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(ThesaurusCount, kNotAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(BlockMulti, kAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(PrintFileList, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(SearchHide, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(FieldSearch, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(Midashi, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(SortRev, kNotAlways, 0, 0, 0, 0),
    ZANTO_FLAG(SmallDialog, kAlways, kNoStart, 0, 0, 0),
    ZANTO_FLAG(DocSearch, kNotAlways, 1, 1, 'Q', 'q'),
};

// The options K, V, V- and X that set numbers each have a rule of their
// own (command_line.cpp); they are not table letters.
inline constexpr NumberSetting kNumberSettingTable[] = {
    ZANTO_NUMBER(CountStop, kNotAlways, 0, 0, 999, 0),
    ZANTO_NUMBER(ZengoLine, kNotAlways, 0, 0, 99, 1),
    ZANTO_NUMBER(ZengoLine2, kNotAlways, 0, 0, 99, 1),
    ZANTO_NUMBER(BlockType, kNotAlways, 0, 0, kBlockSets - 1, 0),
    ZANTO_NUMBER(BlockLine, kAlways, 0, 1, 999, 100),
    ZANTO_NUMBER(SortType, kNotAlways, kSortByName, kSortByName, kSortAsFound, kSortByName),
    ZANTO_NUMBER(DelUnlha, kAlways, 0, 0, 2, 1),
    ZANTO_NUMBER(Thesaurus, kNotAlways, 0, 0, 3, 0),
    ZANTO_NUMBER(KanjiCode, kAlways, kKanjiAuto, kKanjiAuto, kKanjiUtf16, kKanjiSjis),
    ZANTO_NUMBER(DlgFontPoint, kAlways, 0, 8, 30, 10),
};

inline constexpr TextSetting kTextSettingTable[] = {
    ZANTO_TEXT(Directory, kNotAlways, "", 'D', false),
    ZANTO_TEXT(OutFile, kNotAlways, "", 'O', false),
    ZANTO_TEXT(ExecEdit, kNotAlways, "KZW32.EXE", 'E', false),
    ZANTO_TEXT(ExecClip, kNotAlways, "-C", 'C', true),
    ZANTO_TEXT(NotSearchExt, kAlways, "", 0, false),
    ZANTO_TEXT(ZStartString, kAlways, "", 0, false),
    ZANTO_TEXT(ZEndString, kAlways, "", 0, false),
    ZANTO_TEXT(DateStart, kNotAlways, "", 0, false),
    ZANTO_TEXT(DateEnd, kNotAlways, "", 0, false),
    ZANTO_TEXT(SizeStart, kNotAlways, "", 0, false),
    ZANTO_TEXT(SizeEnd, kNotAlways, "", 0, false),
    ZANTO_TEXT(MatchString, kNotAlways, "", 0, false),
    ZANTO_TEXT(ThesaurusFile0, kNotAlways, "", 0, false),
    ZANTO_TEXT(ThesaurusFile1, kNotAlways, "", 0, false),
    ZANTO_TEXT(ThesaurusFile2, kNotAlways, "", 0, false),
    ZANTO_TEXT(UnlhaTmp, kAlways, "", 0, false),
    ZANTO_TEXT(EUCDrive, kAlways, "", 0, false),
    ZANTO_TEXT(FieldPara, kAlways, "", 0, false),
    ZANTO_TEXT(FieldNo, kAlways, "", 0, false),
    ZANTO_TEXT(StrMidashi, kAlways, "■", 0, false),
    ZANTO_TEXT(FontDialog, kAlways, "", 0, false),
};

#undef ZANTO_FLAG
#undef ZANTO_NUMBER
#undef ZANTO_TEXT

// The field of a text row within a settings record.
inline char* TextField(SearchSettings& settings, const TextSetting& row) {
  return reinterpret_cast<char*>(&settings) + row.offset;
}

// Sets every setting that has a start value to it (ApplyCommandLine pass 1).
void SetStartValues();

// The value of the decimal digits that text begins with; 0 when it begins
// with none. Saturates at INT32_MAX instead of overflowing. digits, when
// given, receives whether there was at least one digit.
int32_t LeadingDecimal(const char* text, bool* digits = nullptr);

}  // namespace zanto
