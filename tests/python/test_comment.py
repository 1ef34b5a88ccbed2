import json

import pytest

import sheafwork


@pytest.fixture
def sheet(book):
    s = book.add_sheet("S")
    s.add_comment(2, 3, "note", "ann")
    return s


def test_fields_of_added_comment(sheet):
    (comment,) = sheet.comments
    assert (comment.coordinate, comment.row, comment.column, comment.text, comment.author) == (
        (2, 3),
        2,
        3,
        "note",
        "ann",
    )


def test_edit_seen_by_other_objects_and_export(book, sheet):
    first = sheet.comments[0]
    first.text = "changed"
    first.author = ""
    second = sheet.comments[0]
    assert first is not second
    assert (second.text, second.author) == ("changed", "")
    exported = json.loads(book.to_json())["sheets"][0]["comments"]
    assert exported == [{"row": 2, "column": 3, "author": "", "text": "changed"}]


def test_repr_is_the_default_form(sheet):
    assert repr(sheet.comments[0]).startswith("<sheafwork.Comment object at 0x")


@pytest.mark.parametrize("name", ["author", "text"])
def test_deleting_field(sheet, name):
    comment = sheet.comments[0]
    with pytest.raises(AttributeError, match="^can't delete attribute$"):
        delattr(comment, name)
    assert (comment.author, comment.text) == ("ann", "note")


@pytest.mark.parametrize(
    "name, value, text",
    [
        ("author", None, "argument 'val': 'NoneType' object cannot be converted to 'PyString'"),
        ("text", 7, "argument 'val': 'int' object cannot be converted to 'PyString'"),
    ],
)
def test_setting_non_text(book, sheet, name, value, text):
    before = book.to_json()
    with pytest.raises(TypeError) as info:
        setattr(sheet.comments[0], name, value)
    assert str(info.value) == text
    assert book.to_json() == before


@pytest.mark.parametrize("name", ["coordinate", "row", "column"])
def test_position_is_read_only(sheet, name):
    with pytest.raises(AttributeError):
        setattr(sheet.comments[0], name, 1)


def test_class_shape():
    cls = sheafwork.Comment
    assert (cls.__module__, cls.__qualname__, cls.__doc__) == ("sheafwork", "Comment", None)
    with pytest.raises(TypeError, match="^No constructor defined for Comment$"):
        cls()
