// OpenDocument text, spreadsheets and presentations: everything is in
// content.xml, whose body says which of the three the document is. Text and
// presentations give a line per text:p and text:h (a slide's in page
// order); a spreadsheet a line per table row, its cells as fields. The
// format collapses blanks as markup languages do and says where spaces are
// kept (text:s), so blanks are collapsed here too.
#include <algorithm>
#include <string>

#include "files/document/document_formats.h"

namespace zanto::document {
namespace {

const std::string kContentPart = "content.xml";

// Elements whose text is no part of what a reader reads in the document's
// run: comments, tracked deletions, ruby readings, speaker notes, and the
// titles and descriptions of drawings.
bool IsLeftOut(const XmlReader& xml) {
  return Is(xml, Ns::kOdfOffice, "annotation") || Is(xml, Ns::kOdfText, "tracked-changes") ||
         Is(xml, Ns::kOdfText, "ruby-text") || Is(xml, Ns::kOdfPresentation, "notes") ||
         Is(xml, Ns::kOdfSvg, "title") || Is(xml, Ns::kOdfSvg, "desc");
}

bool IsParagraph(const XmlReader& xml) { return Is(xml, Ns::kOdfText, "p") || Is(xml, Ns::kOdfText, "h"); }

bool IsCell(const XmlReader& xml) {
  return Is(xml, Ns::kOdfTable, "table-cell") || Is(xml, Ns::kOdfTable, "covered-table-cell");
}

class OpenDocumentReader {
 public:
  explicit OpenDocumentReader(DocumentReading& reading) : reading_(reading), lines_(reading.lines) {}

  bool Read() {
    std::string bytes;
    if (!reading_.Load(kContentPart, &bytes)) return false;
    XmlReader xml(bytes.data(), bytes.size());
    for (;;) {
      switch (xml.Next()) {
        case XmlEvent::kFault: return reading_.FailXml(xml, kContentPart);
        case XmlEvent::kFinish: return true;
        case XmlEvent::kStart:
          if (IsLeftOut(xml)) {
            if (!SkipElement(xml)) return reading_.FailXml(xml, kContentPart);
          } else if (Is(xml, Ns::kOdfOffice, "spreadsheet")) {
            sheet_ = true;
          } else if (sheet_) {
            OnSheetStart(xml);
          } else {
            OnTextStart(xml);
          }
          break;
        case XmlEvent::kEnd:
          if (sheet_) OnSheetEnd(xml);
          else if (IsParagraph(xml)) lines_.Close();
          break;
        case XmlEvent::kText:
          if (!sheet_ || paragraphsInCell_ > 0) lines_.Text(xml.Text(), true);
          break;
      }
    }
  }

 private:
  // The spaces, tabs and line breaks a paragraph's markup places.
  void OnKeptBlank(const XmlReader& xml) {
    if (Is(xml, Ns::kOdfText, "s")) {
      lines_.Spaces(std::min(NumberOr(AttributeIn(xml, Ns::kOdfText, "c"), 1, kMaxKeptSpaces), kMaxKeptSpaces));
    } else if (Is(xml, Ns::kOdfText, "tab")) {
      lines_.Tab();
    } else if (Is(xml, Ns::kOdfText, "line-break")) {
      lines_.Break();
    }
  }

  void OnTextStart(const XmlReader& xml) {
    if (IsParagraph(xml)) lines_.Open();
    else OnKeptBlank(xml);
  }

  // Cells and rows may each stand for several ("repeated"): a run of empty
  // ones after the last cell or row with text is no part of the sheet.
  void OnSheetStart(const XmlReader& xml) {
    if (Is(xml, Ns::kOdfTable, "table")) {
      emptyRows_ = 0;
    } else if (Is(xml, Ns::kOdfTable, "table-row") && !inRow_) {
      inRow_ = true;
      rowRepeat_ = std::min(NumberOr(AttributeIn(xml, Ns::kOdfTable, "number-rows-repeated"), 1, kMaxSheetRows),
                            kMaxSheetRows);
      column_ = 0;
      lines_.Open();
    } else if (IsCell(xml) && inRow_ && !inCell_) {
      inCell_ = true;
      cellRepeat_ = NumberOr(AttributeIn(xml, Ns::kOdfTable, "number-columns-repeated"), 1, kMaxSheetColumns);
      cellStart_ = lines_.Held().size();
      paragraphsInCell_ = 0;
      paragraphCount_ = 0;
    } else if (inCell_ && IsParagraph(xml)) {
      if (paragraphCount_++ > 0) lines_.Break();  // a cell's paragraphs read as one field
      ++paragraphsInCell_;
      lines_.RestartCollapse();
    } else if (paragraphsInCell_ > 0) {
      OnKeptBlank(xml);
    }
  }

  void OnSheetEnd(const XmlReader& xml) {
    if (inCell_ && IsParagraph(xml)) {
      lines_.TrimCollapsed();
      if (paragraphsInCell_ > 0) --paragraphsInCell_;
    } else if (inCell_ && IsCell(xml)) {
      EndCell();
    } else if (inRow_ && Is(xml, Ns::kOdfTable, "table-row")) {
      EndRow();
    }
  }

  void EndCell() {
    const std::string text(lines_.Held().substr(cellStart_));
    lines_.CutHeld(cellStart_);
    for (size_t i = 0; !text.empty() && i < cellRepeat_ && column_ + i < kMaxSheetColumns; ++i) {
      lines_.Field(column_ + i, text);
    }
    column_ = std::min(column_ + cellRepeat_, kMaxSheetColumns);
    inCell_ = false;
    paragraphsInCell_ = 0;
  }

  void EndRow() {
    inRow_ = false;
    if (lines_.Held().empty()) {
      lines_.Discard();
      emptyRows_ = std::min(emptyRows_ + rowRepeat_, kMaxSheetRows);
      return;
    }
    lines_.Close(rowRepeat_, emptyRows_);
    emptyRows_ = 0;
  }

  DocumentReading& reading_;
  TextLines& lines_;
  bool sheet_ = false;           // the body is a spreadsheet
  bool inRow_ = false;
  bool inCell_ = false;
  size_t rowRepeat_ = 1;         // rows the open row stands for
  size_t emptyRows_ = 0;         // empty rows since the last row with text
  size_t column_ = 0;            // of the open cell, 0-based
  size_t cellRepeat_ = 1;        // cells the open cell stands for
  size_t cellStart_ = 0;         // where the open cell's text starts in the row
  size_t paragraphsInCell_ = 0;  // paragraphs open in the open cell
  size_t paragraphCount_ = 0;    // paragraphs the open cell has had
};

}  // namespace

bool ReadOpenDocumentText(DocumentReading& reading) { return OpenDocumentReader(reading).Read(); }

}  // namespace zanto::document
