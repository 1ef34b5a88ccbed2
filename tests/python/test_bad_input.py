"""Bad input for every public callable and attribute of both modules: one table of
parameter kinds, each with bad values and their exceptions and hostile but valid values
with the plain values they act as. Callables come from the classes and modules, their
parameters from their text signatures, so a new member is swept without a new line here.
Every call raises its exception, never crashes and leaves every record as it was."""

import datetime
import inspect
import json
import re
import types

import pytest

import sheafwork
from sheafwork import readable

OUT = "out of range integral type conversion attempted"
C_LONG = "Python int too large to convert to C long"
UNWRAP = re.escape("called `Result::unwrap()` on an `Err` value: ")
PANIC = sheafwork.PanicException


class Hook:
    """Every conversion hook and every missing attribute runs `before`, then raises."""

    def __init__(self, error, before=lambda: None):
        self.error, self.before = error, before

    def fail(self, *_):
        self.before()
        raise type(self.error)(*self.error.args)  # a new one: a raised one keeps its traceback
    __index__ = __float__ = __str__ = __bool__ = __getitem__ = __len__ = __getattr__ = fail


class Text(str):
    """A valid text whose own methods raise: the binding must read the str itself."""

    def fail(self, *_):
        raise AssertionError("a method of the str subclass was called")
    __str__ = __eq__ = __hash__ = __len__ = __iter__ = fail


class LyingLength(list):
    __len__ = lambda self: 2**60


class Clearing:
    """Read as an integer, a text or a sheet source's cells, it empties `items` first."""
    name, sheet_state, merge_cells = "N", "visible", []

    def __init__(self, items, value):
        self.items, self.value = items, value

    def act(self, *_):
        self.items.clear()
        return self.value
    __index__ = __str__ = act
    cells = property(act)


def clearing_list(item, value, place=lambda hook: hook):
    """[first, item] where reading the first empties the list: only the first is read."""
    items = []
    items += [place(Clearing(items, value)), item]
    return items


def cell_source(**fields):
    return {"row": 1, "column": 1, "value": "a", "formula": None, "data_type": "s", **fields}


def sheet_source(**fields):
    return {"name": "N", "sheet_state": "visible", "merge_cells": [], "cells": [], **fields}


def integers(low, high):
    return [(None, TypeError, "argument '{p}': 'NoneType' object cannot be interpreted as an integer"),
            (1.5, TypeError, "argument '{p}': 'float' object cannot be interpreted as an integer"),
            (Text("1"), TypeError, "argument '{p}': 'Text' object cannot be interpreted as an integer"),
            (low - 1, OverflowError, OUT), (high + 1, OverflowError, OUT),
            (2**64, OverflowError, C_LONG), (-(2**100), OverflowError, C_LONG),
            (Hook(ValueError("v")), ValueError, "v"), (Hook(TypeError("t")), TypeError, "argument '{p}': t")]


def cannot(target, *values):
    return [(v, TypeError, f"argument '{{p}}': '{type(v).__name__}' object cannot be converted to '{target}'")
            for v in values]


def sequences(good, element_cases):
    return [("12", TypeError, "argument '{p}': Can't extract `str` to `Vec`"),
            *cannot("Sequence", {1}, iter([1]), None), (Hook(ValueError("v")), ValueError, "v")
            ] + [([good, bad], error, text) for bad, error, text in element_cases]


LOOP = [1]
LOOP.append(LOOP)
TEXTS = cannot("PyString", None, b"a", Hook(ValueError())) + [
    ("\ud800", UnicodeEncodeError, ".*surrogates not allowed"),
    (Text("a\udfff"), UnicodeEncodeError, ".*surrogates not allowed")]
LISTS = cannot("PyList", (), None, "ab")
U32, U16, I32 = integers(0, 2**32 - 1), integers(0, 2**16 - 1), integers(-(2**31), 2**31 - 1)

# kind: (a valid value, [(bad value, exception, text with {p} for the label)],
#        [(a maker of a hostile but valid value, the plain value it acts as)])
KINDS = {
    "u32": (1, U32, [(lambda: Clearing([], 7), 7)]), "u16": (1, U16, []), "i32": (0, I32, []),
    "ou32": (None, U32[1:], []), "ou16": (None, U16[1:], []),
    "str": ("a", TEXTS, [(lambda: Text("a"), "a")]), "ostr": (None, TEXTS[1:], [(lambda: Text("7"), "7")]),
    "letter": ("A1", TEXTS, [(lambda: Text("B2"), "B2")]),
    "float": (1.0, [(None, TypeError, "argument '{p}': must be real number, not NoneType"),
                    ("1", TypeError, "argument '{p}': must be real number, not str"),
                    (2**1100, OverflowError, "int too large to convert to float"),
                    (Hook(ValueError("v")), ValueError, "v"),
                    (Hook(TypeError("t")), TypeError, "argument '{p}': t")], []),
    "bool": (True, cannot("PyBool", 1, None, Hook(ValueError())), []),
    "datetime": (datetime.datetime(2024, 1, 1), cannot("PyDateTime", datetime.date(2024, 1, 1), None) + [
        (datetime.datetime(2024, 1, 1, tzinfo=datetime.timezone.utc), TypeError,
         "argument '{p}': expected a datetime without tzinfo")], []),
    "list": ([], LISTS, []),
    "seq32": ([1], sequences(1, U32), [(lambda: LyingLength([1, 2]), [1, 2]),
                                      (lambda: clearing_list(5, 2), [2])]),
    "seq16": ([1], sequences(1, U16), [(lambda: clearing_list(5, 1), [1])]),
    "seqstr": (["N"], sequences("N", TEXTS), [(lambda: LyingLength(["N"]), ["N"])]),
    "sheet": (None, cannot("Sheet", None, sheafwork.Book(), Text("S")), []),
    "cells": ([], LISTS + [
        ([None], PANIC, UNWRAP + "PyErr { type: <class 'AttributeError'>"),
        ([Hook(ValueError("v"))], PANIC, UNWRAP + "PyErr { type: <class 'ValueError'>"),
        ([cell_source(), {"row": 1}], PANIC, UNWRAP + ".*KeyError\\('column'\\)"),
        ([cell_source(row=2**64)], PANIC, UNWRAP + ".*OverflowError"),
        ([cell_source(value="\ud800")], PANIC, UNWRAP + ".*UnicodeEncodeError"),
        ([cell_source(value=Hook(ValueError("v")))], PANIC, UNWRAP + ".*ValueError"),
        ([cell_source(formula=LOOP)], RecursionError, "a list nested more than 1000 deep")],
        [(lambda: LyingLength([cell_source()]), [cell_source()]),
         (lambda: clearing_list(cell_source(), "b", lambda c: cell_source(value=c)), [cell_source(value="b")])]),
    "sheets": ([], LISTS + [
        ([None], PANIC, UNWRAP + ".*AttributeError"),
        ([sheet_source(), {"name": "x"}], PANIC, UNWRAP + ".*KeyError\\('sheet_state'\\)"),
        ([sheet_source(cells=())], PANIC, UNWRAP + 'DowncastError { from: \\(\\), to: "PyList" }'),
        ([sheet_source(cells=[None])], PANIC, UNWRAP + ".*AttributeError"),
        ([sheet_source(merge_cells=[LOOP])], RecursionError, "a list nested")],
        [(lambda: clearing_list(sheet_source(), [cell_source()]), [sheet_source(cells=[cell_source()])])]),
    "any": (None, [], []),
}
REENTERED = {"u32", "u16", "i32", "ou32", "ou16", "float", "seq32", "seq16", "cells", "sheets"}
PARAMETER_KIND = dict(
    row="u32", row_stop="u32", start_row="u32", end_row="u32", row_num="u32", amount="u32",
    col="u16", col_stop="u16", start_col="u16", end_col="u16", col_num="u16", idx="i32",
    name="str", sheet_state="str", state="str", text="str", author="str", value="str",
    regex="str", before_regex="str", after_regex="str", pattern="str", letter="letter",
    val="float", rows="seq32", cols="seq16", name_list="seqstr", sheet="sheet",
    cells="cells", sheets="sheets", conn_db="any")
RANGE = dict(start_row="ou32", end_row="ou32", start_col="ou16", end_col="ou16")
OVERRIDES = {
    "Sheet.delete_cols": dict(idx="u16", amount="u16"), "Sheet.delete_rows": dict(idx="u32"),
    "Sheet.set_hidden_row": dict(val="bool"), "Sheet.set_hidden_column": dict(val="bool"),
    "Sheet.cell": dict(value="ostr"), "Sheet.get_cells_by_range": RANGE,
    "ReadableSheet.get_cells_by_range": RANGE, "Service.summary_0": dict(sheets="list"),
    "Cell.set_value_number": dict(value="float"), "Cell.set_value_integer": dict(value="i32"),
    "Cell.set_value_bool": dict(value="bool"), "Cell.set_value_datetime": dict(value="datetime")}
EXCLUSIVE = {"Sheet.add_merge_cells", "Sheet.add_comment"}  # borrow their object exclusively
CLASSES = [sheafwork.Book, sheafwork.Sheet, sheafwork.Cell, sheafwork.Comment, sheafwork.Service,
           readable.Finder, readable.ReadableSheet, readable.ReadableCell]
MODULES = {"sheafwork": sheafwork, "readable": readable}


def world():
    """An object of every class over shared records, and the state that must not change."""
    book, service = sheafwork.Book(), sheafwork.Service(None)
    sheet = book.add_sheet("S")
    for row, value in enumerate(["a", "1.5", "true", ""], 1):
        sheet.cell(row, 1 + row % 2, value)
    sheet.add_comment(1, 1, "note", "ann")
    sheet.add_merge_cells(1, 2, 1, 2)
    sheet.set_height_row(3, 9.5)
    service._add_sheet("T").cell(2, 2, "b")
    finder = readable.create_finder([sheet, sheet_source(cells=[cell_source()])])
    view = finder.sheets[0]
    objects = {"Book": book, "Sheet": sheet, "Cell": sheet.cell(1, 1), "Comment": sheet.comments[0],
               "Service": service, "Finder": finder, "ReadableSheet": view,
               "ReadableCell": view.cells[0], **MODULES}
    return objects, lambda: (json.loads(book.to_json()), json.loads(service.to_json()),
                             describe(finder.sheets))


def describe(result):
    if isinstance(result, list):
        return [describe(r) for r in result]
    if isinstance(result, (readable.ReadableCell, sheafwork.Cell)):
        return (result.row, result.column, result.value, result.data_type)
    if isinstance(result, (readable.ReadableSheet, sheafwork.Sheet)):
        return (result.name, result.sheet_state, result.merge_cells, describe(result.cells))
    return result if result is None or isinstance(result, (str, int, float)) else repr(result)


def getters(obj):
    return [n for n, d in vars(type(obj)).items() if isinstance(d, types.GetSetDescriptorType)]


def callables():
    """(name as OVERRIDES writes it, owner in world(), member)."""
    found = [(f"{key}.{n}", key, n) for key, module in MODULES.items()
             for n, f in vars(module).items() if isinstance(f, types.BuiltinFunctionType)]
    for cls in CLASSES:
        if cls.__text_signature__ is not None:
            found.append((cls.__name__, cls.__module__.split(".")[-1], cls.__name__))
        found += [(f"{cls.__name__}.{n}", cls.__name__, n) for n, d in vars(cls).items()
                  if isinstance(d, types.MethodDescriptorType)]
    return found


def prepared(full, owner, member):
    """A new world, the callable in it, the kinds of its parameters and valid arguments."""
    objects, state = world()
    function = getattr(objects[owner], member)
    kinds = {**PARAMETER_KIND, **OVERRIDES.get(full, {})}
    params = inspect.signature(function).parameters.values()
    valid = {p.name: KINDS[kinds[p.name]][0] for p in params if p.kind is not p.VAR_KEYWORD}
    valid.update({"sheet": objects["Sheet"]} if "sheet" in valid else {})
    return objects, state, function, kinds, valid


def expect(call, error, pattern, label=""):
    with pytest.raises(error, match="^" + pattern.replace("{p}", label)):
        call()


def outcome(function, arguments):
    try:
        return describe(function(*arguments.values()))
    except BaseException as error:  # PanicException too
        return type(error), str(error)


@pytest.mark.parametrize("full, owner, member", callables(), ids=lambda v: str(v))
def test_every_bad_argument_raises_its_error_and_changes_nothing(full, owner, member):
    objects, state, function, kinds, valid = prepared(full, owner, member)
    receiver, before = objects[owner], state()
    # Re-entry: a hook of an argument first calls the same function or reads the same object.
    reenter = (lambda: function(*valid.values())) if owner in MODULES else \
        (lambda: [getattr(receiver, g) for g in getters(receiver)])
    for name in valid:
        kind = kinds[name]
        for bad, error, pattern in KINDS[kind][1]:
            expect(lambda: function(*{**valid, name: bad}.values()), error, pattern, name)
            assert state() == before, (name, bad)
        if kind in REENTERED:
            hook = Hook(ValueError("after re-entry"), reenter)
            hook = [hook] if kind in ("seq32", "seq16", "cells", "sheets") else hook
            error = RuntimeError if full in EXCLUSIVE else PANIC if kind in ("cells", "sheets") else ValueError
            expect(lambda: function(*{**valid, name: hook}.values()), error,
                   "Already mutably borrowed" if full in EXCLUSIVE else ".*after re-entry")
            assert state() == before, name
        for make, plain in KINDS[kind][2]:  # each on worlds of its own: valid calls may write
            _, hostile_state, hostile, _, _ = prepared(full, owner, member)
            _, plain_state, same, _, _ = prepared(full, owner, member)
            assert (outcome(hostile, {**valid, name: make()}), hostile_state()) == \
                (outcome(same, {**valid, name: plain}), plain_state()), (name, plain)
    expect(lambda: function(*valid.values(), None), TypeError, ".* takes (no arguments|.*positional arg)")
    if not any(p.kind is p.VAR_KEYWORD for p in inspect.signature(function).parameters.values()):
        expect(lambda: function(*valid.values(), unexpected=1), TypeError,
               ".*(unexpected keyword argument 'unexpected'|takes no keyword arguments)")
    if owner not in MODULES and member != owner:
        foreign = objects["Sheet" if owner == "Book" else "Book"]
        expect(lambda: vars(type(receiver))[member](foreign, *valid.values()), TypeError,
               ".*doesn't apply to a")
    assert state() == before


@pytest.mark.parametrize("owner", [c.__name__ for c in CLASSES])
def test_every_attribute_refuses_bad_values_and_foreign_receivers(owner):
    objects, state = world()
    obj, before, written = objects[owner], state(), []
    label = {"Sheet": "name", "Cell": "value", "Comment": "val"}.get(owner, "")
    for name in getters(obj):
        getattr(obj, name)
        expect(lambda: vars(type(obj))[name].__get__(objects["Sheet" if owner == "Book" else "Book"]),
               TypeError, ".*doesn't apply to a")
        with pytest.raises(AttributeError) as deleting:
            delattr(obj, name)
        writable = str(deleting.value) == "can't delete attribute"
        for bad, error, pattern in TEXTS if writable else [("a", AttributeError, ".*")]:
            expect(lambda: setattr(obj, name, bad), error, pattern, label)
        assert state() == before, name
        written += [name] if writable else []
    expect(lambda: setattr(obj, "no_such_attribute", 1), AttributeError, ".*")
    for name in written:  # a str subclass is read as the str it is
        setattr(obj, name, Text("z"))
        assert getattr(obj, name) == "z"
