# The class ReadableCell: its read-only getters and its repr (its shape is in test_frame).
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


@pytest.mark.parametrize(
    "source, expected",
    [
        (dict(), dict(row=4, column=1, letter="A4", value="12", formula=None, style=None,
                      data_type="n", is_formula=False, is_value_integer=True)),
        (dict(row=7, column=27, value=None, formula="=B1", data_type="f"),
         dict(letter="AA7", value="", formula="=B1", data_type="f", is_formula=True, is_value_empty=True)),
        (dict(row=1, column=0, value="2.5"), dict(letter="1", is_value_numeric=True)),
        (dict(value="false", data_type="b"), dict(value="false", is_value_bool=True)),
        (dict(value="1999-12-31 23:59:59", data_type="d"), dict(value="1999-12-31 23:59:59", is_value_datetime=True)),
    ],
)
def test_getters(source, expected):
    cell = readable_cell(**source)
    flags = {name: False for name in GETTERS if name.startswith("is_")}
    got = {name: getattr(cell, name) for name in GETTERS}
    assert got == got | flags | expected


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
