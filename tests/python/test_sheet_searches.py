import random

import pytest

import sheafwork

OUT_OF_RANGE = "out of range integral type conversion attempted"

# Every search method with arguments that find nothing on an empty sheet, and its result.
EMPTY_RESULTS = [
    ("find_cell_by_regex", ("x",), None),
    ("find_cell_by_str", ("x",), None),
    ("find_cell_by_letter", ("A1",), None),
    ("find_cells_by_regex", ("",), []),
    ("find_cells_by_str", ("",), []),
    ("find_cells_for_rows_by_regex", ("", 65535), []),
    ("find_cells_for_cols_by_regex", ("", 4294967295), []),
    ("find_cells_multi_regex", ("", ""), []),
    ("find_cells_between_regex", ("", ""), []),
    ("find_cells_range_rows", (0, 4294967295), []),
    ("find_cells_range_cols", (0, 65535), []),
    ("find_value_by_coords", (1, 1), None),
]


@pytest.mark.parametrize("name, args, result", EMPTY_RESULTS)
def test_empty_sheet_finds_nothing(sheet, name, args, result):
    assert getattr(sheet, name)(*args) == result


def fill(sheet, cells):
    for (row, col), value in cells.items():
        sheet.cell(row, col, value)
    return sheet


def places(found):
    if found is None or isinstance(found, sheafwork.Cell):
        return found and (found.row, found.column)
    return [(c.row, c.column) for c in found]


@pytest.mark.parametrize(
    "cells, name, args, expected",
    [
        # Containment for find_cell_by_str, trimmed equality for find_cells_by_str.
        ({(1, 1): "box", (2, 1): "x"}, "find_cell_by_str", ("x",), (1, 1)),
        ({(1, 1): "box", (2, 1): " x\t"}, "find_cells_by_str", ("x",), [(2, 1)]),
        # Search texts are literal.
        ({(1, 1): "abc", (1, 2): "a.c"}, "find_cells_by_regex", ("a.c",), [(1, 2)]),
        ({(1, 1): "f(x", (1, 2): "("}, "find_cell_by_regex", ("(",), (1, 1)),
        # Row, then column order, whatever the order of creation; marker rows as bands.
        ({(2, 1): "hit", (1, 5): "hit"}, "find_cell_by_regex", ("hit",), (1, 5)),
        ({(2, 1): "hit", (1, 5): "hit"}, "find_cells_by_regex", ("hit",), [(1, 5), (2, 1)]),
        ({(3, 2): "[", (5, 1): "in", (7, 4): "]", (9, 1): "out"}, "find_cells_between_regex",
         ("[", "]"), [(3, 2), (5, 1), (7, 4)]),
        ({(2, 1): "a", (3, 1): "b"}, "find_cells_range_rows", (5, 2), []),
    ],
)
def test_search_cases(sheet, cells, name, args, expected):
    assert places(getattr(fill(sheet, cells), name)(*args)) == expected


def test_find_value_by_coords_tells_empty_from_absent(sheet):
    sheet.cell(1, 1)
    sheet.cell(2, 2, "3.50")
    assert [sheet.find_value_by_coords(r, c) for r, c in [(1, 1), (2, 2), (3, 3)]] == ["", "3.5", None]
    assert sheet.get_value_cell(3, 3) == ""


def test_found_cells_share_the_sheets_records(sheet):
    sheet.cell(4, 4, "old")
    first, second = sheet.find_cell_by_regex("old"), sheet.find_cells_by_str("old")[0]
    assert first is not second
    first.value = "new"
    assert (second.value, sheet.get_value_cell(4, 4), sheet.find_cell_by_regex("old")) == ("new", "new", None)


def call_error(label, typename):
    return f"argument '{label}': '{typename}' object cannot be converted to 'PyString'"


@pytest.mark.parametrize(
    "name, args, exc, text",
    [
        ("find_cells_by_regex", (), TypeError,
         "Sheet.find_cells_by_regex() missing 1 required positional argument: 'regex'"),
        ("find_cell_by_str", ("a", "b"), TypeError,
         "Sheet.find_cell_by_str() takes 1 positional arguments but 2 were given"),
        ("find_cell_by_letter", (1,), TypeError, call_error("letter", "int")),
        ("find_cells_for_rows_by_regex", (None, -1), TypeError, call_error("regex", "NoneType")),
        ("find_cells_for_rows_by_regex", ("a", 65536), OverflowError, OUT_OF_RANGE),
        ("find_cells_multi_regex", ("a", b"b"), TypeError, call_error("after_regex", "bytes")),
        ("find_cells_range_rows", (-1, "x"), OverflowError, OUT_OF_RANGE),
        ("find_value_by_coords", (1, 1.0), TypeError,
         "argument 'col': 'float' object cannot be interpreted as an integer"),
    ],
)
def test_bad_arguments_change_nothing(book, sheet, name, args, exc, text):
    sheet.cell(1, 1, "a")
    before = book.to_json()
    with pytest.raises(exc) as info:
        getattr(sheet, name)(*args)
    assert str(info.value) == text
    assert book.to_json() == before


def test_keywords_name_the_parameters(sheet):
    fill(sheet, {(1, 1): "a", (1, 2): "b"})
    assert places(sheet.find_cells_for_rows_by_regex(col_stop=1, regex="")) == [(1, 1)]
    assert sheet.find_value_by_coords(col=2, row=1) == "b"
    with pytest.raises(TypeError, match=r"^Sheet.find_cell_by_regex\(\) got an unexpected keyword argument 'value'$"):
        sheet.find_cell_by_regex(value="a")


# The randomized comparison: every search against the same search written plainly over
# `sheet.cells` (sorted by row, then column), with `cell.value` as the value text.

WHITE = "\t\n\x0b\x0c\r \x85\xa0\u1680" + "".join(map(chr, range(0x2000, 0x200B))) + "\u2028\u2029\u202f\u205f\u3000"
VALUES = ["", "x", " x ", "x\u00a0", "x\u200b", "box", "a.c", "abc", "(", "f(x)", "*", "a*b", "..",
          "[", "]", "$1", "12", "-3", "3.50", "1e3", "true", "TRUE", "2024-01-05 03:04:05",
          "a b", "  ", "ünï", "x|y", "\\", "^a", "?"]


def letters(column):
    text = ""
    while column:
        column, rest = divmod(column - 1, 26)
        text = chr(65 + rest) + text
    return text


def toggle(cells, before, after):
    inside, marks = False, []
    for c in cells:
        if not inside and before in c.value:
            inside = True
            marks.append(c)
        elif inside and after in c.value:
            inside = False
            marks.append(c)
    return marks


def between(cells, before, after):
    rows = [c.row for c in toggle(cells, before, after)]
    if not rows:
        return []
    last = rows[1] if len(rows) > 1 else float("inf")
    return [c for c in cells if rows[0] <= c.row <= last]


def first(found):
    return found[0] if found else None


def reference(cells, name, args):
    if name in ("find_cell_by_regex", "find_cell_by_str"):
        return first([c for c in cells if args[0] in c.value])
    if name == "find_cell_by_letter":
        return first([c for c in cells if letters(c.column) + str(c.row) == args[0]])
    if name == "find_cells_by_regex":
        return [c for c in cells if args[0] in c.value]
    if name == "find_cells_by_str":
        return [c for c in cells if c.value.strip(WHITE) == args[0].strip(WHITE)]
    if name == "find_cells_for_rows_by_regex":
        return [c for c in cells if c.column <= args[1] and args[0] in c.value]
    if name == "find_cells_for_cols_by_regex":
        return [c for c in cells if c.row <= args[1] and args[0] in c.value]
    if name == "find_cells_multi_regex":
        return toggle(cells, *args)
    if name == "find_cells_between_regex":
        return between(cells, *args)
    if name == "find_cells_range_rows":
        return [c for c in cells if args[0] <= c.row <= args[1]]
    if name == "find_cells_range_cols":
        return [c for c in cells if args[0] <= c.column <= args[1]]
    assert name == "find_value_by_coords"
    return first([c.value for c in cells if (c.row, c.column) == args])


def shown(found):
    if isinstance(found, list):
        return [(c.row, c.column, c.value) for c in found]
    if isinstance(found, sheafwork.Cell):
        return (found.row, found.column, found.value)
    return found


@pytest.mark.parametrize("seed", range(6))
def test_searches_match_a_plain_reference(sheet, seed):
    rng = random.Random(seed)
    size = rng.choice([1, 5, 40, 300])
    for _ in range(size):
        sheet.cell(rng.randint(1, 30), rng.randint(1, 12), rng.choice(VALUES + [None]))
    cells = sheet.cells
    texts = {c.value for c in cells}
    needles = [rng.choice(VALUES), rng.choice(sorted(texts)), "", "zz", "x", "(", "."]
    for needle in needles:
        other = rng.choice(needles)
        row, col = rng.randint(0, 31), rng.randint(0, 13)
        calls = [
            ("find_cell_by_regex", (needle,)), ("find_cell_by_str", (needle,)),
            ("find_cell_by_letter", (letters(col) + str(row),)),
            ("find_cells_by_regex", (needle,)), ("find_cells_by_str", (needle,)),
            ("find_cells_for_rows_by_regex", (needle, col)),
            ("find_cells_for_cols_by_regex", (needle, row)),
            ("find_cells_multi_regex", (needle, other)),
            ("find_cells_between_regex", (needle, other)),
            ("find_cells_range_rows", (row, rng.randint(0, 31))),
            ("find_cells_range_cols", (col, rng.randint(0, 13))),
            ("find_value_by_coords", (row, col)),
        ]
        if row == 0 or col == 0:
            calls.remove(calls[2])  # not a coordinate text
        for name, args in calls:
            assert shown(getattr(sheet, name)(*args)) == shown(reference(cells, name, args)), (name, args)
