#!/usr/bin/python3
"""Writes a ROWS x 5 workbook of texts, numbers and dates with openpyxl (its write-only mode, as
exports from scripts are made). Usage: make_workbook.py OUT.xlsx [ROWS]"""
import datetime
import sys

import openpyxl
from openpyxl.cell import WriteOnlyCell

path = sys.argv[1]
rows = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Data")
ws.append(["Name", "City", "Amount", "Joined", "Count"])
start = datetime.date(2000, 1, 1)
for i in range(rows):
    joined = WriteOnlyCell(ws, value=start + datetime.timedelta(days=i % 9000))
    joined.number_format = "dd/mm/yyyy"
    ws.append([f"Client {i} Ünal", f"City {i % 977}", i * 1.25 + 0.1, joined, i])
wb.save(path)
