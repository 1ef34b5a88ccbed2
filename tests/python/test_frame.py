# The call frame, seen through the module functions and the classes: argument parsing,
# conversions, class shapes, members and the texts of their errors. The texts themselves
# are built and tested in C++ (tests/binding/frame/frame_text_test.cc); here, which one a
# call gets.
import re

import pytest

import sheafwork
from sheafwork import _sheafwork, readable
from conftest import OUT_OF_RANGE, refused

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
    "call, message",
    [
        # The values of wrong type below show that the parser speaks before any conversion.
        (lambda: coordinate(col="x"), "get_letter_coordinate() missing 1 required positional argument: 'row'"),
        (lambda: letter("x", "y"), "column_number_to_letter() takes 1 positional arguments but 2 were given"),
        (lambda: coordinate(1, 2, x=3), "get_letter_coordinate() got an unexpected keyword argument 'x'"),
        (lambda: letter("x", col=1), "column_number_to_letter() got multiple values for argument 'col'"),
        (lambda: sheafwork.Book(1), "Book.__new__() takes 0 positional arguments but 1 was given"),
        (lambda: sheafwork.Book(name="x"), "Book.__new__() got an unexpected keyword argument 'name'"),
        (lambda: _sheafwork.version(1), "sheafwork._sheafwork.version() takes no arguments (1 given)"),
        (lambda: _sheafwork.version(x=1), "sheafwork._sheafwork.version() takes no keyword arguments"),
        (lambda: sheafwork.Book().to_dict(1), "Book.to_dict() takes no arguments (1 given)"),
    ],
)
def test_argument_binding_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize("value, typename", [(1.5, "float"), (None, "NoneType")])
def test_wrong_type_is_labelled(value, typename):
    with pytest.raises(TypeError) as info:
        letter(value)
    assert str(info.value) == f"argument 'col': '{typename}' object cannot be interpreted as an integer"
    assert info.value.__cause__ is None and info.value.__suppress_context__


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


@pytest.mark.parametrize(
    "call, text",
    [
        (lambda: letter(Index(70000)), OUT_OF_RANGE),
        # The row is converted first, so the bad column is never looked at.
        (lambda: coordinate(-1, "not a column"), OUT_OF_RANGE),
        (lambda: coordinate(2**64, 1), "Python int too large to convert to C long"),
    ],
)
def test_out_of_range_integers_are_not_labelled(call, text):
    with pytest.raises(OverflowError) as info:
        call()
    assert str(info.value) == text


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
def objects(book, sheet):
    sheet.add_comment(1, 1, "note", "ann")
    return {"Book": book, "Sheet": sheet, "Cell": sheet.cell(1, 1, "x"), "Comment": sheet.comments[0]}


@pytest.mark.parametrize(
    "attribute", "Sheet.name Cell.value Cell.formula Cell.style Cell.hidden_value Comment.author Comment.text".split())
def test_deleting_a_writable_attribute(book, objects, attribute):
    owner, name = attribute.split(".")
    refused(book, lambda: delattr(objects[owner], name), AttributeError, "can't delete attribute")


@pytest.mark.parametrize(
    "attribute",
    "Book.sheets Book.colour Sheet.sheet_state Sheet.max_row Sheet.max_column Sheet.cells "
    "Sheet.merge_cells Sheet.comments Cell.row Cell.column Cell.letter Cell.data_type "
    "Cell.is_formula Cell.is_value_bool Cell.is_value_numeric Cell.is_value_integer "
    "Cell.is_value_datetime Cell.is_value_empty Cell.colour Comment.coordinate Comment.row "
    "Comment.column".split())
def test_attribute_without_setter(objects, attribute):
    owner, name = attribute.split(".")
    with pytest.raises(AttributeError):
        setattr(objects[owner], name, "1")
