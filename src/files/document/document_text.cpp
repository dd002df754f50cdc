#include "files/document/document_text.h"

#include <cstring>

#include "base/name_compare.h"
#include "files/document/document_formats.h"

namespace zanto::document {
namespace {

struct Extension {
  const char* dotted;
  DocumentKind kind;
};

constexpr Extension kExtensions[] = {
    {".docx", DocumentKind::kWord},         {".xlsx", DocumentKind::kSheet},
    {".pptx", DocumentKind::kSlides},       {".odt", DocumentKind::kOpenDocument},
    {".ods", DocumentKind::kOpenDocument},  {".odp", DocumentKind::kOpenDocument},
};

const char* FaultText(DocumentFault fault) {
  switch (fault) {
    case DocumentFault::kNone: return "no fault";
    case DocumentFault::kMissingPart: return "a part the document needs is missing";
    case DocumentFault::kPartTooLarge: return "a part too large to read";
    case DocumentFault::kUnreadablePart: return "a part that cannot be read";
    case DocumentFault::kBadXml: return "damaged XML";
    case DocumentFault::kBadReference: return "a reference that leads nowhere";
    case DocumentFault::kBadCell: return "a cell beyond the sheet";
    case DocumentFault::kTooMuchText: return "more text than the program takes";
    case DocumentFault::kNoPackage: return "not a ZIP package";
  }
  return "unknown fault";
}

}  // namespace

DocumentKind DocumentKindOf(const char* name) {
  const size_t length = strlen(name);
  for (const Extension& e : kExtensions) {
    const size_t n = strlen(e.dotted);
    if (length > n && SameNoCase(name + length - n, e.dotted)) return e.kind;
  }
  return DocumentKind::kNone;
}

std::string DescribeResult(const DocumentResult& result) {
  std::string text = result.part.empty() ? std::string() : result.part + ": ";
  if (result.fault == DocumentFault::kBadXml) {
    text += XmlFaultText(result.xml);
    text += " (byte " + std::to_string(result.offset) + ")";
  } else {
    text += FaultText(result.fault);
  }
  return text;
}

DocumentResult ReadDocumentText(DocumentKind kind, PackageMembers& members, std::string* text) {
  text->clear();
  DocumentReading reading(members);
  bool read = false;
  switch (kind) {
    case DocumentKind::kWord: read = ReadWordText(reading); break;
    case DocumentKind::kSheet: read = ReadSheetText(reading); break;
    case DocumentKind::kSlides: read = ReadSlidesText(reading); break;
    case DocumentKind::kOpenDocument: read = ReadOpenDocumentText(reading); break;
    case DocumentKind::kNone: reading.Fail(DocumentFault::kMissingPart, ""); break;
  }
  if (read && reading.lines.Overflowed()) reading.Fail(DocumentFault::kTooMuchText, "");
  if (reading.result.ok()) *text = reading.lines.TakeLines();
  return reading.result;
}

}  // namespace zanto::document
