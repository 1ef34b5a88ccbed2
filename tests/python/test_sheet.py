import pytest

import sheafwork


def coords(cells):
    return [(c.row, c.column) for c in cells]


def test_new_sheet_is_empty(sheet):
    assert (sheet.max_row, sheet.max_column) == (0, 0)
    assert (sheet.cells, sheet.merge_cells, sheet.comments) == ([], [], [])
    assert sheet.get_value_cell(1, 1) == ""
    assert repr(sheet) == "Sheet (S) cells: 0"


@pytest.mark.parametrize(
    "places, extent",
    [([(3, 2), (1, 7)], (3, 7)), ([(0, 5)], (0, 5)), ([(4, 0)], (4, 0)), ([(0, 0)], (0, 0))],
)
def test_extent(sheet, places, extent):
    for row, col in places:
        sheet.cell(row, col)
    assert (sheet.max_row, sheet.max_column) == extent


def test_cell_without_value_creates_empty_cell(sheet):
    c = sheet.cell(2, 3)
    assert (c.value, c.data_type, c.is_value_empty) == ("", "s", True)
    assert repr(sheet) == "Sheet (S) cells: 1"
    assert coords(sheet.cells) == [(2, 3)]


def test_cell_without_value_resets_code_only(sheet):
    sheet.cell(1, 1, "42")
    c = sheet.cell(1, 1)
    assert (c.value, c.data_type, c.is_value_integer) == ("42", "s", True)


@pytest.mark.parametrize(
    "text, value, data_type",
    [("42", "42", "n"), ("1.5", "1.5", "n"), ("true", "true", "b"), ("", "", "s"),
     ("=A1", "=A1", "s"), ("2024-01-05 03:04:05", "2024-01-05 03:04:05", "d")],
)
def test_cell_with_value_on_new_and_existing_cell(sheet, text, value, data_type):
    fresh = sheet.cell(1, 1, text)
    assert (fresh.value, fresh.data_type, fresh.formula) == (value, data_type, None)
    existing = sheet.cell(2, 2, "old")
    existing.formula = "=X1"
    existing.style = "st"
    existing.hidden_value = "h"
    again = sheet.cell(2, 2, text)
    assert (again.value, again.data_type, again.formula) == (value, data_type, None)
    assert (again.style, again.hidden_value) == ("st", "h")


def test_cell_keeps_formula_cell_without_value(sheet):
    c = sheet.cell(1, 1, "5")
    c.formula = "=B1"
    sheet.cell(1, 1)
    assert (c.value, c.formula, c.data_type) == ("5", "=B1", "f")
    sheet.cell(1, 1, None)
    assert c.data_type == "f"


def test_cell_objects_share_record(sheet):
    first, second = sheet.cell(4, 4), sheet.cell(row=4, col=4)
    assert first is not second
    first.value = "shared"
    assert (second.value, sheet.get_value_cell(4, 4)) == ("shared", "shared")
    assert repr(sheet) == "Sheet (S) cells: 1"


def test_cells_sorted_by_row_then_column(sheet):
    for row, col in [(2, 1), (1, 3), (1, 2), (0, 9), (4294967295, 65535)]:
        sheet.cell(row, col, f"{row}/{col}")
    cells = sheet.cells
    assert coords(cells) == [(0, 9), (1, 2), (1, 3), (2, 1), (4294967295, 65535)]
    cells[0].value = "edited"
    assert sheet.get_value_cell(0, 9) == "edited"


@pytest.mark.parametrize(
    "text, shown", [("5", "5"), ("05", "5"), ("", ""), ("x y", "x y"), ("1e3", "1000")]
)
def test_get_value_cell(sheet, text, shown):
    sheet.cell(7, 7, text)
    assert sheet.get_value_cell(row=7, col=7) == shown
    assert sheet.get_value_cell(7, 8) == ""
    assert repr(sheet) == "Sheet (S) cells: 1"


def test_merge_cells_stored_as_given(sheet):
    assert sheet.add_merge_cells(5, 1, 4, 2) is None
    sheet.add_merge_cells(5, 1, 4, 2)
    sheet.add_merge_cells(start_row=0, end_row=4294967295, start_col=0, end_col=65535)
    ranges = sheet.merge_cells
    assert ranges == [(5, 1, 4, 2), (5, 1, 4, 2), (0, 4294967295, 0, 65535)]
    assert all(type(r) is tuple for r in ranges)


def test_comments_in_insertion_order(sheet):
    assert sheet.add_comment(1, 1, "first text", "first author") is None
    sheet.add_comment(row=1, col=1, author="second author", text="second text")
    assert [(c.coordinate, c.text, c.author) for c in sheet.comments] == [
        ((1, 1), "first text", "first author"),
        ((1, 1), "second text", "second author"),
    ]


def test_rename_seen_everywhere(book, sheet):
    other = book.get_sheet_index(0)
    sheet.name = "Renamed"
    assert (other.name, repr(other)) == ("Renamed", "Sheet (Renamed) cells: 0")
    assert book.get_sheet_name("Renamed").name == "Renamed"
    assert book.get_sheet_name("S") is None


@pytest.mark.parametrize("state", ["hidden", "", " Visible ", "veryHidden"])
def test_sheet_state_stored_unchanged(sheet, state):
    assert sheet.sheet_state == "visible"
    assert sheet.set_sheet_state(state) is None
    assert sheet.sheet_state == state


def test_name_setter_refusals(sheet):
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        del sheet.name
    with pytest.raises(TypeError) as info:
        sheet.name = 3
    assert str(info.value) == "argument 'name': 'int' object cannot be converted to 'PyString'"
    assert sheet.name == "S"


@pytest.mark.parametrize("name", ["sheet_state", "max_row", "max_column", "cells",
                                  "merge_cells", "comments"])
def test_read_only_attributes(sheet, name):
    with pytest.raises(AttributeError):
        setattr(sheet, name, "x")


class Index:
    """An integer-like object that runs a callback when it is converted."""

    def __init__(self, value, callback):
        self.value, self.callback = value, callback

    def __index__(self):
        self.callback()
        return self.value


def test_getter_during_exclusive_borrow(sheet):
    seen = []
    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        sheet.add_merge_cells(Index(1, lambda: seen.append(sheet.name)), 2, 3, 4)
    assert (seen, sheet.merge_cells) == ([], [])


def test_exclusive_member_during_shared_borrow(sheet):
    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        sheet.cell(Index(1, lambda: sheet.add_comment(1, 1, "t", "a")), 1)
    assert (sheet.comments, sheet.cells) == ([], [])


def test_shared_borrows_nest(sheet):
    c = sheet.cell(Index(1, lambda: sheet.cell(2, 2, "inner")), 1, "outer")
    assert (c.value, sheet.get_value_cell(2, 2)) == ("outer", "inner")


def test_copy_of_exclusively_borrowed_sheet(book, sheet):
    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        sheet.add_comment(Index(1, lambda: book.copy_sheet(sheet)), 1, "t", "a")
    assert len(book.sheets) == 1


@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda s: s.cell(1, 1, 5), TypeError,
         "argument 'value': 'int' object cannot be converted to 'PyString'"),
        (lambda s: s.cell(1, 65536), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda s: s.cell(-1, 1), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda s: s.cell("1", 1), TypeError,
         "argument 'row': 'str' object cannot be interpreted as an integer"),
        (lambda s: s.cell(1), TypeError,
         "Sheet.cell() missing 1 required positional argument: 'col'"),
        (lambda s: s.cell(), TypeError,
         "Sheet.cell() missing 2 required positional arguments: 'row' and 'col'"),
        (lambda s: s.cell(1, 1, "x", 2), TypeError,
         "Sheet.cell() takes from 2 to 3 positional arguments but 4 were given"),
        (lambda s: s.cell(1, 1, val="x"), TypeError,
         "Sheet.cell() got an unexpected keyword argument 'val'"),
        (lambda s: s.add_merge_cells(1, 2, 3, 65536), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda s: s.add_merge_cells(1, 2, 3), TypeError,
         "Sheet.add_merge_cells() missing 1 required positional argument: 'end_col'"),
        (lambda s: s.add_comment(1, 1, "t", None), TypeError,
         "argument 'author': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda s: s.add_comment(1, 1, 2, "a"), TypeError,
         "argument 'text': 'int' object cannot be converted to 'PyString'"),
        (lambda s: s.set_sheet_state(None), TypeError,
         "argument 'state': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda s: s.get_value_cell(4294967296, 1), OverflowError,
         "out of range integral type conversion attempted"),
    ],
)
def test_bad_arguments_change_nothing(book, sheet, call, exc, text):
    sheet.cell(1, 1, "kept")
    before = book.to_json()
    with pytest.raises(exc) as info:
        call(sheet)
    assert str(info.value) == text
    assert book.to_json() == before
    assert repr(sheet) == "Sheet (S) cells: 1"


def test_class_shape():
    cls = sheafwork.Sheet
    assert (cls.__module__, cls.__qualname__) == ("sheafwork", "Sheet")
    with pytest.raises(TypeError, match="^No constructor defined for Sheet$"):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


@pytest.mark.parametrize(
    "method, signature",
    [
        ("set_sheet_state", "($self, state)"),
        ("add_merge_cells", "($self, start_row, end_row, start_col, end_col)"),
        ("add_comment", "($self, row, col, text, author)"),
        ("cell", "($self, row, col, value=None)"),
        ("get_value_cell", "($self, row, col)"),
    ],
)
def test_method_signatures(method, signature):
    assert getattr(sheafwork.Sheet, method).__text_signature__ == signature
