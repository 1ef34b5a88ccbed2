import subprocess
import sys

import pytest
from hypothesis import settings

import sheafwork
from sheafwork.readable import find_cells_range_rows

# A slow or busy CI machine must not turn a correct example into a failure.
settings.register_profile("project", deadline=None)
settings.load_profile("project")

OUT_OF_RANGE = "out of range integral type conversion attempted"
UNWRAP = "called `Result::unwrap()` on an `Err` value: "


def run_child(code, timeout=120):
    """Runs `code` in a child interpreter, where a crash ends only the child; its output."""
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                            timeout=timeout)
    assert result.returncode == 0, result.stderr[-2000:]
    return result.stdout.strip()


def not_a(label, typename, target="PyString"):
    return f"argument '{label}': '{typename}' object cannot be converted to '{target}'"


def not_an_integer(label, typename):
    return f"argument '{label}': '{typename}' object cannot be interpreted as an integer"


def refused(book, call, exc, text):
    """`call()` raises `exc` with exactly `text` (any text for None) and leaves `book` as it was."""
    before = book.to_json()
    with pytest.raises(exc) as info:
        call()
    assert text is None or str(info.value) == text
    assert book.to_json() == before


def record(row=1, column=1, value=None, formula=None, data_type="s"):
    return {"row": row, "column": column, "value": value, "formula": formula, "data_type": data_type}


def readable_cells(*sources):
    """The ReadableCell records read from `sources`, in their order."""
    return find_cells_range_rows(0, 4294967295, list(sources))


@pytest.fixture
def book():
    return sheafwork.Book()


@pytest.fixture
def sheet(book):
    return book.add_sheet("S")
