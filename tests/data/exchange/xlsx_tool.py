"""openpyxl as an independent reader of the workbooks the export writes.

    xlsx_tool.py read PATH   prints {"sheets": [names], "rows": [[[value, type], ...], ...]}
                             for the first sheet; type is openpyxl's data type of the cell
                             ("s" text, "n" number, "f" formula...), an empty cell is [null, "n"].
"""
import json
import sys

import openpyxl


def read(path):
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    rows = [[[cell.value, cell.data_type] for cell in row] for row in sheet.iter_rows()]
    return {"sheets": book.sheetnames, "rows": rows}


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "read":
        sys.exit(__doc__)
    json.dump(read(sys.argv[2]), sys.stdout, ensure_ascii=False)
