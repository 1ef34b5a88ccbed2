# Loose values: any Python value read as a field of a readable record. The fields show the
# readers directly: formula is the optional text, data_type the text, row the unsigned
# 32-bit number and column the unsigned 16-bit one.
import functools
import math
import re
import textwrap
from decimal import Decimal

import pytest
from hypothesis import given
from hypothesis import strategies as st

import sheafwork
from conftest import UNWRAP, readable_cells, record, run_child


def read(value):
    """(optional text, text, u32, u16) of `value`, read as four fields of one cell."""
    [cell] = readable_cells(record(value, value, None, value, value))
    return cell.formula, cell.data_type, cell.row, cell.column


def text_of(value):
    """value_to_string of `value`, read once."""
    return readable_cells(record(data_type=value))[0].data_type


class Text:
    """An object of no known kind: read by its str() text, or raising the exception given."""

    def __init__(self, text):
        self.text = text

    def __str__(self):
        if isinstance(self.text, BaseException):
            raise self.text
        return self.text


# Subclasses are read by their kind; their own str() is never asked.
IntSub, FloatSub, StrSub, ListSub = (
    type(base.__name__.title() + "Sub", (base,), {"__str__": lambda self: "not used"})
    for base in (int, float, str, list))


R = "\ufffd"


# The kind of a value decides its reader; the readers' own rules are in the GoogleTest
# table and the model comparison below, over the plain kinds.
@pytest.mark.parametrize(
    "value, text, u32, u16",
    [
        (IntSub(-1), "-1", 4294967295, 65535),
        (FloatSub(70000.5), "70000.5", 70000, 65535),
        (StrSub("+9"), "+9", 9, 9),
        (ListSub(["x", ListSub([1, None, [2.5, False]])]), "[x, [1, , [2.5, false]]]", 0, 0),
        ((1, 2), "(1, 2)", 0, 0),
        ({"a": 1}, "{'a': 1}", 0, 0),
        (Text("12"), "12", 12, 12),
        (Text("True"), "True", 0, 0),
        (Text("a\ud800b"), f"a{R}{R}{R}b", 0, 0),
        ([Text("\udfff")], f"[{R}{R}{R}]", 0, 0),
    ],
)
def test_readers(value, text, u32, u16):
    assert read(value) == (text, text, u32, u16)


TRACEBACK = r"<traceback object at 0x[0-9a-f]+>"


@pytest.mark.parametrize(
    "value, error, traceback",
    [
        (2**63, "OverflowError('int too big to convert')", "None"),
        ([1, [2**64]], "OverflowError('int too big to convert')", "None"),
        ("a\ud800", "UnicodeEncodeError('utf-8', 'a\\ud800', 1, 2, 'surrogates not allowed')",
         "None"),
        # Raised in Python code, the error carries a traceback.
        (Text(KeyError("inner")), "KeyError('inner')", TRACEBACK),
    ],
)
def test_stops_name_the_python_error(capfd, value, error, traceback):
    source = [value]
    with pytest.raises(sheafwork.PanicException) as info:
        text_of(source)
    kind = error.split("(")[0]
    rendering = f"PyErr {{ type: <class '{kind}'>, value: {error}, traceback: "
    assert re.fullmatch(re.escape(UNWRAP + rendering) + traceback + " }", info.value.args[0])
    assert info.value.__context__ is None and info.value.__cause__ is None
    assert source == [value]
    notice = capfd.readouterr().err
    assert re.search(r"thread '\w+' panicked at binding/\S+:\d+:\d+:\n" + re.escape(UNWRAP), notice)
    assert text_of(1) == "1"


def nested(depth):
    return functools.reduce(lambda value, _: [value], range(depth - 1), [])


def test_deep_and_self_containing_lists_raise_recursion_error():
    assert text_of(nested(1000)) == "[" * 1000 + "]" * 1000
    loop = [1]
    loop.append(loop)
    through = [[]]
    through[0].append(through)
    for value in (nested(1001), loop, through, nested(10**5)):
        with pytest.raises(RecursionError, match="^a list nested more than 1000 deep, or one "
                                                 "that contains itself, cannot be read as a value$"):
            text_of(value)
    assert loop[1] is loop and len(loop) == 2


# Python runs on a thread stack of 256 KiB or less; reading and rendering a list must not
# need more, however deep it is (64 KiB: a reader that recursed would overflow it even in
# a release build; asked for first, since a freed larger stack serves later threads).
def test_deep_lists_on_a_small_thread_stack():
    code = textwrap.dedent("""
        import functools, threading
        from sheafwork import readable
        def nested(depth):
            return functools.reduce(lambda value, _: [value], range(depth - 1), [])
        loop = []
        loop.append(loop)
        seen = []
        def read(value):
            try:
                cell = {"row": 1, "column": 1, "value": value, "formula": None, "data_type": "s"}
                seen.append(len(readable.find_cells_by_regex("", [cell])[0].value))
            except RecursionError:
                seen.append("RecursionError")
        for size in (64, 256):
            threading.stack_size(size * 1024)
            for value in (nested(1000), nested(1001), nested(5000), loop):
                thread = threading.Thread(target=read, args=(value,))
                thread.start()
                thread.join()
        print(seen)
        """)
    out = run_child(code)
    assert out == str([2000, "RecursionError", "RecursionError", "RecursionError"] * 2)


def test_list_items_read_while_below_starting_and_current_length():
    class Shrink:
        def __str__(self):
            del items[1:]
            return "s"

    class Grow:
        def __str__(self):
            items.append("late")
            return "g"

    items = [Shrink(), "gone", "gone too"]
    assert text_of(items) == "[s]"
    items = [Grow(), "kept"]
    assert text_of(items) == "[g, kept]" and items == [items[0], "kept", "late"]


# A plain Python model of the readers, written from their rules.
def model_text(value):
    if value is None:
        return ""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float) and not math.isfinite(value):
        return "NaN" if math.isnan(value) else "inf" if value > 0 else "-inf"
    if isinstance(value, float):
        text = format(Decimal(repr(value)), "f")
        return text.rstrip("0").rstrip(".") if "." in text else text
    if isinstance(value, list):
        return "[" + ", ".join(model_text(v) for v in value) + "]"
    return value


def model_number(value, bits):
    largest = 2**bits - 1
    if isinstance(value, bool):
        return int(value)
    if isinstance(value, int):
        return value & largest
    if isinstance(value, float):
        return 0 if math.isnan(value) or value <= 0 else largest if value >= largest else int(value)
    if isinstance(value, str) and re.fullmatch(r"\+?[0-9]+", value) and int(value) <= largest:
        return int(value)
    return 0


LEAVES = st.one_of(st.none(), st.booleans(), st.integers(min_value=-(2**63), max_value=2**63 - 1), st.floats(),
                   st.text(st.characters(blacklist_categories=("Cs",))),
                   st.from_regex(r"\+?[0-9]{1,12}", fullmatch=True))


@given(st.recursive(LEAVES, lambda children: st.lists(children, max_size=4), max_leaves=12))
def test_readers_agree_with_a_plain_model(value):
    text = None if value is None else model_text(value)
    assert read(value) == (text, model_text(value), model_number(value, 32), model_number(value, 16))
