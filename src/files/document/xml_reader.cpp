#include "files/document/xml_reader.h"

#include <cstring>

namespace zanto::document {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// What a markup helper returns for a comment, a processing instruction or a
// document type declaration: nothing to hand out, read on.
constexpr XmlEvent kSkipped = XmlEvent::kFinish;
constexpr size_t kMaxReference = 12;  // bytes between '&' and ';': "#x10FFFF" and the longest name fit

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Bytes that end a name: blanks, the markup characters, quotes.
bool EndsName(char c) {
  return IsSpace(c) || c == '/' || c == '>' || c == '<' || c == '=' || c == '"' || c == '\'' || c == '&';
}

bool StartsWith(const char* at, size_t left, std::string_view head) {
  return left >= head.size() && memcmp(at, head.data(), head.size()) == 0;
}

// The code point of a character reference's digits ("#65", "#x41"), or a
// value past the last code point when they are no number.
unsigned long ReferencedCodePoint(std::string_view digits) {
  const bool hex = !digits.empty() && digits[0] == 'x';
  if (hex) digits.remove_prefix(1);
  if (digits.empty()) return ~0UL;
  unsigned long cp = 0;
  for (char c : digits) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return ~0UL;
    cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
    if (cp > 0x10FFFF) return ~0UL;  // also keeps the sum from overflowing
  }
  return cp;
}

}  // namespace

const char* XmlFaultText(XmlFault fault) {
  switch (fault) {
    case XmlFault::kNone: return "no fault";
    case XmlFault::kTruncated: return "the XML ends too soon";
    case XmlFault::kBadMarkup: return "malformed markup";
    case XmlFault::kMismatch: return "an end tag that closes no open element";
    case XmlFault::kBadEntity: return "an unknown entity or a bad character reference";
    case XmlFault::kUnboundPrefix: return "an undeclared namespace prefix";
    case XmlFault::kTooDeep: return "elements nested too deep";
    case XmlFault::kTooLong: return "a name or attribute list too long";
    case XmlFault::kEncoding: return "not UTF-8";
  }
  return "unknown fault";
}

void AppendUtf8(unsigned long cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

XmlReader::XmlReader(const char* data, size_t size) : data_(data), size_(size) {
  if (StartsWith(data_, size_, "\xEF\xBB\xBF")) pos_ = 3;
  if (StartsWith(data_, size_, "\xFF\xFE") || StartsWith(data_, size_, "\xFE\xFF")) Stop(XmlFault::kEncoding);
}

bool XmlReader::Fail(XmlFault fault) {
  Stop(fault);
  return false;
}

XmlEvent XmlReader::Stop(XmlFault fault) { return StopAt(fault, pos_); }

XmlEvent XmlReader::StopAt(XmlFault fault, size_t offset) {
  if (fault_ == XmlFault::kNone) {
    fault_ = fault;
    faultAt_ = offset;
  }
  return XmlEvent::kFault;
}

// Each turn of the loop consumes input or returns, so the reading ends.
XmlEvent XmlReader::Next() {
  if (fault_ != XmlFault::kNone) return XmlEvent::kFault;
  if (pendingEnd_) return EndEmptyElement();
  if (finished_) return XmlEvent::kFinish;
  for (;;) {
    if (pos_ >= size_) return Stop(XmlFault::kTruncated);
    const size_t before = pos_;
    const XmlEvent event = data_[pos_] == '<' ? ReadMarkup() : ReadText();
    if (pos_ == before && event != XmlEvent::kFault) return Stop(XmlFault::kBadMarkup);
    if (event == XmlEvent::kText && open_.empty()) continue;  // blanks around the root
    if (event != kSkipped) return event;
  }
}

XmlEvent XmlReader::ReadText() {
  const char* from = data_ + pos_;
  const void* lt = memchr(from, '<', size_ - pos_);
  const size_t length = lt ? static_cast<size_t>(static_cast<const char*>(lt) - from) : size_ - pos_;
  pos_ += length;
  text_.clear();
  if (open_.empty()) return XmlEvent::kText;
  if (!lt) return Stop(XmlFault::kTruncated);  // the text runs to the end, the elements still open
  const size_t bad = Decode(std::string_view(from, length), &text_);
  if (bad != kDecoded) return StopAt(XmlFault::kBadEntity, static_cast<size_t>(from - data_) + bad);
  return XmlEvent::kText;
}

XmlEvent XmlReader::ReadMarkup() {
  const char* at = data_ + pos_;
  const size_t left = size_ - pos_;
  if (StartsWith(at, left, "<?")) return SkipPast("?>") ? kSkipped : Stop(XmlFault::kTruncated);
  if (StartsWith(at, left, "<!--")) return SkipPast("-->") ? kSkipped : Stop(XmlFault::kTruncated);
  if (StartsWith(at, left, "<![CDATA[")) {
    const size_t start = pos_ + 9;
    pos_ = start;
    if (!SkipPast("]]>")) return Stop(XmlFault::kTruncated);
    text_.assign(data_ + start, pos_ - 3 - start);
    return XmlEvent::kText;
  }
  if (StartsWith(at, left, "<!DOCTYPE")) return SkipDoctype() ? kSkipped : Stop(XmlFault::kTruncated);
  if (StartsWith(at, left, "</")) return ReadEndTag();
  return ReadStartTag();
}

bool XmlReader::SkipPast(std::string_view closing) {
  const size_t at = std::string_view(data_ + pos_, size_ - pos_).find(closing);
  if (at == std::string_view::npos) return false;
  pos_ += at + closing.size();
  return true;
}

// A document type declaration may hold an internal subset in brackets,
// whose quoted texts may hold '>'. Its entities are not taken up: a part
// that uses one meets an unknown entity.
bool XmlReader::SkipDoctype() {
  bool inSubset = false;
  char quote = 0;
  for (pos_ += 9; pos_ < size_; ++pos_) {
    const char c = data_[pos_];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      inSubset = true;
    } else if (c == ']') {
      inSubset = false;
    } else if (c == '>' && !inSubset) {
      ++pos_;
      return true;
    }
  }
  return false;
}

void XmlReader::SkipSpace() {
  while (pos_ < size_ && IsSpace(data_[pos_])) ++pos_;
}

bool XmlReader::ReadName(std::string_view* name) {
  const size_t start = pos_;
  while (pos_ < size_ && !EndsName(data_[pos_]) && pos_ - start <= kMaxXmlName) ++pos_;
  if (pos_ - start > kMaxXmlName) return Fail(XmlFault::kTooLong);
  if (pos_ == start) return Fail(pos_ >= size_ ? XmlFault::kTruncated : XmlFault::kBadMarkup);
  *name = std::string_view(data_ + start, pos_ - start);
  return true;
}

bool XmlReader::ReadAttributes(std::vector<Raw>* raw, bool* empty) {
  for (;;) {
    SkipSpace();
    if (pos_ >= size_) return Fail(XmlFault::kTruncated);
    if (data_[pos_] == '>') {
      ++pos_;
      return true;
    }
    if (data_[pos_] == '/') {
      if (pos_ + 1 >= size_) return Fail(XmlFault::kTruncated);
      if (data_[pos_ + 1] != '>') return Fail(XmlFault::kBadMarkup);
      pos_ += 2;
      *empty = true;
      return true;
    }
    if (raw->size() >= kMaxXmlAttributes) return Fail(XmlFault::kTooLong);
    Raw attr;
    if (!ReadName(&attr.name)) return false;
    SkipSpace();
    if (pos_ >= size_) return Fail(XmlFault::kTruncated);
    if (data_[pos_] != '=') return Fail(XmlFault::kBadMarkup);
    ++pos_;
    SkipSpace();
    if (pos_ >= size_) return Fail(XmlFault::kTruncated);
    const char quote = data_[pos_];
    if (quote != '"' && quote != '\'') return Fail(XmlFault::kBadMarkup);
    const char* from = data_ + pos_ + 1;
    const void* end = memchr(from, quote, size_ - pos_ - 1);
    if (!end) return Fail(XmlFault::kTruncated);
    const size_t length = static_cast<size_t>(static_cast<const char*>(end) - from);
    const size_t bad = Decode(std::string_view(from, length), &attr.value);
    if (bad != kDecoded) {
      StopAt(XmlFault::kBadEntity, static_cast<size_t>(from - data_) + bad);
      return false;
    }
    pos_ += length + 2;
    raw->push_back(std::move(attr));
  }
}

// Faults of the tag as a whole are placed at its '<'.
XmlEvent XmlReader::ReadStartTag() {
  const size_t start = pos_++;
  std::string_view qname;
  if (!ReadName(&qname)) return XmlEvent::kFault;
  std::vector<Raw> raw;
  bool empty = false;
  if (!ReadAttributes(&raw, &empty)) return XmlEvent::kFault;
  if (open_.size() >= kMaxXmlDepth) return StopAt(XmlFault::kTooDeep, start);
  open_.push_back(qname);
  if (!Bind(raw)) return StopAt(XmlFault::kTooLong, start);
  std::string_view uri, local;
  if (!Resolve(qname, false, &uri, &local)) return StopAt(XmlFault::kUnboundPrefix, start);
  namespace_.assign(uri);
  local_.assign(local);
  attrs_.clear();
  for (Raw& r : raw) {
    if (r.name == "xmlns" || r.name.substr(0, 6) == "xmlns:") continue;
    if (!Resolve(r.name, true, &uri, &local)) return StopAt(XmlFault::kUnboundPrefix, start);
    attrs_.push_back(Attr{std::string(uri), std::string(local), std::move(r.value)});
  }
  rootSeen_ = true;
  pendingEnd_ = empty;
  return XmlEvent::kStart;
}

XmlEvent XmlReader::EndEmptyElement() {
  pendingEnd_ = false;
  open_.pop_back();
  Unbind();
  finished_ = open_.empty();
  return XmlEvent::kEnd;
}

XmlEvent XmlReader::ReadEndTag() {
  const size_t start = pos_;
  pos_ += 2;  // "</"
  std::string_view qname;
  if (!ReadName(&qname)) return XmlEvent::kFault;
  SkipSpace();
  if (pos_ >= size_) return Stop(XmlFault::kTruncated);
  if (data_[pos_] != '>') return Stop(XmlFault::kBadMarkup);
  ++pos_;
  if (open_.empty() || open_.back() != qname) return StopAt(XmlFault::kMismatch, start);
  std::string_view uri, local;
  if (!Resolve(qname, false, &uri, &local)) return StopAt(XmlFault::kUnboundPrefix, start);
  namespace_.assign(uri);
  local_.assign(local);
  open_.pop_back();
  Unbind();
  finished_ = open_.empty();
  return XmlEvent::kEnd;
}

bool XmlReader::Bind(const std::vector<Raw>& raw) {
  for (const Raw& r : raw) {
    std::string_view prefix;
    if (r.name == "xmlns") prefix = {};
    else if (r.name.substr(0, 6) == "xmlns:") prefix = r.name.substr(6);
    else continue;
    if (bindings_.size() >= kMaxXmlBindings) return false;
    bindings_.push_back(Binding{std::string(prefix), r.value, open_.size()});
  }
  return true;
}

// Bindings of elements no longer open end with them.
void XmlReader::Unbind() {
  while (!bindings_.empty() && bindings_.back().depth > open_.size()) bindings_.pop_back();
}

bool XmlReader::Resolve(std::string_view qname, bool isAttribute, std::string_view* uri,
                        std::string_view* local) const {
  const size_t colon = qname.find(':');
  const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
  *local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
  *uri = {};
  if (prefix.empty() && isAttribute) return true;  // an attribute without a prefix has no namespace
  if (prefix == "xml") {
    *uri = kXmlNamespace;
    return true;
  }
  for (size_t i = bindings_.size(); i-- > 0;) {
    if (bindings_[i].prefix == prefix) {
      *uri = bindings_[i].uri;
      return true;
    }
  }
  return prefix.empty();  // without a default namespace in force, a name without a prefix has none
}

const std::string* XmlReader::Attribute(std::string_view uri, std::string_view local) const {
  for (const Attr& a : attrs_) {
    if (a.uri == uri && a.local == local) return &a.value;
  }
  return nullptr;
}

// Line ends come out as LF, as an XML processor hands them on.
size_t XmlReader::Decode(std::string_view raw, std::string* out) {
  out->clear();
  out->reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      if (i + 1 < raw.size() && raw[i + 1] == '\n') continue;
      out->push_back('\n');
    } else if (c == '&') {
      const size_t semi = raw.find(';', i + 1);
      if (semi == std::string_view::npos || semi - i - 1 > kMaxReference) return i;
      if (!DecodeReference(raw.substr(i + 1, semi - i - 1), out)) return i;
      i = semi;
    } else {
      out->push_back(c);
    }
  }
  return kDecoded;
}

bool XmlReader::DecodeReference(std::string_view ref, std::string* out) {
  if (ref == "lt") out->push_back('<');
  else if (ref == "gt") out->push_back('>');
  else if (ref == "amp") out->push_back('&');
  else if (ref == "quot") out->push_back('"');
  else if (ref == "apos") out->push_back('\'');
  else if (!ref.empty() && ref[0] == '#') {
    const unsigned long cp = ReferencedCodePoint(ref.substr(1));
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    AppendUtf8(cp, out);
  } else {
    return false;
  }
  return true;
}

}  // namespace zanto::document
