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
    assert (repr(book), book.sheets, book.to_json()) == ("Book, sheets: 0", [], '{"sheets":[]}')
    assert (book.get_sheet_index(0), book.get_sheet_name(""), book.to_dict()) == (None, None, {"sheets": []})


def test_add_sheet(book):
    first = book.add_sheet("A")
    second = book.add_sheet(name="B", sheet_state="hidden")
    third = book.add_sheet("", sheet_state="")
    assert [(s.name, s.sheet_state) for s in (first, second, third)] == [
        ("A", "visible"), ("B", "hidden"), ("", "")]
    assert (names(book), repr(book)) == (["A", "B", ""], "Book, sheets: 3")


@pytest.mark.parametrize("idx, name", [(0, "A"), (1, "B"), (2, None), (-1, None),
                                       (-2147483648, None), (2147483647, None)])
def test_get_sheet_index(two, idx, name):
    found = two.get_sheet_index(idx)
    assert (found.name if found else None) == name


def test_get_sheet_name_is_exact_and_gives_the_first(book):
    book.add_sheet("X", "first")
    book.add_sheet("X", "second")
    assert book.get_sheet_name(name="X").sheet_state == "first"
    assert [book.get_sheet_name(name) for name in ("x", "X ", "")] == [None, None, None]


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
    assert (copy.get_value_cell(1, 1), copy.comments[0].text) == ("new", "edited")
    assert (copy.get_value_cell(9, 9), repr(copy)) == ("", "Sheet (Sheet 3) cells: 1")
    assert (copy.name, copy.merge_cells) == ("Sheet 3", [(1, 2, 1, 2)])


def test_copy_sheet_keeps_state_and_counts_the_target(two):
    other = sheafwork.Book()
    copy = other.copy_sheet(sheet=two.sheets[1])
    assert (copy.name, copy.sheet_state, names(other)) == ("Sheet 1", "hidden", ["Sheet 1"])
    two.add_sheet("Sheet 4")
    two.copy_sheet(copy)
    assert names(two) == ["A", "B", "Sheet 4", "Sheet 4"]


def not_a(label, typename, target="PyString"):
    return f"argument '{label}': '{typename}' object cannot be converted to '{target}'"


@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda b: b.add_sheet(None), TypeError, not_a("name", "NoneType")),
        (lambda b: b.add_sheet("C", 1), TypeError, not_a("sheet_state", "int")),
        (lambda b: b.add_sheet(), TypeError, "Book.add_sheet() missing 1 required positional argument: 'name'"),
        (lambda b: b.add_sheet("C", "v", "x"), TypeError,
         "Book.add_sheet() takes from 1 to 2 positional arguments but 3 were given"),
        (lambda b: b.copy_sheet("A"), TypeError, not_a("sheet", "str", "Sheet")),
        (lambda b: b.copy_sheet(b), TypeError, not_a("sheet", "Book", "Sheet")),
        (lambda b: b.get_sheet_index("0"), TypeError,
         "argument 'idx': 'str' object cannot be interpreted as an integer"),
        (lambda b: b.get_sheet_index(2147483648), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda b: b.get_sheet_index(-2147483649), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda b: b.get_sheet_name(0), TypeError, not_a("name", "int")),
    ],
)
def test_bad_arguments_change_nothing(two, call, exc, text):
    before = two.to_json()
    with pytest.raises(exc) as info:
        call(two)
    assert str(info.value) == text
    assert (two.to_json(), repr(two)) == (before, "Book, sheets: 2")


def test_sheets_and_cells_outlive_their_owners():
    sheet = sheafwork.Book().add_sheet("S")
    cell = sheafwork.Book().add_sheet("T").cell(2, 2, "x")
    sheet.cell(1, 1, "y")
    cell.value = "z"
    assert (sheet.get_value_cell(1, 1), cell.value, cell.letter) == ("y", "z", "B2")


def fake_json(**attributes):
    module = types.ModuleType("json")
    module.__dict__.update(attributes)
    return module


def test_to_dict_uses_the_json_module_of_the_moment(two, monkeypatch):
    monkeypatch.setitem(sys.modules, "json", fake_json(loads=lambda text: text))
    assert two.to_dict() == two.to_json()
    # A loads that changes the book gets the text as it stood before.
    sys.modules["json"] = fake_json(loads=lambda text: (two.add_sheet("during"), text)[1])
    assert '"during"' not in two.to_dict()
    assert names(two) == ["A", "B", "during"]


def refuse(text):
    raise ValueError("refused")


@pytest.mark.parametrize(
    "module, exc, text",
    [
        (fake_json(), AttributeError, "module 'json' has no attribute 'loads'"),
        (fake_json(loads=refuse), ValueError, "refused"),
        (None, ImportError, "import of json halted; None in sys.modules"),
    ],
)
def test_to_dict_passes_json_failures_through(two, monkeypatch, module, exc, text):
    monkeypatch.setitem(sys.modules, "json", module)
    with pytest.raises(exc) as info:
        two.to_dict()
    assert str(info.value) == text
