# The call frame, seen through the module functions: argument parsing, conversions and
# the texts of their errors.
import pytest

import sheafwork
from sheafwork import _sheafwork

letter = _sheafwork.column_number_to_letter
coordinate = _sheafwork.get_letter_coordinate

OUT_OF_RANGE = "out of range integral type conversion attempted"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: letter(), "column_number_to_letter() missing 1 required positional argument: 'col'"),
        (lambda: coordinate(),
         "get_letter_coordinate() missing 2 required positional arguments: 'row' and 'col'"),
        (lambda: coordinate(1), "get_letter_coordinate() missing 1 required positional argument: 'col'"),
        (lambda: coordinate(col=1), "get_letter_coordinate() missing 1 required positional argument: 'row'"),
        (lambda: letter(1, 2), "column_number_to_letter() takes 1 positional arguments but 2 were given"),
        (lambda: coordinate(1, 2, 3), "get_letter_coordinate() takes 2 positional arguments but 3 were given"),
        (lambda: letter(column=1), "column_number_to_letter() got an unexpected keyword argument 'column'"),
        (lambda: letter(1, col=2), "column_number_to_letter() got multiple values for argument 'col'"),
        (lambda: coordinate(1, row=2), "get_letter_coordinate() got multiple values for argument 'row'"),
    ],
)
def test_argument_binding_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_binding_errors_come_before_conversion():
    # Both calls also carry a value of the wrong type; the parser speaks first.
    with pytest.raises(TypeError, match="multiple values for argument 'col'"):
        letter("x", col=1)
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'col'"):
        coordinate("x")
    with pytest.raises(TypeError, match="takes 1 positional arguments but 2 were given"):
        letter("x", "y")


def test_surplus_keyword_is_reported_even_with_all_parameters_given():
    with pytest.raises(TypeError, match=r"^get_letter_coordinate\(\) got an unexpected keyword argument 'x'$"):
        coordinate(1, 2, x=3)


@pytest.mark.parametrize(
    "value, text",
    [
        (1.5, "'float' object cannot be interpreted as an integer"),
        ("3", "'str' object cannot be interpreted as an integer"),
        (None, "'NoneType' object cannot be interpreted as an integer"),
        ([1], "'list' object cannot be interpreted as an integer"),
    ],
)
def test_wrong_type_is_labelled(value, text):
    with pytest.raises(TypeError) as info:
        letter(value)
    assert str(info.value) == "argument 'col': " + text
    assert info.value.__cause__ is None
    assert info.value.__suppress_context__


def test_labelled_error_keeps_the_cause_of_the_first():
    class Index:
        def __index__(self):
            try:
                raise KeyError("inner cause")
            except KeyError as e:
                raise TypeError("bad index") from e

    with pytest.raises(TypeError) as info:
        coordinate(Index(), 1)
    assert str(info.value) == "argument 'row': bad index"
    assert isinstance(info.value.__cause__, KeyError)
    assert info.value.__cause__.args == ("inner cause",)


def test_other_conversion_errors_pass_unlabelled():
    class Index:
        def __index__(self):
            raise ValueError("no number here")

    with pytest.raises(ValueError) as info:
        letter(Index())
    assert str(info.value) == "no number here"

    class TypeErrorSubclass(TypeError):
        pass

    class Strict:
        def __index__(self):
            raise TypeErrorSubclass("only exact TypeError is labelled")

    with pytest.raises(TypeErrorSubclass, match="^only exact TypeError is labelled$"):
        letter(Strict())


@pytest.mark.parametrize(
    "call",
    [
        lambda: letter(65536),
        lambda: letter(-1),
        lambda: coordinate(-1, 1),
        lambda: coordinate(4294967296, 1),
        lambda: coordinate(1, 65536),
        lambda: coordinate(1, col=-1),
    ],
)
def test_out_of_range_integers(call):
    with pytest.raises(OverflowError) as info:
        call()
    assert str(info.value) == OUT_OF_RANGE


def test_integers_beyond_a_machine_long_raise_the_interpreter_overflow():
    with pytest.raises(OverflowError) as info:
        coordinate(2**64, 1)
    assert "argument" not in str(info.value)
    assert str(info.value) != OUT_OF_RANGE


def test_row_is_converted_before_col():
    with pytest.raises(OverflowError):
        coordinate(-1, "not a column")
    with pytest.raises(TypeError, match="^argument 'col': "):
        coordinate(1, "not a column")


def test_integer_like_values_are_accepted():
    class Index:
        def __init__(self, n):
            self.n = n

        def __index__(self):
            return self.n

    assert letter(True) == "A"
    assert letter(False) == ""
    assert letter(Index(28)) == "AB"
    assert coordinate(Index(4294967295), Index(2)) == "B4294967295"
    with pytest.raises(OverflowError, match=OUT_OF_RANGE):
        letter(Index(70000))


def test_int_subclass_is_accepted():
    class Row(int):
        pass

    assert coordinate(Row(9), 3) == "C9"


def test_no_argument_function_refuses_arguments():
    with pytest.raises(TypeError, match="takes no arguments"):
        _sheafwork.version(1)
    with pytest.raises(TypeError):
        _sheafwork.version(x=1)


def test_panic_exception_place_in_hierarchy():
    panic = sheafwork.PanicException
    assert panic.__bases__ == (BaseException,)
    assert not issubclass(panic, Exception)
    assert panic.__name__ == "PanicException"

    caught_by = None
    try:
        try:
            raise panic("called `Option::unwrap()` on a `None` value")
        except Exception:
            caught_by = "Exception"
    except BaseException as e:
        caught_by = "BaseException"
        assert e.args == ("called `Option::unwrap()` on a `None` value",)
    assert caught_by == "BaseException"
