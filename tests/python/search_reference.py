"""Plain-Python reference of the cell searches, written from their rules.

A cell is (row, column, value text). Lists are searched in the order given."""

WHITE = " \t\n\r\x0b\x0c\x85\xa0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000"


def trim(text):
    return text.strip(WHITE)


def letter_coords(letter):
    """(row, column) of a coordinate text such as "$b$7"."""
    text = letter.upper().replace("$", "")
    letters = "".join(ch for ch in text if ch.isalpha())
    return int(text[len(letters):]), sum((ord(ch) - 64) * 26**i for i, ch in enumerate(reversed(letters)))


def first(cells, test):
    return next((c for c in cells if test(c)), None)


def toggle(cells, before, after):
    inside, out = False, []
    for c in cells:
        if not inside and before in c[2]:
            inside = True
            out.append(c)
        elif inside and after in c[2]:
            inside = False
            out.append(c)
    return out


def between(cells, before, after):
    rows = [c[0] for c in toggle(cells, before, after)] + [2**32 - 1]
    return [c for c in cells if rows[0] <= c[0] <= rows[1]] if len(rows) > 1 else []


def searches(trimmed_single):
    """Each search as (name, args, model over a list of cells). `trimmed_single` says
    whether find_cell_by_str tests trimmed equality (module functions) or containment
    (the methods of the sheet classes)."""

    def by_str_single(v):
        return lambda cs: first(cs, lambda c: trim(c[2]) == trim(v) if trimmed_single else v in c[2])

    return {
        "find_cell_by_regex": lambda r: lambda cs: first(cs, lambda c: r in c[2]),
        "find_cell_by_str": by_str_single,
        "find_cell_by_letter": lambda l: lambda cs: first(cs, lambda c: c[:2] == letter_coords(l)),
        "find_cells_by_regex": lambda r: lambda cs: [c for c in cs if r in c[2]],
        "find_cells_by_str": lambda v: lambda cs: [c for c in cs if trim(c[2]) == trim(v)],
        "find_cells_for_rows_by_regex": lambda r, stop: lambda cs: [c for c in cs if c[1] <= stop and r in c[2]],
        "find_cells_for_cols_by_regex": lambda r, stop: lambda cs: [c for c in cs if c[0] <= stop and r in c[2]],
        "find_cells_multi_regex": lambda b, a: lambda cs: toggle(cs, b, a),
        "find_cells_between_regex": lambda b, a: lambda cs: between(cs, b, a),
        "find_cells_range_rows": lambda lo, hi: lambda cs: [c for c in cs if lo <= c[0] <= hi],
        "find_cells_range_cols": lambda lo, hi: lambda cs: [c for c in cs if lo <= c[1] <= hi],
    }


def value_searches():
    return {
        "find_values_by_col_rows": lambda col, rows: lambda cs: [c[2] for c in cs if c[1] == col and c[0] in rows],
        "find_values_by_row_cols": lambda row, cols: lambda cs: [c[2] for c in cs if c[0] == row and c[1] in cols],
    }


def value_at(cells, row, col):
    """The value of the first cell at (row, col), or None."""
    return next((c[2] for c in cells if c[:2] == (row, col)), None)


def as_tuple(found):
    """A found ReadableCell or Cell, or a list of them, as reference cells."""
    if found is None or isinstance(found, str):
        return found
    if isinstance(found, list):
        return [as_tuple(f) for f in found]
    return (found.row, found.column, found.value)
