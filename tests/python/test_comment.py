import json

import pytest

from conftest import not_a, refused


@pytest.fixture
def comment(sheet):
    sheet.add_comment(2, 3, "note", "ann")
    return sheet.comments[0]


def test_fields_and_edits_seen_by_other_objects_and_export(book, sheet, comment):
    assert (comment.coordinate, comment.row, comment.column, comment.text, comment.author) == ((2, 3), 2, 3, "note", "ann")
    assert repr(comment).startswith("<sheafwork.Comment object at 0x")
    comment.text = "changed"
    comment.author = ""
    assert (sheet.comments[0].text, sheet.comments[0].author) == ("changed", "")
    assert json.loads(book.to_json())["sheets"][0]["comments"] == [{"row": 2, "column": 3, "author": "", "text": "changed"}]


@pytest.mark.parametrize("name, value, typename", [("author", None, "NoneType"), ("text", 7, "int")])
def test_setting_non_text_changes_nothing(book, comment, name, value, typename):
    refused(book, lambda: setattr(comment, name, value), TypeError, not_a("val", typename))
