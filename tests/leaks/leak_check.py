"""Long create/drop loops of every object kind, every search and every error path, with
the resident memory of the process watched: after a warm-up it must stay flat. Exits
non-zero when a loop grows it by more than the bound. Run by `make leaks`, not by pytest
(its name does not start with test_).

Each loop runs `warm-up` rounds, then `rounds` more in four slices; its growth is the
largest resident size seen in the slices less the size after the warm-up. A leak of a
few dozen bytes per round crosses the bound. Finer still, the reference counts of the
classes (every instance holds its class) and of the bad values given must come back to
what they were after the warm-up: one object left behind in a million calls shows.
LEAK_SCALE multiplies the rounds (0.1 for a quick look)."""

import datetime
import gc
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))

import sheafwork  # noqa: E402
from sheafwork import readable  # noqa: E402
import test_bad_input as sweep  # noqa: E402  (the table of every callable and bad value)

BOUND = 2 * 1024 * 1024
WATCHED = sweep.CLASSES + [sweep.Hook, sweep.Text, sweep.LyingLength, sweep.Clearing] + [
    bad for kind in sweep.KINDS.values() for bad, _, _ in kind[1]]
SCALE = float(os.environ.get("LEAK_SCALE", "1"))
PAGE = os.sysconf("SC_PAGE_SIZE")


def resident():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


def cells(n):
    return [{"row": i % 50 + 1, "column": i % 7 + 1, "value": ["a", "1.5", "12", "true", ""][i % 5],
             "formula": None, "data_type": "n"} for i in range(n)]


DICTS = cells(600)  # above the pool's threshold: the workers search it
SMALL = DICTS[:40]
SHARED = readable.find_cells_range_rows(0, 2**32 - 1, DICTS)
SHEETS = [{"name": f"S{i}", "sheet_state": "visible", "merge_cells": [[1, 2, 3, 4]], "cells": DICTS[:200]}
          for i in range(3)]


def workbook():
    book = sheafwork.Book()
    sheet = book.add_sheet("S", "hidden")
    for i in range(40):
        sheet.cell(i % 9 + 1, i % 5 + 1, str(i * 1.5))
    cell = sheet.cell(1, 1)
    cell.set_value_datetime(datetime.datetime(2024, 1, 2, 3, 4, 5, 250000))
    cell.set_value_bool(True)
    cell.set_value_integer(-7)
    cell.set_value_number(2.5)
    cell.formula, cell.style, cell.hidden_value = "=A1", "s1", "h"
    sheet.add_comment(1, 1, "note", "ann")
    comment = sheet.comments[0]
    comment.text, comment.author = "new", "bob"
    sheet.add_merge_cells(1, 2, 1, 2)
    sheet.set_height_row(3, 9.5)
    sheet.set_hidden_column(2, True)
    sheet.name = "T"
    copy = book.copy_sheet(sheet)
    copy.delete_rows(2, 3)
    sheet.delete_cols(1, 1)
    return book, sheet, cell, comment


def objects_round():
    book, sheet, cell, comment = workbook()
    facts = [repr(book), repr(sheet), repr(cell), book.sheets, sheet.cells, sheet.comments,
             sheet.merge_cells, sheet.max_row, sheet.max_column, comment.coordinate,
             sheet.get_cells_by_range(1, 5), sheet.get_height_by_row(3), book.to_json(), book.to_dict()]
    facts += [getattr(cell, g) for g in sweep.getters(cell)]

    class Daily(sheafwork.Service):
        pass

    for service in (sheafwork.Service(facts), Daily(None)):
        service._add_sheet("x").cell(1, 1, "v")
        service._copy_sheet(sheet)
        facts += [repr(service), service._sheets, service._conn_db, service.to_dict(),
                  service._get_sheet_index(1), service._get_sheet_name("x")]
        for call in (lambda: service.summary_0([1], k=2), lambda: service._fmt_0(k=1)):
            try:
                call()
            except NotImplementedError:
                pass


def sheet_searches_round():
    _, sheet, _, _ = workbook()
    finder = readable.create_finder(SHEETS)
    for target in [sheet] + finder.sheets:
        for name, args in [("find_cell_by_regex", ("1",)), ("find_cell_by_str", ("5",)),
                           ("find_cell_by_letter", ("B2",)), ("find_cells_by_regex", ("1",)),
                           ("find_cells_by_str", ("3",)), ("find_cells_for_rows_by_regex", ("1", 3)),
                           ("find_cells_for_cols_by_regex", ("1", 4)),
                           ("find_cells_multi_regex", ("1", "2")), ("find_cells_between_regex", ("1", "2")),
                           ("find_cells_range_rows", (2, 6)), ("find_cells_range_cols", (1, 3)),
                           ("find_value_by_coords", (2, 2)), ("get_value_cell", (2, 2))]:
            getattr(target, name)(*args)
    view = finder.sheets[1]
    view.find_values_by_col_rows(2, range(20))
    view.find_values_by_row_cols(3, [1, 2, 3])
    view.find_cell_by_coords(1, 2)
    finder.get_sheets_with_names(["S1"]), finder.get_sheets_without_names(["S1"])
    finder.find_sheet_by_name("S2"), finder.find_sheet_by_regex("^S[12]$"), finder.get_sheet_index(2)
    readable.Finder([sheet, view])


def module_searches_round():
    for source in (DICTS, SMALL, SHARED):
        for name, args in [("find_cell_by_coords", (3, 3)), ("find_value_by_coords", (3, 3)),
                           ("find_cell_by_regex", ("1",)), ("find_cell_by_str", ("12",)),
                           ("find_cell_by_letter", ("C3",)), ("find_cells_by_regex", ("a",)),
                           ("find_cells_by_str", ("12",)), ("find_cells_for_rows_by_regex", ("1", 3)),
                           ("find_cells_for_cols_by_regex", ("1", 9)),
                           ("find_cells_multi_regex", ("a", "1")), ("find_cells_between_regex", ("a", "1")),
                           ("find_cells_range_rows", (2, 9)), ("find_cells_range_cols", (2, 5)),
                           ("find_values_by_col_rows", (2, [1, 2, 3])),
                           ("find_values_by_row_cols", (2, (1, 2, 3)))]:
            getattr(readable, name)(*args, source)
    sheafwork.column_number_to_letter(16384), sheafwork.get_letter_coordinate(7, 28), sheafwork.version()


def error_round():
    """Every bad value of the sweep's table against every callable, and the stops."""
    for function, kinds, valid in PREPARED:
        for name in valid:
            for bad, _, _ in sweep.KINDS[kinds[name]][1]:
                try:
                    function(*{**valid, name: bad}.values())
                except BaseException:  # PanicException, TypeError, OverflowError, ...
                    pass
    for call in (lambda: readable.find_cell_by_letter("7", []),
                 lambda: readable.Finder([]).find_sheet_by_regex("("),
                 lambda: sheafwork.Book().get_sheet_index(2**31),
                 lambda: delattr(sheafwork.Book().add_sheet("S").cell(1, 1), "value")):
        try:
            call()
        except BaseException:
            pass


PREPARED = [sweep.prepared(*c)[2:] for c in sweep.callables()]

# (name, one round, warm-up rounds, rounds): the warm-up lets the allocators reach the
# high-water mark of the loop (some 15,000 rounds of `objects`).
LOOPS = [("objects", objects_round, 15000, 30000),
         ("sheet and finder searches", sheet_searches_round, 3000, 10000),
         ("module searches", module_searches_round, 1500, 5000), ("error paths", error_round, 300, 1000)]


def references():
    return [sys.getrefcount(thing) for thing in WATCHED]


def main():
    # Stops write a notice to standard error at every call: send them away.
    saved = os.dup(2)
    os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
    failed = False
    try:
        for name, one_round, warm, rounds in LOOPS:
            warm, rounds = max(1, int(warm * SCALE)), max(4, int(rounds * SCALE))
            start = time.monotonic()
            for _ in range(warm):
                one_round()
            gc.collect()
            base, seen, held = resident(), [], references()
            for _ in range(4):
                for _ in range(rounds // 4):
                    one_round()
                gc.collect()
                seen.append(resident())
            growth = max(seen) - base
            kept = [f"{getattr(t, '__name__', repr(t)[:40])} +{after - before}"
                    for t, before, after in zip(WATCHED, held, references()) if after != before]
            failed |= growth > BOUND or bool(kept)
            print(f"{name}: {warm} + {rounds} rounds in {time.monotonic() - start:.0f} s, resident "
                  f"{base / 2**20:.1f} MiB after warm-up, slices "
                  f"{', '.join(f'{s / 2**20:.1f}' for s in seen)} MiB, growth {growth / 1024:.0f} KiB"
                  f"{'  > bound' if growth > BOUND else ''}{'; references kept: ' + ', '.join(kept) if kept else ''}",
                  flush=True)
    finally:
        os.dup2(saved, 2)
    print("leak check:", "FAILED" if failed else "flat", f"(bound {BOUND // 1024} KiB per loop)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
