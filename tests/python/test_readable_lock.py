"""The readable searches, module functions and methods of ReadableSheet, let the
interpreter lock go while the engine works, so that other Python threads run meanwhile."""

import sys
import threading

import pytest

from sheafwork import readable
from conftest import readable_cells, record


# Arguments that find nothing, so that every search walks all the cells and the result
# is cheap to build. The key lookups of ReadableSheet (find_cell_by_coords,
# find_value_by_coords) are left out: they let the lock go for too short a time for
# another thread to be sure to take it.
NOTHING = {"find_cell_by_regex": ("none",), "find_cell_by_str": ("none",), "find_cell_by_letter": ("ZZ9",),
           "find_cells_by_regex": ("none",), "find_cells_by_str": ("none",),
           "find_cells_for_rows_by_regex": ("none", 65535), "find_cells_for_cols_by_regex": ("none", 4294967295),
           "find_cells_multi_regex": ("none", "nil"), "find_cells_between_regex": ("none", "nil"),
           "find_cells_range_rows": (0, 0), "find_cells_range_cols": (0, 0),
           "find_values_by_col_rows": (1, [0]), "find_values_by_row_cols": (1, [0])}
MODULE_ONLY = {"find_cell_by_coords": (9, 9), "find_value_by_coords": (9, 9)}
SHEET_ONLY = {"get_cells_by_range": ()}


@pytest.fixture(scope="module")
def long_cells():
    """A ReadableCell list and a view of the same cells, enough of them that a search lasts
    far longer than a waiting thread takes to wake."""
    dicts = [record(i // 40 + 1, i % 40 + 1, f"v{i % 97}") for i in range(200_000)]
    view = readable.Finder([{"name": "L", "sheet_state": "visible", "merge_cells": [], "cells": dicts}]).sheets[0]
    return readable_cells(*dicts), view


def another_thread_ran_during(call):
    """Whether a waiting thread ran Python code while `call` was running. With a switch
    interval of minutes, a thread waiting for the interpreter lock gets it only when the
    holder lets it go: inside `call` if the search does, else not before join(). Tried
    again, up to 50 times, in case the thread is not woken before a search ends."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(300)
    try:
        for _ in range(50):
            phase, seen, go = ["before"], [], threading.Event()
            thread = threading.Thread(target=lambda: (go.wait(), seen.append(phase[0])))
            thread.start()  # returns once the thread waits for `go`, the lock let go
            phase[0] = "during"
            go.set()
            call()
            phase[0] = "after"
            thread.join()
            if seen == ["during"]:
                return True
        return False
    finally:
        sys.setswitchinterval(interval)


@pytest.mark.parametrize("name, args", [*NOTHING.items(), *MODULE_ONLY.items()])
def test_module_searches_let_other_threads_run(long_cells, name, args):
    cells, _ = long_cells
    assert another_thread_ran_during(lambda: getattr(readable, name)(*args, cells))


@pytest.mark.parametrize("name, args", [*NOTHING.items(), *SHEET_ONLY.items()])
def test_sheet_view_searches_let_other_threads_run(long_cells, name, args):
    _, view = long_cells
    assert another_thread_ran_during(lambda: getattr(view, name)(*args))
