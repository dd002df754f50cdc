// A small pull reader for the XML parts of office documents: start and end
// tags with their namespaces resolved, and text with entities and character
// references decoded (as UTF-8). Well-formed input is the norm; damaged input
// ends the reading with a fault and the offset where it was found, never an
// overrun or an endless loop: depth, names, attributes and namespace
// bindings are bounded by the constants below.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zanto::document {

constexpr size_t kMaxXmlDepth = 256;         // elements open at once
constexpr size_t kMaxXmlName = 256;          // bytes of a qualified name
constexpr size_t kMaxXmlAttributes = 256;    // attributes of one element
constexpr size_t kMaxXmlBindings = 512;      // namespace bindings in force at once

enum class XmlFault {
  kNone,
  kTruncated,     // the text ends inside markup or with elements open
  kBadMarkup,     // markup that is not XML (a stray '<', a tag without its '>')
  kMismatch,      // an end tag that does not close the element open
  kBadEntity,     // an unknown entity or a character reference to no character
  kUnboundPrefix, // a namespace prefix that no xmlns binds
  kTooDeep,       // more than kMaxXmlDepth elements open
  kTooLong,       // a name, an attribute list or the bindings past their bounds
  kEncoding,      // the part is not UTF-8 (a UTF-16 mark)
};

const char* XmlFaultText(XmlFault fault);

enum class XmlEvent {
  kStart,   // a start tag; an empty element gives kStart, then kEnd
  kEnd,     // an end tag
  kText,    // character data (CDATA sections included), decoded
  kFinish,  // the root element has closed; nothing follows but markup of no account
  kFault,   // reading stopped: see Fault()
};

class XmlReader {
 public:
  // Reads the size bytes at data, which stay the caller's and must outlive
  // the reader.
  XmlReader(const char* data, size_t size);

  // The next event. After kFinish or kFault every call returns it again.
  XmlEvent Next();

  // Of the last kStart or kEnd: the element's namespace name (empty when it
  // has none) and its local name.
  std::string_view Namespace() const { return namespace_; }
  std::string_view Local() const { return local_; }
  bool Is(std::string_view uri, std::string_view local) const { return namespace_ == uri && local_ == local; }

  // Of the last kStart: the decoded value of the attribute local in
  // namespace uri (empty uri: an attribute without a prefix); nullptr when
  // the element has none.
  const std::string* Attribute(std::string_view uri, std::string_view local) const;

  // Of the last kText: its decoded UTF-8 bytes.
  const std::string& Text() const { return text_; }

  // Elements open after the last event (the element of a kStart counted).
  size_t Depth() const { return open_.size(); }

  XmlFault Fault() const { return fault_; }
  size_t FaultOffset() const { return faultAt_; }

 private:
  struct Attr {
    std::string uri;    // resolved namespace name
    std::string local;
    std::string value;  // decoded
  };
  struct Binding {
    std::string prefix;  // empty: the default namespace
    std::string uri;
    size_t depth;        // open elements when it was made; it ends when they fall below
  };
  struct Raw {
    std::string_view name;  // qualified
    std::string value;
  };

  XmlEvent Stop(XmlFault fault);  // records the first fault, here; returns kFault
  XmlEvent StopAt(XmlFault fault, size_t offset);
  bool Fail(XmlFault fault);      // the same, for helpers that answer true or false
  XmlEvent ReadText();
  XmlEvent ReadMarkup();
  XmlEvent ReadStartTag();
  XmlEvent ReadEndTag();
  XmlEvent EndEmptyElement();
  bool SkipPast(std::string_view closing);
  bool SkipDoctype();
  bool ReadName(std::string_view* name);
  bool ReadAttributes(std::vector<Raw>* raw, bool* empty);
  // Decodes raw into *out; returns kDecoded, or the offset in raw of a
  // reference that names no character.
  static constexpr size_t kDecoded = ~size_t{0};
  size_t Decode(std::string_view raw, std::string* out);
  bool DecodeReference(std::string_view ref, std::string* out);
  // False when the bindings would pass kMaxXmlBindings.
  bool Bind(const std::vector<Raw>& raw);
  // False for a prefix no binding in force names.
  bool Resolve(std::string_view qname, bool isAttribute, std::string_view* uri, std::string_view* local) const;
  void Unbind();
  void SkipSpace();

  const char* data_;
  size_t size_;
  size_t pos_ = 0;
  XmlFault fault_ = XmlFault::kNone;
  size_t faultAt_ = 0;
  bool finished_ = false;
  bool rootSeen_ = false;
  bool pendingEnd_ = false;  // an empty element's kEnd is still to come
  std::vector<std::string_view> open_;  // qualified names of the open elements
  std::vector<Binding> bindings_;
  std::vector<Attr> attrs_;
  std::string namespace_;
  std::string local_;
  std::string text_;
};

// Appends code point cp to out as UTF-8.
void AppendUtf8(unsigned long cp, std::string* out);

}  // namespace zanto::document
