"""A first look at sheafwork: build a book, fill cells from text, export it as JSON."""
import sheafwork


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

print(book.to_json())
