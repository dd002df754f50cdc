// Office documents read as their text: documents written by other tools
// (see make_document_fixtures.py), read from the members bsdtar extracts
// from them, and damaged documents, which must give a reason, never a crash.
#include "files/document/document_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "files/path.h"
#include "files/zip/zip_package.h"

namespace zanto::document {
namespace {

const std::string kFixtures = ZANTO_DOCUMENT_FIXTURES;

// The members of a package as bsdtar extracted them into a folder, with
// some replaced.
class FolderMembers : public PackageMembers {
 public:
  explicit FolderMembers(std::string folder) : folder_(std::move(folder)) {}

  MemberRead Read(const std::string& name, size_t limit, std::string* bytes) override {
    const auto replaced = replaced_.find(name);
    if (replaced != replaced_.end()) {
      *bytes = replaced->second;
      return MemberRead::kOk;
    }
    FILE* file = fopen((folder_ + "/" + name).c_str(), "rb");
    if (!file) return MemberRead::kMissing;
    bytes->clear();
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0 && bytes->size() <= limit) bytes->append(buffer, got);
    fclose(file);
    return bytes->size() > limit ? MemberRead::kTooLarge : MemberRead::kOk;
  }

  void Replace(const std::string& name, const std::string& bytes) { replaced_[name] = bytes; }

 private:
  std::string folder_;
  std::map<std::string, std::string> replaced_;
};

// The members of a package given in the test itself.
class MapMembers : public PackageMembers {
 public:
  explicit MapMembers(std::map<std::string, std::string> members) : members_(std::move(members)) {}
  MemberRead Read(const std::string& name, size_t limit, std::string* bytes) override {
    const auto it = members_.find(name);
    if (it == members_.end()) return MemberRead::kMissing;
    if (it->second.size() > limit) return MemberRead::kTooLarge;
    *bytes = it->second;
    return MemberRead::kOk;
  }

 private:
  std::map<std::string, std::string> members_;
};

std::string Read(const char* document, PackageMembers& members, DocumentResult* result) {
  std::string text;
  *result = ReadDocumentText(DocumentKindOf(document), members, &text);
  return text;
}

// Sources are UTF-8 and the build turns literals into Shift_JIS, so the
// expected UTF-8 lines are written as u8 literals.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(DocumentText, FixturesReadAsTheirLinesInReadingOrder) {
  const struct {
    const char* document;
    std::string lines;
  } cases[] = {
      // Heading, a word over two runs, an empty paragraph, a tab and a line
      // break, entities, each table cell's paragraph.
      {"words.docx", Utf8(u8"表題\n分割された語\n日本語の段落です。\n\n前\t後 次\na < b & c > \"d\"\n左\n右\n終わり\n")},
      // Inline strings; an empty cell inside a row and an empty row.
      {"book.xlsx", Utf8(u8"名前\t数\t名前\nりんご\t3\t\t赤い\n\n終\nsecond sheet\tTRUE\t1.5\n")},
      // Sheets in the workbook's order; shared strings, rich runs joined, a
      // phonetic reading left out, an escaped CR; boolean, formula result,
      // number; cells and a row that name no column or row.
      {"shared.xlsx",
       Utf8(u8"名前\t分割された語\t\t漢字\n\nTRUE\t計算\t2.5\t\t名前\n上 下\t行内\n\t名前\n")},
      // Slides in the slide list's order; runs joined, a:br, entities and
      // character references, an empty paragraph, alternate content read once.
      {"slides.pptx", Utf8(u8"分割された語\n上 下 & 日本\n\n選ばれた方\n二枚目の文\n")},
      // text:h and text:p; spans joined; kept space, tab and line break; a
      // footnote's paragraph after the paragraph that holds it.
      {"words.odt", Utf8(u8"見出し\n分割された語\n日本語の段落です。\n\na  b\tc d\n本文1の続き\n脚注の文\nx &amp; <y>\n")},
      // Repeated cells and rows; trailing empty ones left out; a cell of two
      // paragraphs; the second sheet.
      {"book.ods", Utf8(u8"名前\t数\t\t\t備考\n\n\n同じ\t同じ\t終\n一行目 二行目\n")},
      // Pages in order; speaker notes left out.
      {"slides.odp", Utf8(u8"一枚目の題\n本文\n二枚目\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    FolderMembers members(kFixtures + "/" + c.document + ".members");
    DocumentResult result;
    EXPECT_EQ(Read(c.document, members, &result), c.lines);
    EXPECT_TRUE(result.ok()) << DescribeResult(result);
    // The same text from the document itself, its package read by the
    // program's ZIP reader.
    const intptr_t file = OpenRawFile((kFixtures + "/" + c.document).c_str(), kOpenRead);
    ASSERT_GE(file, 0);
    std::string text;
    result = ReadDocumentFile(DocumentKindOf(c.document), file, &text);
    CloseRawFile(file);
    EXPECT_EQ(text, c.lines);
    EXPECT_TRUE(result.ok()) << DescribeResult(result);
  }
}

const char kWordNs[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// 91 bytes: the offsets below count from the body's first element at 91.
std::string WordHead() { return std::string("<w:document xmlns:w=\"") + kWordNs + "\"><w:body>"; }
std::string WordBody(const std::string& body) { return WordHead() + body + "</w:body></w:document>"; }

TEST(DocumentText, DamagedDocumentsGiveAReason) {
  const std::string deep = [] {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += "<w:p>";
    return s;
  }();
  const std::string hugeRow = "<table:table-row table:number-rows-repeated=\"1048576\"><table:table-cell>"
                              "<text:p>" + std::string(1000, 'x') + "</text:p></table:table-cell></table:table-row>";
  const char* odfHead = "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">";
  const struct {
    const char* what;
    const char* document;
    const char* part;  // replaced in the fixture's members
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"truncated XML", "words.docx", "word/document.xml", WordHead() + "<w:p><w:r><w:t>ab",
       "word/document.xml: the XML ends too soon (byte 108)"},
      {"unknown entity", "words.docx", "word/document.xml", WordBody("<w:p><w:r><w:t>a&bogus;b</w:t></w:r></w:p>"),
       "word/document.xml: an unknown entity or a bad character reference (byte 107)"},
      {"reference to a surrogate", "words.docx", "word/document.xml", WordBody("<w:p><w:r><w:t>&#xD800;</w:t></w:r></w:p>"),
       "word/document.xml: an unknown entity or a bad character reference (byte 106)"},
      {"absurd nesting", "words.docx", "word/document.xml", WordBody(deep),
       "word/document.xml: elements nested too deep (byte 1361)"},
      {"crossed end tags", "words.docx", "word/document.xml", WordBody("<w:p><w:r></w:p></w:r>"),
       "word/document.xml: an end tag that closes no open element (byte 101)"},
      {"undeclared prefix", "slides.odp", "content.xml", "<office:document-content><x/></office:document-content>",
       "content.xml: an undeclared namespace prefix (byte 0)"},
      {"UTF-16 part", "words.odt", "content.xml", "\xFF\xFE<\0a\0/\0>\0", "content.xml: not UTF-8 (byte 0)"},
      {"missing main part", "words.docx", "_rels/.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r\" "
       "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
       "Target=\"word/gone.xml\"/></Relationships>",
       "word/gone.xml: a part the document needs is missing"},
      {"relationship out of the package", "slides.pptx", "ppt/_rels/presentation.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId2\" Type=\"t\" Target=\"../../x.xml\"/></Relationships>",
       "ppt/_rels/presentation.xml.rels: a reference that leads nowhere"},
      {"shared string past the table", "shared.xlsx", "xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row><c t=\"s\">"
       "<v>4</v></c></row></sheetData></worksheet>",
       "xl/worksheets/sheet1.xml: a reference that leads nowhere"},
      {"column past the sheet", "shared.xlsx", "xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row><c r=\"XFE1\">"
       "<v>1</v></c></row></sheetData></worksheet>",
       "xl/worksheets/sheet1.xml: a cell beyond the sheet"},
      {"more text than taken", "book.ods", "content.xml",
       std::string(odfHead) + "<office:body><office:spreadsheet><table:table>" + hugeRow +
           "</table:table></office:spreadsheet></office:body></office:document-content>",
       "more text than the program takes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FolderMembers members(kFixtures + "/" + c.document + ".members");
    members.Replace(c.part, c.bytes);
    DocumentResult result;
    EXPECT_EQ(Read(c.document, members, &result), "");
    EXPECT_EQ(DescribeResult(result), c.reason);
  }

  // Every cut of a real part short of its end is a truncated part.
  for (const char* document : {"words.docx", "book.ods"}) {
    const std::string part = document == std::string("words.docx") ? "word/document.xml" : "content.xml";
    FolderMembers whole(kFixtures + "/" + document + ".members");
    std::string bytes;
    ASSERT_EQ(whole.Read(part, kMaxPartBytes, &bytes), MemberRead::kOk);
    for (size_t length = 0; length < bytes.size(); ++length) {
      FolderMembers members(kFixtures + "/" + document + ".members");
      members.Replace(part, bytes.substr(0, length));
      DocumentResult result;
      ASSERT_EQ(Read(document, members, &result), "") << length;
      ASSERT_EQ(result.fault, DocumentFault::kBadXml) << length;
      ASSERT_EQ(result.xml, XmlFault::kTruncated) << document << " cut at " << length;
    }
  }

  // A package without the part the format starts from.
  MapMembers empty({});
  for (const char* document : {"a.docx", "a.xlsx", "a.pptx", "a.odt"}) {
    DocumentResult result;
    EXPECT_EQ(Read(document, empty, &result), "");
    EXPECT_EQ(result.fault, DocumentFault::kMissingPart) << document;
  }
}

}  // namespace
}  // namespace zanto::document
