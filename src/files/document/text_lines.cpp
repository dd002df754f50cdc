#include "files/document/text_lines.h"

namespace zanto::document {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A CR that a LF follows: the pair is one line end, so one space.
bool IsCrBeforeLf(std::string_view text, size_t i) {
  return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
}

}  // namespace

bool TextLines::Room(size_t bytes) {
  if (overflow_ || bytes > limit_ - used_) {
    overflow_ = true;
    return false;
  }
  used_ += bytes;
  return true;
}

void TextLines::Append(std::string* to, std::string_view bytes) {
  if (Room(bytes.size())) to->append(bytes);
}

std::string* TextLines::LinesBelow() { return open_.empty() ? &out_ : &open_.back().held; }

void TextLines::Open() { open_.emplace_back(); }

void TextLines::Close(size_t repeat, size_t emptyBefore) {
  if (open_.empty()) return;
  Paragraph p = std::move(open_.back());
  open_.pop_back();
  if (p.endsCollapsed) {
    p.text.pop_back();
    --used_;
  }
  std::string* below = LinesBelow();
  if (Room(emptyBefore)) below->append(emptyBefore, '\n');
  for (size_t i = 0; i < repeat && !overflow_; ++i) {
    // The first copy moves the text counted already; others are new bytes.
    if (i == 0 || Room(p.text.size())) {
      below->append(p.text);
      Append(below, "\n");
    }
  }
  below->append(p.held);
}

void TextLines::Discard() {
  if (open_.empty()) return;
  Paragraph p = std::move(open_.back());
  open_.pop_back();
  used_ -= p.text.size();
  LinesBelow()->append(p.held);
}

void TextLines::Text(std::string_view utf8, bool collapse) {
  if (open_.empty()) return;
  Paragraph& p = open_.back();
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (IsCrBeforeLf(utf8, i)) continue;
    if (collapse && IsBlank(c)) {
      if (p.atBlank) continue;
      if (!Room(1)) return;
      p.text.push_back(' ');
      p.atBlank = p.endsCollapsed = true;
      continue;
    }
    if (!Room(1)) return;
    p.text.push_back(c == '\n' || c == '\r' ? ' ' : c);
    p.atBlank = p.endsCollapsed = false;
  }
}

void TextLines::Spaces(size_t count) {
  if (open_.empty() || !Room(count)) return;
  Paragraph& p = open_.back();
  p.text.append(count, ' ');
  p.atBlank = p.endsCollapsed = false;
}

void TextLines::Tab() {
  if (open_.empty() || !Room(1)) return;
  Paragraph& p = open_.back();
  p.text.push_back('\t');
  p.atBlank = p.endsCollapsed = false;
}

void TextLines::RestartCollapse() {
  if (open_.empty()) return;
  open_.back().atBlank = true;
}

void TextLines::TrimCollapsed() {
  if (open_.empty() || !open_.back().endsCollapsed) return;
  open_.back().text.pop_back();
  open_.back().endsCollapsed = false;
  --used_;
}

std::string_view TextLines::Held() const {
  return open_.empty() ? std::string_view() : std::string_view(open_.back().text);
}

void TextLines::CutHeld(size_t size) {
  if (open_.empty() || size >= open_.back().text.size()) return;
  Paragraph& p = open_.back();
  used_ -= p.text.size() - size;
  p.text.resize(size);
  p.endsCollapsed = false;
}

void TextLines::Field(size_t column, std::string_view text) {
  if (open_.empty()) return;
  Paragraph& p = open_.back();
  const size_t at = p.field < 0 ? 0 : static_cast<size_t>(p.field);
  const size_t target = p.field >= 0 && column <= at ? at + 1 : column;
  std::string field(target - at, '\t');
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsCrBeforeLf(text, i)) field.push_back(IsBlank(text[i]) ? ' ' : text[i]);
  }
  if (!Room(field.size())) return;
  p.text += field;
  p.field = static_cast<long>(target);
  p.atBlank = p.endsCollapsed = false;
}

void TextLines::EmptyLines(size_t count) {
  if (!open_.empty() || !Room(count)) return;
  out_.append(count, '\n');
}

}  // namespace zanto::document
