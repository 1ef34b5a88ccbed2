# The call frame, seen through the module functions and the classes: argument parsing,
# conversions, class shapes, attribute access and the texts of their errors.
import pytest

import sheafwork
from sheafwork import _sheafwork

letter = _sheafwork.column_number_to_letter
coordinate = _sheafwork.get_letter_coordinate

OUT_OF_RANGE = "out of range integral type conversion attempted"


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
        (lambda: letter(), "column_number_to_letter() missing 1 required positional argument: 'col'"),
        (lambda: coordinate(),
         "get_letter_coordinate() missing 2 required positional arguments: 'row' and 'col'"),
        # The values of wrong type below show that the parser speaks before any conversion.
        (lambda: coordinate("x"), "get_letter_coordinate() missing 1 required positional argument: 'col'"),
        (lambda: coordinate(col="x"), "get_letter_coordinate() missing 1 required positional argument: 'row'"),
        (lambda: letter("x", "y"), "column_number_to_letter() takes 1 positional arguments but 2 were given"),
        (lambda: coordinate(1, 2, 3), "get_letter_coordinate() takes 2 positional arguments but 3 were given"),
        (lambda: letter(column=1), "column_number_to_letter() got an unexpected keyword argument 'column'"),
        (lambda: coordinate(1, 2, x=3), "get_letter_coordinate() got an unexpected keyword argument 'x'"),
        (lambda: letter("x", col=1), "column_number_to_letter() got multiple values for argument 'col'"),
        (lambda: coordinate(1, row=2), "get_letter_coordinate() got multiple values for argument 'row'"),
        (lambda: sheafwork.Book(1), "Book.__new__() takes 0 positional arguments but 1 was given"),
        (lambda: sheafwork.Book(name="x"), "Book.__new__() got an unexpected keyword argument 'name'"),
        (lambda: _sheafwork.version(1), "sheafwork._sheafwork.version() takes no arguments (1 given)"),
        (lambda: _sheafwork.version(x=1), "sheafwork._sheafwork.version() takes no keyword arguments"),
        (lambda: sheafwork.Book().to_json(1), "Book.to_json() takes no arguments (1 given)"),
        (lambda: sheafwork.Book().to_dict(1), "Book.to_dict() takes no arguments (1 given)"),
    ],
)
def test_argument_binding_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize("value, typename", [(1.5, "float"), ("3", "str"), (None, "NoneType"),
                                             ([1], "list")])
def test_wrong_type_is_labelled(value, typename):
    with pytest.raises(TypeError) as info:
        letter(value)
    assert str(info.value) == f"argument 'col': '{typename}' object cannot be interpreted as an integer"
    assert info.value.__cause__ is None
    assert info.value.__suppress_context__


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
        (lambda: letter(65536), OUT_OF_RANGE),
        (lambda: letter(-1), OUT_OF_RANGE),
        (lambda: letter(Index(70000)), OUT_OF_RANGE),
        (lambda: coordinate(4294967296, 1), OUT_OF_RANGE),
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
    "cls, name, signature, doc",
    [
        (sheafwork.Book, "Book", "()", ""),
        (sheafwork.Sheet, "Sheet", None, None),
        (sheafwork.Cell, "Cell", None, None),
        (sheafwork.Comment, "Comment", None, None),
    ],
)
def test_class_shape(cls, name, signature, doc):
    assert (cls.__module__, cls.__qualname__) == ("sheafwork", name)
    assert (cls.__text_signature__, cls.__doc__) == (signature, doc)
    with pytest.raises(TypeError, match=f"^type 'sheafwork.{name}' is not an acceptable base type$"):
        type("Sub", (cls,), {})
    if signature is None:
        with pytest.raises(TypeError, match=f"^No constructor defined for {name}$"):
            cls()


@pytest.mark.parametrize(
    "method, signature",
    [
        ("Book.add_sheet", '($self, name, sheet_state="visible")'),
        ("Book.copy_sheet", "($self, sheet)"),
        ("Book.get_sheet_index", "($self, idx)"),
        ("Book.get_sheet_name", "($self, name)"),
        ("Book.to_json", "($self)"),
        ("Book.to_dict", "($self)"),
        ("Sheet.set_sheet_state", "($self, state)"),
        ("Sheet.add_merge_cells", "($self, start_row, end_row, start_col, end_col)"),
        ("Sheet.add_comment", "($self, row, col, text, author)"),
        ("Sheet.cell", "($self, row, col, value=None)"),
        ("Sheet.get_value_cell", "($self, row, col)"),
        *[(f"Cell.set_value_{kind}", "($self, value)") for kind in ("number", "integer", "bool", "datetime")],
    ],
)
def test_method_signatures(method, signature):
    owner, name = method.split(".")
    function = getattr(getattr(sheafwork, owner), name)
    assert (function.__text_signature__, function.__doc__) == (signature, None)


@pytest.fixture
def objects(book, sheet):
    sheet.add_comment(1, 1, "note", "ann")
    return {"Book": book, "Sheet": sheet, "Cell": sheet.cell(1, 1, "x"), "Comment": sheet.comments[0]}


@pytest.mark.parametrize(
    "attribute", "Sheet.name Cell.value Cell.formula Cell.style Cell.hidden_value "
                 "Comment.author Comment.text".split())
def test_deleting_a_writable_attribute(book, objects, attribute):
    owner, name = attribute.split(".")
    before = book.to_json()
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        delattr(objects[owner], name)
    assert book.to_json() == before


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
