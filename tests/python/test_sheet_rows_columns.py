import json
import math
import random

import pytest

import sheafwork

OUT_OF_RANGE = "out of range integral type conversion attempted"

# The methods of Sheet in their declared order, with their text signatures.
METHODS = [
    ("set_sheet_state", "($self, state)"),
    ("add_merge_cells", "($self, start_row, end_row, start_col, end_col)"),
    ("add_comment", "($self, row, col, text, author)"),
    ("cell", "($self, row, col, value=None)"),
    ("get_value_cell", "($self, row, col)"),
    ("delete_cols", "($self, idx, amount)"),
    ("delete_rows", "($self, idx, amount)"),
    ("set_height_row", "($self, row_num, val)"),
    ("set_hidden_row", "($self, row_num, val)"),
    ("set_width_column", "($self, col_num, val)"),
    ("set_hidden_column", "($self, col_num, val)"),
    ("get_cells_by_range", "($self, start_row=None, end_row=None, start_col=None, end_col=None)"),
    ("get_height_by_row", "($self, row_num)"),
    ("get_hidden_by_row", "($self, row_num)"),
    ("get_width_by_column", "($self, col_num)"),
    ("get_hidden_by_column", "($self, col_num)"),
    ("find_cell_by_regex", "($self, regex)"),
    ("find_cell_by_str", "($self, value)"),
    ("find_cell_by_letter", "($self, letter)"),
    ("find_cells_by_regex", "($self, regex)"),
    ("find_cells_by_str", "($self, value)"),
    ("find_cells_for_rows_by_regex", "($self, regex, col_stop)"),
    ("find_cells_for_cols_by_regex", "($self, regex, row_stop)"),
    ("find_cells_multi_regex", "($self, before_regex, after_regex)"),
    ("find_cells_between_regex", "($self, before_regex, after_regex)"),
    ("find_cells_range_rows", "($self, start_row, end_row)"),
    ("find_cells_range_cols", "($self, start_col, end_col)"),
    ("find_value_by_coords", "($self, row, col)"),
]


def test_methods_in_declared_order_with_their_signatures():
    methods = [(name, f.__text_signature__, f.__doc__) for name, f in vars(sheafwork.Sheet).items()
               if callable(f) and not name.startswith("__")]
    assert methods == [(name, signature, None) for name, signature in METHODS]


def column_of(sheet, col, rows):
    return [sheet.get_value_cell(r, col) for r in rows]


def test_delete_rows_removes_the_band_and_moves_the_rest_up(sheet):
    for row in range(1, 7):
        sheet.cell(row, 1, f"r{row}")
    assert sheet.delete_rows(3, 2) is None
    assert column_of(sheet, 1, range(1, 7)) == ["r1", "r2", "r5", "r6", "", ""]
    assert (sheet.max_row, [(c.row, c.value) for c in sheet.cells]) == (
        4, [(1, "r1"), (2, "r2"), (3, "r5"), (4, "r6")])


def test_delete_cols_stores_moved_cells_under_their_new_key(sheet):
    for col in (1, 2, 3):
        sheet.cell(1, col, f"c{col}")
    sheet.delete_cols(idx=2, amount=1)
    found = sheet.cell(1, 2)
    assert (found.value, found.column, sheet.get_value_cell(1, 2)) == ("c3", 2, "c3")
    found.value = "edited"
    assert ([c.value for c in sheet.cells], repr(sheet)) == (["c1", "edited"], "Sheet (S) cells: 2")


def test_deletions_leave_merged_ranges_comments_and_dimensions(book, sheet):
    sheet.add_merge_cells(1, 10, 1, 5)
    sheet.add_comment(8, 1, "note", "ann")
    sheet.set_height_row(9, 31.5)
    sheet.set_width_column(4, 7.0)
    sheet.cell(9, 4, "x")
    sheet.delete_rows(2, 3)
    sheet.delete_cols(1, 2)
    assert (sheet.merge_cells, [c.coordinate for c in sheet.comments]) == ([(1, 10, 1, 5)], [(8, 1)])
    assert (sheet.get_height_by_row(9), sheet.get_height_by_row(6), sheet.get_width_by_column(4)) == (31.5, 20.0, 7.0)
    assert sheet.get_value_cell(6, 2) == "x"


def test_held_cells_follow_or_leave_the_sheet(sheet):
    moved, removed = sheet.cell(5, 1, "moved"), sheet.cell(2, 1, "removed")
    sheet.delete_rows(2, 1)
    assert ((moved.row, moved.column), (removed.row, removed.column)) == ((4, 1), (2, 1))
    removed.value = "orphan"
    moved.value = "still here"
    assert (sheet.get_value_cell(2, 1), sheet.get_value_cell(4, 1)) == ("", "still here")
    assert sheet.cell(2, 1).value == ""


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


def test_get_cells_by_range_bounds(sheet):
    for row, col in [(1, 1), (2, 1), (2, 2), (0, 3), (1048577, 1), (1, 16385), (1048576, 16384)]:
        sheet.cell(row, col, "x")
    everything = [(1, 1), (2, 1), (2, 2), (1048576, 16384)]
    assert [(c.row, c.column) for c in sheet.get_cells_by_range()] == everything
    assert [(c.row, c.column) for c in sheet.get_cells_by_range(start_row=2)] == everything[1:]
    assert [(c.row, c.column) for c in sheet.get_cells_by_range(2, 2, 1, 1)] == [(2, 1)]
    assert [(c.row, c.column) for c in sheet.get_cells_by_range(0, None, None, 16385)] == [
        (0, 3), (1, 1), (1, 16385), (2, 1), (2, 2), (1048576, 16384)]
    assert sheet.get_cells_by_range(5, 3) == []


def not_an_integer(label, typename):
    return f"argument '{label}': '{typename}' object cannot be interpreted as an integer"


@pytest.mark.parametrize(
    "name, args, exc, text",
    [
        ("delete_rows", (1,), TypeError, "Sheet.delete_rows() missing 1 required positional argument: 'amount'"),
        ("delete_rows", (-1, 1), OverflowError, OUT_OF_RANGE),
        ("delete_cols", ("1", 65536), TypeError, not_an_integer("idx", "str")),
        ("delete_cols", (1, 65536), OverflowError, OUT_OF_RANGE),
        ("set_height_row", (1, "2"), TypeError, "argument 'val': must be real number, not str"),
        ("set_hidden_row", (1, 1), TypeError, "argument 'val': 'int' object cannot be converted to 'PyBool'"),
        ("set_width_column", (65536, 1.0), OverflowError, OUT_OF_RANGE),
        ("set_hidden_column", (1, None), TypeError,
         "argument 'val': 'NoneType' object cannot be converted to 'PyBool'"),
        ("get_height_by_row", (None,), TypeError, not_an_integer("row_num", "NoneType")),
        ("get_hidden_by_column", (1, 2), TypeError,
         "Sheet.get_hidden_by_column() takes 1 positional arguments but 2 were given"),
        ("get_cells_by_range", ("1", -1), TypeError, not_an_integer("start_row", "str")),
        ("get_cells_by_range", (1, -1, "x"), OverflowError, OUT_OF_RANGE),
        ("get_cells_by_range", (None, None, None, 1.5), TypeError, not_an_integer("end_col", "float")),
    ],
)
def test_bad_arguments_change_nothing(book, sheet, name, args, exc, text):
    for row in range(1, 4):
        sheet.cell(row, row, str(row))
    sheet.set_height_row(1, 9.0)
    before = book.to_json()
    with pytest.raises(exc) as info:
        getattr(sheet, name)(*args)
    assert str(info.value) == text
    assert book.to_json() == before


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
        assert (sheet.get_value_cell(*key), sheet.find_value_by_coords(*key)) == (record, record)
    for record, cell in held.items():
        assert (cell.row, cell.column) == coords[record]


@pytest.mark.parametrize("seed", range(8))
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


def test_a_copy_keeps_moved_shared_cells_under_their_old_keys(book, sheet):
    for row in range(1, 7):
        sheet.cell(row, 1, f"r{row}")
    copy = book.copy_sheet(sheet)
    sheet.delete_rows(3, 2)
    # The copy lists every record once, by the coordinate it carries (equal coordinates in
    # map order); its lookups go by its own keys, under which the moved records still stand.
    assert sorted((c.row, c.value) for c in copy.cells) == [
        (1, "r1"), (2, "r2"), (3, "r3"), (3, "r5"), (4, "r4"), (4, "r6")]
    assert (copy.get_value_cell(5, 1), copy.cell(5, 1).row, copy.get_value_cell(3, 1)) == ("r5", 3, "r3")
    # Its own deletions go by those keys too, and lose nothing.
    copy.delete_rows(3, 1)
    assert [(c.row, c.value) for c in copy.cells] == [(1, "r1"), (2, "r2"), (3, "r4"), (4, "r5"), (5, "r6")]
    assert [(c.row, c.value) for c in sheet.cells] == [(1, "r1"), (2, "r2"), (4, "r5"), (5, "r6")]
