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


# The lookups' rules are the engine's (tests/engine/model/book_test.cc); here, their wiring.
def test_add_sheet_and_lookups(book):
    first = book.add_sheet("X")
    second = book.add_sheet(name="X", sheet_state="hidden")
    book.add_sheet("", sheet_state="")
    assert [(s.name, s.sheet_state) for s in (first, second)] == [("X", "visible"), ("X", "hidden")]
    assert (names(book), repr(book)) == (["X", "X", ""], "Book, sheets: 3")
    assert [s and s.sheet_state for s in (book.get_sheet_index(idx=1), book.get_sheet_index(-1))] == ["hidden", None]
    assert [s and s.sheet_state for s in (book.get_sheet_name(name="X"), book.get_sheet_name("x"))] == ["visible", None]


def test_copy_sheet_shares_cells_and_comments(two):
    source = two.sheets[0]
    kept = source.cell(1, 1, "old")
    source.add_comment(1, 1, "note", "ann")
    copy = two.copy_sheet(source)
    assert (copy.name, copy.sheet_state, names(two)) == ("Sheet 3", "visible", ["A", "B", "Sheet 3"])
    kept.value = "new"
    source.comments[0].text = "edited"
    source.cell(9, 9, "only in source")
    source.name = "A2"
    assert (copy.get_value_cell(1, 1), copy.comments[0].text) == ("new", "edited")
    assert (copy.get_value_cell(9, 9), repr(copy)) == ("", "Sheet (Sheet 3) cells: 1")
    other = sheafwork.Book()
    assert (other.copy_sheet(sheet=two.sheets[1]).sheet_state, names(other)) == ("hidden", ["Sheet 1"])


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
