// The office document reader over arbitrary packages: the first byte picks
// the format, the rest, cut at NUL bytes, gives the members in the order the
// reader asks for them, whatever their names. A document read without a
// fault gives whole lines within the text bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/document/document_text.h"

namespace {

using namespace zanto::document;

class SequenceMembers : public PackageMembers {
 public:
  explicit SequenceMembers(std::string_view rest) : rest_(rest) {}
  MemberRead Read(const std::string&, size_t limit, std::string* bytes) override {
    if (rest_.empty()) return MemberRead::kMissing;
    const size_t end = rest_.find('\0');
    const std::string_view member = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    if (member.size() > limit) return MemberRead::kTooLarge;
    bytes->assign(member);
    return MemberRead::kOk;
  }

 private:
  std::string_view rest_;
};

constexpr DocumentKind kKinds[] = {DocumentKind::kWord, DocumentKind::kSheet, DocumentKind::kSlides,
                                   DocumentKind::kOpenDocument};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  SequenceMembers members(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::string text;
  const DocumentResult result = ReadDocumentText(kKinds[data[0] % 4], members, &text);
  if (!result.ok() && !text.empty()) std::abort();
  if (text.size() > kMaxDocumentText) std::abort();
  if (!text.empty() && text.back() != '\n') std::abort();
  (void)DescribeResult(result);
  return 0;
}
