// The members of an office document's package, taken from the ZIP reader:
// what the document reader (files/document/document_text.h) asks of a
// package, for the scan and the viewer, which both hold the document open.
#pragma once
#include <cstdint>
#include <string>

#include "files/document/document_text.h"
#include "files/zip/zip.h"

namespace zanto::document {

class ZipPackage : public PackageMembers {
 public:
  // Reads the open file whole, from its first byte, and its directory once.
  zip::Status Open(intptr_t file);

  // A part name matches a member's path with ASCII letters in either case
  // (package part names compare without case) and '/' and '\' alike.
  // kTooLarge past limit or past the ZIP reader's bounds; kUnreadable for
  // an encrypted member, an unknown method or damaged data.
  MemberRead Read(const std::string& name, size_t limit, std::string* bytes) override;

 private:
  zip::Archive archive_;
};

// The text of the document of kind (not kNone) in the open file, as
// ReadDocumentText gives it; a file that is no ZIP archive is kNoPackage.
DocumentResult ReadDocumentFile(DocumentKind kind, intptr_t file, std::string* text);

// Whether the fault lies in reading the file (a part the package could not
// give) rather than in what the file holds: the program then treats the
// document as a file it cannot open, and as a file that is not text
// otherwise.
bool IsReadFault(const DocumentResult& result);

}  // namespace zanto::document
