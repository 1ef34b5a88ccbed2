"""The module search functions of sheafwork.readable, compared with plain Python."""

import os
import random
import textwrap

import pytest

import sheafwork
from sheafwork import readable
from conftest import readable_cells, record, run_child
from search_reference import as_tuple, searches, value_at, value_searches

ALPHABET = ["a", "b", "(", ".", "*", " ", "\t", "ab", "x y", "", "12", "a.b"]


def random_dicts(rng, n):
    cells = []
    for _ in range(n):
        value = "".join(rng.choice(ALPHABET) for _ in range(rng.randint(0, 3)))
        cells.append({"row": rng.randint(1, 8), "column": rng.randint(1, 5),
                      "value": None if rng.random() < 0.1 else value,
                      "formula": None, "data_type": "s"})
    return cells


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
    cells = readable_cells(*dicts) if seed % 2 else dicts
    ref = [(d["row"], d["column"], d["value"] or "") for d in dicts]
    for name, model in searches(trimmed_single=True).items():
        for _ in range(3):
            args = random_arguments(rng, name)
            assert as_tuple(getattr(readable, name)(*args, cells)) == model(*args)(ref), (name, args)
    for name, model in value_searches().items():
        wanted, fixed = [rng.randint(0, 9) for _ in range(rng.randint(0, 4))], rng.randint(1, 8)
        assert getattr(readable, name)(fixed, wanted, cells) == model(fixed, set(wanted))(ref), (name, wanted)
    row, col = rng.randint(1, 8), rng.randint(1, 5)
    found = value_at(ref, row, col)
    assert as_tuple(readable.find_cell_by_coords(row, col, cells)) == (None if found is None else (row, col, found))
    assert readable.find_value_by_coords(row, col, cells) == found


def test_results_share_records_but_are_new_objects():
    cells = readable_cells(record(1, 2, "v", "=A1", "f"))
    again = readable.find_cells_by_regex("v", cells)
    assert again[0] is not cells[0]
    getters = ("row", "column", "letter", "value", "formula", "style", "data_type", "is_formula", "is_value_empty")
    assert [getattr(again[0], g) for g in getters] == [getattr(cells[0], g) for g in getters]


def test_a_bad_letter_stops_and_the_lock_is_back():
    with pytest.raises(sheafwork.PanicException):
        readable.find_cell_by_letter("7", [])
    assert readable.find_cell_by_letter("A1", []) is None


# Daemon threads still inside a search that stops when the interpreter shuts down: taking
# the lock back ends such a thread, and the process must still exit cleanly.
def test_daemon_threads_stopping_in_a_search_let_the_process_exit():
    code = textwrap.dedent("""
        import threading, time
        from sheafwork import readable as R
        rows = [{"row": i, "column": 1, "value": "v", "formula": None, "data_type": "s"}
                for i in range(1, 100001)]
        cells = R.find_cells_by_regex("", rows)
        sheet = R.Finder([{"name": "S", "sheet_state": "", "merge_cells": [], "cells": rows}]).sheets[0]
        def loop(search):
            while True:
                try: search()
                except BaseException: pass
        for search in [lambda: R.find_cell_by_letter("1A", cells), lambda: sheet.find_cell_by_letter("1A")] * 2:
            threading.Thread(target=loop, args=(search,), daemon=True).start()
        time.sleep(0.2)
        """)
    run_child(code)


# Under AddressSanitizer the cap leaves the sanitizer's own runtime without the address
# space it maps for itself (its allocator's reports, a new thread's stacks): it ends the
# process before any code of ours sees the shortage.
capped_in_sanitizer = pytest.mark.skipif(
    "libasan" in os.environ.get("LD_PRELOAD", ""),
    reason="the sanitizer's runtime cannot map its own memory under the cap")


# A shortage of memory while a search reads a large list of dicts (the pool started, the
# address space capped a little above its size) is the caller's MemoryError, whatever it
# interrupts: records built so far are let go while the list's scope unwinds. With the
# cap raised, the same search finds every cell again.
@capped_in_sanitizer
def test_a_memory_shortage_while_reading_records_passes():
    code = textwrap.dedent("""
        import resource
        from sheafwork import readable
        rows = [{"row": i, "column": 1, "value": "v", "formula": None, "data_type": "s"}
                for i in range(1, 200001)]
        found = readable.find_cells_by_regex("v", rows)
        def size():
            return next(int(l.split()[1]) * 1024 for l in open("/proc/self/status")
                        if l.startswith("VmSize"))
        unlimited = (resource.RLIM_INFINITY, resource.RLIM_INFINITY)
        seen = set()
        for margin in (8192, 0, 1024, 4096, 16384):
            resource.setrlimit(resource.RLIMIT_AS, (size() + margin * 1024, resource.RLIM_INFINITY))
            try:
                found = readable.find_cells_by_regex("v", rows)
                seen.add(len(found))
            except MemoryError:
                seen.add("MemoryError")
            resource.setrlimit(resource.RLIMIT_AS, unlimited)
            assert len(readable.find_cells_by_regex("v", rows)) == 200000
        print(seen)
        """)
    out = run_child(code)
    assert "MemoryError" in out


# A Python thread started once the address space is capped, whose search first throws
# there, raises MemoryError like any other thread: its first call into the module, small
# or large, made what a throw needs while memory was there. A thread whose first call
# finds no memory at all gets MemoryError for it and, with memory back, works.
@capped_in_sanitizer
@pytest.mark.parametrize("first", ["small search", "large search", "no memory"])
def test_a_thread_started_while_memory_is_capped_raises_memory_error(first):
    code = textwrap.dedent(f"""
        import resource, threading
        from sheafwork import readable
        rows = [{{"row": i, "column": 1, "value": "v", "formula": None, "data_type": "s"}}
                for i in range(1, 200001)]
        found = readable.find_cells_by_regex("v", rows)
        def size():
            return next(int(l.split()[1]) * 1024 for l in open("/proc/self/status")
                        if l.startswith("VmSize"))
        threading.stack_size(1 << 20)
        resource.setrlimit(resource.RLIMIT_AS, (size() + (8 << 20), resource.RLIM_INFINITY))
        seen = []
        def search(cells):
            try:
                seen.append(len(readable.find_cells_by_regex("v", cells)))
            except MemoryError:
                seen.append("MemoryError")
        def body():
            if {first!r} == "no memory":
                hog = []
                try:
                    while True:
                        hog.append(bytearray(4096))
                except MemoryError:
                    search(rows[:3])
                hog.clear()
            elif {first!r} == "small search":
                search(rows[:3])
            search(rows)
        thread = threading.Thread(target=body)
        thread.start()
        thread.join()
        resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        thread = threading.Thread(target=search, args=(rows,))
        thread.start()
        thread.join()
        print(seen)
        """)
    out = run_child(code)
    expected = {"small search": "[3, 'MemoryError', 200000]",
                "large search": "['MemoryError', 200000]",
                "no memory": "['MemoryError', 'MemoryError', 200000]"}[first]
    assert out == expected


def test_rows_and_cols_take_any_sequence_but_str():
    cells = [record(r, 2, str(r)) for r in (3, 1, 2)]
    assert readable.find_values_by_col_rows(2, range(2, 4), cells) == ["3", "2"]
    assert readable.find_values_by_col_rows(2, (1,), cells) == ["1"]
    assert readable.find_values_by_row_cols(1, [2, 2], cells) == ["1"]
