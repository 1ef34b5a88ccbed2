"""readable.find_cells_by_regex over a caller's list of 1,000,000 cells against the list
comprehension a Python user would write over the same cells as dicts, and four Python
threads searching at once against the same four searches one after another.

The split of one call is measured with calls that do less of the work:
  reading    find_cells_range_rows(1, 0): reading the list into records, plus one pass
             that reads each record's row (a search whose test costs next to nothing)
  searching  the same search for a text no cell holds, less the above
  results    the real search, less the one that finds nothing (making the ReadableCells)
Figures are medians of runs taken in turns, so that a change of load touches all alike.
"""
import os
import threading
import time

from sheafwork import readable
from timing import medians

CELLS = 1_000_000
COLUMNS = 10
NEEDLE = "777"  # in about 3,700 of the texts
ABSENT = "\x01absent\x01"
THREADS = 4
GOAL_PEER = 10.0
GOAL_THREADS = 3.0


def dict_cells():
    return [{"row": i // COLUMNS + 1, "column": i % COLUMNS + 1, "value": f"item {i}",
             "formula": None, "data_type": "s"} for i in range(CELLS)]


def at_once(fn, n):
    """Seconds for n threads that each run fn once, started together."""
    barrier = threading.Barrier(n + 1)

    def body():
        barrier.wait()
        fn()

    threads = [threading.Thread(target=body) for _ in range(n)]
    for t in threads:
        t.start()
    start = time.perf_counter()
    barrier.wait()
    for t in threads:
        t.join()
    return time.perf_counter() - start


def one_after_another(fn, n):
    start = time.perf_counter()
    for _ in range(n):
        fn()
    return time.perf_counter() - start


def split(name, cells):
    t_read, t_none, t_full = medians(
        9, lambda: readable.find_cells_range_rows(1, 0, cells),
        lambda: readable.find_cells_by_regex(ABSENT, cells),
        lambda: readable.find_cells_by_regex(NEEDLE, cells))
    print(f"  {name}: {t_full:.4f} s; reading {t_read:.4f}, searching {t_none - t_read:+.4f},"
          f" results {t_full - t_none:+.4f}")
    return t_full


def main():
    print(f"{CELLS:,} cells, {os.cpu_count()} processors, load average "
          f"{os.getloadavg()[0]:.2f}")
    dicts = dict_cells()
    readables = readable.find_cells_by_regex("", dicts)
    found = readable.find_cells_by_regex(NEEDLE, readables)
    peer_found = [d for d in dicts if NEEDLE in str(d["value"])]
    assert [c.value for c in found] == [d["value"] for d in peer_found]
    print(f"find_cells_by_regex({NEEDLE!r}) finds {len(found):,}")

    t_readable = split("over ReadableCells", readables)
    t_dicts = split("over dicts", dicts)
    (t_peer,) = medians(5, lambda: [d for d in dicts if NEEDLE in str(d["value"])])
    print(f"over ReadableCells: sheafwork {t_readable:.4f} s, dict comprehension "
          f"{t_peer:.4f} s, {t_peer / t_readable:.1f}x (goal >= {GOAL_PEER:.0f}x)")
    print(f"over dicts: sheafwork {t_dicts:.4f} s, dict comprehension {t_peer:.4f} s, "
          f"{t_peer / t_dicts:.1f}x")

    search = lambda: readable.find_cells_by_regex(NEEDLE, readables)
    t_serial, t_parallel = medians(7, lambda: one_after_another(search, THREADS),
                                   lambda: at_once(search, THREADS))
    print(f"{THREADS} searches over ReadableCells: one after another {t_serial:.4f} s, "
          f"{THREADS} threads at once {t_parallel:.4f} s, {t_serial / t_parallel:.2f}x "
          f"(goal >= {GOAL_THREADS:.0f}x on 8 cores)")


if __name__ == "__main__":
    main()
