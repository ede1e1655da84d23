"""Prints a spreadsheet as JSON, as a spreadsheet program reads it: each sheet's
name, frozen cell, filter range, column widths and every cell's type, value and
number format. Run by the tests with Debian's python3 and python3-openpyxl."""
import json
import sys

import openpyxl


def cell(c):
    if c.value is None:
        return None
    return {"t": c.data_type, "v": c.value, "f": c.number_format, "b": bool(c.font and c.font.b)}


def main(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for ws in book.worksheets:
        sheets.append({
            "name": ws.title,
            "freeze": ws.freeze_panes,
            "filter": ws.auto_filter.ref,
            "widths": {k: d.width for k, d in ws.column_dimensions.items()},
            "rows": [[cell(c) for c in row] for row in ws.iter_rows()],
        })
    json.dump({"sheets": sheets}, sys.stdout)


main(sys.argv[1])
