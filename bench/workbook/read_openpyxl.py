#!/usr/bin/python3
"""Reads every row of a workbook with openpyxl in read-only mode (the reference to beat)."""
import sys

import openpyxl

wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
count = 0
for row in wb.worksheets[0].iter_rows(values_only=True):
    count += 1
print(count)
