// Word-processor, spreadsheet and presentation packages of Office Open XML:
// the package's relationships lead to the main part and from it to the
// sheets, the shared strings and the slides, in the order the main part
// lists them.
#include "files/document/document_formats.h"

#include <string>
#include <vector>

#include "files/document/document_parts.h"

namespace zanto::document {
namespace {

constexpr size_t kMaxCellValue = 1u << 20;      // bytes of one cell's value kept
constexpr size_t kMaxSharedStrings = 1u << 20;  // entries of a shared string table

// The main part the package's own relationships name; the conventional
// name when the package has no relationships part at all.
bool FindMainPart(DocumentReading& reading, const char* conventional, std::string* main) {
  std::vector<Relationship> rels;
  if (!ReadRelationships(reading, "", &rels)) return false;
  if (rels.empty()) {
    *main = conventional;
    return true;
  }
  const Relationship* office = FindRelationshipOfType(rels, "officeDocument");
  if (!office) return reading.Fail(DocumentFault::kMissingPart, "_rels/.rels");
  *main = office->part;
  return true;
}

// Alternate content names one choice and a fallback holding the same text
// for older readers: only the choice is read.
bool IsFallback(const XmlReader& xml) { return Is(xml, Ns::kCompat, "Fallback"); }

// --- Paragraphs: word-processor documents and slides ---------------------

// How one format marks its paragraphs: a paragraph element is a line, its
// text elements hold the text, and a few elements read as a tab, a space
// or a hyphen. Elements the skip test names hold nothing a reader reads.
struct ParagraphMarkup {
  Ns ns;
  bool (*leftOut)(const XmlReader& xml);
  const char* tabs[2];    // read as a tab; null where unused
  const char* breaks[2];  // read as a space
  const char* hyphen;     // read as '-', or null
};

bool IsOneOf(const XmlReader& xml, Ns ns, const char* const (&names)[2]) {
  for (const char* name : names)
    if (name != nullptr && Is(xml, ns, name)) return true;
  return false;
}

bool ReadParagraphs(DocumentReading& reading, const std::string& part, const ParagraphMarkup& markup) {
  std::string bytes;
  if (!reading.Load(part, &bytes)) return false;
  XmlReader xml(bytes.data(), bytes.size());
  TextLines& lines = reading.lines;
  const Ns ns = markup.ns;
  bool inText = false;
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return reading.FailXml(xml, part);
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart:
        if (markup.leftOut(xml)) {
          if (!SkipElement(xml)) return reading.FailXml(xml, part);
        } else if (Is(xml, ns, "p")) {
          lines.Open();
        } else if (Is(xml, ns, "t")) {
          inText = true;
        } else if (IsOneOf(xml, ns, markup.tabs)) {
          lines.Tab();
        } else if (IsOneOf(xml, ns, markup.breaks)) {
          lines.Break();
        } else if (markup.hyphen != nullptr && Is(xml, ns, markup.hyphen)) {
          lines.Text("-");
        }
        break;
      case XmlEvent::kEnd:
        if (Is(xml, ns, "p")) lines.Close();
        else if (Is(xml, ns, "t")) inText = false;
        break;
      case XmlEvent::kText:
        if (inText) lines.Text(xml.Text());
        break;
    }
  }
}

// Every w:p is a line, w:t holds the text; w:tab, w:br and w:cr in a run
// read as a tab and a space. Paragraph and run properties (whose w:tabs
// list tab stops), ruby readings and text a tracked move took away hold
// nothing a reader reads.
bool IsLeftOutOfWord(const XmlReader& xml) {
  return IsFallback(xml) || Is(xml, Ns::kWord, "pPr") || Is(xml, Ns::kWord, "rPr") || Is(xml, Ns::kWord, "rt") ||
         Is(xml, Ns::kWord, "moveFrom");
}
constexpr ParagraphMarkup kWordMarkup = {Ns::kWord, IsLeftOutOfWord, {"tab", "ptab"}, {"br", "cr"}, "noBreakHyphen"};

// Every a:p of the slide's shapes and tables is a line, in the order the
// slide holds them; a:t holds the text, a:br reads as a space.
constexpr ParagraphMarkup kSlideMarkup = {Ns::kDrawing, IsFallback, {nullptr, nullptr}, {"br", nullptr}, nullptr};

// --- Presentations --------------------------------------------------------

// The slides in the order of the presentation's slide list.
bool ListSlides(DocumentReading& reading, const std::string& presentation, std::vector<std::string>* slides) {
  std::vector<Relationship> rels;
  if (!ReadRelationships(reading, presentation, &rels)) return false;
  std::string bytes;
  if (!reading.Load(presentation, &bytes)) return false;
  XmlReader xml(bytes.data(), bytes.size());
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return reading.FailXml(xml, presentation);
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart:
        if (Is(xml, Ns::kSlide, "sldId")) {
          const std::string* id = AttributeIn(xml, Ns::kOfficeRel, "id");
          const Relationship* slide = id ? FindRelationship(rels, *id) : nullptr;
          if (!slide) return reading.Fail(DocumentFault::kBadReference, presentation);
          slides->push_back(slide->part);
        }
        break;
      default: break;
    }
  }
}

// --- Spreadsheets ---------------------------------------------------------

// SpreadsheetML writes a character XML cannot hold as _xHHHH_ ("_x000D_"
// for a carriage return); the text means the character.
std::string WithoutEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned long cp = 0;
    bool escape = i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' && text[i + 6] == '_';
    for (size_t k = 2; escape && k < 6; ++k) {
      const char c = text[i + k];
      const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (v < 0) escape = false;
      cp = cp * 16 + static_cast<unsigned long>(v < 0 ? 0 : v);
    }
    if (escape && !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0) {
      AppendUtf8(cp, &out);
      i += 6;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Reads the rich or plain text of the element just started (a shared
// string's si, a cell's is) into *text: every t but those of phonetic
// readings (rPh), which repeat the text in kana.
bool ReadStringItem(XmlReader& xml, std::string* text) {
  const size_t depth = xml.Depth();
  bool inText = false;
  text->clear();
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return false;
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart:
        if (Is(xml, Ns::kSheet, "rPh")) {
          if (!SkipElement(xml)) return false;
        } else if (Is(xml, Ns::kSheet, "t")) {
          inText = true;
        }
        break;
      case XmlEvent::kEnd:
        if (xml.Depth() < depth) {
          *text = WithoutEscapes(*text);
          return true;
        }
        if (Is(xml, Ns::kSheet, "t")) inText = false;
        break;
      case XmlEvent::kText:
        if (inText && text->size() < kMaxCellValue) text->append(xml.Text());
        break;
    }
  }
}

// The table's text counts against the document's, which it is bound to
// become.
bool ReadSharedStrings(DocumentReading& reading, const std::string& part, std::vector<std::string>* strings) {
  std::string bytes;
  if (!reading.Load(part, &bytes)) return false;
  XmlReader xml(bytes.data(), bytes.size());
  size_t held = 0;
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return reading.FailXml(xml, part);
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart:
        if (Is(xml, Ns::kSheet, "si")) {
          if (strings->size() >= kMaxSharedStrings) return reading.Fail(DocumentFault::kTooMuchText, part);
          strings->emplace_back();
          if (!ReadStringItem(xml, &strings->back())) return reading.FailXml(xml, part);
          held += strings->back().size();
          if (held > kMaxDocumentText) return reading.Fail(DocumentFault::kTooMuchText, part);
        }
        break;
      default: break;
    }
  }
}

struct Workbook {
  std::vector<std::string> sheets;  // parts, in the workbook's order
  std::vector<std::string> strings; // the shared strings
};

bool ReadWorkbook(DocumentReading& reading, const std::string& part, Workbook* book) {
  std::vector<Relationship> rels;
  if (!ReadRelationships(reading, part, &rels)) return false;
  if (const Relationship* shared = FindRelationshipOfType(rels, "sharedStrings")) {
    if (!ReadSharedStrings(reading, shared->part, &book->strings)) return false;
  }
  std::string bytes;
  if (!reading.Load(part, &bytes)) return false;
  XmlReader xml(bytes.data(), bytes.size());
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return reading.FailXml(xml, part);
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart:
        if (Is(xml, Ns::kSheet, "sheet")) {
          const std::string* id = AttributeIn(xml, Ns::kOfficeRel, "id");
          const Relationship* sheet = id ? FindRelationship(rels, *id) : nullptr;
          if (!sheet) return reading.Fail(DocumentFault::kBadReference, part);
          book->sheets.push_back(sheet->part);
        }
        break;
      default: break;
    }
  }
}

// The column (0-based) of a cell reference such as "AB12"; kMaxSheetColumns
// or more when the letters name none; fallback without letters.
size_t ColumnOf(const std::string* reference, size_t fallback) {
  if (!reference) return fallback;
  size_t column = 0;
  size_t letters = 0;
  for (char c : *reference) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + static_cast<size_t>(c - 'A' + 1);
    if (column > kMaxSheetColumns) return kMaxSheetColumns;
    ++letters;
  }
  return letters == 0 ? fallback : column - 1;
}

// What a reader sees of a cell of type (the t attribute) holding value (its
// v or inline string). A cell without a value is empty whatever its type.
bool CellText(const Workbook& book, const std::string* type, const std::string& value, std::string* text) {
  if (value.empty()) {
    text->clear();
  } else if (type && *type == "s") {
    const size_t index = NumberOr(&value, book.strings.size(), book.strings.size());
    if (index >= book.strings.size()) return false;
    *text = book.strings[index];
  } else if (type && *type == "b") {
    *text = value == "1" ? "TRUE" : value == "0" ? "FALSE" : value;
  } else {
    *text = value;
  }
  return true;
}

// Rows are lines, up to the sheet's last row (one left out is an empty
// line), each cell a field at its column.
class SheetReader {
 public:
  SheetReader(DocumentReading& reading, const Workbook& book, const std::string& part)
      : reading_(reading), book_(book), part_(part) {}

  bool Read() {
    std::string bytes;
    if (!reading_.Load(part_, &bytes)) return false;
    XmlReader xml(bytes.data(), bytes.size());
    for (;;) {
      switch (xml.Next()) {
        case XmlEvent::kFault: return reading_.FailXml(xml, part_);
        case XmlEvent::kFinish: return true;
        case XmlEvent::kStart:
          if (!OnStart(xml)) return false;
          break;
        case XmlEvent::kEnd:
          if (!OnEnd(xml)) return false;
          break;
        case XmlEvent::kText:
          if (inValue_ && value_.size() < kMaxCellValue) value_.append(xml.Text());
          break;
      }
    }
  }

 private:
  bool OnStart(XmlReader& xml) {
    if (Is(xml, Ns::kSheet, "row")) return StartRow(xml);
    if (Is(xml, Ns::kSheet, "c")) {
      column_ = ColumnOf(xml.Attribute("", "r"), nextColumn_);
      if (column_ >= kMaxSheetColumns) return reading_.Fail(DocumentFault::kBadCell, part_);
      const std::string* type = xml.Attribute("", "t");
      hasType_ = type != nullptr;
      if (type) type_ = *type;
      value_.clear();
    } else if (Is(xml, Ns::kSheet, "v")) {
      inValue_ = true;
    } else if (Is(xml, Ns::kSheet, "is")) {
      if (!ReadStringItem(xml, &value_)) return reading_.FailXml(xml, part_);
    } else if (Is(xml, Ns::kSheet, "f") || IsFallback(xml)) {
      if (!SkipElement(xml)) return reading_.FailXml(xml, part_);
    }
    return true;
  }

  bool StartRow(const XmlReader& xml) {
    const size_t row = NumberOr(xml.Attribute("", "r"), lastRow_ + 1, kMaxSheetRows);
    if (row == 0 || row > kMaxSheetRows) return reading_.Fail(DocumentFault::kBadCell, part_);
    if (row > lastRow_ + 1) reading_.lines.EmptyLines(row - lastRow_ - 1);
    lastRow_ = row > lastRow_ ? row : lastRow_;
    reading_.lines.Open();
    nextColumn_ = 0;
    return true;
  }

  bool OnEnd(const XmlReader& xml) {
    if (Is(xml, Ns::kSheet, "row")) {
      reading_.lines.Close();
    } else if (Is(xml, Ns::kSheet, "v")) {
      inValue_ = false;
    } else if (Is(xml, Ns::kSheet, "c")) {
      std::string text;
      if (!CellText(book_, hasType_ ? &type_ : nullptr, value_, &text))
        return reading_.Fail(DocumentFault::kBadReference, part_);
      if (!text.empty()) reading_.lines.Field(column_, text);
      nextColumn_ = column_ + 1;
    }
    return true;
  }

  DocumentReading& reading_;
  const Workbook& book_;
  const std::string& part_;
  size_t lastRow_ = 0;     // the highest row number met, 1-based; 0 before the first
  size_t column_ = 0;      // of the cell being read
  size_t nextColumn_ = 0;  // for a cell that names no column
  bool inValue_ = false;
  bool hasType_ = false;
  std::string type_;
  std::string value_;
};

}  // namespace

bool ReadWordText(DocumentReading& reading) {
  std::string main;
  return FindMainPart(reading, "word/document.xml", &main) && ReadParagraphs(reading, main, kWordMarkup);
}

bool ReadSheetText(DocumentReading& reading) {
  std::string main;
  Workbook book;
  if (!FindMainPart(reading, "xl/workbook.xml", &main) || !ReadWorkbook(reading, main, &book)) return false;
  for (const std::string& sheet : book.sheets) {
    if (!SheetReader(reading, book, sheet).Read()) return false;
  }
  return true;
}

bool ReadSlidesText(DocumentReading& reading) {
  std::string main;
  std::vector<std::string> slides;
  if (!FindMainPart(reading, "ppt/presentation.xml", &main) || !ListSlides(reading, main, &slides)) return false;
  for (const std::string& slide : slides) {
    if (!ReadParagraphs(reading, slide, kSlideMarkup)) return false;
  }
  return true;
}

}  // namespace zanto::document
