"""Runs public calls with allocations failing, in a process of its own, and checks that each
ends in MemoryError (or the call's own error) or in the result it gives with memory to
spare, and that the call works again afterwards. Run by test_out_of_memory.py:

    python sweep.py {shim|capi} {only|every} FIRST LAST STEP NAME...

`shim` fails the process's k-th malloc-family allocation through failing_malloc.so (which
must be preloaded); `capi` fails Python's own allocators (_testcapi.set_nomemory). `only`
fails that allocation alone, `every` every one from it on. k runs from FIRST to LAST by
STEP, or, with LAST -1, until the call ends with no allocation refused (with `capi`,
which cannot tell, until ten runs in a row end well). Before each run it
prints "NAME k" so that a crash names its place; at the end of each call, the line
"done<TAB>NAME<TAB>runs<TAB>failures".
"""
import ctypes
import os
import sys

import sheafwork
from sheafwork import readable

CELLS = 600  # past the size that the pool shares out


def fill(sheet, n=CELLS):
    for i in range(n):
        sheet.cell(i // 6 + 1, i % 6 + 1, ["item %d" % i, str(i * 7 % 1000), "begin", "end 1",
                                           "2024-03-01 09:30:00", "TRUE"][i % 6])
    return sheet


def new_sheet():
    book = sheafwork.Book()
    sheet = fill(book.add_sheet("Data"))
    sheet.add_comment(1, 1, "a note", "me")
    sheet.add_merge_cells(1, 2, 1, 2)
    sheet.set_height_row(3, 7.5)
    return book, sheet


def records(n=CELLS):
    return [{"row": i // 6 + 1, "column": i % 6 + 1, "value": "item %d" % i, "formula": None,
             "data_type": "s"} for i in range(n)]


def sources():
    return [{"name": "Sheet %d" % s, "sheet_state": "visible", "merge_cells": [[1, 2, 1, 2]],
             "cells": records(200)} for s in range(3)]


def shown(value):
    """A comparable form of a call's result."""
    if isinstance(value, (list, tuple)):
        return [shown(v) for v in value]
    if isinstance(value, (sheafwork.Cell, readable.ReadableCell)):
        return (value.row, value.column, value.value, value.data_type)
    if isinstance(value, (sheafwork.Sheet, readable.ReadableSheet)):
        return (value.name, len(value.cells))
    if isinstance(value, (sheafwork.Book, readable.Finder)):
        return [shown(s) for s in value.sheets]
    return value


# Each call: make(), returning the state the call works on (made with memory to spare);
# run(state), the call itself; after(state, result), what the state and result show.
def book_after(state, result):
    return (state[0].to_json(), shown(result))


CALLS = {
    "Sheet.cell new": (new_sheet, lambda s: s[1].cell(500, 3, "a new text value"), book_after),
    "Sheet.cell overwrite": (new_sheet, lambda s: s[1].cell(5, 2, "2.5"), book_after),
    # Enough new cells for the cell map to grow while they are written.
    "Sheet.cell rows of new cells": (
        new_sheet, lambda s: [s[1].cell(200 + i // 8, i % 8 + 1, "t%d" % i) for i in range(400)],
        book_after),
    "Sheet.cells": (new_sheet, lambda s: s[1].cells, book_after),
    "Sheet.delete_rows": (new_sheet, lambda s: s[1].delete_rows(3, 4), book_after),
    "Sheet.delete_cols": (new_sheet, lambda s: s[1].delete_cols(2, 1), book_after),
    "Sheet.add_comment": (new_sheet, lambda s: s[1].add_comment(9, 9, "text", "author"), book_after),
    "Sheet.add_merge_cells": (new_sheet, lambda s: s[1].add_merge_cells(4, 5, 1, 3), book_after),
    "Sheet.set_width_column": (new_sheet, lambda s: s[1].set_width_column(9, 3.5), book_after),
    "Sheet.get_cells_by_range": (new_sheet, lambda s: s[1].get_cells_by_range(2, 50, 2, 5), book_after),
    "Sheet.find_cells_by_regex": (new_sheet, lambda s: s[1].find_cells_by_regex("item 1"), book_after),
    "Sheet.find_cells_between_regex": (
        new_sheet, lambda s: s[1].find_cells_between_regex("item 6", "item 60"), book_after),
    "Sheet.find_cell_by_str": (new_sheet, lambda s: s[1].find_cell_by_str("end 1"), book_after),
    "Book.add_sheet": (new_sheet, lambda s: s[0].add_sheet("Another"), book_after),
    "Book.copy_sheet": (new_sheet, lambda s: s[0].copy_sheet(s[1]), book_after),
    "Book.to_json": (new_sheet, lambda s: s[0].to_json(), book_after),
    "Book.to_dict": (new_sheet, lambda s: s[0].to_dict(), book_after),
    "readable.Finder": (sources, readable.Finder, lambda s, r: shown(r)),
    "readable.create_finder": (sources, readable.create_finder, lambda s, r: shown(r)),
    "Finder.find_sheet_by_regex": (
        lambda: readable.Finder(sources()), lambda f: f.find_sheet_by_regex("^Sheet [12]$"),
        lambda s, r: shown(r)),
    "readable.find_cells_by_regex": (
        records, lambda r: readable.find_cells_by_regex("item 1", r), lambda s, r: shown(r)),
    "readable.find_values_by_col_rows": (
        records, lambda r: readable.find_values_by_col_rows(2, [1, 5, 9], r), lambda s, r: shown(r)),
    "ReadableSheet.find_cells_multi_regex": (
        lambda: readable.Finder(sources()).sheets[1],
        lambda v: v.find_cells_multi_regex("item 1", "item 2"), lambda s, r: shown(r)),
}


def allowed(name, error):
    if isinstance(error, MemoryError):
        return True
    # The export's own error when its text cannot be written.
    return (name.startswith("Book.to_") and isinstance(error, RuntimeError)
            and str(error).startswith("Failed to convert in JSON: "))


class Shim:
    def __init__(self, every):
        self.lib = ctypes.CDLL(os.environ["FAILING_MALLOC"])
        self.lib.failing_malloc_arm.argtypes = [ctypes.c_long, ctypes.c_int]
        self.lib.failing_malloc_disarm.restype = ctypes.c_long
        self.arm_call = self.lib.failing_malloc_arm
        self.disarm = self.lib.failing_malloc_disarm
        self.every = int(every)

    def arm(self, k):
        self.arm_call(k, self.every)


class CApi:
    def __init__(self, every):
        import _testcapi
        self.set_nomemory = _testcapi.set_nomemory
        self.remove = _testcapi.remove_mem_hooks
        self.every = every
        self.k = 0

    def arm(self, k):
        self.k = k
        self.set_nomemory(k, 0 if self.every else k + 1)

    def disarm(self):
        # Python's hooks keep no count to read back: the sweep ends after a run of
        # successes instead.
        self.remove()
        return None


def warm_up():
    """Starts the worker pool, whose start under a shortage can end the process (the
    README says so)."""
    readable.find_cells_by_regex("item", records(5000))


def sweep(name, failing, first, last, step):
    make, run, after = CALLS[name]
    state = make()
    expected = after(state, run(state))
    runs = failures = passed = 0
    k = first
    while last < 0 or k <= last:
        state = make()
        print(name, k, flush=True)
        result, error = None, None
        failing.arm(k)
        try:
            result = run(state)
        except BaseException as e:  # noqa: B902 - anything but the allowed errors fails below
            error = e
        refused = failing.disarm()
        runs += 1
        if error is None:
            assert after(state, result) == expected, (name, k)
        else:
            failures += 1
            assert allowed(name, error), (name, k, repr(error))
            # The call works again on the state the failure left.
            assert after(state, run(state)) == expected, (name, k, "again")
        passed = passed + 1 if error is None else 0
        if refused == 0 or (refused is None and passed == 10):
            break
        k += step
    print("done", name, runs, failures, sep="\t", flush=True)


def main():
    variant, mode, first, last, step, *names = sys.argv[1:]
    failing = (Shim if variant == "shim" else CApi)(mode == "every")
    warm_up()
    for name in names:
        sweep(name, failing, int(first), int(last), int(step))


if __name__ == "__main__":
    main()
