# Readable cell and sheet records read from Python objects and dicts, as the `cells`
# argument of a readable search and the `sheets` of a Finder turn them into records.
import collections.abc
import subprocess
import sys
import textwrap

import pytest

import sheafwork
from sheafwork import readable
from sheafwork.readable import ReadableCell, find_cells_range_rows
from conftest import UNWRAP, readable_cells as build, record as fields

FIELDS = ("row", "column", "value", "formula", "data_type")
KINDS = ("empty", "bool", "numeric", "integer", "datetime")


def facts(cell):
    kinds = [k for k in KINDS if getattr(cell, "is_value_" + k)]
    return (cell.row, cell.column, cell.value, cell.formula, cell.data_type, cell.style,
            cell.is_formula, kinds[0] if kinds else "string")


class Plain:
    def __init__(self, **values):
        self.__dict__.update(values)


class Dynamic:
    """Every field through __getattr__, each read recorded."""

    def __init__(self, values):
        self.values, self.reads = values, []

    def __getattr__(self, name):
        self.reads.append(name)
        return self.values[name]


# Every field a property over a dict that is not itself read.
WithProperties = type("WithProperties", (), {
    "__init__": lambda self, values: setattr(self, "_values", values),
    **{name: property(lambda self, name=name: self._values[name]) for name in FIELDS}})


class Missing(dict):
    def __missing__(self, key):
        return {"value": "from __missing__", "formula": None}[key]


class Keyed(dict):
    def __getitem__(self, key):
        return "7" if key == "row" else super().__getitem__(key)


class Mapping(collections.abc.Mapping):
    __getitem__ = __iter__ = __len__ = None


def test_every_kind_of_source_gives_the_same_record_with_its_hooks():
    values = fields(3, 2, "4.5", "=A1", "n")
    expected = (3, 2, "4.5", "=A1", "n", None, False, "numeric")
    dynamic = Dynamic(values)
    sources = [values, Plain(**values), WithProperties(values), dynamic,
               type("Sub", (dict,), {})(values)]
    assert [facts(c) for c in build(*sources)] == [expected] * len(sources)
    assert dynamic.reads == list(FIELDS)
    missing, keyed = build(Missing(row=1, column=2, data_type="s"), Keyed(fields(row=1)))
    assert (missing.value, missing.formula, keyed.row) == ("from __missing__", None, 7)
    assert [c.letter for c in build(fields(7, 27), fields(1, 0))] == ["AA7", "1"]


@pytest.mark.parametrize(
    "source, error",
    [
        ({}, "KeyError('row')"),
        ({name: 1 for name in FIELDS[:3]}, "KeyError('formula')"),
        (Plain(row=1, column=1, value=None, formula=None),
         "AttributeError(\"'Plain' object has no attribute 'data_type'\")"),
        # A mapping that is not a dict is read by attribute, its keys unseen.
        (Mapping(), "AttributeError(\"'Mapping' object has no attribute 'row'\")"),
        (None, "AttributeError(\"'NoneType' object has no attribute 'row'\")"),
    ],
)
def test_first_missing_field_stops_the_call(source, error):
    with pytest.raises(sheafwork.PanicException) as info:
        build(fields(), source)
    kind = error.split("(")[0]
    assert info.value.args == (
        f"{UNWRAP}PyErr {{ type: <class '{kind}'>, value: {error}, traceback: None }}",)


def test_a_raising_property_stops_with_its_error():
    class Broken(WithProperties):
        @property
        def formula(self):
            raise LookupError("no formula")

    with pytest.raises(sheafwork.PanicException, match=r"value: LookupError\('no formula'\), "
                                                       r"traceback: <traceback object"):
        build(Broken(fields()))


@pytest.mark.parametrize(
    "value, data_type, shown, kind",
    [
        ("", "s", "", "string"),
        ("", "n", "", "empty"),
        (None, "s", "", "empty"),
        (12, "s", "12", "string"),
        ("12", "s", "12", "string"),
        ("12", "S", "12", "integer"),
        (3.0, "xyz", "3", "integer"),
        (True, "b", "true", "bool"),
        ("abc", "n", "abc", "string"),
        ("2024-01-02 03:04:05", "", "2024-01-02 03:04:05", "datetime"),
    ],
)
def test_value_follows_the_string_rule_and_data_type_is_kept(value, data_type, shown, kind):
    [cell] = build(fields(value=value, data_type=data_type))
    assert facts(cell)[2:] == (shown, None, data_type, None, False, kind)


@pytest.mark.parametrize(
    "formula, data_type, is_formula",
    [("", "f", True), (None, "f", False), ("=A1", "ff", False), ("=A1", None, False)],
)
def test_formula_is_kept_and_counts_only_with_code_f(formula, data_type, is_formula):
    [cell] = build(fields(formula=formula, data_type=data_type))
    assert (cell.formula, cell.data_type, cell.is_formula) == (
        formula, data_type or "", is_formula)


def test_workbook_cells_are_rebuilt_from_their_getters(sheet):
    empty = sheet.cell(1, 1)
    number = sheet.cell(2, 1)
    number.set_value_number(3.0)
    number.style = "bold"
    number.hidden_value = "h"
    formula = sheet.cell(3, 1, "x")
    formula.formula = "=A1"
    rebuilt = build(empty, number, formula)
    assert [facts(c) for c in rebuilt] == [
        (1, 1, "", None, "s", None, False, "string"),
        (2, 1, "3", None, "n", None, False, "integer"),
        (3, 1, "x", "=A1", "f", None, True, "string")]
    number.value = "changed"
    assert rebuilt[1].value == "3"


def test_readable_cells_lend_their_record_and_others_are_read():
    [lent] = build(fields(4, 1, None, None, "s"))
    assert lent.is_value_empty
    copy = Plain(**{name: getattr(lent, name) for name in FIELDS})
    again, rebuilt = build(lent, copy)
    assert again is not lent and type(again) is ReadableCell
    # Read through its getters, the Empty value would come back as an empty String.
    assert facts(again) == facts(lent) and again.is_value_empty
    assert not rebuilt.is_value_empty and rebuilt.value == ""


def test_list_walk_stops_at_either_length():
    class Shrinking(WithProperties):
        @property
        def row(self):
            del cells[2:]
            cells.append(fields(row=99))
            return 1

    cells = [Shrinking(fields()), fields(row=2), fields(row=3), fields(row=4)]
    assert build() == []
    assert [c.row for c in find_cells_range_rows(0, 4294967295, cells)] == [1, 2, 99]
    cells = [Shrinking(fields()), fields(row=2)]
    assert [c.row for c in find_cells_range_rows(0, 4294967295, cells)] == [1, 2]


def test_list_subclass_is_read_by_index_and_order_is_kept():
    class Cells(list):
        def __iter__(self):
            raise AssertionError("read by index")

    cells = Cells([fields(row=r) for r in (5, 2, 9, 2, 0)])
    assert [c.row for c in find_cells_range_rows(2, 5, cells)] == [5, 2, 2]
    assert find_cells_range_rows(5, 2, cells) == []


def test_a_stop_releases_every_record_and_reference():
    held = [object() for _ in range(4)]
    [lent] = build(fields())
    before = [sys.getrefcount(o) for o in held + [lent]]
    cells = [lent, fields(value=[held[0]], formula=held[1]), Plain(row=held[2], column=held[3])]
    for _ in range(10):
        with pytest.raises(sheafwork.PanicException):
            find_cells_range_rows(0, 4294967295, cells)
    del cells
    assert [sys.getrefcount(o) for o in held + [lent]] == before
    assert facts(build(lent)[0]) == facts(lent)


# Daemon threads still reading Python objects when the interpreter shuts down: each is
# ended where its Python code next lets the lock go, while the reader holds the only
# reference to a list it was handed (a cell's value, a sheet's cells, an iterator over an
# argument), or while dropping that reference runs the __del__ of an item. The process
# must exit cleanly all the same.
EXIT_SOURCES = """
import threading, time
from sheafwork import readable

class Slow:
    def __str__(self):
        time.sleep(0.0005)
        return "s"
    def __index__(self):
        time.sleep(0.0005)
        return 1

class Dying:
    def __del__(self):
        time.sleep(0.0005)

class SlowDict(dict):
    def __getitem__(self, key):
        time.sleep(0.0005)
        return dict.__getitem__(self, key)

class Cell:
    row = 1; column = 1; formula = None; data_type = "s"
    def __init__(self, kind):
        self.kind = kind
    @property
    def value(self):
        return [self.kind(), [self.kind()]]

class Sheet:
    name = "S"; sheet_state = "visible"; merge_cells = []
    @property
    def cells(self):
        return [SlowDict(row=1, column=1, value="v", formula=None, data_type="s") for _ in range(5)]

def loop(call):
    while True:
        call()
"""


@pytest.mark.parametrize(
    "call",
    [
        pytest.param('readable.find_cells_by_regex("s", [Cell(Slow) for _ in range(20)])', id="value-str"),
        pytest.param('readable.find_cells_by_regex("s", [Cell(Dying) for _ in range(20)])', id="value-del"),
        pytest.param("readable.Finder([Sheet()])", id="Finder"),
        pytest.param("readable.create_finder([Sheet()])", id="create_finder"),
        pytest.param("readable.find_values_by_col_rows(1, [Slow(), Slow()], [])", id="argument-index"),
    ],
)
def test_daemon_threads_ended_while_reading_let_the_process_exit(call):
    code = EXIT_SOURCES + textwrap.dedent(f"""
        for _ in range(8):
            threading.Thread(target=loop, args=(lambda: {call},), daemon=True).start()
        time.sleep(0.2)
        """)
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=120)
    # A sanitizer's report may lose the race with the exit, so its text is checked too.
    assert (result.returncode, result.stderr[-2000:]) == (0, "")


def sheet_source(merge_cells=None, cells=()):
    return {"name": "S", "sheet_state": "visible", "merge_cells": merge_cells, "cells": list(cells)}


@pytest.mark.parametrize(
    "merge_cells, ranges",
    [
        # A list element gives its first four bounds; any other element is a start row.
        ([[1, 2, 3, 4], [5], 7, "x", []], [(1, 2, 3, 4), (5, 0, 0, 0), (7, 0, 0, 0), (0, 0, 0, 0), (0, 0, 0, 0)]),
        ([-1, "+12", None, 3.9, True, [8, 9]],
         [(4294967295, 0, 0, 0), (12, 0, 0, 0), (0, 0, 0, 0), (3, 0, 0, 0), (1, 0, 0, 0), (8, 9, 0, 0)]),
        # Columns keep their low 16 bits; items past the fourth are ignored; equal ranges stay.
        ([[1, 2, 70000, 70000.0, 9], [1, 2, 4464, 4464]], [(1, 2, 4464, 4464)] * 2),
        # A tuple is read as its text, which is no number.
        ([(1, 2, 3, 4)], [(0, 0, 0, 0)]),
        ((1, 2, 3, 4), []),
        (None, []),
    ],
)
def test_merge_cells_elements_give_one_range_each(merge_cells, ranges):
    assert readable.Finder([sheet_source(merge_cells)]).sheets[0].merge_cells == ranges


def test_a_repeated_coordinate_keeps_the_last_cell():
    cells = [fields(1, 1, "first"), fields(2, 1, "other"), fields(1, 1, "second"), fields(1, 1, "last", "=B1", "f")]
    for make in (readable.Finder, readable.create_finder):
        view = make([sheet_source(cells=cells)]).sheets[0]
        assert repr(view) == "ReadableSheet (S) cells: 2"
        assert [(c.row, c.column, c.value, c.formula) for c in view.cells] == [
            (1, 1, "last", "=B1"), (2, 1, "other", None)]
        assert (view.get_value_cell(1, 1), view.find_cell_by_coords(1, 1).data_type) == ("last", "f")
