// The text of a document gathered into lines of UTF-8, each ended by LF: one
// line per paragraph or spreadsheet row. A paragraph may open inside another
// (a footnote, a text box): its line follows the line of the paragraph that
// holds it, so every paragraph stays whole. Nothing here knows a format.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zanto::document {

class TextLines {
 public:
  // limit: the most bytes of text all the lines may hold together.
  explicit TextLines(size_t limit) : limit_(limit) {}

  // A paragraph or row begins; it becomes the one text goes to.
  void Open();
  // The innermost open one ends and becomes a line, repeat times (a row
  // that stands for several), after emptyBefore empty lines (rows with
  // nothing in them) and followed by the lines of the paragraphs it held.
  // Without one open, nothing happens.
  void Close(size_t repeat = 1, size_t emptyBefore = 0);
  // The innermost open one ends without a line (an empty row left out);
  // the lines of the paragraphs it held are kept.
  void Discard();
  size_t OpenCount() const { return open_.size(); }

  // Appends text to the innermost open paragraph (nothing when none is
  // open). A line end in it becomes a space, since a paragraph is one line.
  // With collapse, runs of blanks (space, tab, CR, LF) become one space and
  // blanks at the paragraph's start go, as in a format whose markup says
  // where the spaces are.
  void Text(std::string_view utf8, bool collapse = false);
  void Spaces(size_t count);  // kept spaces, never collapsed
  void Tab();
  void Break() { Spaces(1); }  // a line break inside a paragraph reads as a space
  // Blanks are collapsed from here as at the start of a paragraph (a new
  // paragraph inside a spreadsheet cell); a collapsed blank just written
  // at the end goes.
  void RestartCollapse();
  void TrimCollapsed();

  // Bytes of the innermost open paragraph so far, and cutting it back to
  // size (taking a cell's text out to place it as a field).
  std::string_view Held() const;
  void CutHeld(size_t size);

  // Writes text as field column (0-based) of the innermost open row: tabs
  // up to it from the field written last; a column at or before that one
  // goes right after it. Tabs and line ends in text become spaces.
  void Field(size_t column, std::string_view text);

  // Empty lines, outside any open paragraph (rows with nothing in them).
  void EmptyLines(size_t count);

  // True when the lines would have passed the limit: what passed it is
  // not there.
  bool Overflowed() const { return overflow_; }

  // The lines made so far (all paragraphs closed).
  const std::string& Lines() const { return out_; }
  std::string TakeLines() { return std::move(out_); }

 private:
  struct Paragraph {
    std::string text;
    std::string held;             // lines of the paragraphs it held, LF-ended
    bool atBlank = true;          // a collapsible blank would be dropped here
    bool endsCollapsed = false;   // the last byte is a blank collapsed into a space
    long field = -1;              // field of a row the text ends in; -1 before the first
  };
  bool Room(size_t bytes);
  void Append(std::string* to, std::string_view bytes);
  std::string* LinesBelow();  // where a closing paragraph's line goes

  size_t limit_;
  size_t used_ = 0;  // bytes of text held anywhere
  bool overflow_ = false;
  std::vector<Paragraph> open_;
  std::string out_;
};

}  // namespace zanto::document
