import datetime
import math

import pytest
from hypothesis import given
from hypothesis import strategies as st

import sheafwork


@pytest.fixture
def cell(sheet):
    return sheet.cell(3, 2)


def kinds(c):
    return (
        c.is_value_empty,
        c.is_value_bool,
        c.is_value_numeric,
        c.is_value_integer,
        c.is_value_datetime,
    )


#                 empty  bool   numeric integer datetime
EMPTY = (True, False, False, False, False)
BOOL = (False, True, False, False, False)
NUMERIC = (False, False, True, False, False)
INTEGER = (False, False, False, True, False)
DATETIME = (False, False, False, False, True)
STRING = (False, False, False, False, False)


@pytest.mark.parametrize(
    "text, value, data_type, kind",
    [
        ("42", "42", "n", INTEGER),
        ("4.50", "4.5", "n", NUMERIC),
        ("2147483648", "2147483648", "n", NUMERIC),
        ("TRUE", "true", "b", BOOL),
        ("fAlse", "false", "b", BOOL),
        ("", "", "s", EMPTY),
        (" ", " ", "s", STRING),
        ("=A1+1", "=A1+1", "s", STRING),
        ("2024-1-5 3:04:05", "2024-01-05 03:04:05", "d", DATETIME),
    ],
)
def test_value_setter_infers_kind_and_code(cell, text, value, data_type, kind):
    cell.value = text
    assert (cell.value, cell.data_type, kinds(cell)) == (value, data_type, kind)


def test_new_cell_is_empty_without_extras(cell):
    assert (cell.value, cell.data_type, cell.formula, cell.style, cell.hidden_value) == (
        "",
        "s",
        None,
        None,
        None,
    )
    assert kinds(cell) == EMPTY
    assert cell.is_formula is False


def test_formula_setter_keeps_value(cell):
    cell.value = "7"
    cell.formula = "=A1+1"
    assert (cell.formula, cell.data_type, cell.value, cell.is_formula) == ("=A1+1", "f", "7", True)
    assert cell.is_value_integer


def test_empty_formula_counts_as_formula(cell):
    cell.formula = ""
    assert (cell.formula, cell.is_formula, cell.data_type) == ("", True, "f")


@pytest.mark.parametrize(
    "write, data_type",
    [
        (lambda c: setattr(c, "value", "1.5"), "n"),
        (lambda c: c.set_value_number(2.0), "n"),
        (lambda c: c.set_value_integer(3), "n"),
        (lambda c: c.set_value_bool(True), "b"),
        (lambda c: c.set_value_datetime(datetime.datetime(2020, 1, 1)), "d"),
    ],
)
def test_value_writes_drop_formula(cell, write, data_type):
    cell.formula = "=B2"
    write(cell)
    assert (cell.formula, cell.is_formula, cell.data_type) == (None, False, data_type)


def test_style_and_hidden_value_touch_nothing_else(cell):
    cell.value = "x"
    cell.formula = "=C3"
    cell.style = "bold"
    cell.hidden_value = "secret"
    assert (cell.style, cell.hidden_value) == ("bold", "secret")
    assert (cell.value, cell.formula, cell.data_type) == ("x", "=C3", "f")


@pytest.mark.parametrize(
    "number, text",
    [(3.0, "3"), (1, "1"), (True, "1"), (-0.0, "-0"), (1e20, "100000000000000000000"),
     (float("inf"), "inf"), (float("nan"), "NaN"), (0.1 + 0.2, "0.30000000000000004")],
)
def test_set_value_number(cell, number, text):
    assert cell.set_value_number(number) is None
    assert (cell.value, cell.data_type, kinds(cell)) == (text, "n", NUMERIC)


def test_set_value_number_uses_float_conversion(cell):
    class Half:
        def __float__(self):
            return 0.5

    cell.set_value_number(value=Half())
    assert cell.value == "0.5"


@pytest.mark.parametrize(
    "number, text", [(True, "1"), (-2147483648, "-2147483648"), (2147483647, "2147483647")]
)
def test_set_value_integer(cell, number, text):
    cell.set_value_integer(number)
    assert (cell.value, cell.data_type, kinds(cell)) == (text, "n", INTEGER)


@pytest.mark.parametrize("flag, text", [(True, "true"), (False, "false")])
def test_set_value_bool(cell, flag, text):
    cell.set_value_bool(flag)
    assert (cell.value, cell.data_type, kinds(cell)) == (text, "b", BOOL)


@pytest.mark.parametrize(
    "moment, text",
    [
        (datetime.datetime(2024, 1, 2, 3, 4, 5, 250000), "2024-01-02 03:04:05.250"),
        (datetime.datetime(2024, 1, 2, 3, 4, 5, 123456), "2024-01-02 03:04:05.123456"),
        (datetime.datetime(1, 1, 1), "0001-01-01 00:00:00"),
        (datetime.datetime(9999, 12, 31, 23, 59, 59, 999999), "9999-12-31 23:59:59.999999"),
        (datetime.datetime(2024, 1, 2, fold=1), "2024-01-02 00:00:00"),
    ],
)
def test_set_value_datetime(cell, moment, text):
    cell.set_value_datetime(moment)
    assert (cell.value, cell.data_type, kinds(cell)) == (text, "d", DATETIME)


def test_set_value_datetime_accepts_subclass(cell):
    class Moment(datetime.datetime):
        pass

    cell.set_value_datetime(Moment(2000, 2, 29, 12))
    assert cell.value == "2000-02-29 12:00:00"


@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda c: setattr(c, "value", None), TypeError,
         "argument 'value': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda c: setattr(c, "formula", 5), TypeError,
         "argument 'value': 'int' object cannot be converted to 'PyString'"),
        (lambda c: setattr(c, "style", None), TypeError,
         "argument 'value': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda c: setattr(c, "hidden_value", b"x"), TypeError,
         "argument 'value': 'bytes' object cannot be converted to 'PyString'"),
        (lambda c: c.set_value_number("1"), TypeError,
         "argument 'value': must be real number, not str"),
        (lambda c: c.set_value_integer(2147483648), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda c: c.set_value_integer(-2147483649), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda c: c.set_value_integer(1.5), TypeError,
         "argument 'value': 'float' object cannot be interpreted as an integer"),
        (lambda c: c.set_value_bool(1), TypeError,
         "argument 'value': 'int' object cannot be converted to 'PyBool'"),
        (lambda c: c.set_value_bool(None), TypeError,
         "argument 'value': 'NoneType' object cannot be converted to 'PyBool'"),
        (lambda c: c.set_value_datetime(datetime.date(2024, 1, 2)), TypeError,
         "argument 'value': 'date' object cannot be converted to 'PyDateTime'"),
        (lambda c: c.set_value_datetime("2024-01-02 00:00:00"), TypeError,
         "argument 'value': 'str' object cannot be converted to 'PyDateTime'"),
        (lambda c: c.set_value_datetime(
            datetime.datetime(2024, 1, 2, tzinfo=datetime.timezone.utc)), TypeError,
         "argument 'value': expected a datetime without tzinfo"),
        (lambda c: c.set_value_number(), TypeError,
         "Cell.set_value_number() missing 1 required positional argument: 'value'"),
        (lambda c: c.set_value_bool(True, False), TypeError,
         "Cell.set_value_bool() takes 1 positional arguments but 2 were given"),
        (lambda c: c.set_value_integer(val=1), TypeError,
         "Cell.set_value_integer() got an unexpected keyword argument 'val'"),
    ],
)
def test_bad_writes_raise_and_change_nothing(book, cell, call, exc, text):
    cell.value = "12"
    cell.style = "st"
    before = book.to_json()
    with pytest.raises(exc) as info:
        call(cell)
    assert str(info.value) == text
    assert (cell.value, cell.data_type, cell.formula, cell.style) == ("12", "n", None, "st")
    assert book.to_json() == before


@pytest.mark.parametrize("name", ["value", "formula", "style", "hidden_value"])
def test_deleting_writable_attribute(cell, name):
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        delattr(cell, name)


@pytest.mark.parametrize(
    "name",
    ["row", "column", "letter", "data_type", "is_formula", "is_value_bool", "is_value_numeric",
     "is_value_integer", "is_value_datetime", "is_value_empty"],
)
def test_read_only_attributes(cell, name):
    with pytest.raises(AttributeError):
        setattr(cell, name, "1")


def test_unknown_attribute_cannot_be_set(cell):
    with pytest.raises(AttributeError):
        cell.colour = "red"


@pytest.mark.parametrize(
    "row, col, letter",
    [(1, 16384, "XFD1"), (12, 28, "AB12"), (4294967295, 1, "A4294967295"), (5, 0, "5"),
     (0, 26, "Z0")],
)
def test_coordinates_and_letter(sheet, row, col, letter):
    c = sheet.cell(row, col)
    assert (c.row, c.column, c.letter) == (row, col, letter)


def test_repr(sheet):
    assert repr(sheet.cell(3, 2)) == "Cell, Coords: Coordinate { row: 3, column: 2 }"


def test_two_objects_share_one_record(sheet):
    first, second = sheet.cell(1, 1), sheet.cell(1, 1)
    assert first is not second
    first.value = "hello"
    second.style = "s1"
    assert (second.value, first.style) == ("hello", "s1")
    assert repr(first) == repr(second) == "Cell, Coords: Coordinate { row: 1, column: 1 }"


def test_cell_outlives_book_and_sheet():
    c = sheafwork.Book().add_sheet("S").cell(2, 2, "x")
    c.value = "y"
    assert (c.value, c.letter) == ("y", "B2")


def test_class_shape():
    cls = sheafwork.Cell
    assert (cls.__module__, cls.__qualname__, cls.__doc__) == ("sheafwork", "Cell", None)
    with pytest.raises(TypeError, match="^No constructor defined for Cell$"):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


@pytest.mark.parametrize(
    "method", ["set_value_number", "set_value_integer", "set_value_bool", "set_value_datetime"]
)
def test_method_signatures(method):
    fn = getattr(sheafwork.Cell, method)
    assert fn.__text_signature__ == "($self, value)"
    assert fn.__doc__ is None


@given(st.floats())
def test_number_value_text_reads_back(number):
    c = sheafwork.Book().add_sheet("S").cell(1, 1)
    c.set_value_number(number)
    back = float(c.value)
    assert back == number or (math.isnan(number) and math.isnan(back))
    assert "e" not in c.value.lower().replace("inf", "")


@given(st.integers(min_value=-(2**31), max_value=2**31 - 1))
def test_integer_text_is_integer(number):
    c = sheafwork.Book().add_sheet("S").cell(1, 1, str(number))
    assert (c.is_value_integer, c.value) == (True, str(number))
