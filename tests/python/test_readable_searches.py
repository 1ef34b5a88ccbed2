"""The module search functions of sheafwork.readable, compared with plain Python."""

import random

import pytest

import sheafwork
from sheafwork import readable
from search_reference import as_tuple, searches, value_searches

ALPHABET = ["a", "b", "(", ".", "*", " ", "\t", "ab", "x y", "", "12", "a.b"]


def random_dicts(rng, n):
    cells = []
    for _ in range(n):
        value = "".join(rng.choice(ALPHABET) for _ in range(rng.randint(0, 3)))
        cells.append({"row": rng.randint(1, 8), "column": rng.randint(1, 5),
                      "value": None if rng.random() < 0.1 else value,
                      "formula": None, "data_type": "s"})
    return cells


def reference_cells(dicts):
    return [(d["row"], d["column"], d["value"] or "") for d in dicts]


def random_arguments(rng, name):
    text = lambda: rng.choice(["a", "b", "(", ".", "*", " a", "ab", "", "12", "x y"])
    if name == "find_cell_by_letter":
        return ("ABCDE"[rng.randint(0, 4)] + str(rng.randint(1, 8)),)
    if name in ("find_cells_multi_regex", "find_cells_between_regex"):
        return text(), text()
    if name in ("find_cells_range_rows", "find_cells_range_cols"):
        return rng.randint(0, 9), rng.randint(0, 9)
    if name == "find_cells_for_rows_by_regex":
        return text(), rng.randint(0, 6)
    if name == "find_cells_for_cols_by_regex":
        return text(), rng.randint(0, 9)
    return (text(),)


@pytest.mark.parametrize("seed", range(40))
def test_every_search_matches_the_reference(seed):
    rng = random.Random(seed)
    dicts = random_dicts(rng, rng.choice([0, 1, 5, 40, 700]))
    # Found cells fed back as elements lend their records: half the time the list holds
    # ReadableCell objects instead of dicts.
    cells = readable.find_cells_range_rows(0, 2**32 - 1, dicts) if seed % 2 else dicts
    ref = reference_cells(dicts)
    for name, model in searches(trimmed_single=True).items():
        for _ in range(3):
            args = random_arguments(rng, name)
            got = getattr(readable, name)(*args, cells)
            assert as_tuple(got) == model(*args)(ref), (name, args)
    for name, model in value_searches().items():
        wanted = [rng.randint(0, 9) for _ in range(rng.randint(0, 4))]
        fixed = rng.randint(1, 8)
        got = getattr(readable, name)(fixed, wanted, cells)
        assert got == model(fixed, set(wanted))(ref), (name, fixed, wanted)
    row, col = rng.randint(1, 8), rng.randint(1, 5)
    first = next((c for c in ref if c[:2] == (row, col)), None)
    assert as_tuple(readable.find_cell_by_coords(row, col, cells)) == first
    assert readable.find_value_by_coords(row, col, cells) == (first and first[2])


def test_results_share_records_but_are_new_objects():
    cells = readable.find_cells_range_rows(0, 9, [{"row": 1, "column": 2, "value": "v",
                                                    "formula": "=A1", "data_type": "f"}])
    again = readable.find_cells_by_regex("v", cells)
    assert again[0] is not cells[0]
    getters = ("row", "column", "letter", "value", "formula", "style", "data_type",
               "is_formula", "is_value_empty")
    assert [getattr(again[0], g) for g in getters] == [getattr(cells[0], g) for g in getters]


def test_sheet_cells_are_read_through_their_attributes():
    book = sheafwork.Book()
    sheet = book.add_sheet("S")
    sheet.cell(1, 1, "3.0").style = "st"
    found = readable.find_cells_by_regex("", sheet.cells)
    sheet.cell(1, 1, "changed")
    # A snapshot: later edits are not seen, style is not read, 3.0 becomes the integer 3.
    assert [(c.value, c.style, c.is_value_integer) for c in found] == [("3", None, True)]


@pytest.mark.parametrize(
    "call, error, text",
    [
        (lambda: readable.find_cells_by_regex("a", ()), TypeError,
         "argument 'cells': 'tuple' object cannot be converted to 'PyList'"),
        (lambda: readable.find_values_by_col_rows(1, "12", []), TypeError,
         "argument 'rows': Can't extract `str` to `Vec`"),
        (lambda: readable.find_values_by_row_cols(1, 5, []), TypeError,
         "argument 'cols': 'int' object cannot be converted to 'Sequence'"),
        (lambda: readable.find_cell_by_coords(-1, 1, []), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda: readable.find_cells_range_cols(1, 65536, []), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda: readable.find_cell_by_regex(regex="a"), TypeError,
         "find_cell_by_regex() missing 1 required positional argument: 'cells'"),
        (lambda: readable.find_cell_by_str(1, []), TypeError,
         "argument 'value': 'int' object cannot be converted to 'PyString'"),
    ],
)
def test_argument_errors(call, error, text):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == text


@pytest.mark.parametrize(
    "element, text",
    [
        ({"row": 1}, "KeyError('column')"),
        (None, "AttributeError(\"'NoneType' object has no attribute 'row'\")"),
    ],
)
def test_an_unreadable_element_stops_the_call(element, text):
    with pytest.raises(sheafwork.PanicException) as raised:
        readable.find_cells_by_regex("a", [{"row": 1, "column": 1, "value": "a", "formula": None,
                                            "data_type": "s"}, element])
    assert str(raised.value).startswith("called `Result::unwrap()` on an `Err` value: PyErr {")
    assert text in str(raised.value)


def test_a_bad_letter_stops_and_the_lock_is_back():
    with pytest.raises(sheafwork.PanicException):
        readable.find_cell_by_letter("7", [])
    assert readable.find_cell_by_letter("A1", []) is None


def test_rows_and_cols_take_any_sequence_but_str():
    cells = [{"row": r, "column": 2, "value": str(r), "formula": None, "data_type": "s"}
             for r in (3, 1, 2)]
    assert readable.find_values_by_col_rows(2, range(2, 4), cells) == ["3", "2"]
    assert readable.find_values_by_col_rows(2, (1,), cells) == ["1"]
    assert readable.find_values_by_row_cols(1, [2, 2], cells) == ["1"]
