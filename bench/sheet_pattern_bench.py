"""Finder.find_sheet_by_regex over one long name, with plain patterns whose backtracking
reaches its limit there, so that PCRE2's automaton matcher decides the name, against
Python's re on a pattern with the same matches that re decides without backtracking
(re backtracks too: on the pattern as written it would not finish).

Each row times one search of a name of 200,000 and 1,000,000 characters: the backtracking
that reaches the limit, then the automaton. The last column is the ratio re / sheafwork
(above 1: sheafwork is faster).
"""
import os
import re

from sheafwork import readable
from timing import best_of_each

LENGTHS = (200_000, 1_000_000)

# (pattern, pattern with the same matches for re, name of a given length, found)
CASES = [
    ("(x+x+)+y", "xxy", lambda n: "x" * (n - 2) + "zy", False),
    ("^(a|b)*$", "^[ab]*$", lambda n: "ab" * (n // 2), True),
    (r"(\w+\s?)+$", r"\w$", lambda n: "word " * (n // 5 - 1) + "word!x", True),
    ("(é|[^!]+)+#", "[^!]#", lambda n: "é" * (n - 2) + "!#", False),
]


def main():
    print(f"cores: {os.cpu_count()}")
    print(f"{'pattern':<14} {'length':>10} {'found':>6} {'sheafwork':>11} {'re':>11} {'ratio':>7}")
    for pattern, peer, make, found in CASES:
        compiled = re.compile(peer)
        for length in LENGTHS:
            name = make(length)
            finder = readable.Finder([{"name": name, "sheet_state": "visible",
                                       "merge_cells": [], "cells": []}])
            ours = finder.find_sheet_by_regex(pattern) is not None
            theirs = compiled.search(name) is not None
            assert ours == theirs == found, (pattern, length, ours, theirs)
            mine, other = best_of_each(5, lambda: finder.find_sheet_by_regex(pattern),
                                       lambda: compiled.search(name))
            print(f"{pattern:<14} {length:>10,} {str(found):>6} {mine * 1e3:>9.1f}ms "
                  f"{other * 1e3:>9.1f}ms {other / mine:>6.2f}x")


if __name__ == "__main__":
    main()
