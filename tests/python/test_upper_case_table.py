"""The engine's upper-case table against Python's own str.upper()."""

import pathlib
import re
import runpy

ROOT = pathlib.Path(__file__).resolve().parents[2]
TABLE = ROOT / "engine" / "upper_case_table.inc"
GENERATOR = ROOT / "scripts" / "gen_upper_case_table.py"

ENTRY = re.compile(r'^\{0x([0-9A-F]{4,6}), "((?:[^"\\]|\\[0-7]{3})*)"\},$')


def test_committed_table_is_what_the_generator_writes_now():
    # Runs the generator's code in-process, without its command-line entry.
    assert TABLE.read_text(encoding="utf-8") == runpy.run_path(str(GENERATOR))["table_text"]()


def test_table_matches_str_upper_over_every_code_point():
    mapping = {}
    for line in TABLE.read_text(encoding="utf-8").splitlines():
        if not line.startswith("//"):
            match = ENTRY.match(line)
            assert match, f"unexpected line in the table: {line!r}"
            literal = re.sub(rb"\\([0-7]{3})", lambda m: bytes([int(m.group(1), 8)]),
                             match.group(2).encode("ascii"))
            assert int(match.group(1), 16) not in mapping
            mapping[int(match.group(1), 16)] = literal.decode("utf-8")
    expected = {}
    for code_point in range(0x80, 0x110000):
        upper = chr(code_point).upper()
        if not 0xD800 <= code_point <= 0xDFFF and any(c.isascii() for c in upper):
            expected[code_point] = upper
    assert mapping == expected
