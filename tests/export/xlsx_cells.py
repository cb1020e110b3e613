#!/usr/bin/python3
"""Prints what openpyxl reads from an .xlsx file, a line a fact: "sheet#freeze",
"sheet#merged", "sheet#chart" (type, category/value ranges) and every cell as
"sheet!A1<TAB>type|value|stored result|number format"."""
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
results = openpyxl.load_workbook(sys.argv[1], data_only=True)
for ws in book.worksheets:
    print(f"{ws.title}#freeze\t{ws.freeze_panes}")
    print(f"{ws.title}#merged\t{' '.join(sorted(str(r) for r in ws.merged_cells.ranges))}")
    for ch in ws._charts:
        ranges = [f"{(s.cat.numRef or s.cat.strRef or s.cat.multiLvlStrRef).f}/{s.val.numRef.f}" for s in ch.series]
        print(f"{ws.title}#chart\t{ch.tagname} {' '.join(ranges)}")
    for c in (c for row in ws.iter_rows() for c in row if c.value is not None):
        v, r = (x.isoformat() if hasattr(x, "isoformat") else x
                for x in (c.value, results[ws.title][c.coordinate].value))
        print(f"{ws.title}!{c.coordinate}\t{c.data_type}|{v}|{r}|{c.number_format}".replace("\n", "\\n"))
