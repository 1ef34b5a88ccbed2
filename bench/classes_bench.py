"""Workbook classes against their peers: filling cells (openpyxl) and exporting (orjson, json);
and the memory a process grows by when it makes a million cells through Sheet.cell."""
import ctypes
import json
import os
import re
import subprocess
import sys
import tempfile

import sheafwork
from timing import best_of

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


# A sheet filled row by row, and a sparse one (a cell in every third row and fourth
# column), whose cells the export orders by sorting their keys instead of placing them.
EXPORT_SHAPES = {"": lambda i: (i // COLUMNS + 1, i % COLUMNS + 1),
                 ", sparse": lambda i: (i // 5 * 3 + 1, i % 5 * 4 + 1)}


def bench_export():
    for shape, place in EXPORT_SHAPES.items():
        book = sheafwork.Book()
        cell = book.add_sheet("S").cell
        for i, v in enumerate(texts(EXPORT_CELLS)):
            cell(*place(i), v)
        data = book.to_dict()
        label = f"to_json {EXPORT_CELLS:,}{shape}"
        t_ours = best_of(5, book.to_json)
        report(label, t_ours, "json.dumps", best_of(3, lambda: json.dumps(data, separators=(",", ":"))))
        if orjson is None:
            print("orjson not installed")
            continue
        report(label, t_ours, "orjson.dumps", best_of(5, lambda: orjson.dumps(data)), goal=1.5)


# Memory of 1,000,000 cells made through Sheet.cell, each kind in a process of its own, so
# that nothing freed by an earlier benchmark is reused. The values are those of
# model_bench.cc, made one at a time: no Python list is counted.
MEMORY_ROWS = MEMORY_COLUMNS = 1000
MEMORY_KINDS = {"numeric": lambda n: f"{n % 1000}.5", "ten-byte text": lambda n: f"text {n:05d}"}
PAGE = os.sysconf("SC_PAGE_SIZE")


class MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks", "fordblks", "keepcost")]


def memory_state(libc):
    """Resident bytes of the process and of malloc's heap, and the bytes malloc has handed out."""
    with open("/proc/self/statm") as statm:
        resident = int(statm.read().split()[1]) * PAGE
    with open("/proc/self/smaps") as smaps:
        heap_resident = int(re.search(r"\[heap\]\n(?:.*\n)*?Rss:\s+(\d+) kB", smaps.read()).group(1)) * 1024
    info = libc.mallinfo2()
    return {"resident": resident, "heap resident": heap_resident, "in use": info.uordblks + info.hblkhd,
            "heap in use": info.uordblks}


def free_blocks(libc, low, high):
    """Count and bytes of the free blocks that malloc keeps with sizes in [low, high]."""
    with tempfile.TemporaryFile("w+") as out:
        stream = libc.fdopen(os.dup(out.fileno()), b"w")
        libc.malloc_info(0, stream)
        libc.fclose(stream)
        out.seek(0)
        text = out.read()
    count = total = 0
    for lo, hi, bytes_, n in re.findall(r'<size from="(\d+)" to="(\d+)" total="(\d+)" count="(\d+)"/>', text):
        if low <= int(lo) and int(hi) <= high:
            count, total = count + int(n), total + int(bytes_)
    return count, total


def measure_memory(kind):
    """The growth of one process that makes the cells of `kind`, as JSON on stdout."""
    libc = ctypes.CDLL(None)
    libc.mallinfo2.restype = MallInfo2
    libc.fdopen.restype = ctypes.c_void_p
    libc.fdopen.argtypes = [ctypes.c_int, ctypes.c_char_p]
    libc.malloc_info.argtypes = [ctypes.c_int, ctypes.c_void_p]
    libc.fclose.argtypes = [ctypes.c_void_p]
    value = MEMORY_KINDS[kind]
    sheet = sheafwork.Book().add_sheet("S")
    cell = sheet.cell
    gaps_before = free_blocks(libc, 12 * 1024, 16 * 1024)
    before = memory_state(libc)
    for row in range(1, MEMORY_ROWS + 1):
        for column in range(1, MEMORY_COLUMNS + 1):
            cell(row, column, value((row * 7 + column) % 100000))
    after = memory_state(libc)  # the sheet is still alive
    gaps_after = free_blocks(libc, 12 * 1024, 16 * 1024)
    grown = {key: after[key] - before[key] for key in before}
    grown["gaps"] = gaps_after[0] - gaps_before[0]
    grown["gap bytes"] = gaps_after[1] - gaps_before[1]
    print(json.dumps(grown))


def bench_memory():
    if not os.path.exists("/proc/self/smaps") or not hasattr(ctypes.CDLL(None), "mallinfo2"):
        print("memory per cell: needs Linux and glibc")
        return
    cells = MEMORY_ROWS * MEMORY_COLUMNS
    for kind in MEMORY_KINDS:
        out = subprocess.run([sys.executable, __file__, "--memory", kind], check=True, capture_output=True, text=True)
        grown = {key: value / cells for key, value in json.loads(out.stdout).items()}
        print(f"Sheet.cell {cells:,} {kind} cells: malloc +{grown['in use']:.1f} bytes a cell "
              f"(as model_bench), resident +{grown['resident']:.1f} bytes a cell")
        # Each 16 KiB chunk of cell records is 16 KiB-aligned; malloc keeps the room it
        # skips in front of one as a free block, and the pages where it writes that
        # block's bookkeeping become resident.
        gaps_resident = grown["heap resident"] - grown["heap in use"]
        print(f"  where the other {grown['resident'] - grown['in use']:.1f} go: {gaps_resident:.1f} are resident "
              f"pages of free heap, nearly all of it the {grown['gaps'] * cells:,.0f} free blocks of 12-16 KiB "
              f"({grown['gap bytes']:.1f} bytes a cell) that malloc leaves in front of the 16 KiB-aligned "
              f"chunks of cell records; {grown['resident'] - grown['in use'] - gaps_resident:.1f} elsewhere")


if __name__ == "__main__":
    if sys.argv[1:2] == ["--memory"]:
        measure_memory(sys.argv[2])
        sys.exit()
    bench_memory()
    bench_fill()
    bench_export()
