"""Finder, create_finder and ReadableSheet."""

import ast
import random
import re
import subprocess
import sys
import textwrap

import pytest

import sheafwork
from sheafwork import readable
from conftest import UNWRAP, run_child
from search_reference import as_tuple, searches, value_searches


def source(name, cells=(), merge_cells=(), state="visible"):
    return {"name": name, "sheet_state": state, "merge_cells": list(merge_cells),
            "cells": [{"row": r, "column": c, "value": v, "formula": None, "data_type": "s"}
                      for r, c, v in cells]}


@pytest.fixture(params=["class", "function"])
def make(request):
    return readable.Finder if request.param == "class" else readable.create_finder


def names(sheets):
    return [s.name if s is not None else None for s in sheets]


# Each lookup reaches its engine search (whose rules are tested there); a bad pattern
# stops and leaves the finder usable.
def test_lookups(make):
    assert (repr(make([])), make([]).sheets, make([]).find_sheet_by_regex("")) == ("Finder, sheets: 0", [], None)
    f = make([source("A"), source("beta"), source("A"), source("Alpha")])
    assert (repr(f), names(f.sheets)) == ("Finder, sheets: 4", ["A", "beta", "A", "Alpha"])
    assert names([f.get_sheet_index(i) for i in (3, 4, -1)]) == ["Alpha", None, None]
    assert names(f.get_sheets_with_names(["A", "A"])) == ["A", "A"]
    assert names(f.get_sheets_without_names(["A"])) == ["beta", "Alpha"]
    assert names([f.find_sheet_by_regex("lp(?=ha)"), f.find_sheet_by_name("a")]) == ["Alpha", None]
    # The first of two equal names: the very record the index gives.
    assert f.find_sheet_by_name("A").cells == f.get_sheet_index(0).cells
    with pytest.raises(sheafwork.PanicException) as raised:
        f.find_sheet_by_regex("(")
    assert str(raised.value).startswith(UNWRAP)
    assert f.find_sheet_by_regex("^A").name == "A"


# The pattern language: "$" ends the text unless (?m), Unicode-aware classes, the
# Rust-style code-point escapes, and names of any length up to the backtracking limit.
@pytest.mark.parametrize(
    "pattern, sheets, found",
    [
        ("^A$", ["A\n", "A"], "A"),
        ("A$", ["A\nB", "A\n"], None),
        ("(?m)^A$", ["B", "A\n"], "A\n"),
        ("(?m)\n^$", ["A", "A\n"], "A\n"),
        (r"^\w+$", ["a b", "Grüße"], "Grüße"),
        (r"\bé", ["café", "été"], "été"),
        (r"\u0062", ["a", "b"], "b"),
        (r"\u{62}|\U{63}", ["c"], "c"),
        (r"[\U00000062]", ["a", "b"], "b"),
        (r"\x62\x{63}", ["bc"], "bc"),
        (r"\\u0062", ["b", "\\u0062"], "\\u0062"),
        ("(a|b)+", ["ab" * 512], "ab" * 512),
        ("^(a|b)*$", ["-", "ab" * 100_000], "ab" * 100_000),
        ("(.)*$", ["ab" * 1_000], "ab" * 1_000),
        ("^(ab)*$", ["ab" * 2_000], "ab" * 2_000),
        ("^(?:ab)+$", ["ab" * 5_000], "ab" * 5_000),
    ],
)
def test_patterns_read_as_the_users_language(make, pattern, sheets, found):
    assert names([make([source(n) for n in sheets]).find_sheet_by_regex(pattern)]) == [found]


# Plain patterns whose backtracking reaches its limit on these names are decided without
# it; with a look-ahead the limit still counts as no match.
@pytest.mark.parametrize(
    "pattern, name, found",
    [
        ("(x+x+)+y", "x" * 40 + "z xxy", True),
        ("(x+x+)+y", "x" * 40 + "zy", False),
        ("(?=x)(x+x+)+y", "x" * 40 + "z xxy", False),
        ("^(a|b)*$", "ab" * 600_000, True),
        (r"(\w+\s?)+$", "word " * 30 + "!x", True),
        (r"(\w+\s?)+$", "word " * 30_000 + "!x", True),
    ],
)
def test_plain_patterns_match_beyond_the_backtracking_limit(make, pattern, name, found):
    f = make([source("-"), source(name)])
    assert names([f.find_sheet_by_regex(pattern)]) == [name if found else None]


# Every anchor in every mode, on names with line breaks, read as Python's re reads it
# (but that "$" outside (?m) ends the text only, as re's \Z does): alone, and behind a
# first alternative whose backtracking passes the limit at the first start of a name that
# begins with 32 "a"s, which leaves the pattern to the other way of deciding a name.
FORCING, FORCING_NAME = "(a|aa)*b|", "a" * 32
ANCHOR_MODES = ["", "(?m)", "(?s)", "(?i)", "(?ms)", "(?x)", "(?mx)"]
ANCHOR_BODIES = ["x{END}", "^x", r"\Ax", r"\bx\b", r"x\B", "{END}", "^{END}", "x.{END}", "^.x",
                 "x{END}\n", "(?:x|^){END}", "x{END}|^y", "[$^]"]
ANCHOR_NAMES = ["x", "x\n", "x\ny", "y\nx", "\nx\n", "X\n", "x\r\n", "", "\n", "yx",
                "x\n\n", "x x"]


def test_anchors_read_as_in_every_mode_on_both_ways_of_deciding():
    disagree = []
    for mode in ANCHOR_MODES:
        for body in ANCHOR_BODIES:
            ours = mode + body.replace("{END}", "$")
            theirs = mode + body.replace("{END}", "$" if "m" in mode else r"\Z")
            for name in ANCHOR_NAMES:
                for pattern, text in ((ours, name), (FORCING + ours, FORCING_NAME + name)):
                    found = readable.Finder([source(text)]).find_sheet_by_regex(pattern) is not None
                    if found != (re.search(theirs, text) is not None):
                        disagree.append((pattern, text, found))
    assert disagree == []


# A copy of the pattern too large for PCRE2 (each repeat written out) falls back to one
# that compiles, and the match of "c" is found.
@pytest.mark.parametrize(
    "pattern",
    ["(a|aa)*b|c|y{9000,}", "(a|aa)*b|c|[a-z]{1700,}", r"(a|aa)*b|c|\x{1F600}{6000,}",
     "(a|aa)*b|c|" + "x+" * 8_186, "(a|aa)*b|c|" + "d" * 32_750],
)
def test_plain_patterns_beyond_the_limit_keep_their_matches_when_large(make, pattern):
    f = make([source("-"), source(FORCING_NAME + "c")])
    assert names([f.find_sheet_by_regex(pattern)]) == [FORCING_NAME + "c"]


# Class members, quoted text and comments that look like a refused construct make the
# pattern checked again with a callout before each item; that copy's size refuses nothing.
@pytest.mark.parametrize(
    "pattern, name",
    [
        ("[(?R)](?:(?:ab){1,45}){1,45}|ab", "ab"),
        ("[(?R)]" + "a" * 8_186, "R" + "a" * 8_186),
        (r"\Q(?R)\E|" + "|".join(f"word{i}" for i in range(2_000)), "word1999"),
        ("(?#(*F)" + "|".join(f"word{i}" for i in range(2_000)), "word1999"),
        ("(?x)" + "|".join(f"word{i}" for i in range(2_000)) + " # (?R)", "word1999"),
    ],
)
def test_construct_like_text_does_not_refuse_a_large_pattern(make, pattern, name):
    f = make([source("-"), source(name)])
    assert names([f.find_sheet_by_regex(pattern)]) == [name]


# Past the backtracking limit each name has a counted budget of work: what fits is
# decided, the rest counts as no match, the same each time.
@pytest.mark.parametrize(
    "pattern, name, found",
    [
        ("(a|aa)*b|y{1000,}", FORCING_NAME + "y" * 1_000, True),
        ("(a|aa)*b|y{1000,}", FORCING_NAME + "y" * 999, False),
        ("(x+x+)+y", "x" * 1_000_000 + "z xxy", True),
        (r"(\w+\s?)+$", "word " * 200_000 + "x", True),
        ("(a|aa)*b|y{4000,}", FORCING_NAME + "y" * 4_000, False),
        ("(a{1,50}){1,50}b", "a" * 100_000 + "cb", False),
        ("(a|aa)*b|.{1,1000}z", FORCING_NAME + "x" * 99_999 + "z", False),
    ],
)
def test_each_name_has_a_budget_of_work_past_the_limit(make, pattern, name, found):
    f = make([source("-"), source(name)])
    for _ in range(2):
        assert names([f.find_sheet_by_regex(pattern)]) == [name if found else None]


# A backslash and digits that PCRE2 reads as an octal character match it; of two faults
# the first in the pattern is reported.
def test_octal_escapes_and_the_first_fault(make):
    f = make([source("-"), source("A1")])
    found = [f.find_sheet_by_regex(r"^\101\61$"), f.find_sheet_by_regex(r"(a)\101")]
    assert names(found) == ["A1", None]
    with pytest.raises(sheafwork.PanicException) as raised:
        f.find_sheet_by_regex("[:alpha:](?R)")
    assert str(raised.value) == (UNWRAP + 'CompileError { offset: 0, message: "POSIX named classes '
                                 'are supported only within a class" }')


# The matcher keeps its stack off the thread's: Python runs threads on as little as 32 KiB.
def test_patterns_match_on_a_small_thread_stack():
    code = textwrap.dedent("""
        import threading
        from sheafwork import readable
        found = []
        def search():
            finder = readable.Finder([{"name": n, "sheet_state": "", "merge_cells": [], "cells": []}
                                      for n in ("x", "ab" * 50_000, "ab")])
            found.extend(len(finder.find_sheet_by_regex(p).name) for p in ("^(a|b)*$", "^(?:ab)+$"))
        threading.stack_size(32 * 1024)
        thread = threading.Thread(target=search)
        thread.start()
        thread.join()
        print(found)
        """)
    out = run_child(code)
    assert out == "[100000, 100000]"


# Groups nest as deep as the language allows on every thread stack Python allows: each
# depth finds what re finds (a compile, the guard's second compile for a class that holds
# "(?R)", look-arounds, the automaton past the backtracking limit, for which re is given
# a pattern with the same matches), as do long rows of groups that may match nothing after
# a repeat (which PCRE2 follows a level deeper each), and one level more is a compile
# error. One child per stack: an overrun would end it.
DEEP_NAMES = ["x", "b", "R", "ab", "x" * 40 + "z xxy"]
# (open, inside, close, inside for re, first depth, last depth + 1)
DEEP_SHAPES = [("(", "a", ")", "a", 0, 251), ("(?:y|", "a", ")+", "a", 0, 251),
               ("(?=", "a", ")", "a", 0, 251), ("(?<!", "b", ")", "b", 0, 251),
               ("(", "[(?R)]", ")", "[(?R)]", 0, 251),
               ("(?:", "(x+x+)+y", ")", "(xxy)", 240, 250)]
DEEP_ROWS = ["x+" + "(?:|a)" * n + "y" for n in (100, 1000, 3000)]
# Too deep by one, and a refused construct as deep as allowed (which compiles the pattern
# once more to tell which of two faults comes first).
DEEP_FAULTS = ["(" * 251 + "a" + ")" * 251, "(" * 250 + "[:alpha:](?R)" + ")" * 250,
               "(" * 250 + "a(?R)" + ")" * 250]


def test_deep_patterns_on_every_thread_stack():
    code = textwrap.dedent(f"""
        import sys
        import threading
        import sheafwork
        from sheafwork import readable
        found = []
        def search():
            finder = readable.Finder([{{"name": n, "sheet_state": "", "merge_cells": [], "cells": []}}
                                      for n in {DEEP_NAMES!r}])
            for o, inside, c, _, first, stop in {DEEP_SHAPES!r}:
                found.append([getattr(finder.find_sheet_by_regex(o * d + inside + c * d), "name", None)
                              for d in range(first, stop)])
            found.append([getattr(finder.find_sheet_by_regex(p), "name", None) for p in {DEEP_ROWS!r}])
            for p in {DEEP_FAULTS!r}:
                try:
                    finder.find_sheet_by_regex(p)
                except sheafwork.PanicException as e:
                    found.append(str(e))
        threading.stack_size(int(sys.argv[1]) * 1024)
        thread = threading.Thread(target=search)
        thread.start()
        thread.join()
        print(repr(found))
        """)
    children = {kib: subprocess.Popen([sys.executable, "-c", code, str(kib)], stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, text=True)
                for kib in (32, 64, 128, 256, 1024, 8192)}
    expected = [[next((n for n in DEEP_NAMES if r.search(n)), None)
                 for r in (re.compile(o * d + inside + c * d) for d in range(first, stop))]
                for o, _, c, inside, first, stop in DEEP_SHAPES]
    expected.append([next((n for n in DEEP_NAMES if re.search(p, n)), None) for p in DEEP_ROWS])
    for p in DEEP_FAULTS:
        with pytest.raises(sheafwork.PanicException) as raised:
            readable.Finder([]).find_sheet_by_regex(p)
        expected.append(str(raised.value))
    assert expected[-3] == UNWRAP + 'CompileError { offset: 251, message: "parentheses are too deeply nested" }'
    for kib, child in children.items():
        out, err = child.communicate(timeout=300)
        assert child.returncode == 0, (kib, err[-2000:])
        assert ast.literal_eval(out) == expected, kib


# Constructs that would run code or change the matcher's own rules are refused like any
# pattern that does not compile; inside a class they are plain characters.
@pytest.mark.parametrize(
    "pattern",
    ["(?C1)", "(*LIMIT_MATCH=1)a", "(*CR)a", "(*NO_JIT)a", "(*UTF)a", "a(?R)", "(a)(?1)",
     "(a)(?-1)", "(?+1)(a)", "(?<n>a)(?&n)", "(?P<n>a)(?P>n)", r"(?<n>a)\g<n>", r"\u{110000}"],
)
def test_patterns_outside_the_language_stop(make, pattern):
    f = make([source("a"), source("(?R)")])
    with pytest.raises(sheafwork.PanicException) as raised:
        f.find_sheet_by_regex(pattern)
    assert str(raised.value).startswith(UNWRAP + "CompileError { offset: ")
    assert f.find_sheet_by_regex(r"^[(?R)]{4}$").name == "(?R)"


# A class may open with \E, \Q\E or, in (?xx), spaces before a "]" that is one of its
# members; what follows the class is still read, and refused.
@pytest.mark.parametrize(
    "pattern, offset, message",
    [
        (r"^(a(?1)?b)$", 3, "recursion and subroutine calls are not supported"),
        (r"^(a[\E][]?(?1)?[]]?b)$", 10, "recursion and subroutine calls are not supported"),
        (r"(?xx)^(a[ ]#]?(?1)?b)$", 14, "recursion and subroutine calls are not supported"),
        (r"[\E][](?C1)]", 6, "callouts are not supported"),
        (r"[\E][](*ACCEPT)]", 6, "verbs and options of the form (*...) are not supported"),
        (r"[\E][](*COMMIT)]", 6, "verbs and options of the form (*...) are not supported"),
    ],
)
def test_constructs_after_a_class_opening_stop(make, pattern, offset, message):
    f = make([source("x"), source("aabb")])
    with pytest.raises(sheafwork.PanicException) as raised:
        f.find_sheet_by_regex(pattern)
    assert str(raised.value) == f'{UNWRAP}CompileError {{ offset: {offset}, message: "{message}" }}'
    assert f.find_sheet_by_regex(r"^a+b+$").name == "aabb"


@pytest.mark.parametrize(
    "bad, shown",
    [
        ({"name": "S", "merge_cells": [], "cells": []}, "KeyError('sheet_state')"),
        ({"name": "S", "sheet_state": "", "merge_cells": [], "cells": ()},
         'DowncastError { from: (), to: "PyList" }'),
    ],
)
def test_an_unreadable_source_stops(make, bad, shown):
    with pytest.raises(sheafwork.PanicException) as raised:
        make([source("ok"), bad])
    assert str(raised.value).startswith(UNWRAP) and shown in str(raised.value)


def test_snapshots_share_nothing_with_their_sources():
    sheet = sheafwork.Book().add_sheet("Data")
    sheet.cell(2, 1, "x").style = "st"
    sheet.add_merge_cells(1, 2, 3, 4)
    live = {"name": "D", "sheet_state": "hidden", "merge_cells": [[1, 2, 3, 4]], "cells": []}
    f = readable.Finder([sheet, live])
    sheet.cell(2, 1, "changed")
    live["name"] = "other"
    view, other = f.sheets
    assert (view.name, view.merge_cells, repr(view)) == ("Data", [(0, 0, 0, 0)], "ReadableSheet (Data) cells: 1")
    assert [(c.value, c.style) for c in view.cells] == [("x", None)]
    assert (other.name, other.sheet_state, other.merge_cells) == ("D", "hidden", [(1, 2, 3, 4)])
    # A view rebuilt from a view: its merged ranges come back as tuples' texts, that is 0s.
    assert readable.Finder([view]).sheets[0].merge_cells == [(0, 0, 0, 0)]
    assert f.sheets[0] is not f.sheets[0]


def test_view_lookups_by_key_and_ranges():
    assert readable.Finder([source("E")]).sheets[0].get_cells_by_range() == []
    view = readable.Finder([source("S", [(2, 2, ""), (1, 3, "c"), (5, 1, "e")])]).sheets[0]
    assert [view.get_value_cell(2, 2), view.find_value_by_coords(2, 2), view.find_value_by_coords(2, 3)] == ["", "", None]
    assert (as_tuple(view.find_cell_by_coords(2, 2)), view.find_cell_by_coords(2, 3)) == ((2, 2, ""), None)
    assert (view.max_row, view.max_column, view.get_value_cell(9, 9)) == (5, 3, "")
    assert as_tuple(view.get_cells_by_range()) == [(1, 3, "c"), (2, 2, ""), (5, 1, "e")]
    assert as_tuple(view.get_cells_by_range(start_row=2, end_col=None)) == [(2, 2, ""), (5, 1, "e")]
    assert as_tuple(view.get_cells_by_range(1, 4, 2, 3)) == [(1, 3, "c"), (2, 2, "")]


@pytest.mark.parametrize("seed", range(10))
def test_view_searches_match_the_reference_over_sorted_cells(seed):
    rng = random.Random(seed)
    cells = {(rng.randint(1, 9), rng.randint(1, 5)): rng.choice(["a", "(b", "a.", " x", "", "ab"])
             for _ in range(rng.choice([0, 3, 50, 900]))}
    view = readable.Finder([source("S", [(r, c, v) for (r, c), v in cells.items()])]).sheets[0]
    ordered = sorted((r, c, v) for (r, c), v in cells.items())
    arguments = {"find_cell_by_letter": ("C4",), "find_cells_multi_regex": ("a", "b"),
                 "find_cells_between_regex": ("(", "."), "find_cells_range_rows": (2, 5),
                 "find_cells_range_cols": (2, 3), "find_cells_for_rows_by_regex": ("a", 3),
                 "find_cells_for_cols_by_regex": ("a", 4)}
    for name, model in searches(trimmed_single=False).items():
        args = arguments.get(name, (rng.choice(["a", "(", "x", "", "b"]),))
        assert as_tuple(getattr(view, name)(*args)) == model(*args)(ordered), name
    for name, model in value_searches().items():
        assert getattr(view, name)(2, [1, 3, 5]) == model(2, {1, 3, 5})(ordered)


# A shortage of memory in a search, on the calling thread (one sheet) or on the pool's
# workers (many), is the caller's MemoryError and passes with the shortage: the same
# Finder, on the same thread, finds again once memory is back.
@pytest.mark.parametrize("sheets", [1, 5000])
def test_a_memory_shortage_in_a_search_passes(sheets):
    code = textwrap.dedent(f"""
        import resource
        from sheafwork import readable
        f = readable.Finder([{{"name": "abc", "sheet_state": "visible", "merge_cells": [],
                               "cells": []}}] * {sheets})
        f.find_sheet_by_name("abc")
        def size():
            return next(int(l.split()[1]) * 1024 for l in open("/proc/self/status")
                        if l.startswith("VmSize"))
        unlimited = (resource.RLIM_INFINITY, resource.RLIM_INFINITY)
        seen = set()
        for margin in (0, 64, 256, 1024):
            resource.setrlimit(resource.RLIMIT_AS, (size() + margin * 1024, resource.RLIM_INFINITY))
            for pattern in ("b", "(a|b)+c$"):
                try:
                    seen.add(f.find_sheet_by_regex(pattern).name)
                except MemoryError:
                    seen.add("MemoryError")
            resource.setrlimit(resource.RLIMIT_AS, unlimited)
            assert f.find_sheet_by_regex("b").name == "abc"
            assert f.find_sheet_by_regex("d") is None
        print(sorted(seen))
        """)
    out = run_child(code)
    assert "MemoryError" in out
