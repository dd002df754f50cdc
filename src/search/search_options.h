// What a search is, as the engine reads it: made once from the user's
// settings record at the start of a run (SearchOptionsFrom), so that the
// layers below never read the record. What the engine decides about the
// settings comes back as notes, and the run writes back just those.
#pragma once

#include "base/bounds.h"
#include "base/settings.h"
#include "files/target_options.h"
#include "match/field_selection.h"
#include "match/pattern.h"

namespace zanto {

struct SearchOptions {
  MatchOptions terms;                // Case, ZenHan, Same1, FieldSearch, Word, MatchStr
  bool regular;                      // Regular
  bool thesaurus;                    // Thesaurus selects a file
  char thesaurusFile[kPathBuffer];   // the selected ThesaurusFile0..2, or ""
  bool countSynonyms;                // ThesaurusCount
  char same1Path[kPathBuffer];       // Same1Path, read when terms.reading has kReadSame1
  char fieldPara[sizeof SearchSettings{}.FieldPara];  // FieldPara, FieldNo
  char fieldNo[sizeof SearchSettings{}.FieldNo];
  const BlockSet* blockSet;          // BlockSets[BlockType] under BlockOut, else null
  bool documents;                    // DocSearch: office documents searched as their text
  TargetOptions targets;             // what the walk and the date and size filter read
};

// What SearchOptionsFrom decided about the settings.
struct SearchOptionNotes {
  bool wordCleared;  // Word is off under ZenHan, in the settings too
};

SearchOptions SearchOptionsFrom(const SearchSettings& settings, SearchOptionNotes* notes);

// Reads FieldPara and FieldNo as a field search would (tracing what it
// reads): what is wrong with them, if anything.
FieldSpecFault CheckFieldSpec(const SearchSettings& settings);

}  // namespace zanto
