# The class ReadableCell: its read-only getters and its repr (its shape is in test_frame, its
# values in test_readable_records).
import pytest

import sheafwork
from sheafwork.readable import ReadableCell
from conftest import readable_cells, record

GETTERS = ["row", "column", "letter", "value", "formula", "style", "data_type", "is_formula",
           "is_value_bool", "is_value_numeric", "is_value_integer", "is_value_datetime", "is_value_empty"]


def readable_cell(row=4, column=1, value="12", formula=None, data_type="n"):
    return readable_cells(record(row, column, value, formula, data_type))[0]


@pytest.mark.parametrize("name", GETTERS + ["hidden_value", "other"])
def test_every_attribute_is_read_only(name):
    cell = readable_cell()
    with pytest.raises(AttributeError):
        setattr(cell, name, "1")
    with pytest.raises(AttributeError):
        delattr(cell, name)
    assert cell.value == "12" and not hasattr(cell, "hidden_value")


def test_getters_check_their_receiver(sheet):
    with pytest.raises(TypeError):
        ReadableCell.__dict__["row"].__get__(sheet.cell(1, 1))
    with pytest.raises(TypeError):
        sheafwork.Cell.__dict__["row"].__get__(readable_cell())


def test_repr_shows_the_qualified_name_and_coordinate():
    cell = readable_cell(4, 1)
    assert repr(cell) == "ReadableCell, Coords: Coordinate { row: 4, column: 1 }"
    ReadableCell.__qualname__ = "Renamed"
    try:
        assert repr(cell) == "Renamed, Coords: Coordinate { row: 4, column: 1 }"
    finally:
        ReadableCell.__qualname__ = "ReadableCell"
