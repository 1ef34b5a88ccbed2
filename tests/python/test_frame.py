# The call frame, seen through the module functions and the classes: argument parsing,
# conversions, class shapes, members and the texts of their errors. The texts themselves
# are built and tested in C++ (tests/binding/frame/frame_text_test.cc); here, which one a
# call gets.
import datetime
import re
import types

import pytest

import sheafwork
from sheafwork import _sheafwork, readable
from conftest import OUT_OF_RANGE, not_a, not_an_integer, refused

letter = _sheafwork.column_number_to_letter
coordinate = _sheafwork.get_letter_coordinate


class Index:
    """An integer-like object; given an exception, its conversion raises it instead."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        if isinstance(self.value, BaseException):
            raise self.value
        return self.value


class TypeErrorSubclass(TypeError):
    pass


@pytest.mark.parametrize(
    "call, exc, text",
    [
        # The values of wrong type below show that the parser speaks before any conversion.
        (lambda: coordinate(col="x"), TypeError,
         "get_letter_coordinate() missing 1 required positional argument: 'row'"),
        (lambda: letter("x", "y"), TypeError,
         "column_number_to_letter() takes 1 positional arguments but 2 were given"),
        (lambda: coordinate(1, 2, x=3), TypeError, "get_letter_coordinate() got an unexpected keyword argument 'x'"),
        (lambda: letter("x", col=1), TypeError, "column_number_to_letter() got multiple values for argument 'col'"),
        (lambda: sheafwork.Book(1), TypeError, "Book.__new__() takes 0 positional arguments but 1 was given"),
        (lambda: sheafwork.Book(name="x"), TypeError, "Book.__new__() got an unexpected keyword argument 'name'"),
        (lambda: _sheafwork.version(1), TypeError, "sheafwork._sheafwork.version() takes no arguments (1 given)"),
        (lambda: _sheafwork.version(x=1), TypeError, "sheafwork._sheafwork.version() takes no keyword arguments"),
        (lambda: sheafwork.Book().to_dict(1), TypeError, "Book.to_dict() takes no arguments (1 given)"),
        (lambda: letter(1.5), TypeError, "argument 'col': 'float' object cannot be interpreted as an integer"),
        (lambda: letter(None), TypeError, "argument 'col': 'NoneType' object cannot be interpreted as an integer"),
        # Out of range integers are not labelled; the row is converted first, so the bad
        # column is never looked at.
        (lambda: letter(Index(70000)), OverflowError, OUT_OF_RANGE),
        (lambda: coordinate(-1, "not a column"), OverflowError, OUT_OF_RANGE),
        (lambda: coordinate(2**64, 1), OverflowError, "Python int too large to convert to C long"),
    ],
)
def test_argument_errors(call, exc, text):
    with pytest.raises(exc) as info:
        call()
    assert (type(info.value), str(info.value), info.value.__cause__, info.value.__context__) == (exc, text, None, None)


@pytest.mark.parametrize(
    "error, raised, text",
    [
        (TypeError("bad index"), TypeError, "argument 'row': bad index"),
        # Only an exact TypeError is labelled; everything else passes as it is.
        (ValueError("no number here"), ValueError, "no number here"),
        (TypeErrorSubclass("a subclass"), TypeErrorSubclass, "a subclass"),
    ],
)
def test_conversion_errors_of_user_objects(error, raised, text):
    cause = KeyError("inner cause")
    error.__cause__ = cause
    with pytest.raises(raised) as info:
        coordinate(Index(error), 1)
    assert (type(info.value), str(info.value)) == (raised, text)
    assert info.value.__cause__ is cause


def test_integer_like_values_are_accepted():
    class Row(int):
        pass

    assert (letter(True), letter(False), letter(Index(28))) == ("A", "", "AB")
    assert coordinate(Index(4294967295), Row(9)) == "I4294967295"


def test_panic_exception_escapes_except_exception():
    panic = sheafwork.PanicException
    assert (panic.__name__, panic.__bases__) == ("PanicException", (BaseException,))


@pytest.mark.parametrize(
    "cls, module, signature, doc",
    [
        (sheafwork.Book, "sheafwork", "()", ""),
        (sheafwork.Sheet, "sheafwork", None, None),
        (sheafwork.Cell, "sheafwork", None, None),
        (sheafwork.Comment, "sheafwork", None, None),
        (readable.Finder, "sheafwork.readable", "(sheets)", ""),
        (readable.ReadableSheet, "sheafwork.readable", None, None),
        (readable.ReadableCell, "sheafwork.readable", None, None),
    ],
)
def test_class_shape(cls, module, signature, doc):
    assert (cls.__module__, cls.__text_signature__, cls.__doc__) == (module, signature, doc)
    with pytest.raises(TypeError, match=f"^type '{module}.{cls.__qualname__}' is not an acceptable base type$"):
        type("Sub", (cls,), {})
    if signature is None:
        with pytest.raises(TypeError, match=f"^No constructor defined for {cls.__qualname__}$"):
            cls()


# The members of each class in declared order: methods with their parameters, getters bare.
SEARCHES = ("find_cell_by_regex(regex) find_cell_by_str(value) find_cell_by_letter(letter) "
            "find_cells_by_regex(regex) find_cells_by_str(value) find_cells_for_rows_by_regex(regex, col_stop) "
            "find_cells_for_cols_by_regex(regex, row_stop) find_cells_multi_regex(before_regex, after_regex) "
            "find_cells_between_regex(before_regex, after_regex) find_cells_range_rows(start_row, end_row) "
            "find_cells_range_cols(start_col, end_col)")
RANGE = "get_cells_by_range(start_row=None, end_row=None, start_col=None, end_col=None)"
CELL_GETTERS = ("row column letter value formula style data_type {} is_formula is_value_bool is_value_numeric "
                "is_value_integer is_value_datetime is_value_empty")
BOOK = 'add_sheet(name, sheet_state="visible") copy_sheet(sheet) get_sheet_index(idx) get_sheet_name(name)'
MEMBERS = [
    (sheafwork.Book, f"{BOOK} to_json() to_dict() sheets"),
    (sheafwork.Sheet, "set_sheet_state(state) add_merge_cells(start_row, end_row, start_col, end_col) "
                      "add_comment(row, col, text, author) cell(row, col, value=None) get_value_cell(row, col) "
                      "delete_cols(idx, amount) delete_rows(idx, amount) set_height_row(row_num, val) "
                      "set_hidden_row(row_num, val) set_width_column(col_num, val) set_hidden_column(col_num, val) "
                      f"{RANGE} get_height_by_row(row_num) get_hidden_by_row(row_num) "
                      f"get_width_by_column(col_num) get_hidden_by_column(col_num) {SEARCHES} "
                      "find_value_by_coords(row, col) name sheet_state max_row max_column cells merge_cells comments"),
    (sheafwork.Cell, "set_value_number(value) set_value_integer(value) set_value_bool(value) "
                     "set_value_datetime(value) " + CELL_GETTERS.format("hidden_value")),
    (sheafwork.Comment, "author text coordinate row column"),
    (sheafwork.Service, "summary_0(sheets, /, **kwargs) _fmt_0(**kwargs) _" + BOOK.replace(") ", ") _")
     + " to_json() to_dict() _conn_db _sheets"),
    (readable.Finder, "get_sheet_index(idx) get_sheets_without_names(name_list) get_sheets_with_names(name_list) "
                      "find_sheet_by_name(name) find_sheet_by_regex(pattern) sheets"),
    (readable.ReadableSheet, f"get_value_cell(row, col) {RANGE} "
     + SEARCHES.replace("find_cell_by_letter", "find_cell_by_coords(row, col) find_cell_by_letter")
     + " find_values_by_col_rows(col, rows) find_values_by_row_cols(row, cols) find_value_by_coords(row, col) "
       "name sheet_state max_row max_column cells merge_cells"),
    (readable.ReadableCell, CELL_GETTERS.format("")),
]


@pytest.mark.parametrize("cls, members", MEMBERS)
def test_members_in_declared_order(cls, members):
    expected = [(name, params and "($self" + (", " if len(params) > 2 else "") + params[1:])
                for name, params in re.findall(r"(\w+)(\([^)]*\))?", members)]
    own = {name: f for name, f in vars(cls).items() if not name.startswith("__")}
    assert [(name, getattr(f, "__text_signature__", "") or "") for name, f in own.items()] == expected
    assert all(f.__doc__ is None for f in own.values())


@pytest.fixture
def o(book, sheet):
    """A book with a sheet, a cell and a comment; a service with a sheet."""
    sheet.add_comment(1, 1, "note", "ann")
    sheet.set_height_row(1, 9.0)
    cell = sheet.cell(1, 1, "12")
    cell.style = "st"
    service = sheafwork.Service(None)
    service._add_sheet("A").cell(1, 1, "x")
    return types.SimpleNamespace(book=book, sheet=sheet, cell=cell, comment=sheet.comments[0], service=service)


# Every method's bad arguments: the exact exception, and no record changed.
@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda o: o.book.add_sheet("C", 1), TypeError, not_a("sheet_state", "int")),
        (lambda o: o.book.add_sheet(), TypeError, "Book.add_sheet() missing 1 required positional argument: 'name'"),
        (lambda o: o.book.copy_sheet(o.book), TypeError, not_a("sheet", "Book", "Sheet")),
        (lambda o: o.book.get_sheet_index("0"), TypeError, not_an_integer("idx", "str")),
        (lambda o: o.book.get_sheet_index(-2147483649), OverflowError, OUT_OF_RANGE),
        (lambda o: o.book.get_sheet_name(0), TypeError, not_a("name", "int")),
        (lambda o: o.service._add_sheet("C", "v", "x"), TypeError,
         "Service._add_sheet() takes from 1 to 2 positional arguments but 3 were given"),
        (lambda o: o.service._copy_sheet(o.service), TypeError, not_a("sheet", "Service", "Sheet")),
        (lambda o: o.service._get_sheet_index(2147483648), OverflowError, OUT_OF_RANGE),
        (lambda o: o.service._get_sheet_name(0), TypeError, not_a("name", "int")),
        (lambda o: sheafwork.Service.to_json(o.book), TypeError, None),
        (lambda o: o.sheet.cell(1, 1, 5), TypeError, not_a("value", "int")),
        (lambda o: o.sheet.cell(1, 65536), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.cell("1", 1), TypeError, not_an_integer("row", "str")),
        (lambda o: o.sheet.cell(1, 1, "x", 2), TypeError,
         "Sheet.cell() takes from 2 to 3 positional arguments but 4 were given"),
        (lambda o: o.sheet.add_merge_cells(1, 2, 3, 65536), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.add_comment(1, 1, "t", None), TypeError, not_a("author", "NoneType")),
        (lambda o: o.sheet.add_comment(1, 1, 2, "a"), TypeError, not_a("text", "int")),
        (lambda o: o.sheet.set_sheet_state(None), TypeError, not_a("state", "NoneType")),
        (lambda o: o.sheet.get_value_cell(4294967296, 1), OverflowError, OUT_OF_RANGE),
        (lambda o: setattr(o.sheet, "name", 3), TypeError, not_a("name", "int")),
        (lambda o: o.sheet.delete_rows(1), TypeError,
         "Sheet.delete_rows() missing 1 required positional argument: 'amount'"),
        (lambda o: o.sheet.delete_cols("1", 65536), TypeError, not_an_integer("idx", "str")),
        (lambda o: o.sheet.delete_cols(1, 65536), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.set_height_row(1, "2"), TypeError, "argument 'val': must be real number, not str"),
        (lambda o: o.sheet.set_hidden_row(1, 1), TypeError, not_a("val", "int", "PyBool")),
        (lambda o: o.sheet.set_width_column(65536, 1.0), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.set_hidden_column(1, None), TypeError, not_a("val", "NoneType", "PyBool")),
        (lambda o: o.sheet.get_height_by_row(None), TypeError, not_an_integer("row_num", "NoneType")),
        (lambda o: o.sheet.get_hidden_by_column(1, 2), TypeError,
         "Sheet.get_hidden_by_column() takes 1 positional arguments but 2 were given"),
        (lambda o: o.sheet.get_cells_by_range(1, -1, "x"), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.get_cells_by_range(None, None, None, 1.5), TypeError, not_an_integer("end_col", "float")),
        (lambda o: o.sheet.find_cells_by_regex(), TypeError,
         "Sheet.find_cells_by_regex() missing 1 required positional argument: 'regex'"),
        (lambda o: o.sheet.find_cell_by_letter(1), TypeError, not_a("letter", "int")),
        (lambda o: o.sheet.find_cells_for_rows_by_regex(None, -1), TypeError, not_a("regex", "NoneType")),
        (lambda o: o.sheet.find_cells_for_rows_by_regex("a", 65536), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.find_cells_multi_regex("a", b"b"), TypeError, not_a("after_regex", "bytes")),
        (lambda o: o.sheet.find_cells_range_rows(-1, "x"), OverflowError, OUT_OF_RANGE),
        (lambda o: o.sheet.find_value_by_coords(1, 1.0), TypeError, not_an_integer("col", "float")),
        (lambda o: setattr(o.cell, "value", None), TypeError, not_a("value", "NoneType")),
        (lambda o: setattr(o.cell, "formula", 5), TypeError, not_a("value", "int")),
        (lambda o: setattr(o.cell, "style", None), TypeError, not_a("value", "NoneType")),
        (lambda o: setattr(o.cell, "hidden_value", b"x"), TypeError, not_a("value", "bytes")),
        (lambda o: o.cell.set_value_number("1"), TypeError, "argument 'value': must be real number, not str"),
        (lambda o: o.cell.set_value_integer(2147483648), OverflowError, OUT_OF_RANGE),
        (lambda o: o.cell.set_value_integer(1.5), TypeError, not_an_integer("value", "float")),
        (lambda o: o.cell.set_value_bool(1), TypeError, not_a("value", "int", "PyBool")),
        (lambda o: o.cell.set_value_datetime(datetime.date(2024, 1, 2)), TypeError,
         not_a("value", "date", "PyDateTime")),
        (lambda o: o.cell.set_value_datetime(datetime.datetime(2024, 1, 2, tzinfo=datetime.timezone.utc)),
         TypeError, "argument 'value': expected a datetime without tzinfo"),
        (lambda o: o.cell.set_value_bool(True, False), TypeError,
         "Cell.set_value_bool() takes 1 positional arguments but 2 were given"),
        (lambda o: setattr(o.comment, "author", None), TypeError, not_a("val", "NoneType")),
        (lambda o: setattr(o.comment, "text", 7), TypeError, not_a("val", "int")),
        (lambda o: readable.Finder(()), TypeError, not_a("sheets", "tuple", "PyList")),
        (lambda o: readable.Finder(), TypeError, "Finder.__new__() missing 1 required positional argument: 'sheets'"),
        (lambda o: readable.create_finder(None), TypeError, not_a("sheets", "NoneType", "PyList")),
        (lambda o: readable.Finder([]).get_sheet_index(2**31), OverflowError, OUT_OF_RANGE),
        (lambda o: readable.Finder([]).get_sheets_with_names("A"), TypeError,
         "argument 'name_list': Can't extract `str` to `Vec`"),
        (lambda o: readable.find_cells_by_regex("a", ()), TypeError, not_a("cells", "tuple", "PyList")),
        (lambda o: readable.find_values_by_col_rows(1, "12", []), TypeError,
         "argument 'rows': Can't extract `str` to `Vec`"),
        (lambda o: readable.find_values_by_row_cols(1, 5, []), TypeError, not_a("cols", "int", "Sequence")),
        (lambda o: readable.find_cells_range_cols(1, 65536, []), OverflowError, OUT_OF_RANGE),
        (lambda o: readable.find_cell_by_regex(regex="a"), TypeError,
         "find_cell_by_regex() missing 1 required positional argument: 'cells'"),
    ],
)
def test_bad_arguments_change_nothing(o, call, exc, text):
    before = o.service.to_json()
    refused(o.book, lambda: call(o), exc, text)
    assert o.service.to_json() == before


@pytest.mark.parametrize(
    "attribute", "sheet.name cell.value cell.formula cell.style cell.hidden_value comment.author comment.text".split())
def test_deleting_a_writable_attribute(o, attribute):
    owner, name = attribute.split(".")
    refused(o.book, lambda: delattr(getattr(o, owner), name), AttributeError, "can't delete attribute")


@pytest.mark.parametrize(
    "attribute",
    "book.sheets book.colour sheet.sheet_state sheet.max_row sheet.max_column sheet.cells sheet.merge_cells "
    "sheet.comments cell.row cell.column cell.letter cell.data_type cell.is_formula cell.is_value_bool "
    "cell.is_value_numeric cell.is_value_integer cell.is_value_datetime cell.is_value_empty cell.colour "
    "comment.coordinate comment.row comment.column".split())
def test_attribute_without_setter(o, attribute):
    owner, name = attribute.split(".")
    with pytest.raises(AttributeError):
        setattr(getattr(o, owner), name, "1")
