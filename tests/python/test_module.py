import importlib
import sys
import textwrap

import pytest

import sheafwork
from sheafwork import _sheafwork

from conftest import run_child

NAMES = ("__version__ Service Book Sheet Cell Comment version column_number_to_letter get_letter_coordinate "
         "DEFAULT_ROW_HEIGHT DEFAULT_COLUMN_WIDTH readable").split()
READABLE_NAMES = (
    "Finder ReadableSheet ReadableCell create_finder find_cell_by_coords find_value_by_coords "
    "find_cell_by_regex find_cell_by_str find_cell_by_letter find_cells_by_regex find_cells_by_str "
    "find_cells_for_rows_by_regex find_cells_for_cols_by_regex find_cells_multi_regex "
    "find_cells_between_regex find_cells_range_rows find_cells_range_cols find_values_by_col_rows "
    "find_values_by_row_cols").split()


def test_names_in_start_up_order_and_reexported():
    assert _sheafwork.__all__ == NAMES
    assert [n for n in vars(_sheafwork) if not n.startswith("__") or n == "__version__"] == NAMES + ["PanicException"]
    assert _sheafwork.readable.__all__ == READABLE_NAMES
    assert sheafwork.PanicException is _sheafwork.PanicException
    for name in NAMES:
        assert getattr(sheafwork, name) is getattr(_sheafwork, name)


def test_identity_version_and_constants():
    assert (_sheafwork.__name__, _sheafwork.__doc__) == ("sheafwork._sheafwork", "")
    assert sheafwork.__version__ == _sheafwork.__version__ == _sheafwork.version() == "0.10.0"
    for name, value in [("DEFAULT_ROW_HEIGHT", 20.0), ("DEFAULT_COLUMN_WIDTH", 22.5)]:
        constant = getattr(_sheafwork, name)
        assert (type(constant), constant) == (float, value)


def test_readable_submodule_is_registered():
    readable = _sheafwork.readable
    assert (type(readable), readable.__name__) == (type(sys), "readable")
    assert sys.modules["sheafwork.readable"] is readable is sheafwork.readable
    assert importlib.import_module("sheafwork.readable") is readable


def test_second_import_gives_the_same_module():
    try:
        del sys.modules["sheafwork._sheafwork"]
        again = importlib.import_module("sheafwork._sheafwork")
    finally:
        sys.modules["sheafwork._sheafwork"] = _sheafwork
    assert again is _sheafwork
    assert importlib.reload(_sheafwork) is _sheafwork
    assert _sheafwork.__all__ == NAMES


@pytest.mark.parametrize(
    "name, signature, doc",
    [
        ("version", "()", "Returns the version of the underlying lumenkit library.\n\nReturns\n-------\n"
                          "version : str\n  The version of the underlying lumenkit library.\n"),
        ("column_number_to_letter", "(col)", "Преобразование номера колонки в букву."),
        ("get_letter_coordinate", "(row, col)", "Преобразование номера колонки в координату."),
    ],
)
def test_function_documentation(name, signature, doc):
    function = getattr(_sheafwork, name)
    assert (function.__name__, function.__module__) == (name, "sheafwork._sheafwork")
    assert (function.__text_signature__, function.__doc__) == (signature, doc)


# The column letters are the engine's (tests/engine/model/coordinate_test.cc).
@pytest.mark.parametrize("row, col, text", [(12, 28, "AB12"), (5, 0, "5"), (4294967295, 65535, "CRXO4294967295")])
def test_get_letter_coordinate(row, col, text):
    assert _sheafwork.get_letter_coordinate(row, col) == _sheafwork.get_letter_coordinate(col=col, row=row) == text


def test_sub_interpreters_are_refused():
    pytest.importorskip("_xxsubinterpreters")
    code = textwrap.dedent("""
        import _xxsubinterpreters as interpreters, sheafwork
        try:
            interpreters.run_string(interpreters.create(isolated=False), "import sheafwork._sheafwork")
        except interpreters.RunFailedError as e:
            print(e)
        """)
    out = run_child(code, timeout=60)
    assert "ImportError" in out and "does not support sub-interpreters" in out
