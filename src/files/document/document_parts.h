// What the document formats share: the namespaces they name elements in,
// the reading of one document (its parts, its lines, its fault) and, for
// the Office Open XML packages, relationships from part to part.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "files/document/document_text.h"
#include "files/document/text_lines.h"
#include "files/document/xml_reader.h"

namespace zanto::document {

// Namespaces by what they hold; the strict and transitional names of an
// Office Open XML namespace are one.
enum class Ns {
  kOther,
  kWord,        // WordprocessingML
  kSheet,       // SpreadsheetML
  kSlide,       // PresentationML
  kDrawing,     // DrawingML
  kOfficeRel,   // relationship ids in parts (r:id)
  kPackageRel,  // the .rels parts
  kCompat,      // markup compatibility (alternate content)
  kOdfOffice,
  kOdfText,
  kOdfTable,
  kOdfPresentation,
  kOdfSvg,
};

Ns NamespaceOf(std::string_view uri);

// Whether the element of the reader's last event is local in ns.
inline bool Is(const XmlReader& xml, Ns ns, std::string_view local) {
  return xml.Local() == local && NamespaceOf(xml.Namespace()) == ns;
}

// The attribute local in ns of the last start tag (under any of the
// namespace's names), or nullptr.
const std::string* AttributeIn(const XmlReader& xml, Ns ns, std::string_view local);

// Reads on to the end of the element just started. False on a fault.
bool SkipElement(XmlReader& xml);

// The decimal number at the start of text, or fallback when it holds none;
// numbers past limit give limit + 1, so the caller can refuse them.
size_t NumberOr(const std::string* text, size_t fallback, size_t limit);

// One document being read: where its parts come from, the lines made so
// far, and the first fault met.
class DocumentReading {
  PackageMembers& members_;

 public:
  explicit DocumentReading(PackageMembers& members) : members_(members), lines(kMaxDocumentText) {}

  // Puts part name into *bytes. False, with the fault recorded, when the
  // package cannot give it; a missing part is a fault only when required.
  bool Load(const std::string& name, std::string* bytes, bool required = true, bool* present = nullptr);

  // Record a fault and return false, so a reader can "return Fail(...)".
  bool Fail(DocumentFault fault, const std::string& part);
  bool FailXml(const XmlReader& xml, const std::string& part);

  DocumentResult result;
  TextLines lines;
};

struct Relationship {
  std::string id;
  std::string type;
  std::string part;  // the target as a part name; relationships to outside the package are left out
};

// The relationships of part (from its .rels part; none when there is
// none). False on a fault.
bool ReadRelationships(DocumentReading& reading, const std::string& part, std::vector<Relationship>* rels);

const Relationship* FindRelationship(const std::vector<Relationship>& rels, std::string_view id);
// The first relationship whose type ends with "/" + kind ("officeDocument").
const Relationship* FindRelationshipOfType(const std::vector<Relationship>& rels, std::string_view kind);

// The part a relationship target names from source: relative to source's
// folder unless it starts with '/', "." and ".." taken out, %XX decoded.
// False when it climbs out of the package or is empty.
bool ResolveTarget(const std::string& source, std::string_view target, std::string* part);

}  // namespace zanto::document
