import json

import pytest

import sheafwork
from conftest import OUT_OF_RANGE, not_a, not_an_integer, refused


def test_new_sheet_is_empty(sheet):
    assert (sheet.max_row, sheet.max_column, sheet.cells, sheet.merge_cells, sheet.comments) == (0, 0, [], [], [])
    assert (sheet.get_value_cell(1, 1), repr(sheet), sheet.sheet_state) == ("", "Sheet (S) cells: 0", "visible")


@pytest.mark.parametrize("formula, data_type", [(None, "s"), ("=B1", "f")])
def test_cell_without_value_keeps_value_and_formula(sheet, formula, data_type):
    c = sheet.cell(1, 1, "42")
    if formula is not None:
        c.formula = formula
    sheet.cell(1, 1)
    assert (c.value, c.formula, c.data_type, c.is_value_integer) == ("42", formula, data_type, True)


@pytest.mark.parametrize("text, data_type", [("42", "n"), ("", "s"), ("2024-01-05 03:04:05", "d")])
def test_cell_with_value_on_new_and_existing_cell(sheet, text, data_type):
    fresh = sheet.cell(1, 1, text)
    existing = sheet.cell(2, 2, "old")
    existing.formula, existing.style, existing.hidden_value = "=X1", "st", "h"
    again = sheet.cell(2, 2, value=text)
    for c in (fresh, again):
        assert (c.value, c.data_type, c.formula) == (text, data_type, None)
    assert (again.style, again.hidden_value) == ("st", "h")


def test_cells_sorted_by_row_then_column_are_live(sheet):
    for row, col in [(2, 1), (1, 3), (1, 2), (0, 9), (4294967295, 65535)]:
        sheet.cell(row, col, f"{row}/{col}")
    cells = sheet.cells
    assert [(c.row, c.column) for c in cells] == [(0, 9), (1, 2), (1, 3), (2, 1), (4294967295, 65535)]
    assert (sheet.max_row, sheet.max_column) == (4294967295, 65535)
    cells[0].value = "edited"
    assert sheet.get_value_cell(0, 9) == "edited"


class IntSub(int):
    pass


class StrSub(str):
    pass


def fresh_sheet():
    book = sheafwork.Book()
    return book, book.add_sheet("S")


def cell_outcome(call):
    """`call(sheet)` on a sheet of a fresh book: the cell's (row, column, value) or the error's (type, text),
    and the book's JSON after it."""
    book, sheet = fresh_sheet()
    try:
        c = call(sheet)
    except Exception as e:  # noqa: BLE001 - the error is the outcome
        return (type(e), str(e)), book.to_json()
    return (c.row, c.column, c.value), book.to_json()


OVERFLOW = (OverflowError, OUT_OF_RANGE)
# An argument, then what it gives as row and as column: the number stored, or the error.
INTEGER_BOUNDARIES = [
    (0, 0, 0),
    (65535, 65535, 65535),
    (65536, 65536, OVERFLOW),
    (-1, OVERFLOW, OVERFLOW),
    (True, 1, 1),
    (IntSub(7), 7, 7),
    (2**30 - 1, 2**30 - 1, OVERFLOW),  # the largest int the interpreter holds in one digit
    (2**30, 2**30, OVERFLOW),
    (2**32 - 1, 2**32 - 1, OVERFLOW),
    (2**32, OVERFLOW, OVERFLOW),
    ("é", (TypeError, not_an_integer("row", "str")), (TypeError, not_an_integer("col", "str"))),
    (StrSub("1"), (TypeError, not_an_integer("row", "StrSub")), (TypeError, not_an_integer("col", "StrSub"))),
]
# A value, then the value text of the cell, or the error.
VALUE_BOUNDARIES = [
    (None, ""),
    ("plain", "plain"),
    ("é", "é"),
    (StrSub("x"), "x"),
    (65536, (TypeError, not_a("value", "int"))),
    (True, (TypeError, not_a("value", "bool"))),
    (IntSub(7), (TypeError, not_a("value", "IntSub"))),
]


def cell_cases():
    for argument, as_row, as_col in INTEGER_BOUNDARIES:
        for value in (("v",), ()):
            text = value[0] if value else ""
            yield (argument, 1, *value), as_row if isinstance(as_row, tuple) else (as_row, 1, text)
            yield (1, argument, *value), as_col if isinstance(as_col, tuple) else (1, as_col, text)
    for value, text in VALUE_BOUNDARIES:
        yield (1, 1, value), text if isinstance(text, tuple) else (1, 1, text)


# Positional calls with exact ints in range and an ASCII str or None are read in place; a
# call with keywords always goes through the general parser. Both must agree on every edge.
@pytest.mark.parametrize("args, expected", [pytest.param(*case, id=repr(case[0])) for case in cell_cases()])
def test_cell_reads_plain_arguments_in_place_as_the_parser_does(args, expected):
    in_place = cell_outcome(lambda s: s.cell(*args))
    parsed = cell_outcome(lambda s: s.cell(**dict(zip(("row", "col", "value"), args))))
    assert in_place == parsed
    assert in_place[0] == expected
    if isinstance(expected[0], type):
        assert in_place[1] == fresh_sheet()[0].to_json()


def test_get_value_cell_gives_the_value_text_and_creates_nothing(sheet):
    sheet.cell(7, 7, "05")
    sheet.cell(7, 9, "")
    assert [sheet.get_value_cell(7, col) for col in (7, 8, 9)] == ["5", "", ""]
    assert sheet.get_value_cell(row=7, col=7) == "5"
    assert repr(sheet) == "Sheet (S) cells: 2"


def test_merge_cells_comments_and_state_stored_as_given(sheet):
    assert sheet.add_merge_cells(5, 1, 4, 2) is None
    sheet.add_merge_cells(5, 1, 4, 2)
    sheet.add_merge_cells(start_row=0, end_row=4294967295, start_col=0, end_col=65535)
    assert sheet.merge_cells == [(5, 1, 4, 2), (5, 1, 4, 2), (0, 4294967295, 0, 65535)]
    assert sheet.add_comment(1, 1, "first text", "first author") is None
    sheet.add_comment(row=1, col=1, author="second author", text="second text")
    assert [(c.coordinate, c.text, c.author) for c in sheet.comments] == [
        ((1, 1), "first text", "first author"), ((1, 1), "second text", "second author")]
    assert sheet.set_sheet_state(" Visible ") is None
    assert sheet.sheet_state == " Visible "


def test_other_objects_over_the_sheet_see_its_changes(book, sheet):
    others = [book.get_sheet_index(0), book.sheets[0]]
    sheet.name = "Renamed"
    sheet.cell(1, 1, "x")
    assert [(o.name, repr(o)) for o in others] == [("Renamed", "Sheet (Renamed) cells: 1")] * 2
    assert (book.get_sheet_name("Renamed").name, book.get_sheet_name("S")) == ("Renamed", None)


class Index:
    """An integer-like object that runs a callback when it is converted."""

    def __init__(self, callback, value=1):
        self.callback, self.value = callback, value

    def __index__(self):
        self.callback()
        return self.value


@pytest.mark.parametrize(
    "call, text",
    [
        (lambda b, s: s.add_merge_cells(Index(lambda: s.name), 2, 3, 4), "Already mutably borrowed"),
        (lambda b, s: s.cell(Index(lambda: s.add_comment(1, 1, "t", "a")), 1), "Already borrowed"),
        (lambda b, s: s.add_comment(Index(lambda: b.copy_sheet(s)), 1, "t", "a"), "Already mutably borrowed"),
    ],
)
def test_callback_meets_the_borrow_of_its_call(book, sheet, call, text):
    refused(book, lambda: call(book, sheet), RuntimeError, text)


def test_shared_borrows_nest(sheet):
    c = sheet.cell(Index(lambda: sheet.cell(2, 2, "inner")), 1, "outer")
    assert (c.value, sheet.get_value_cell(2, 2)) == ("outer", "inner")


def test_comment_fields_and_edits_seen_by_other_objects_and_export(book, sheet):
    sheet.add_comment(2, 3, "note", "ann")
    comment = sheet.comments[0]
    assert (comment.coordinate, comment.row, comment.column) == ((2, 3), 2, 3)
    assert (comment.text, comment.author) == ("note", "ann")
    assert repr(comment).startswith("<sheafwork.Comment object at 0x")
    comment.text = "changed"
    comment.author = ""
    assert (sheet.comments[0].text, sheet.comments[0].author) == ("changed", "")
    assert json.loads(book.to_json())["sheets"][0]["comments"] == [
        {"row": 2, "column": 3, "author": "", "text": "changed"}]
