import datetime
import json

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import sheafwork

EMPTY_SHEET = (
    '{"name":"S","sheet_state":"visible","merge_cells":[],"cells":[],'
    '"row_dimensions":{"default_height":20.0},"column_dimensions":{"default_width":22.5},'
    '"comments":[]}'
)


def cells_text(book):
    text = book.to_json()
    start = text.index('"cells":') + len('"cells":')
    end = text.index(',"row_dimensions"')
    return text[start:end]


def test_empty_sheet_exact_text(book, sheet):
    assert book.to_json() == '{"sheets":[' + EMPTY_SHEET + "]}"


@pytest.mark.parametrize(
    "text, written",
    [
        ("", '{"row":1,"column":1,"value":null,"data_type":"s"}'),
        ("TRUE", '{"row":1,"column":1,"value":true,"data_type":"b"}'),
        ("-12", '{"row":1,"column":1,"value":-12,"data_type":"n"}'),
        ("3.0", '{"row":1,"column":1,"value":3.0,"data_type":"n"}'),
        ("2147483648", '{"row":1,"column":1,"value":2147483648.0,"data_type":"n"}'),
        ("1e16", '{"row":1,"column":1,"value":1e16,"data_type":"n"}'),
        ("0.000001", '{"row":1,"column":1,"value":1e-6,"data_type":"n"}'),
        ("0.00001", '{"row":1,"column":1,"value":0.00001,"data_type":"n"}'),
        ("nan", '{"row":1,"column":1,"value":null,"data_type":"n"}'),
        ("-inf", '{"row":1,"column":1,"value":null,"data_type":"n"}'),
        ("+10000-01-01 00:00:00",
         '{"row":1,"column":1,"value":"+10000-01-01T00:00:00","data_type":"d"}'),
        ('a"b\\c\td', '{"row":1,"column":1,"value":"a\\"b\\\\c\\td","data_type":"s"}'),
    ],
)
def test_cell_values(book, sheet, text, written):
    sheet.cell(1, 1, text)
    assert cells_text(book) == "[" + written + "]"


@pytest.mark.parametrize(
    "moment, written",
    [
        (datetime.datetime(2024, 1, 31, 13, 45), '"2024-01-31T13:45:00"'),
        (datetime.datetime(2024, 1, 31, 13, 45, 0, 500000), '"2024-01-31T13:45:00.500"'),
        (datetime.datetime(2024, 1, 31, 13, 45, 0, 123456), '"2024-01-31T13:45:00.123456"'),
    ],
)
def test_datetime_values(book, sheet, moment, written):
    sheet.cell(2, 2).set_value_datetime(moment)
    assert cells_text(book) == '[{"row":2,"column":2,"value":' + written + ',"data_type":"d"}]'


def test_negative_zero(book, sheet):
    sheet.cell(1, 1).set_value_number(-0.0)
    assert '"value":-0.0' in cells_text(book)


def test_all_optional_cell_keys_in_order(book, sheet):
    c = sheet.cell(1, 2, "7")
    c.formula = "=A1"
    c.style = "st"
    c.hidden_value = "hv"
    assert cells_text(book) == (
        '[{"row":1,"column":2,"value":7,"formula":"=A1","data_type":"f",'
        '"style_id":"st","hidden_value":"hv"}]'
    )


def test_cells_sorted_and_edits_seen(book, sheet):
    for row, col in [(2, 1), (1, 3), (1, 2)]:
        sheet.cell(row, col, f"{row}{col}")
    held = sheet.cell(1, 3)
    held.value = "x"
    cells = json.loads(book.to_json())["sheets"][0]["cells"]
    assert [(c["row"], c["column"], c["value"]) for c in cells] == [
        (1, 2, 12), (1, 3, "x"), (2, 1, 21)]


def test_merge_cells_and_comments(book, sheet):
    sheet.add_merge_cells(5, 1, 4, 2)
    sheet.add_comment(2, 3, "note", "ann")
    text = book.to_json()
    assert '"merge_cells":[[5,1,4,2]]' in text
    assert text.endswith('"comments":[{"row":2,"column":3,"author":"ann","text":"note"}]}]}')


def test_sheets_in_book_order(book):
    for name in ["b", "a", "c"]:
        book.add_sheet(name, "hidden")
    book.copy_sheet(book.sheets[0])
    sheets = json.loads(book.to_json())["sheets"]
    assert [(s["name"], s["sheet_state"]) for s in sheets] == [
        ("b", "hidden"), ("a", "hidden"), ("c", "hidden"), ("Sheet 4", "hidden")]


def test_name_escapes(book):
    book.add_sheet('t\t"q"\\\x01é/')
    assert book.to_json().startswith('{"sheets":[{"name":"t\\t\\"q\\"\\\\\\u0001é/",')


@pytest.mark.parametrize(
    "place", ["name", "state", "value", "formula", "style", "hidden_value", "author", "text"])
def test_non_ascii_text_in_any_place(place):
    word = "caf\u00e9 \u2603 \U0001d11e"
    pick = lambda here, other: word if place == here else other
    book = sheafwork.Book()
    sheet = book.add_sheet(pick("name", "S"), pick("state", "visible"))
    for row in range(1, 700):
        sheet.cell(row, 1, pick("value", "v") if row == 600 else "v")
    c = sheet.cell(5, 1)
    c.formula = pick("formula", "=A1")
    c.style = pick("style", "st")
    c.hidden_value = pick("hidden_value", "hv")
    sheet.add_comment(1, 1, pick("text", "note"), pick("author", "ann"))
    text = book.to_json()
    assert not text.isascii()
    assert text.count(word) == 1
    assert text == text.encode("utf-8").decode("utf-8")
    parsed = json.loads(text)["sheets"][0]
    found = {
        "name": parsed["name"],
        "state": parsed["sheet_state"],
        "value": parsed["cells"][599]["value"],
        "formula": parsed["cells"][4]["formula"],
        "style": parsed["cells"][4]["style_id"],
        "hidden_value": parsed["cells"][4]["hidden_value"],
        "author": parsed["comments"][0]["author"],
        "text": parsed["comments"][0]["text"],
    }
    assert found[place] == word


def test_ascii_export_is_a_plain_str(book, sheet):
    for row in range(1, 700):
        sheet.cell(row, 2, str(row))
    text = book.to_json()
    assert text.isascii()
    assert len(text) == len(text.encode("ascii"))
    assert json.loads(text)["sheets"][0]["cells"][698] == {
        "row": 699, "column": 2, "value": 699, "data_type": "n"}


texts = st.text(max_size=30)


@settings(max_examples=200, deadline=None)
@given(
    sheet_names=st.lists(texts, max_size=3),
    values=st.lists(texts, max_size=8),
    extras=st.tuples(texts, texts, texts),
    comment=st.tuples(texts, texts),
)
def test_every_export_parses_and_keeps_texts(sheet_names, values, extras, comment):
    book = sheafwork.Book()
    strings = {}
    for index, name in enumerate(sheet_names):
        sheet = book.add_sheet(name, name)
        for col, value in enumerate(values, start=1):
            c = sheet.cell(1, col, value)
            if c.data_type == "s" and not c.is_value_empty:
                strings[index, col] = value
        if values:
            c = sheet.cell(1, 1)
            c.formula, c.style, c.hidden_value = extras
        sheet.add_comment(9, 9, comment[0], comment[1])
    parsed = json.loads(book.to_json())
    assert [s["name"] for s in parsed["sheets"]] == sheet_names
    assert [s["sheet_state"] for s in parsed["sheets"]] == sheet_names
    seen = {}
    for index, s in enumerate(parsed["sheets"]):
        assert [(c["text"], c["author"]) for c in s["comments"]] == [comment]
        assert [c["column"] for c in s["cells"]] == list(range(1, len(values) + 1))
        for c in s["cells"]:
            if (index, c["column"]) in strings:
                seen[index, c["column"]] = c["value"]
            if c["column"] == 1:
                assert (c["formula"], c["style_id"], c["hidden_value"]) == extras
    assert seen == strings
