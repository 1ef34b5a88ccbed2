import gc
import json
import weakref

import pytest

import sheafwork
from sheafwork import Service
from conftest import not_a


class Daily(Service):
    class Inner(Service):
        pass

    def report(self):
        return len(self._sheets)


@pytest.fixture
def service():
    return Service(None)


def test_new_service_and_its_conn_db(service):
    assert (Service.__module__, Service.__text_signature__, Service.__doc__) == ("sheafwork", "(conn_db)", "")
    assert (repr(service), service._sheets, service.to_json(), service.to_dict()) == (
        "Service, sheets: 0", [], '{"sheets":[]}', {"sheets": []})
    assert (service._get_sheet_index(0), service._get_sheet_name("")) == (None, None)
    conn_db = object()
    assert Service(conn_db)._conn_db is conn_db and Service(conn_db=conn_db)._conn_db is conn_db
    for name in ("_conn_db", "other"):  # no setter, and instances have no __dict__
        with pytest.raises(AttributeError):
            setattr(service, name, 1)


def test_subclass_instances():
    daily = Daily(conn_db="db")
    daily._add_sheet("a")
    daily._add_sheet("b")
    daily.note = "own attribute"
    assert (type(daily), repr(daily), daily.report(), daily.__dict__) == (
        Daily, "Daily, sheets: 2", 2, {"note": "own attribute"})
    assert repr(Daily.Inner(1)) == "Daily.Inner, sheets: 0"
    assert isinstance(daily, Service) and daily._conn_db == "db"


@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda s: Service(), TypeError, "Service.__new__() missing 1 required positional argument: 'conn_db'"),
        (lambda s: Service(1, db=1), TypeError, "Service.__new__() got an unexpected keyword argument 'db'"),
        # A subclass whose __init__ takes more needs its own __new__.
        (lambda s: type("Extra", (Service,), {"__init__": lambda self, conn_db, name: None})(1, "n"), TypeError,
         "Service.__new__() takes 1 positional arguments but 2 were given"),
        (lambda s: s.summary_0([]), NotImplementedError, "Method 'summary_0' is not implemented"),
        (lambda s: s.summary_0(type("L", (list,), {})(), a=1, sheets=2), NotImplementedError,
         "Method 'summary_0' is not implemented"),
        (lambda s: s.summary_0((1,)), TypeError, not_a("sheets", "tuple", "PyList")),
        (lambda s: s.summary_0(sheets=[]), TypeError,
         "Service.summary_0() missing 1 required positional argument: 'sheets'"),
        (lambda s: s._fmt_0(a=1, sheets=[]), NotImplementedError, "Method 'fmt_0' is not implemented"),
        (lambda s: s._fmt_0(1), TypeError, "Service._fmt_0() takes 0 positional arguments but 1 was given"),
    ],
)
def test_operations_left_to_subclasses(service, call, exc, text):
    with pytest.raises(exc) as info:
        call(service)
    assert str(info.value) == text


def test_subclass_operations_replace_the_base_ones():
    class Own(Service):
        def summary_0(self, sheets, /, **kwargs):
            return ("summary", sheets, kwargs)

        def _fmt_0(self, **kwargs):
            return super()._fmt_0(**kwargs)

    own = Own(None)
    assert own.summary_0(1, a=2) == ("summary", 1, {"a": 2})
    with pytest.raises(NotImplementedError, match="^Method 'fmt_0' is not implemented$"):
        own._fmt_0(x=1)
    with pytest.raises(NotImplementedError, match="^Method 'summary_0' is not implemented$"):
        Service.summary_0(own, [])


def test_book_members_over_the_private_book(service):
    first = service._add_sheet("A")
    service._add_sheet(name="B", sheet_state="hidden")
    first.cell(1, 1, "x")
    copy = service._copy_sheet(sheet=sheafwork.Book().add_sheet("elsewhere"))
    assert [(s.name, s.sheet_state) for s in service._sheets] == [
        ("A", "visible"), ("B", "hidden"), ("Sheet 3", "visible")]
    assert (service._get_sheet_index(1).name, service._get_sheet_index(-1), copy.name) == ("B", None, "Sheet 3")
    assert (service._get_sheet_name("A").get_value_cell(1, 1), service._get_sheet_name("a")) == ("x", None)
    assert [s["name"] for s in json.loads(service.to_json())["sheets"]] == ["A", "B", "Sheet 3"]
    assert service.to_dict() == json.loads(service.to_json())
    assert Service(None)._copy_sheet(first).name == "Sheet 1"


def test_cycles_through_conn_db_are_collected():
    class Holder:
        pass

    holder = Holder()
    daily = Daily(holder)
    holder.service = daily
    daily.me = daily
    gone = weakref.ref(holder)
    del holder, daily
    gc.collect()
    assert gone() is None
