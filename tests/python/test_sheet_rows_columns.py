import json
import math
import random

import pytest

import sheafwork


def test_getters_give_defaults_and_make_no_record(book, sheet):
    before = book.to_json()
    got = [sheet.get_height_by_row(1), sheet.get_hidden_by_row(0), sheet.get_width_by_column(65535),
           sheet.get_hidden_by_column(3)]
    assert (got, book.to_json()) == ([sheafwork.DEFAULT_ROW_HEIGHT, False, sheafwork.DEFAULT_COLUMN_WIDTH, False], before)
    assert [type(g) for g in got] == [float, bool, float, bool]


def test_setters_make_a_default_record_and_change_one_field(book, sheet):
    sheet.set_height_row(row_num=3, val=float("nan"))
    sheet.set_hidden_row(4, True)
    sheet.set_width_column(0, 7)
    sheet.set_hidden_column(col_num=2, val=True)
    sheet.set_width_column(2, float("-inf"))
    assert math.isnan(sheet.get_height_by_row(3))
    assert (sheet.get_height_by_row(4), sheet.get_hidden_by_row(4), sheet.get_hidden_by_row(3)) == (20.0, True, False)
    assert (sheet.get_width_by_column(0), sheet.get_width_by_column(2), sheet.get_hidden_by_column(2)) == (
        7.0, float("-inf"), True)
    dims = json.loads(book.to_json())["sheets"][0]
    assert dims["row_dimensions"]["rows"]["4"] == {
        "row_num": 4, "height": 20.0, "hidden": True, "collapsed": False, "level": 0}
    assert sorted(dims["column_dimensions"]["columns"]) == ["0", "2"]


# Rows are 32-bit: a row above 65535 is a row of its own, set and read back whole.
@pytest.mark.parametrize("row", [65536, 70000, 4294967295])
def test_rows_above_16_bits_are_rows_of_their_own(book, sheet, row):
    low = row & 0xFFFF
    sheet.set_height_row(low, 3.0)
    sheet.set_height_row(row, 7.5)
    sheet.set_hidden_row(row_num=row, val=True)
    assert [sheet.get_height_by_row(row), sheet.get_hidden_by_row(row_num=row)] == [7.5, True]
    assert [sheet.get_height_by_row(low), sheet.get_hidden_by_row(low)] == [3.0, False]
    rows = json.loads(book.to_json())["sheets"][0]["row_dimensions"]["rows"]
    assert rows[str(row)] == {"row_num": row, "height": 7.5, "hidden": True, "collapsed": False, "level": 0}


# The bounds are the engine's (tests/engine/model/reads_test.cc); here, absent ones.
def test_get_cells_by_range_bounds(sheet):
    for row, col in [(1, 1), (2, 1), (0, 3), (1048577, 1), (1048576, 16384)]:
        sheet.cell(row, col, "x")
    assert [(c.row, c.column) for c in sheet.get_cells_by_range()] == [(1, 1), (2, 1), (1048576, 16384)]
    assert [(c.row, c.column) for c in sheet.get_cells_by_range(0, None, end_col=3)] == [(0, 3), (1, 1), (2, 1)]


# Deletions against a plain model: a sheet is a dict from key to record, a record has a
# coordinate. A copied sheet shares the records of its source: a deletion in one sheet
# goes by that sheet's own keys and moves the records it shifts (their coordinate takes
# the new key), while the other sheet keeps them under its old keys.

def model_delete(keys, coords, axis, idx, amount):
    if amount == 0:
        return keys
    out = {}
    for key, record in keys.items():
        at = key[axis]
        if at < idx:
            out[key] = record
        elif at >= idx + amount:
            new = (at - amount, key[1]) if axis == 0 else (key[0], at - amount)
            out[new] = record
            coords[record] = (new[0], coords[record][1]) if axis == 0 else (coords[record][0], new[1])
    return out


def check_sheet(book, index, sheet, keys, coords, held):
    listed = [(c.row, c.column, c.value) for c in sheet.cells]
    assert [c[:2] for c in listed] == sorted(c[:2] for c in listed)
    assert sorted(listed) == sorted((*coords[r], r) for r in keys.values())
    exported = json.loads(book.to_json())["sheets"][index]["cells"]
    assert sorted((c["row"], c["column"], c["value"]) for c in exported) == sorted(listed)
    for key, record in keys.items():
        assert (sheet.get_value_cell(*key), sheet.find_value_by_coords(*key), sheet.cell(*key).value) == (record,) * 3
    for record, cell in held.items():
        assert (cell.row, cell.column) == coords[record]


@pytest.mark.parametrize("seed", range(12))
def test_deletions_match_a_plain_model(book, seed):
    rng = random.Random(seed)
    source = book.add_sheet("source")
    coords, held, keys = {}, {}, {}
    for n in range(rng.randint(0, 60)):
        at = (rng.choice([0, 1, 2, 3, 5, 8, 4294967295]), rng.choice([0, 1, 2, 3, 5, 8, 65535]))
        if at not in keys:
            record = f"v{n}"  # each record is known by its value
            held[record], keys[at], coords[record] = source.cell(*at, record), record, at
    sheets = [(source, keys)]
    if seed % 2:
        sheets.append((book.copy_sheet(source), dict(keys)))
    for _ in range(12):
        which = rng.randrange(len(sheets))
        sheet, keys = sheets[which]
        axis, top = rng.choice([(0, 4294967295), (1, 65535)])
        idx = rng.choice([0, 1, 2, 3, 4, 7, top - 1, top])
        amount = rng.choice([0, 1, 2, 3, top - 1, top])
        (sheet.delete_rows if axis == 0 else sheet.delete_cols)(idx, amount)
        sheets[which] = (sheet, model_delete(keys, coords, axis, idx, amount))
        for index, (sheet, keys) in enumerate(sheets):
            check_sheet(book, index, sheet, keys, coords, held)
