#!/usr/bin/python3
"""Writes the office documents the document tests read, into OUT_DIR, and
extracts each with bsdtar into OUT_DIR/<name>.members/, the members as a
tool that is not ours reads them from the ZIP file.

The word-processor, spreadsheet and OpenDocument files come from Debian's
python3-docx, python3-openpyxl and python3-odf. The presentation is written
here part by part from the published package and PresentationML schemas,
with zipfile, since Debian has no library that writes one; so is a second
spreadsheet, since Debian's openpyxl writes every string inline and never
a shared string table.

It also writes documents.zip, an archive with words.docx as a member.

Usage: make_document_fixtures.py OUT_DIR
"""
import os
import shutil
import subprocess
import sys
import zipfile


def write_docx(path):
    import docx
    doc = docx.Document()
    doc.add_heading("表題", level=1)
    split = doc.add_paragraph()
    split.add_run("分割")      # one word over two runs
    split.add_run("された語")
    doc.add_paragraph("日本語の段落です。")
    doc.add_paragraph("")
    doc.add_paragraph("前\t後\n次")  # a tab and a line break inside the paragraph
    doc.add_paragraph("a < b & c > \"d\"")
    table = doc.add_table(rows=1, cols=2)
    table.cell(0, 0).text = "左"
    table.cell(0, 1).text = "右"
    doc.add_paragraph("終わり")
    doc.save(path)


def write_xlsx(path):
    import openpyxl
    book = openpyxl.Workbook()
    first = book.active
    first.title = "一覧"
    first["A1"] = "名前"
    first["B1"] = "数"
    first["C1"] = "名前"        # the same text again
    first["A2"] = "りんご"
    first["B2"] = 3
    first["D2"] = "赤い"        # C2 left empty
    first["A4"] = "終"          # row 3 left empty
    second = book.create_sheet("二枚目")
    second["A1"] = "second sheet"
    second["B1"] = True
    second["C1"] = 1.5
    book.save(path)


def write_odt(path):
    from odf.opendocument import OpenDocumentText
    from odf import text, teletype
    doc = OpenDocumentText()
    doc.text.addElement(text.H(outlinelevel=1, text="見出し"))
    split = text.P()
    split.addElement(text.Span(text="分割"))
    split.addElement(text.Span(text="された語"))
    doc.text.addElement(split)
    doc.text.addElement(text.P(text="日本語の段落です。"))
    doc.text.addElement(text.P())
    kept = text.P()
    teletype.addTextToElement(kept, "a  b\tc\nd")  # text:s c="1", text:tab, text:line-break
    doc.text.addElement(kept)
    with_note = text.P(text="本文")
    note = text.Note(id="ftn1", noteclass="footnote")
    note.addElement(text.NoteCitation(text="1"))
    body = text.NoteBody()
    body.addElement(text.P(text="脚注の文"))
    note.addElement(body)
    with_note.addElement(note)
    with_note.addText("の続き")
    doc.text.addElement(with_note)
    doc.text.addElement(text.P(text="x &amp; <y>"))
    doc.save(path)


def write_ods(path):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf import table, text
    doc = OpenDocumentSpreadsheet()

    def cell(value=None, repeat=None):
        c = table.TableCell(numbercolumnsrepeated=repeat) if repeat else table.TableCell()
        if value is not None:
            c.addElement(text.P(text=value))
        return c

    def row(cells, repeat=None):
        r = table.TableRow(numberrowsrepeated=repeat) if repeat else table.TableRow()
        for c in cells:
            r.addElement(c)
        return r

    first = table.Table(name="表1")
    first.addElement(row([cell("名前"), cell("数"), cell(None, 2), cell("備考"), cell(None, 1000)]))
    first.addElement(row([cell(None, 1024)], repeat=2))
    first.addElement(row([cell("同じ", 2), cell("終")]))
    first.addElement(row([cell(None, 1024)], repeat=100000))
    doc.spreadsheet.addElement(first)
    second = table.Table(name="表2")
    two = table.TableCell()
    two.addElement(text.P(text="一行目"))
    two.addElement(text.P(text="二行目"))
    second.addElement(row([two]))
    doc.spreadsheet.addElement(second)
    doc.save(path)


def write_odp(path):
    from odf.opendocument import OpenDocumentPresentation
    from odf import draw, presentation, style, text
    doc = OpenDocumentPresentation()
    layout = style.PageLayout(name="layout")
    doc.automaticstyles.addElement(layout)
    master = style.MasterPage(name="master", pagelayoutname=layout)
    doc.masterstyles.addElement(master)
    for number, lines in ((1, ["一枚目の題", "本文"]), (2, ["二枚目"])):
        page = draw.Page(name="page%d" % number, masterpagename=master)
        frame = draw.Frame(width="20cm", height="3cm", x="1cm", y="1cm")
        box = draw.TextBox()
        for line in lines:
            box.addElement(text.P(text=line))
        frame.addElement(box)
        page.addElement(frame)
        notes = presentation.Notes()
        note_frame = draw.Frame(width="20cm", height="3cm", x="1cm", y="1cm")
        note_box = draw.TextBox()
        note_box.addElement(text.P(text="話す人のメモ"))
        note_frame.addElement(note_box)
        notes.addElement(note_frame)
        page.addElement(notes)
        doc.presentation.addElement(page)
    doc.save(path)


SML = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
PML = "http://schemas.openxmlformats.org/presentationml/2006/main"
DML = "http://schemas.openxmlformats.org/drawingml/2006/main"
ORL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
DOC_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def shape(paragraphs):
    return ('<p:sp><p:nvSpPr><p:cNvPr id="2" name="Text"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr/>'
            '<p:txBody><a:bodyPr/><a:lstStyle/>%s</p:txBody></p:sp>' % "".join(paragraphs))


def slide(shapes):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<p:sld xmlns:a="%s" xmlns:r="%s" xmlns:p="%s" xmlns:mc="%s"><p:cSld><p:spTree>'
            '<p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>'
            '%s</p:spTree></p:cSld></p:sld>' % (DML, ORL, PML, MC, "".join(shapes)))


def write_pptx(path):
    # The slide list names slide2.xml first: slide order is the list's, not
    # the part names'.
    first = slide([
        shape(['<a:p><a:r><a:rPr lang="ja-JP"/><a:t>分割</a:t></a:r><a:r><a:t>された語</a:t></a:r></a:p>',
               '<a:p><a:r><a:t>上</a:t></a:r><a:br/><a:r><a:t>下 &amp; &#x65E5;&#26412;</a:t></a:r></a:p>',
               '<a:p><a:endParaRPr lang="ja-JP"/></a:p>']),
        '<mc:AlternateContent><mc:Choice Requires="p14">%s</mc:Choice><mc:Fallback>%s</mc:Fallback>'
        '</mc:AlternateContent>' % (shape(['<a:p><a:r><a:t>選ばれた方</a:t></a:r></a:p>']),
                                    shape(['<a:p><a:r><a:t>代わりの方</a:t></a:r></a:p>'])),
    ])
    second = slide([shape(['<a:p><a:r><a:t>二枚目の</a:t></a:r><a:r><a:t>文</a:t></a:r></a:p>'])])
    content_types = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/ppt/presentation.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"/>'
        '<Override PartName="/ppt/slides/slide1.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.presentationml.slide+xml"/>'
        '<Override PartName="/ppt/slides/slide2.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.presentationml.slide+xml"/>'
        '</Types>')
    package_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/officeDocument" '
        'Target="ppt/presentation.xml"/></Relationships>' % (PKG, DOC_REL))
    presentation_xml = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<p:presentation xmlns:a="%s" xmlns:r="%s" xmlns:p="%s">'
        '<p:sldIdLst><p:sldId id="256" r:id="rId3"/><p:sldId id="257" r:id="rId2"/></p:sldIdLst>'
        '<p:sldSz cx="9144000" cy="6858000"/><p:notesSz cx="6858000" cy="9144000"/>'
        '</p:presentation>' % (DML, ORL, PML))
    presentation_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="%s">'
        '<Relationship Id="rId2" Type="%s/slide" Target="slides/slide1.xml"/>'
        '<Relationship Id="rId3" Type="%s/slide" Target="/ppt/slides/slide2.xml"/>'
        '</Relationships>' % (PKG, DOC_REL, DOC_REL))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", content_types)
        z.writestr("_rels/.rels", package_rels)
        z.writestr("ppt/presentation.xml", presentation_xml)
        z.writestr("ppt/_rels/presentation.xml.rels", presentation_rels)
        z.writestr("ppt/slides/slide1.xml", second)
        z.writestr("ppt/slides/slide2.xml", first)


def xml_part(body):
    return '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n' + body


def write_shared_xlsx(path):
    # The workbook lists sheet2.xml first: sheet order is the workbook's.
    # Shared strings: a plain one, one of two rich runs, one with a phonetic
    # reading (left out) and one with an escaped carriage return.
    strings = xml_part(
        '<sst xmlns="%s" count="5" uniqueCount="4">'
        '<si><t>名前</t></si>'
        '<si><r><rPr><b/></rPr><t>分割</t></r><r><t>された語</t></r></si>'
        '<si><t>漢字</t><rPh sb="0" eb="2"><t>カンジ</t></rPh><phoneticPr fontId="1"/></si>'
        '<si><t xml:space="preserve">上_x000D_\n下</t></si>'
        '</sst>' % SML)
    first = xml_part(
        '<worksheet xmlns="%s"><sheetData>'
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="D1" t="s"><v>2</v></c></row>'
        '<row r="3"><c r="A3" t="b"><v>1</v></c><c r="B3" t="str"><f>"計"&amp;"算"</f><v>計算</v></c>'
        '<c r="C3"><v>2.5</v></c><c r="E3" t="s"><v>0</v></c></row>'
        '<row><c t="s"><v>3</v></c><c t="inlineStr"><is><t>行内</t></is></c></row>'
        '</sheetData></worksheet>' % SML)
    second = xml_part(
        '<worksheet xmlns="%s"><sheetData><row r="1"><c r="B1" t="s"><v>0</v></c></row></sheetData>'
        '</worksheet>' % SML)
    workbook = xml_part(
        '<workbook xmlns="%s" xmlns:r="%s"><sheets>'
        '<sheet name="一" sheetId="1" r:id="rId2"/><sheet name="二" sheetId="2" r:id="rId1"/>'
        '</sheets></workbook>' % (SML, ORL))
    workbook_rels = xml_part(
        '<Relationships xmlns="%s">'
        '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="%s/worksheet" Target="worksheets/sheet2.xml"/>'
        '<Relationship Id="rId3" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
        '</Relationships>' % (PKG, DOC_REL, DOC_REL, DOC_REL))
    package_rels = xml_part(
        '<Relationships xmlns="%s"><Relationship Id="rId1" Type="%s/officeDocument" '
        'Target="xl/workbook.xml"/></Relationships>' % (PKG, DOC_REL))
    content_types = xml_part(
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
        '<Override PartName="/xl/worksheets/sheet1.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/worksheets/sheet2.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/sharedStrings.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        '</Types>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", content_types)
        z.writestr("_rels/.rels", package_rels)
        z.writestr("xl/workbook.xml", workbook)
        z.writestr("xl/_rels/workbook.xml.rels", workbook_rels)
        z.writestr("xl/sharedStrings.xml", strings)
        z.writestr("xl/worksheets/sheet1.xml", second)
        z.writestr("xl/worksheets/sheet2.xml", first)


WRITERS = [
    ("words.docx", write_docx),
    ("book.xlsx", write_xlsx),
    ("shared.xlsx", write_shared_xlsx),
    ("slides.pptx", write_pptx),
    ("words.odt", write_odt),
    ("book.ods", write_ods),
    ("slides.odp", write_odp),
]


def write_archive(path, out):
    # A ZIP archive holding a document in a folder, after a text file: the
    # document is its second member.
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("readme.txt", "a text member\r\n")
        z.write(os.path.join(out, "words.docx"), "docs/words.docx")


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, write in WRITERS:
        document = os.path.join(out, name)
        members = document + ".members"
        write(document)
        shutil.rmtree(members, ignore_errors=True)
        os.makedirs(members)
        subprocess.run(["bsdtar", "-x", "-f", document, "-C", members], check=True)
    write_archive(os.path.join(out, "documents.zip"), out)


if __name__ == "__main__":
    main()
