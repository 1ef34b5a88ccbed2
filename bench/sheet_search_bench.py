"""Sheet searches over 1,000,000 text cells against the loop an openpyxl user would write.

Every search call sorts the sheet's cells afresh, so the figures include that sort. The
split of one call is measured with calls that do less of the work:
  walk       get_cells_by_range(2, 1): the walk over the cell map that reads every cell's
             coordinate under its lock, which the sort starts with; nothing is kept
  sort       find_cells_range_rows(1, 0), less the walk: sorting the keys and laying out
             the list, plus one pass that reads each cell's row (a search whose test
             costs next to nothing)
  search     the same search for a text no cell holds, less the two above
  results    the real search, less the one that finds nothing (making the Cell objects)
Differences of best times on a busy machine carry a millisecond or two of noise.
"""
import os

import sheafwork
from timing import best_of, best_of_each

try:
    import openpyxl
except ImportError:
    openpyxl = None

ROWS = 100_000
COLUMNS = 10
ABSENT = "\x01absent\x01"
# (method, needle): the regex search finds a few thousand cells, the str search one.
SEARCHES = [("find_cells_by_regex", "777"), ("find_cells_by_str", "item 424242")]


def text(row, col):
    return f"item {row * COLUMNS + col}"


def build_sheet():
    sheet = sheafwork.Book().add_sheet("S")
    cell = sheet.cell
    for row in range(1, ROWS + 1):
        for col in range(1, COLUMNS + 1):
            cell(row, col, text(row, col))
    return sheet


def build_worksheet():
    ws = openpyxl.Workbook().active
    for row in range(1, ROWS + 1):
        ws.append([text(row, col) for col in range(1, COLUMNS + 1)])
    return ws


def main():
    cells = ROWS * COLUMNS
    print(f"{cells:,} text cells, {os.cpu_count()} processors")
    sheet = build_sheet()
    ws = build_worksheet() if openpyxl else None

    for name, needle in SEARCHES:
        search = getattr(sheet, name)
        found = search(needle)
        t_walk, t_sort, t_none, t_full = best_of_each(
            10, lambda: sheet.get_cells_by_range(2, 1), lambda: sheet.find_cells_range_rows(1, 0),
            lambda: search(ABSENT), lambda: search(needle))
        print(f"Sheet.{name}({needle!r}) finds {len(found):,}: {t_full:.4f} s; walk {t_walk:.4f},"
              f" sort {t_sort - t_walk:+.4f}, search {t_none - t_sort:+.4f},"
              f" results {t_full - t_none:+.4f}")
        if ws is None:
            print("  openpyxl not installed: no ratio")
            continue
        theirs_found = [c for row in ws.iter_rows() for c in row if needle in str(c.value)]
        t_theirs = best_of(3, lambda: [c for row in ws.iter_rows() for c in row
                                       if needle in str(c.value)])
        print(f"  against openpyxl ({len(theirs_found):,} found): sheafwork {t_full:.4f} s,"
              f" openpyxl {t_theirs:.4f} s, {t_theirs / t_full:.1f}x")


if __name__ == "__main__":
    main()
