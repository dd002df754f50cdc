// A search made ready to run: everything the scan reads, made once per run
// from the search options and the search text, and only read after that.
// Nothing in it changes while files are scanned, so matchers of any number
// of scans may read one prepared search.
#pragma once
#include <memory>

#include "files/date_size_filter.h"
#include "match/expression.h"
#include "match/folding.h"
#include "match/line_matcher.h"
#include "match/pattern.h"
#include "match/thesaurus.h"
#include "search/search_options.h"
#include "search/unicode_steps.h"

namespace zanto {

class Host;

struct PreparedSearch {
  SearchOptions options = {};
  Same1Table same1;               // loaded under Same1
  Thesaurus thesaurus;            // loaded when Thesaurus selects a file
  FieldSelection fields = {};     // under FieldSearch
  DateSizeFilter dateSize = {};   // the date and size ranges, parsed once
  CompiledSearch compiled;
  // Lines of a Shift_JIS file that lack the needle's bytes, or that the
  // filter refuses, cannot match (scan_match.h).
  bool haveNeedle = false;
  PlainNeedle needle = {};
  bool haveFilter = false;
  UnitFilter filter = {};
  bool filterFirst = false;  // the filter wants a rarer character than the needle holds
  // The same for the raw bytes of UTF-8 and UTF-16 files.
  UnicodeAnchors unicodeAnchors;

  MatchTables Tables() const { return {&same1, &fields}; }
  // Each file ends with its synonym counts (ThesaurusCount with a table).
  bool CountsSynonyms() const { return options.countSynonyms && compiled.thesaurus != nullptr; }
};

// Prepares search for text under options: loads the Same1 table and the
// thesaurus, fills the field selection, compiles the expression and the
// block patterns, and finds what lets lines be stepped over. Asks the user
// whether to go on without synonyms when the thesaurus cannot be read, and
// shows what is wrong. False when the run cannot go on (the message has been
// shown, or the user declined).
bool PrepareSearch(const SearchOptions& options, const char* text, Host& host, PreparedSearch* search);

}  // namespace zanto
