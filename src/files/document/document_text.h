// The text of an office document as a reader sees it, in reading order, as
// lines of UTF-8 each ended by LF: word-processor documents (.docx, .odt)
// and presentations (.pptx, .odp) one line per paragraph, spreadsheets
// (.xlsx, .ods) one line per row with its cells joined by tabs. Markup goes;
// runs of one paragraph are joined, so a word the markup splits is whole.
// The package (a ZIP file) is read through PackageMembers, so this code
// holds no archive reader and touches no file.
#pragma once
#include <cstddef>
#include <string>

#include "files/document/xml_reader.h"

namespace zanto::document {

constexpr size_t kMaxPartBytes = 64u << 20;     // the largest XML part read
constexpr size_t kMaxDocumentText = 32u << 20;  // the most text one document gives
constexpr size_t kMaxSheetRows = 1u << 20;      // rows of one sheet (1048576)
constexpr size_t kMaxSheetColumns = 1u << 14;   // columns of one sheet (16384, XFD)
constexpr size_t kMaxKeptSpaces = 1024;         // spaces one ODF space element gives

enum class DocumentKind {
  kNone,          // not a document this reader knows
  kWord,          // .docx
  kSheet,         // .xlsx
  kSlides,        // .pptx
  kOpenDocument,  // .odt, .ods, .odp: the body says which
};

// The kind a file or member name's extension names, in any letter case;
// kNone for any other name.
DocumentKind DocumentKindOf(const char* name);

enum class MemberRead {
  kOk,
  kMissing,     // the package holds no member of that name
  kTooLarge,    // the member holds more than the limit
  kUnreadable,  // the member is there but cannot be read (damaged, encrypted)
};

// What the reader needs of the package: the bytes of one member.
class PackageMembers {
 public:
  virtual ~PackageMembers() = default;
  // Replaces *bytes with the bytes of member name, a path inside the
  // package with '/' between its parts and no leading '/' ("word/
  // document.xml"), compared as the package stores it. Holds no more than
  // limit bytes: a larger member is kTooLarge.
  virtual MemberRead Read(const std::string& name, size_t limit, std::string* bytes) = 0;
};

enum class DocumentFault {
  kNone,
  kMissingPart,     // a part the document needs is not in the package
  kPartTooLarge,    // a part past kMaxPartBytes
  kUnreadablePart,  // the package could not give a part
  kBadXml,          // a part is not well-formed XML (see DocumentResult::xml)
  kBadReference,    // a relationship or shared string that leads nowhere
  kBadCell,         // a cell or row reference past the sheet's bounds
  kTooMuchText,     // the text passes kMaxDocumentText
  kNoPackage,       // the file is no package (not a ZIP archive) at all
};

// Why a document could not be read: the fault, the part it was met in and,
// for kBadXml, the XML fault and its byte offset in that part.
struct DocumentResult {
  DocumentFault fault = DocumentFault::kNone;
  std::string part;
  XmlFault xml = XmlFault::kNone;
  size_t offset = 0;
  bool ok() const { return fault == DocumentFault::kNone; }
};

// The reason in plain words, for notes and traces (ASCII, the part name as
// the package gives it): "word/document.xml: the XML ends too soon (byte 812)".
std::string DescribeResult(const DocumentResult& result);

// Reads the text of a document of kind (not kNone) from members into *text.
// On a fault *text holds nothing and the result says why; the document is
// then one the program cannot take as text.
DocumentResult ReadDocumentText(DocumentKind kind, PackageMembers& members, std::string* text);

}  // namespace zanto::document
