"""Workbook classes against their peers: filling cells (openpyxl) and exporting (orjson, json)."""
import json
import time

import sheafwork

try:
    import openpyxl
except ImportError:
    openpyxl = None
try:
    import orjson
except ImportError:
    orjson = None

FILL_CELLS = 100_000
EXPORT_CELLS = 1_000_000
COLUMNS = 10


def best_of(runs, fn):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def report(label, ours, peer_name, theirs, goal=None):
    wanted = f" (goal >= {goal:g}x)" if goal else ""
    print(f"{label}: sheafwork {ours:.4f} s, {peer_name} {theirs:.4f} s, {theirs / ours:.1f}x{wanted}")


def texts(n):
    # A mix of what real sheets hold: integers, decimals, words, booleans, dates.
    kinds = [lambda i: str(i), lambda i: f"{i / 7:.3f}", lambda i: f"item {i}",
             lambda i: "TRUE" if i % 2 else "false", lambda i: "2024-03-01 09:30:00"]
    return [kinds[i % len(kinds)](i) for i in range(n)]


def bench_fill():
    values = texts(FILL_CELLS)
    places = [(i // COLUMNS + 1, i % COLUMNS + 1) for i in range(FILL_CELLS)]

    def ours():
        sheet = sheafwork.Book().add_sheet("S")
        cell = sheet.cell
        for (r, c), v in zip(places, values):
            cell(r, c, v)

    def theirs():
        ws = openpyxl.Workbook().active
        cell = ws.cell
        for (r, c), v in zip(places, values):
            cell(row=r, column=c, value=v)

    t_ours = best_of(5, ours)
    if openpyxl is None:
        print(f"Sheet.cell {FILL_CELLS:,}: sheafwork {t_ours:.4f} s (openpyxl not installed)")
        return
    report(f"Sheet.cell {FILL_CELLS:,}", t_ours, "openpyxl", best_of(3, theirs), goal=20)


def bench_export():
    book = sheafwork.Book()
    sheet = book.add_sheet("S")
    cell = sheet.cell
    for i, v in enumerate(texts(EXPORT_CELLS)):
        cell(i // COLUMNS + 1, i % COLUMNS + 1, v)
    data = book.to_dict()

    t_ours = best_of(5, book.to_json)
    t_json = best_of(3, lambda: json.dumps(data, separators=(",", ":")))
    report(f"to_json {EXPORT_CELLS:,}", t_ours, "json.dumps", t_json)
    if orjson is None:
        print("orjson not installed")
        return
    report(f"to_json {EXPORT_CELLS:,}", t_ours, "orjson.dumps", best_of(5, lambda: orjson.dumps(data)),
           goal=1.5)


if __name__ == "__main__":
    bench_fill()
    bench_export()
