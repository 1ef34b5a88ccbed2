import random

import pytest

import sheafwork
from search_reference import as_tuple, searches, value_at

VALUES = ["", "x", " x ", "x\u00a0", "x\u200b", "box", "a.c", "abc", "(", "f(x)", "*", "a*b", "..",
          "[", "]", "$1", "12", "-3", "3.50", "1e3", "true", "TRUE", "2024-01-05 03:04:05",
          "a b", "  ", "ünï", "x|y", "\\", "^a", "?"]


# Every search against the reference over `sheet.cells` (sorted by row, then column); on
# the methods of a sheet, find_cell_by_str tests containment.
@pytest.mark.parametrize("seed", range(8))
def test_searches_match_the_reference(sheet, seed):
    rng = random.Random(seed)
    for _ in range(rng.choice([0, 1, 5, 40, 300])):
        sheet.cell(rng.randint(1, 30), rng.randint(1, 12), rng.choice(VALUES + [None]))
    cells = as_tuple(sheet.cells)
    needles = [rng.choice(VALUES), rng.choice(sorted({c[2] for c in cells} | {"x"})), "", "zz", "("]
    for needle in needles:
        other, row, col = rng.choice(needles), rng.randint(0, 31), rng.randint(0, 13)
        last_row, last_col = rng.choice([rng.randint(0, 31), 4294967295]), rng.choice([rng.randint(0, 13), 65535])
        arguments = {
            "find_cell_by_letter": (sheafwork.get_letter_coordinate(row or 1, col or 1),),
            "find_cells_for_rows_by_regex": (needle, last_col), "find_cells_for_cols_by_regex": (needle, last_row),
            "find_cells_multi_regex": (needle, other), "find_cells_between_regex": (needle, other),
            "find_cells_range_rows": (row, last_row), "find_cells_range_cols": (col, last_col)}
        for name, model in searches(trimmed_single=False).items():
            args = arguments.get(name, (needle,))
            assert as_tuple(getattr(sheet, name)(*args)) == model(*args)(cells), (name, args)
        assert sheet.find_value_by_coords(row, col) == value_at(cells, row, col)


def test_found_cells_share_the_sheets_records(sheet):
    sheet.cell(4, 4, "old")
    first, second = sheet.find_cell_by_regex("old"), sheet.find_cells_by_str("old")[0]
    assert first is not second
    first.value = "new"
    assert (second.value, sheet.get_value_cell(4, 4), sheet.find_cell_by_regex("old")) == ("new", "new", None)


def test_keywords_name_the_parameters(sheet):
    sheet.cell(1, 1, "a")
    sheet.cell(1, 2, "b")
    assert as_tuple(sheet.find_cells_for_rows_by_regex(col_stop=1, regex="")) == [(1, 1, "a")]
    assert sheet.find_value_by_coords(col=2, row=1) == "b"
    with pytest.raises(TypeError, match=r"^Sheet.find_cell_by_regex\(\) got an unexpected keyword argument 'value'$"):
        sheet.find_cell_by_regex(value="a")
