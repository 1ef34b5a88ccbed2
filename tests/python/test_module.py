import importlib
import inspect
import subprocess
import sys
import textwrap

import pytest

import sheafwork
from sheafwork import _sheafwork

MAIN_CLASSES = ["Service", "Book", "Sheet", "Cell", "Comment"]
READABLE_CLASSES = ["Finder", "ReadableSheet", "ReadableCell"]
READABLE_FUNCTIONS = [
    "create_finder",
    "find_cell_by_coords",
    "find_value_by_coords",
    "find_cell_by_regex",
    "find_cell_by_str",
    "find_cell_by_letter",
    "find_cells_by_regex",
    "find_cells_by_str",
    "find_cells_for_rows_by_regex",
    "find_cells_for_cols_by_regex",
    "find_cells_multi_regex",
    "find_cells_between_regex",
    "find_cells_range_rows",
    "find_cells_range_cols",
    "find_values_by_col_rows",
    "find_values_by_row_cols",
]


def present(module, names):
    # The classes come one by one; whichever exist must sit at their place.
    return [n for n in names if hasattr(module, n)]


def test_main_module_names_in_order():
    expected = (
        ["__version__"]
        + present(_sheafwork, MAIN_CLASSES)
        + ["version", "column_number_to_letter", "get_letter_coordinate"]
        + ["DEFAULT_ROW_HEIGHT", "DEFAULT_COLUMN_WIDTH", "readable"]
    )
    assert _sheafwork.__all__ == expected
    public = [n for n in vars(_sheafwork) if not n.startswith("__") or n == "__version__"]
    assert public == expected + ["PanicException"]


def test_readable_names_in_order():
    readable = _sheafwork.readable
    expected = present(readable, READABLE_CLASSES) + present(readable, READABLE_FUNCTIONS)
    assert getattr(readable, "__all__", []) == expected


def test_module_identity_and_constants():
    assert _sheafwork.__name__ == "sheafwork._sheafwork"
    assert _sheafwork.__doc__ == ""
    assert _sheafwork.__version__ == "0.10.0"
    assert sheafwork.__version__ == "0.10.0"
    for name, value in [("DEFAULT_ROW_HEIGHT", 20.0), ("DEFAULT_COLUMN_WIDTH", 22.5)]:
        constant = getattr(_sheafwork, name)
        assert type(constant) is float and constant == value
        assert getattr(sheafwork, name) == value


def test_readable_submodule_is_registered():
    readable = _sheafwork.readable
    assert type(readable) is type(sys)
    assert readable.__name__ == "readable"
    assert sys.modules["sheafwork.readable"] is readable
    assert sheafwork.readable is readable
    assert importlib.import_module("sheafwork.readable") is readable


def test_second_import_gives_the_same_module():
    before = list(_sheafwork.__all__)
    try:
        del sys.modules["sheafwork._sheafwork"]
        again = importlib.import_module("sheafwork._sheafwork")
    finally:
        sys.modules["sheafwork._sheafwork"] = _sheafwork
    assert again is _sheafwork
    assert again.__all__ == before
    assert importlib.reload(_sheafwork) is _sheafwork
    assert _sheafwork.__all__ == before


def test_package_reexports_without_widening_all():
    assert sheafwork.PanicException is _sheafwork.PanicException
    assert "PanicException" not in _sheafwork.__all__
    assert "PanicException" not in getattr(_sheafwork.readable, "__all__", [])
    for name in _sheafwork.__all__:
        assert getattr(sheafwork, name) is getattr(_sheafwork, name)


@pytest.mark.parametrize(
    "name, signature, doc",
    [
        (
            "version",
            "()",
            "Returns the version of the underlying lumenkit library.\n\nReturns\n-------\n"
            "version : str\n  The version of the underlying lumenkit library.\n",
        ),
        ("column_number_to_letter", "(col)", "Преобразование номера колонки в букву."),
        ("get_letter_coordinate", "(row, col)", "Преобразование номера колонки в координату."),
    ],
)
def test_function_documentation(name, signature, doc):
    function = getattr(_sheafwork, name)
    assert type(function).__name__ == "builtin_function_or_method"
    assert function.__name__ == name
    assert function.__self__ is _sheafwork
    assert function.__module__ == "sheafwork._sheafwork"
    assert function.__text_signature__ == signature
    assert function.__doc__ == doc
    assert str(inspect.signature(function)) == signature


def test_version_function():
    assert _sheafwork.version() == "0.10.0"
    assert _sheafwork.version() == _sheafwork.__version__


@pytest.mark.parametrize(
    "col, letters",
    [(1, "A"), (26, "Z"), (27, "AA"), (52, "AZ"), (702, "ZZ"), (703, "AAA"),
     (16384, "XFD"), (65535, "CRXO"), (0, "")],
)
def test_column_number_to_letter(col, letters):
    assert _sheafwork.column_number_to_letter(col) == letters
    assert _sheafwork.column_number_to_letter(col=col) == letters


def test_column_letters_read_back_for_every_column():
    def number(letters):
        n = 0
        for ch in letters:
            n = n * 26 + ord(ch) - ord("A") + 1
        return n

    seen = set()
    for col in range(65536):
        letters = _sheafwork.column_number_to_letter(col)
        assert number(letters) == col
        seen.add(letters)
    assert len(seen) == 65536


@pytest.mark.parametrize(
    "row, col, text",
    [(12, 28, "AB12"), (0, 1, "A0"), (5, 0, "5"), (4294967295, 1, "A4294967295"),
     (1, 16384, "XFD1"), (0, 0, "0"), (7, 65535, "CRXO7")],
)
def test_get_letter_coordinate(row, col, text):
    assert _sheafwork.get_letter_coordinate(row, col) == text
    assert _sheafwork.get_letter_coordinate(col=col, row=row) == text


def test_sub_interpreters_are_refused():
    pytest.importorskip("_xxsubinterpreters")
    code = textwrap.dedent(
        """
        import _xxsubinterpreters as interpreters
        import sheafwork
        interp = interpreters.create(isolated=False)
        try:
            interpreters.run_string(interp, "import sheafwork._sheafwork")
        except interpreters.RunFailedError as e:
            print(e)
        else:
            print("imported")
        """
    )
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                            timeout=60)
    assert result.returncode == 0, result.stderr
    assert "ImportError" in result.stdout
    assert "does not support sub-interpreters" in result.stdout
