"""The engine's upper-case table against Python's own str.upper()."""

import pathlib
import re
import runpy

ROOT = pathlib.Path(__file__).resolve().parents[2]
TABLE = ROOT / "engine" / "upper_case_table.inc"
GENERATOR = ROOT / "scripts" / "gen_upper_case_table.py"

ENTRY = re.compile(r'^\{0x([0-9A-F]{4,6}), "((?:[^"\\]|\\[0-7]{3})*)"\},$')


def generated_table_text():
    # Runs the generator's code in-process, without its command-line entry.
    return runpy.run_path(str(GENERATOR))["table_text"]()


def committed_mapping():
    """The committed table read back as {code point: upper-case form}."""
    mapping = {}
    for line in TABLE.read_text(encoding="utf-8").splitlines():
        if line.startswith("//"):
            continue
        match = ENTRY.match(line)
        assert match, f"unexpected line in the table: {line!r}"
        literal = re.sub(rb"\\([0-7]{3})", lambda m: bytes([int(m.group(1), 8)]),
                         match.group(2).encode("ascii"))
        code_point = int(match.group(1), 16)
        assert code_point not in mapping
        mapping[code_point] = literal.decode("utf-8")
    return mapping


def test_committed_table_is_what_the_generator_writes_now():
    assert TABLE.read_text(encoding="utf-8") == generated_table_text()


def test_table_matches_str_upper_over_every_code_point():
    expected = {}
    for code_point in range(0x80, 0x110000):
        if 0xD800 <= code_point <= 0xDFFF:
            continue
        upper = chr(code_point).upper()
        if any(c.isascii() for c in upper):
            expected[code_point] = upper
    mapping = committed_mapping()
    assert mapping == expected
    # The characters the engine relies on: sharp s, long s, a ligature.
    assert (mapping[0xDF], mapping[0x17F], mapping[0xFB01]) == ("SS", "S", "FI")

