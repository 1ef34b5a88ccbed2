import json

from hypothesis import given, settings
from hypothesis import strategies as st

import sheafwork

texts = st.text(max_size=30)


@settings(max_examples=200, deadline=None)
@given(
    names=st.lists(texts, max_size=3),
    values=st.lists(texts, max_size=8),
    extras=st.tuples(texts, texts, texts),
    comment=st.tuples(texts, texts),
)
def test_every_export_parses_and_keeps_texts(names, values, extras, comment):
    book = sheafwork.Book()
    written = []
    for name in names:
        sheet = book.add_sheet(name, name)
        # Cells made against their order; the plain ASCII row 0 comes first in the output,
        # so that the generated texts turn up late in it.
        cells = {col: sheet.cell(1, col, v) for col, v in reversed(list(enumerate(values, 1)))}
        for col in range(699, 0, -1):
            sheet.cell(0, col, "v")
        strings = [v if cells[col].data_type == "s" and not cells[col].is_value_empty else None
                   for col, v in enumerate(values, 1)]
        if cells:
            cells[1].formula, cells[1].style, cells[1].hidden_value = extras
        sheet.add_comment(9, 9, *comment)
        written += [name, *filter(None, strings), *comment, *(extras if cells else ())]
    text = book.to_json()
    assert text.isascii() == all(t.isascii() for t in written)
    parsed = json.loads(text)["sheets"]
    assert [(s["name"], s["sheet_state"]) for s in parsed] == [(n, n) for n in names]
    for s in parsed:
        assert [(c["text"], c["author"]) for c in s["comments"]] == [comment]
        padding, row = s["cells"][:699], s["cells"][699:]
        assert [(c["row"], c["column"], c["value"]) for c in padding] == [
            (0, col, "v") for col in range(1, 700)]
        assert [(c["row"], c["column"]) for c in row] == [(1, col) for col in range(1, len(values) + 1)]
        assert [c["value"] if t is not None else None for c, t in zip(row, strings)] == strings
        if row:
            assert (row[0]["formula"], row[0]["style_id"], row[0]["hidden_value"]) == extras
