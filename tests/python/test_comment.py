import json

import pytest


@pytest.fixture
def comment(sheet):
    sheet.add_comment(2, 3, "note", "ann")
    return sheet.comments[0]


def test_fields_of_added_comment(comment):
    assert (comment.coordinate, comment.row, comment.column) == ((2, 3), 2, 3)
    assert (comment.text, comment.author) == ("note", "ann")
    assert repr(comment).startswith("<sheafwork.Comment object at 0x")


def test_edit_seen_by_other_objects_and_export(book, sheet, comment):
    comment.text = "changed"
    comment.author = ""
    assert (sheet.comments[0].text, sheet.comments[0].author) == ("changed", "")
    assert json.loads(book.to_json())["sheets"][0]["comments"] == [
        {"row": 2, "column": 3, "author": "", "text": "changed"}]


@pytest.mark.parametrize("name, value, typename", [("author", None, "NoneType"), ("text", 7, "int")])
def test_setting_non_text_changes_nothing(book, comment, name, value, typename):
    before = book.to_json()
    with pytest.raises(TypeError) as info:
        setattr(comment, name, value)
    assert str(info.value) == f"argument 'val': '{typename}' object cannot be converted to 'PyString'"
    assert book.to_json() == before
