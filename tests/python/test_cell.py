import datetime

import pytest


KINDS = ("empty", "bool", "numeric", "integer", "datetime")


@pytest.fixture
def cell(sheet):
    return sheet.cell(3, 2)


def kind(c):
    """The kind flags that are set: one name, "string" for none, a list for several."""
    flags = [k for k in KINDS if getattr(c, "is_value_" + k)]
    return flags[0] if len(flags) == 1 else flags or "string"


class Half:
    def __float__(self):
        return 0.5


class Moment(datetime.datetime):
    pass


def test_new_cell_is_empty_and_an_empty_formula_counts(cell):
    assert (cell.value, cell.data_type, kind(cell), cell.is_formula) == ("", "s", "empty", False)
    assert (cell.formula, cell.style, cell.hidden_value) == (None, None, None)
    cell.value = "7"
    cell.formula = ""
    assert (cell.formula, cell.data_type, cell.is_formula, cell.value, kind(cell)) == ("", "f", True, "7", "integer")


# The inference rules are the engine's (tests/engine/model/cell_value_test.cc); here, one
# value of each kind through the setter and the kind flags.
@pytest.mark.parametrize(
    "text, value, data_type, flag",
    [
        ("42", "42", "n", "integer"),
        ("4.50", "4.5", "n", "numeric"),
        ("fAlse", "false", "b", "bool"),
        ("", "", "s", "empty"),
        ("=A1+1", "=A1+1", "s", "string"),
        ("2024-1-5 3:04:05", "2024-01-05 03:04:05", "d", "datetime"),
    ],
)
def test_value_setter_infers_kind_and_drops_formula(cell, text, value, data_type, flag):
    cell.formula = "=B2"
    cell.value = text
    assert (cell.value, cell.data_type, kind(cell), cell.formula, cell.is_formula) == (
        value, data_type, flag, None, False)


SETTER_CODES = {"number": ("n", "numeric"), "integer": ("n", "integer"), "bool": ("b", "bool"),
                "datetime": ("d", "datetime")}


@pytest.mark.parametrize(
    "setter, value, text",
    [
        ("number", 3.0, "3"),
        ("number", Half(), "0.5"),
        ("integer", True, "1"),
        ("integer", -2147483648, "-2147483648"),
        ("bool", False, "false"),
        ("datetime", datetime.datetime(2024, 1, 2, 3, 4, 5, 250000), "2024-01-02 03:04:05.250"),
        ("datetime", datetime.datetime(2024, 1, 2, 3, 4, 5, 123456), "2024-01-02 03:04:05.123456"),
        ("datetime", Moment(1, 1, 1), "0001-01-01 00:00:00"),
    ],
)
def test_set_value_methods_drop_formula(cell, setter, value, text):
    cell.formula = "=B2"
    assert getattr(cell, "set_value_" + setter)(value=value) is None
    assert (cell.value, (cell.data_type, kind(cell))) == (text, SETTER_CODES[setter])
    assert (cell.formula, cell.is_formula) == (None, False)


def test_two_objects_share_one_record(sheet):
    first, second = sheet.cell(4294967295, 16384), sheet.cell(row=4294967295, col=16384)
    assert first is not second
    first.value = "hello"
    second.style = "s1"
    assert (second.value, first.style, sheet.get_value_cell(4294967295, 16384)) == ("hello", "s1", "hello")
    assert (second.row, second.column, second.letter) == (4294967295, 16384, "XFD4294967295")
    assert repr(first) == repr(second) == "Cell, Coords: Coordinate { row: 4294967295, column: 16384 }"
