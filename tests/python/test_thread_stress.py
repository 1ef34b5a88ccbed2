"""Python threads for a bounded time: readable searches (the interpreter lock released)
over shared ReadableCell lists, Finders and views, mixed with edits, copies, deletions
and exports of Books. No crash, no deadlock (joined with a timeout), and every result
equal to the one the same call gave before the threads started.

SHEAFWORK_STRESS_SECONDS sets the running time (3 s by default) and
SHEAFWORK_STRESS_SIZES the sizes of the searched lists; the counts of calls made are
printed, for runs under a sanitizer or by hand with -s."""

import json
import os
import random
import sys
import threading

import sheafwork
from sheafwork import readable

SECONDS = float(os.environ.get("SHEAFWORK_STRESS_SECONDS", "3"))
# Lists above the pool's threshold (512 items) are searched by its workers, smaller ones
# on the calling thread alone.
SIZES = [int(n) for n in os.environ.get("SHEAFWORK_STRESS_SIZES", "4000,300").split(",")]
WORDS = ["a", "b", "(", ".", "*", " ", "ab", "x y", "", "12", "a.b", "1.5", "true"]


def cell_sources(rng, n, rows, cols):
    return [{"row": rng.randint(1, rows), "column": rng.randint(1, cols),
             "value": "".join(rng.choice(WORDS) for _ in range(rng.randint(0, 3))),
             "formula": None, "data_type": rng.choice(["s", "n"])} for _ in range(n)]


def describe(found):
    if isinstance(found, (list, tuple)):
        return [describe(f) for f in found]
    if isinstance(found, readable.ReadableSheet):
        return (found.name, found.sheet_state, found.merge_cells, describe(found.cells))
    if isinstance(found, readable.ReadableCell):
        return (found.row, found.column, found.value, found.data_type)
    return found


def searches(rng):
    """Calls that only read, over data shared by every thread: inputs large enough to be
    spread over the worker pool, and inputs small enough to be searched on the calling
    thread alone (with the interpreter lock released all the same)."""
    calls = []
    for size in SIZES:
        dicts = cell_sources(rng, size, size // 50, 30)
        cells = readable.find_cells_range_rows(0, 2**32 - 1, dicts)  # a shared ReadableCell list
        few = dicts[:300]  # read into new records at every call
        sheets = [{"name": f"S{i}", "sheet_state": "visible", "merge_cells": [[i, i + 1, 1, 2]],
                   "cells": cell_sources(rng, size // 4, size // 100, 20)} for i in range(4)]
        finder = readable.create_finder(sheets)
        calls += [
            lambda cells=cells: readable.find_cells_by_regex("a", cells),
            lambda cells=cells: readable.find_cells_by_str("12", cells),
            lambda cells=cells: readable.find_cell_by_regex("x y", cells),
            lambda cells=cells: readable.find_cells_for_rows_by_regex(".", 7, cells),
            lambda cells=cells: readable.find_cells_multi_regex("(", "*", cells),
            lambda cells=cells: readable.find_cells_between_regex("ab", "1.5", cells),
            lambda cells=cells: readable.find_cells_range_cols(3, 9, cells),
            lambda cells=cells: readable.find_values_by_col_rows(4, range(0, 400, 3), cells),
            lambda cells=cells: readable.find_value_by_coords(17, 5, cells),
            lambda few=few: readable.find_cell_by_letter("C2", few),
            lambda few=few: readable.find_cells_by_regex("b", few),
            lambda few=few: readable.find_values_by_row_cols(2, [1, 2, 3], few),
            lambda sheets=sheets: readable.create_finder(sheets[:2]).sheets,
            lambda finder=finder: finder.get_sheets_with_names(["S1", "S3"]),
            lambda finder=finder: finder.find_sheet_by_regex("^S[23]$"),
            *[call for v in finder.sheets for call in (
                lambda v=v: v.find_cells_by_regex("a"),
                lambda v=v: v.find_cells_between_regex("(", "ab"),
                lambda v=v: v.get_cells_by_range(2, 60, 2, 8),
                lambda v=v: v.find_values_by_col_rows(2, list(range(50))),
                lambda v=v: v.find_cell_by_coords(5, 5),
                lambda v=v: (v.max_row, v.max_column, v.get_value_cell(3, 3)))],
        ]
    return [(call, describe(call())) for call in calls]


def edit(book, sheet, rng_seed):
    """Edits, deletions and a copy whose outcome depends only on the seed. (Deleting after
    the copy would leave cells of one coordinate in one sheet, in an order of its own.)"""
    rng = random.Random(rng_seed)
    sheet.delete_rows(0, 2**32 - 1)
    for _ in range(300):
        sheet.cell(rng.randint(1, 60), rng.randint(1, 12), rng.choice(WORDS))
    sheet.cell(3, 3).set_value_number(2.5)
    sheet.set_height_row(rng.randint(1, 60), 7.0)
    sheet.delete_rows(rng.randint(1, 30), 5)
    sheet.delete_cols(rng.randint(1, 6), 2)
    copy = book.copy_sheet(sheet)
    copy.cell(1, 1, "shared record")
    copy.set_width_column(2, 9.0)
    return json.loads(book.to_json())["sheets"][-2:]


def test_searches_edits_copies_deletions_and_exports_in_threads():
    rng = random.Random(2024)
    checks = searches(rng)
    shared = sheafwork.Book()  # every editor owns one sheet of it, and exports it all
    own = [shared.add_sheet(f"E{i}") for i in range(3)]

    def expected_edit(seed):
        book = sheafwork.Book()
        return edit(book, book.add_sheet("P"), seed)

    stop, failures = threading.Event(), []
    counts = {"search": 0, "edit": 0, "export": 0}

    def searcher(seed):
        order = random.Random(seed)
        while not stop.is_set():
            call, expected = order.choice(checks)
            got = describe(call())
            if got != expected:
                failures.append(("search", got, expected))
            counts["search"] += 1

    def editor(index):
        seed = 0
        while not stop.is_set():
            seed += 1
            private = sheafwork.Book()
            sheet = private.add_sheet("P")
            got = edit(private, sheet, seed)
            if got != expected_edit(seed):
                failures.append(("edit", seed))
            # The same edits on its own sheet of the shared book, exported whole by others.
            mine = own[index]
            mine.delete_rows(0, 2**32 - 1)
            for cell in sheet.cells:
                mine.cell(cell.row, cell.column, cell.value)
            mine_json = [s for s in shared.to_dict()["sheets"] if s["name"] == mine.name]
            if mine_json[0]["cells"] != got[0]["cells"]:
                failures.append(("shared", seed))
            counts["edit"] += 1

    def exporter():
        while not stop.is_set():
            exported = json.loads(shared.to_json())
            if [s["name"] for s in exported["sheets"]] != ["E0", "E1", "E2"]:
                failures.append(("export", exported))
            counts["export"] += 1

    def guarded(work, *args):
        def run():
            try:
                work(*args)
            except BaseException as error:  # a failure in a thread fails the test
                failures.append(error)
                stop.set()
        return threading.Thread(target=run)

    threads = [guarded(searcher, s) for s in range(4)] + [guarded(editor, i) for i in range(3)]
    threads.append(guarded(exporter))
    switch = sys.getswitchinterval()
    sys.setswitchinterval(1e-5)  # the interpreter lock changes hands far more often
    try:
        for t in threads:
            t.start()
        stop.wait(SECONDS)
        stop.set()
        for t in threads:
            t.join(timeout=120)
    finally:
        sys.setswitchinterval(switch)
    assert not [t for t in threads if t.is_alive()], "a thread is stuck"
    assert failures == []
    print(f"thread stress, {SECONDS} s:", counts)
    assert all(counts.values())
