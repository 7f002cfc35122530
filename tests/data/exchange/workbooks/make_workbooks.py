#!/usr/bin/python3
"""Writes the workbooks the exchange and cli tests import (run again after changing it):
openpyxl and odfpy write them as spreadsheet programs read them; the broken ones are patched
by hand. Usage: make_workbooks.py [FOLDER]"""
import datetime
import os
import struct
import sys
import zipfile

import openpyxl
from odf import number, style, table, text
from odf.opendocument import OpenDocumentSpreadsheet

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))


def xlsx_people(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Clients"
    ws.append(["Name", "Amount", "Born", "Since", "Day", "At", "Flag", "Custom"])
    ws.append(["Zoë Ångström", 1.5, datetime.date(1984, 3, 5), datetime.date(2024, 12, 31),
               datetime.date(2024, 3, 5), datetime.time(9, 5), True, datetime.datetime(2024, 3, 5, 10, 30)])
    ws.append(["Élodie", 0.1 + 0.2, datetime.date(2000, 1, 2), datetime.date(1999, 7, 4),
               datetime.date(2001, 11, 9), datetime.time(23, 59), False, datetime.date(2020, 2, 29)])
    ws.append(["merged", None, None, 100000, -2.5e-7, 1e21])
    for row in range(2, 4):
        ws.cell(row, 3).number_format = "dd/mm/yyyy"
        ws.cell(row, 4).number_format = "yyyy-mm-dd"
        ws.cell(row, 5).number_format = "d mmm yyyy"
        ws.cell(row, 6).number_format = "hh:mm"
        ws.cell(row, 8).number_format = "dddd, mmmm d"
    ws.merge_cells("A4:C4")
    # Formatting alone, far out: no field and no record.
    ws.cell(30, 20).number_format = "0.00"
    wb.create_sheet("Empty")
    second = wb.create_sheet("Second")
    second.append(["Code", "Label"])
    second.append([7, "seven"])
    wb.save(path)


def xlsx_formulas(path):
    """Shared strings (one rich), formulas with saved results, a 1904 date, an error."""
    files = {
        "[Content_Types].xml": '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>',
        "_rels/.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": '<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="1"/><sheets><sheet name="Totals" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>',
        "xl/sharedStrings.xml": '<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="3" uniqueCount="3"><si><t>Item</t></si><si><r><t>Caf</t></r><r><rPr><b/></rPr><t>é &amp; thé</t></r><rPh sb="0" eb="1"><t>KA</t></rPh></si><si><t xml:space="preserve"> Total </t></si></sst>',
        "xl/styles.xml": '<?xml version="1.0"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>',
        "xl/worksheets/sheet1.xml": '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><dimension ref="A1:C3"/><sheetData>'
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" s="1"><v>0</v></c></row>'
        '<row r="2"><c r="A2"><f>1/3</f><v>0.33333333333333331</v></c><c r="B2" t="str"><f>UPPER("x")</f><v>X</v></c><c r="C2" t="e"><f>1/0</f><v>#DIV/0!</v></c></row>'
        '<row r="3"><c r="A3" t="s"><v>2</v></c><c r="B3"><f>SUM(A2:A2)</f><v>12.75</v></c><c r="C3" t="b"><f>TRUE()</f><v>1</v></c></row>'
        # A value left in a merged range's covered cell: the range shows its first cell only.
        '<row r="4"><c r="A4" t="str"><v>stale</v></c></row>'
        '</sheetData><mergeCells count="1"><mergeCell ref="A3:A4"/></mergeCells></worksheet>',
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in files.items():
            z.writestr(name, content)
    return files


def ods_people(path):
    doc = OpenDocumentSpreadsheet()
    date_style = number.DateStyle(name="D1")
    date_style.addElement(number.Day(style="long"))
    date_style.addElement(number.Text(text="/"))
    date_style.addElement(number.Month(style="long"))
    date_style.addElement(number.Text(text="/"))
    date_style.addElement(number.Year(style="long"))
    doc.automaticstyles.addElement(date_style)
    time_style = number.TimeStyle(name="T1")
    time_style.addElement(number.Hours(style="long"))
    time_style.addElement(number.Text(text=":"))
    time_style.addElement(number.Minutes(style="long"))
    doc.automaticstyles.addElement(time_style)
    doc.automaticstyles.addElement(style.Style(name="ce1", family="table-cell", datastylename="D1"))
    doc.automaticstyles.addElement(style.Style(name="ce2", family="table-cell", datastylename="T1"))

    def cell(shown=None, **attributes):
        c = table.TableCell(**attributes)
        if shown is not None:
            c.addElement(text.P(text=shown))
        return c

    def covered(shown):
        c = table.CoveredTableCell()
        c.addElement(text.P(text=shown))
        return c

    sheet = table.Table(name="Clients")
    rows = [
        [cell("Name"), cell("Amount"), cell("Born"), cell("At"), cell("Flag"), cell("Total")],
        [cell("Zoë Ångström"), cell(valuetype="float", value="1.5"),
         cell(valuetype="date", datevalue="1984-03-05", stylename="ce1"),
         cell(valuetype="time", timevalue="PT09H05M00S", stylename="ce2"),
         cell(valuetype="boolean", booleanvalue="true"),
         cell("3.00", valuetype="float", value="3", formula="of:=[.B2]*2")],
        [cell("merged", numbercolumnsspanned="2"), covered("hidden"),
         cell(valuetype="date", datevalue="2024-03-05T10:30:00"),
         cell(valuetype="float", value="0.30000000000000004"), cell("x", numbercolumnsrepeated="2")],
    ]
    for cells in rows:
        row = table.TableRow()
        for c in cells:
            row.addElement(c)
        sheet.addElement(row)
    # Trailing empty rows and columns as spreadsheet programs write them.
    tail = table.TableRow(numberrowsrepeated="1048570")
    tail.addElement(table.TableCell(numbercolumnsrepeated="1024"))
    sheet.addElement(tail)
    doc.spreadsheet.addElement(sheet)
    doc.spreadsheet.addElement(table.Table(name="Empty"))
    second = table.Table(name="Second")
    row = table.TableRow()
    row.addElement(cell("only"))
    second.addElement(row)
    doc.spreadsheet.addElement(second)
    doc.save(path)


def ods_endless(path):
    """A row with text repeated two million times: past the rows a sheet can have."""
    doc = OpenDocumentSpreadsheet()
    sheet = table.Table(name="Endless")
    row = table.TableRow(numberrowsrepeated="2000000")
    c = table.TableCell()
    c.addElement(text.P(text="again"))
    row.addElement(c)
    sheet.addElement(row)
    doc.spreadsheet.addElement(sheet)
    doc.save(path)


def patch_central_sizes(source, target, size):
    """Every part of source declares size bytes once inflated: a bomb by its directory."""
    data = bytearray(open(source, "rb").read())
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        data[at + 24:at + 28] = struct.pack("<I", size)
        at = data.find(b"PK\x01\x02", at + 4)
    open(target, "wb").write(data)


def broken(files):
    with zipfile.ZipFile(os.path.join(out, "billion-rows.xlsx"), "w") as z:
        for name, content in files.items():
            if name == "xl/worksheets/sheet1.xml":
                content = content.replace('<dimension ref="A1:C3"/>', '<dimension ref="A1:E1000000000"/>')
            z.writestr(name, content)
    patch_central_sizes(os.path.join(out, "formulas.xlsx"), os.path.join(out, "bomb.xlsx"), 3_000_000_000)
    # A compressed size past the archive's end, which liborcus would allocate (fuzz finding).
    data = bytearray(open(os.path.join(out, "formulas.xlsx"), "rb").read())
    at = data.find(b"PK\x01\x02")
    data[at + 20:at + 24] = struct.pack("<I", 0xFFFFFF00)
    open(os.path.join(out, "compressed-size.xlsx"), "wb").write(data)
    whole = open(os.path.join(out, "formulas.xlsx"), "rb").read()
    open(os.path.join(out, "damaged.xlsx"), "wb").write(whole[: len(whole) * 2 // 3])
    # Office keeps password-protected workbooks in a compound file.
    open(os.path.join(out, "password.xlsx"), "wb").write(
        bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 504 + "EncryptedPackage".encode("utf-16-le"))
    with zipfile.ZipFile(os.path.join(out, "no-result.xlsx"), "w") as z:
        for name, content in files.items():
            if name == "xl/worksheets/sheet1.xml":
                content = content.replace("<v>12.75</v>", "")
            z.writestr(name, content)
    # The zip format's own password: the flag of every entry says so.
    data = bytearray(open(os.path.join(out, "formulas.xlsx"), "rb").read())
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        data[at + 8] |= 1
        at = data.find(b"PK\x01\x02", at + 4)
    open(os.path.join(out, "zip-password.xlsx"), "wb").write(data)
    # An OpenDocument password: the manifest says how content.xml was encrypted.
    with zipfile.ZipFile(os.path.join(out, "password.ods"), "w") as z:
        z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", bytes(range(256)))
        z.writestr("META-INF/manifest.xml", '<?xml version="1.0"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"><manifest:file-entry manifest:full-path="content.xml"><manifest:encryption-data manifest:checksum-type="SHA1/1K"/></manifest:file-entry></manifest:manifest>')
    with zipfile.ZipFile(os.path.join(out, "not-a-workbook.zip"), "w") as z:
        z.writestr("readme.txt", "hello")


xlsx_people(os.path.join(out, "people.xlsx"))
broken(xlsx_formulas(os.path.join(out, "formulas.xlsx")))
ods_people(os.path.join(out, "people.ods"))
ods_endless(os.path.join(out, "endless-rows.ods"))
