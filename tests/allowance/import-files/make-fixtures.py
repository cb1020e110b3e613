#!/usr/bin/env python3
"""Writes the allowance import fixtures: one workbook typed as an operator
would (numbers as numbers, dates as dates, a second sheet that must not be
read), saved by LibreOffice as .xls and .xlsx; the same rows as CSV in UTF-8
with and without byte-order mark and in GBK; and a hand-made .xlsx with
inline strings, a custom date format and the 1904 date system.
Run once: python3 make-fixtures.py (needs soffice)."""
import os, subprocess, tempfile, zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = ["工号", "卡号", "补贴金额", "补贴有效期", "姓名", "部门名称"]
# (employee, card, amount, valid date, name, department); numbers typed as
# numbers, "T:" marks a value typed as text, dates "D:" / date-times "DT:".
ROWS = [
    (1001, 5001, 100, "D:2026-12-31", "张三", "财务部"),
    ("T:E002", 5002, 50.5, "DT:2026-12-31T23:59:59", "李四", ""),
    (1003, 5003, 0, "D:2026-12-31", "王五", ""),
    (1004, 9999, 10, "D:2026-12-31", "赵六", ""),
    (1005, 5005, 12.345, "D:2026-12-31", "钱七", ""),
    (1006, 5006, 20, None, "孙八", ""),
    (1007, 5007, 10, "D:2026-12-31", "周九", ""),
    (1008, 5008, 10, "D:2026-12-31", "吴十", ""),
    (1009, 5009, 1000, "D:2026-12-31", "郑一", ""),
    (1010, 5010, 1000.01, "D:2026-12-31", "王二", ""),
    (1001, 5001, "T:30", "T:2027-01-31", "张三", "财务部"),
    None,
    (1005, 5005, 5, "D:2026-12-31", "钱七", ""),
]


def cell_xml(v):
    if v is None or v == "":
        return "<table:table-cell/>"
    if isinstance(v, (int, float)):
        return f'<table:table-cell office:value-type="float" office:value="{v}"><text:p>{v}</text:p></table:table-cell>'
    if v.startswith("T:"):
        return f'<table:table-cell office:value-type="string"><text:p>{v[2:]}</text:p></table:table-cell>'
    if v.startswith("DT:"):
        return (f'<table:table-cell table:style-name="ce2" office:value-type="date" office:date-value="{v[3:]}">'
                f'<text:p>{v[3:]}</text:p></table:table-cell>')
    if v.startswith("D:"):
        return (f'<table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="{v[2:]}">'
                f'<text:p>{v[2:]}</text:p></table:table-cell>')
    return f'<table:table-cell office:value-type="string"><text:p>{v}</text:p></table:table-cell>'


def fods():
    rows = ["<table:table-row>" + "".join(cell_xml(h) for h in HEADER) + "</table:table-row>"]
    for r in ROWS:
        rows.append("<table:table-row>" + ("<table:table-cell/>" if r is None else "".join(cell_xml(v) for v in r)) + "</table:table-row>")
    other = "<table:table-row>" + cell_xml(4242) + cell_xml(5001) + cell_xml(1) + "</table:table-row>"
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
<number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
<number:date-style style:name="N2"><number:year number:style="long"/><number:text>/</number:text><number:month/><number:text>/</number:text><number:day/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:date-style>
<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
<style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="十二月补贴">{"".join(rows)}</table:table>
<table:table table:name="其他">{other}</table:table>
</office:spreadsheet></office:body></office:document>'''


def csv_text():
    def text(v):
        if v is None:
            return ""
        if isinstance(v, (int, float)):
            return str(v)
        return v.split(":", 1)[1].replace("T", " ") if v.startswith(("D:", "DT:")) else v[2:] if v.startswith("T:") else v
    lines = [",".join(HEADER)]
    for r in ROWS:
        lines.append("" if r is None else ",".join(text(v) for v in r))
    return "\r\n".join(lines) + "\r\n"


def hand_made_xlsx(path):
    # Inline strings, a custom date format on style 1, the 1904 date system,
    # rows and cells without references, and a gap in the row numbers.
    ct = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="xml" ContentType="application/xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="book/main.xml"/>'
            '</Relationships>')
    wb = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
          'xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="1"/>'
          '<sheets><sheet name="甲" sheetId="7" rel:id="rIdB"/><sheet name="乙" sheetId="1" rel:id="rIdA"/></sheets></workbook>')
    wbrels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
              '<Relationship Id="rIdA" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="other.xml"/>'
              '<Relationship Id="rIdB" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/book/first.xml"/>'
              '<Relationship Id="rIdS" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
              '</Relationships>')
    styles = ('<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
              '<numFmts count="1"><numFmt numFmtId="170" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/></numFmts>'
              '<cellStyleXfs count="1"><xf numFmtId="0"/></cellStyleXfs>'
              '<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="170"/><xf numFmtId="4"/></cellXfs></styleSheet>')

    def inl(t):
        return f'<c t="inlineStr"><is><t>{t}</t></is></c>'
    first = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
             '<row>' + "".join(inl(h) for h in HEADER) + '</row>'
             # 1904 system: serial 45000 is 2027-03-15
             '<row r="2"><c><v>1001</v></c><c><v>5001</v></c><c s="2"><v>1.0E2</v></c><c s="1"><v>45000</v></c>'
             + inl("张三") + '</row>'
             '<row r="4"><c r="A4" t="inlineStr"><is><r><t>E0</t></r><r><t>02</t></r><rPh><t>x</t></rPh></is></c>'
             '<c r="B4"><v>5002</v></c><c r="C4" t="str"><f>1+1</f><v>2.5</v></c><c r="D4" s="1"><v>45000.5</v></c></row>'
             '</sheetData></worksheet>')
    other = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
             '<row r="1"><c><v>4242</v></c></row></sheetData></worksheet>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", ct)
        z.writestr("_rels/.rels", rels)
        z.writestr("book/main.xml", wb)
        z.writestr("book/_rels/main.xml.rels", wbrels)
        z.writestr("book/styles.xml", styles)
        z.writestr("book/first.xml", first)
        z.writestr("book/other.xml", other)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "allowances.fods")
        with open(src, "w", encoding="utf-8") as f:
            f.write(fods())
        for fmt, filt in (("xls", "xls:MS Excel 97"), ("xlsx", "xlsx:Calc MS Excel 2007 XML")):
            subprocess.run(["soffice", "--headless", f"-env:UserInstallation=file://{tmp}/profile",
                            "--convert-to", filt, "--outdir", HERE, src], check=True, capture_output=True)
    text = csv_text()
    with open(os.path.join(HERE, "allowances-utf8.csv"), "wb") as f:
        f.write(text.encode("utf-8"))
    with open(os.path.join(HERE, "allowances-utf8-bom.csv"), "wb") as f:
        f.write(b"\xef\xbb\xbf" + text.encode("utf-8"))
    with open(os.path.join(HERE, "allowances-gbk.csv"), "wb") as f:
        f.write(text.encode("gbk"))
    hand_made_xlsx(os.path.join(HERE, "hand-made.xlsx"))


main()
