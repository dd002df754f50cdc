#include "files/document/document_parts.h"

namespace zanto::document {
namespace {

struct NamespaceName {
  Ns ns;
  std::string_view uri;
};

// Transitional names first: nearly every document uses them.
constexpr NamespaceName kNamespaces[] = {
    {Ns::kWord, "http://schemas.openxmlformats.org/wordprocessingml/2006/main"},
    {Ns::kSheet, "http://schemas.openxmlformats.org/spreadsheetml/2006/main"},
    {Ns::kSlide, "http://schemas.openxmlformats.org/presentationml/2006/main"},
    {Ns::kDrawing, "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {Ns::kOfficeRel, "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {Ns::kPackageRel, "http://schemas.openxmlformats.org/package/2006/relationships"},
    {Ns::kCompat, "http://schemas.openxmlformats.org/markup-compatibility/2006"},
    {Ns::kWord, "http://purl.oclc.org/ooxml/wordprocessingml/main"},
    {Ns::kSheet, "http://purl.oclc.org/ooxml/spreadsheetml/main"},
    {Ns::kSlide, "http://purl.oclc.org/ooxml/presentationml/main"},
    {Ns::kDrawing, "http://purl.oclc.org/ooxml/drawingml/main"},
    {Ns::kOfficeRel, "http://purl.oclc.org/ooxml/officeDocument/relationships"},
    {Ns::kOdfOffice, "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
    {Ns::kOdfText, "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
    {Ns::kOdfTable, "urn:oasis:names:tc:opendocument:xmlns:table:1.0"},
    {Ns::kOdfPresentation, "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"},
    {Ns::kOdfSvg, "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Target URIs escape some bytes as %XX; part names hold the bytes.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// "ppt/presentation.xml" -> "ppt/_rels/presentation.xml.rels"
std::string RelationshipsPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

}  // namespace

Ns NamespaceOf(std::string_view uri) {
  for (const NamespaceName& n : kNamespaces) {
    if (n.uri == uri) return n.ns;
  }
  return Ns::kOther;
}

const std::string* AttributeIn(const XmlReader& xml, Ns ns, std::string_view local) {
  for (const NamespaceName& n : kNamespaces) {
    if (n.ns != ns) continue;
    if (const std::string* value = xml.Attribute(n.uri, local)) return value;
  }
  return nullptr;
}

bool SkipElement(XmlReader& xml) {
  const size_t depth = xml.Depth();
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return false;
      case XmlEvent::kFinish: return true;
      case XmlEvent::kEnd:
        if (xml.Depth() < depth) return true;
        break;
      default: break;
    }
  }
}

size_t NumberOr(const std::string* text, size_t fallback, size_t limit) {
  if (!text) return fallback;
  size_t i = 0;
  while (i < text->size() && (*text)[i] == ' ') ++i;
  if (i == text->size() || (*text)[i] < '0' || (*text)[i] > '9') return fallback;
  size_t value = 0;
  for (; i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9'; ++i) {
    value = value * 10 + static_cast<size_t>((*text)[i] - '0');
    if (value > limit) return limit + 1;
  }
  return value;
}

bool DocumentReading::Load(const std::string& name, std::string* bytes, bool required, bool* present) {
  if (present) *present = false;
  switch (members_.Read(name, kMaxPartBytes, bytes)) {
    case MemberRead::kOk:
      if (present) *present = true;
      return true;
    case MemberRead::kMissing:
      bytes->clear();
      return required ? Fail(DocumentFault::kMissingPart, name) : true;
    case MemberRead::kTooLarge: return Fail(DocumentFault::kPartTooLarge, name);
    case MemberRead::kUnreadable: return Fail(DocumentFault::kUnreadablePart, name);
  }
  return Fail(DocumentFault::kUnreadablePart, name);
}

bool DocumentReading::Fail(DocumentFault fault, const std::string& part) {
  if (result.ok()) {
    result.fault = fault;
    result.part = part;
  }
  return false;
}

bool DocumentReading::FailXml(const XmlReader& xml, const std::string& part) {
  if (result.ok()) {
    result.xml = xml.Fault();
    result.offset = xml.FaultOffset();
  }
  return Fail(DocumentFault::kBadXml, part);
}

bool ReadRelationships(DocumentReading& reading, const std::string& part, std::vector<Relationship>* rels) {
  rels->clear();
  const std::string relsPart = RelationshipsPartOf(part);
  std::string bytes;
  bool present;
  if (!reading.Load(relsPart, &bytes, false, &present)) return false;
  if (!present) return true;
  XmlReader xml(bytes.data(), bytes.size());
  for (;;) {
    switch (xml.Next()) {
      case XmlEvent::kFault: return reading.FailXml(xml, relsPart);
      case XmlEvent::kFinish: return true;
      case XmlEvent::kStart: {
        if (!Is(xml, Ns::kPackageRel, "Relationship")) break;
        const std::string* id = xml.Attribute("", "Id");
        const std::string* type = xml.Attribute("", "Type");
        const std::string* target = xml.Attribute("", "Target");
        const std::string* mode = xml.Attribute("", "TargetMode");
        if (!id || !target || (mode && *mode == "External")) break;
        Relationship r{*id, type ? *type : std::string(), std::string()};
        if (!ResolveTarget(part, *target, &r.part)) return reading.Fail(DocumentFault::kBadReference, relsPart);
        rels->push_back(std::move(r));
        break;
      }
      default: break;
    }
  }
}

const Relationship* FindRelationship(const std::vector<Relationship>& rels, std::string_view id) {
  for (const Relationship& r : rels) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

const Relationship* FindRelationshipOfType(const std::vector<Relationship>& rels, std::string_view kind) {
  for (const Relationship& r : rels) {
    const std::string_view type = r.type;
    if (type.size() > kind.size() && type.substr(type.size() - kind.size()) == kind &&
        type[type.size() - kind.size() - 1] == '/')
      return &r;
  }
  return nullptr;
}

bool ResolveTarget(const std::string& source, std::string_view target, std::string* part) {
  const std::string decoded = PercentDecoded(target);
  std::string path;
  if (decoded.empty() || decoded[0] != '/') {
    const size_t slash = source.rfind('/');
    if (slash != std::string::npos) path = source.substr(0, slash + 1);
  }
  path += decoded;
  std::vector<std::string_view> parts;
  std::string_view rest = path;
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view piece = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
      continue;
    }
    parts.push_back(piece);
  }
  if (parts.empty()) return false;
  part->clear();
  for (std::string_view piece : parts) {
    if (!part->empty()) part->push_back('/');
    part->append(piece);
  }
  return true;
}

}  // namespace zanto::document
