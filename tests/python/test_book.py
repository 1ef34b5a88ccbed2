import json
import sys
import types

import pytest

import sheafwork


@pytest.fixture
def two(book):
    book.add_sheet("A")
    book.add_sheet("B", "hidden")
    return book


def names(book):
    return [s.name for s in book.sheets]


def test_new_book_is_empty(book):
    assert repr(book) == "Book, sheets: 0"
    assert book.sheets == []
    assert book.get_sheet_index(0) is None
    assert book.get_sheet_name("") is None
    assert book.to_json() == '{"sheets":[]}'
    assert book.to_dict() == {"sheets": []}


@pytest.mark.parametrize(
    "args, kwargs, text",
    [
        ((1,), {}, "Book.__new__() takes 0 positional arguments but 1 was given"),
        ((1, 2), {}, "Book.__new__() takes 0 positional arguments but 2 were given"),
        ((), {"name": "x"}, "Book.__new__() got an unexpected keyword argument 'name'"),
    ],
)
def test_constructor_takes_nothing(args, kwargs, text):
    with pytest.raises(TypeError) as info:
        sheafwork.Book(*args, **kwargs)
    assert str(info.value) == text


def test_add_sheet(book):
    first = book.add_sheet("A")
    second = book.add_sheet(name="B", sheet_state="hidden")
    third = book.add_sheet("", sheet_state="")
    assert [(s.name, s.sheet_state) for s in (first, second, third)] == [
        ("A", "visible"), ("B", "hidden"), ("", "")]
    assert names(book) == ["A", "B", ""]
    assert repr(book) == "Book, sheets: 3"


def test_sheets_are_new_objects_over_one_record(two):
    first, again = two.sheets[0], two.sheets[0]
    assert first is not again
    first.cell(1, 1, "x")
    assert again.get_value_cell(1, 1) == "x"


@pytest.mark.parametrize("idx, name", [(0, "A"), (1, "B"), (2, None), (-1, None), (-2, None),
                                       (-2147483648, None), (2147483647, None)])
def test_get_sheet_index(two, idx, name):
    found = two.get_sheet_index(idx)
    assert (found.name if found else None) == name
    if name == "B":
        assert found.sheet_state == "hidden"


@pytest.mark.parametrize("idx", [2147483648, -2147483649])
def test_get_sheet_index_out_of_range(two, idx):
    with pytest.raises(OverflowError, match="^out of range integral type conversion attempted$"):
        two.get_sheet_index(idx)


@pytest.mark.parametrize("name, found", [("A", True), ("a", False), ("A ", False), ("", False)])
def test_get_sheet_name_is_exact(two, name, found):
    assert (two.get_sheet_name(name=name) is not None) == found


def test_get_sheet_name_gives_the_first_of_equal_names(book):
    book.add_sheet("X", "first")
    book.add_sheet("X", "second")
    assert book.get_sheet_name("X").sheet_state == "first"


def test_copy_sheet_shares_cells_and_comments(two):
    source = two.sheets[0]
    kept = source.cell(1, 1, "old")
    source.add_comment(1, 1, "note", "ann")
    source.add_merge_cells(1, 2, 1, 2)
    copy = two.copy_sheet(source)
    assert (copy.name, copy.sheet_state, repr(two)) == ("Sheet 3", "visible", "Book, sheets: 3")
    assert names(two) == ["A", "B", "Sheet 3"]
    kept.value = "new"
    source.comments[0].text = "edited"
    source.cell(9, 9, "only in source")
    source.name = "A2"
    source.add_merge_cells(3, 4, 3, 4)
    assert copy.get_value_cell(1, 1) == "new"
    assert copy.comments[0].text == "edited"
    assert (copy.get_value_cell(9, 9), repr(copy)) == ("", "Sheet (Sheet 3) cells: 1")
    assert (copy.name, copy.merge_cells) == ("Sheet 3", [(1, 2, 1, 2)])


def test_copy_sheet_keeps_state_and_numbers_in_target(two):
    other = sheafwork.Book()
    copy = other.copy_sheet(sheet=two.sheets[1])
    assert (copy.name, copy.sheet_state, names(other)) == ("Sheet 1", "hidden", ["Sheet 1"])
    two.copy_sheet(copy)
    assert names(two) == ["A", "B", "Sheet 3"]


def test_copy_sheet_may_repeat_a_name(book):
    for name in ["Sheet 3", "b"]:
        book.add_sheet(name)
    book.copy_sheet(book.sheets[1])
    assert names(book) == ["Sheet 3", "b", "Sheet 3"]


@pytest.mark.parametrize("arg, typename", [("A", "str"), (None, "NoneType"), (1, "int")])
def test_copy_sheet_needs_a_sheet(two, arg, typename):
    before = two.to_json()
    with pytest.raises(TypeError) as info:
        two.copy_sheet(arg)
    assert str(info.value) == f"argument 'sheet': '{typename}' object cannot be converted to 'Sheet'"
    assert two.to_json() == before


def test_copy_sheet_refuses_a_book(two):
    with pytest.raises(TypeError, match="'Book' object cannot be converted to 'Sheet'"):
        two.copy_sheet(two)


@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda b: b.add_sheet(None), TypeError,
         "argument 'name': 'NoneType' object cannot be converted to 'PyString'"),
        (lambda b: b.add_sheet("C", 1), TypeError,
         "argument 'sheet_state': 'int' object cannot be converted to 'PyString'"),
        (lambda b: b.add_sheet(), TypeError,
         "Book.add_sheet() missing 1 required positional argument: 'name'"),
        (lambda b: b.add_sheet("C", "v", "x"), TypeError,
         "Book.add_sheet() takes from 1 to 2 positional arguments but 3 were given"),
        (lambda b: b.add_sheet("C", name="D"), TypeError,
         "Book.add_sheet() got multiple values for argument 'name'"),
        (lambda b: b.copy_sheet(), TypeError,
         "Book.copy_sheet() missing 1 required positional argument: 'sheet'"),
        (lambda b: b.get_sheet_index("0"), TypeError,
         "argument 'idx': 'str' object cannot be interpreted as an integer"),
        (lambda b: b.get_sheet_name(0), TypeError,
         "argument 'name': 'int' object cannot be converted to 'PyString'"),
    ],
)
def test_bad_arguments_change_nothing(two, call, exc, text):
    before = two.to_json()
    with pytest.raises(exc) as info:
        call(two)
    assert str(info.value) == text
    assert two.to_json() == before
    assert repr(two) == "Book, sheets: 2"


@pytest.mark.parametrize("method", ["to_json", "to_dict"])
def test_export_methods_take_no_arguments(book, method):
    with pytest.raises(TypeError):
        getattr(book, method)(1)


def test_sheet_outlives_book():
    sheet = sheafwork.Book().add_sheet("S")
    sheet.cell(1, 1, "x")
    assert (sheet.name, sheet.get_value_cell(1, 1)) == ("S", "x")


def test_to_dict_matches_standard_json(two):
    two.sheets[0].cell(3, 1, "2024-01-31 13:45:00")
    two.sheets[0].cell(3, 2, "nan")
    two.sheets[0].add_merge_cells(1, 2, 3, 4)
    result = two.to_dict()
    assert result == json.loads(two.to_json())
    first = result["sheets"][0]
    assert first["cells"][0]["value"] == "2024-01-31T13:45:00"
    assert first["cells"][1]["value"] is None
    assert first["merge_cells"] == [[1, 2, 3, 4]]
    assert first["row_dimensions"] == {"default_height": 20.0}
    assert type(first["row_dimensions"]["default_height"]) is float


def test_to_dict_uses_the_json_module_of_the_moment(two, monkeypatch):
    fake = types.ModuleType("json")
    fake.loads = lambda text: text
    monkeypatch.setitem(sys.modules, "json", fake)
    assert two.to_dict() == two.to_json()
    fake.loads = lambda text: ("second", len(text))
    assert two.to_dict() == ("second", len(two.to_json()))


def test_to_dict_loads_may_use_the_book(two, monkeypatch):
    fake = types.ModuleType("json")
    fake.loads = lambda text: (two.add_sheet("during"), text)[1]
    monkeypatch.setitem(sys.modules, "json", fake)
    text = two.to_dict()
    assert '"during"' not in text
    assert names(two) == ["A", "B", "during"]


def test_to_dict_passes_json_failures_through(two, monkeypatch):
    monkeypatch.setitem(sys.modules, "json", types.ModuleType("json"))
    with pytest.raises(AttributeError):
        two.to_dict()

    def refuse(text):
        raise ValueError("refused")

    broken = types.ModuleType("json")
    broken.loads = refuse
    monkeypatch.setitem(sys.modules, "json", broken)
    with pytest.raises(ValueError, match="^refused$"):
        two.to_dict()
    monkeypatch.setitem(sys.modules, "json", None)
    with pytest.raises(ImportError):
        two.to_dict()


def test_class_shape():
    cls = sheafwork.Book
    assert (cls.__module__, cls.__qualname__) == ("sheafwork", "Book")
    assert (cls.__text_signature__, cls.__doc__) == ("()", "")
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


@pytest.mark.parametrize(
    "method, signature",
    [
        ("add_sheet", '($self, name, sheet_state="visible")'),
        ("copy_sheet", "($self, sheet)"),
        ("get_sheet_index", "($self, idx)"),
        ("get_sheet_name", "($self, name)"),
        ("to_json", "($self)"),
        ("to_dict", "($self)"),
    ],
)
def test_method_signatures(method, signature):
    assert getattr(sheafwork.Book, method).__text_signature__ == signature
