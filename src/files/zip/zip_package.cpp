#include "files/zip/zip_package.h"

#include "base/name_compare.h"
#include "base/sjis.h"
#include "files/zip/zip_file.h"

namespace zanto::document {
namespace {

char FoldedSeparator(char c) { return c == '/' ? '\\' : c; }

// Member paths are Shift_JIS: only single-byte characters are folded, so
// that a trail byte that looks like a letter stays what it is.
bool SamePartName(const std::string& path, const std::string& name) {
  if (path.size() != name.size()) return false;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < path.size()) {
      if (path[i] != name[i] || path[i + 1] != name[i + 1]) return false;
      ++i;
    } else if (UpperAscii(FoldedSeparator(path[i])) != UpperAscii(FoldedSeparator(name[i]))) {
      return false;
    }
  }
  return true;
}

MemberRead ReadOfStatus(zip::Status status) {
  switch (status) {
    case zip::Status::kOk: return MemberRead::kOk;
    case zip::Status::kTooLarge:
    case zip::Status::kPastDeclaredSize: return MemberRead::kTooLarge;
    default: return MemberRead::kUnreadable;
  }
}

}  // namespace

zip::Status ZipPackage::Open(intptr_t file) { return zip::OpenOpenFile(file, &archive_); }

MemberRead ZipPackage::Read(const std::string& name, size_t limit, std::string* bytes) {
  bytes->clear();
  for (const zip::Member& m : archive_.members()) {
    if (m.isDirectory || !SamePartName(m.path, name)) continue;
    if (m.originalSize > limit) return MemberRead::kTooLarge;
    return ReadOfStatus(archive_.Read(m, bytes));
  }
  return MemberRead::kMissing;
}

DocumentResult ReadDocumentFile(DocumentKind kind, intptr_t file, std::string* text) {
  text->clear();
  ZipPackage package;
  if (package.Open(file) == zip::Status::kOk) return ReadDocumentText(kind, package, text);
  DocumentResult result;
  result.fault = DocumentFault::kNoPackage;
  return result;
}

bool IsReadFault(const DocumentResult& result) {
  return result.fault == DocumentFault::kUnreadablePart || result.fault == DocumentFault::kPartTooLarge;
}

}  // namespace zanto::document
