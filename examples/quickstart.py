"""A first look at sheafwork: build a book, fill cells from text, search it, export it as
JSON, and search records read from plain Python data."""
import sheafwork
from sheafwork import readable


def kind(cell):
    if cell.is_formula:
        return "formula"
    for name in ("empty", "bool", "integer", "numeric", "datetime"):
        if getattr(cell, "is_value_" + name):
            return name
    return "text"


book = sheafwork.Book()
sheet = book.add_sheet("Orders")

# Every value arrives as text; the cell works out what it holds.
rows = [
    ["item", "qty", "price", "paid", "shipped"],
    ["tea", "12", "4.50", "TRUE", "2024-03-01 09:30:00"],
    ["mugs", "3", "7.25", "false", ""],
]
for r, values in enumerate(rows, start=1):
    for c, text in enumerate(values, start=1):
        sheet.cell(r, c, text)

total = sheet.cell(4, 2, "15")
total.formula = "=SUM(B2:B3)"
sheet.add_comment(4, 2, "computed", "quickstart")
sheet.add_merge_cells(1, 1, 1, 5)

print(f"{book!r}; {sheet!r}")
for cell in sheet.cells:
    print(f"  {cell.letter:<4} {kind(cell):<9} data_type={cell.data_type}  value={cell.value!r}")

# Searches run on all cores; search texts are literal.
print("cells holding 'a':", [c.letter for c in sheet.find_cells_by_regex("a")])
print("row 2, columns 1 and 3:", [sheet.find_value_by_coords(2, c) for c in (1, 3)])

print(book.to_json())

# The readable side reads any dicts or objects with the right fields, and searches them
# with the interpreter lock released.
records = [
    {"row": 1, "column": 1, "value": "north", "formula": None, "data_type": "s"},
    {"row": 2, "column": 1, "value": "42", "formula": None, "data_type": "n"},
    {"row": 3, "column": 1, "value": "south", "formula": None, "data_type": "s"},
]
found = readable.find_cells_by_regex("th", records)
print("readable matches:", [(c.letter, c.value) for c in found])
finder = readable.create_finder([sheet])
print(finder, finder.find_sheet_by_regex("^Ord").find_cells_by_str("mugs"))
