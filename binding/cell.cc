#include "binding/cell.h"

#include <datetime.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/model/cell_value.h"
#include "engine/model/date_time.h"
#include "engine/model/sheet_edit.h"

namespace binding {
namespace {

using engine::CellValue;
using Kind = engine::CellValue::Kind;

CellClass::Object& receive(PyObject* self) { return cell_class().receiver(self); }

// The value arrives as text and is inferred before the lock is taken, so writers hold
// the cell only for the store.
int set_value(PyObject* self, PyObject* value, void*) {
  return call_status([&] {
    refuse_deletion(value);
    const std::string_view text = extract<std::string_view>(value, "value");
    auto& cell = receive(self);
    SharedBorrow borrow(cell.borrow);
    CellValue inferred = CellValue::from_text(text);
    engine::write_value(*cell.payload.write(), std::move(inferred));
  });
}

template <void (*store)(engine::Cell&, std::string)>
int set_text_field(PyObject* self, PyObject* value, void*) {
  return call_status([&] {
    refuse_deletion(value);
    std::string text = extract<std::string>(value, "value");
    auto& cell = receive(self);
    SharedBorrow borrow(cell.borrow);
    store(*cell.payload.write(), std::move(text));
  });
}

void store_formula(engine::Cell& c, std::string text) { engine::write_formula(c, std::move(text)); }
void store_style(engine::Cell& c, std::string text) { c.set_style_id(std::move(text)); }
void store_hidden_value(engine::Cell& c, std::string text) {
  c.set_hidden_value(std::move(text));
}

// The set-value methods: one argument, converted after the receiver is borrowed.
template <const Signature& sig, class Convert>
PyObject* set_value_with(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames, Convert&& convert) {
  return call([&] {
    Arguments a(sig, args, nargs, kwnames);
    auto& cell = receive(self);
    SharedBorrow borrow(cell.borrow);
    CellValue value = convert(a[0]);
    engine::write_value(*cell.payload.write(), std::move(value));
    return none();
  });
}

constexpr Signature kSetValueNumber{"set_value_number", "Cell", {"value"}, 1};
PyObject* set_value_number(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
  return set_value_with<kSetValueNumber>(self, args, nargs, kwnames, [](PyObject* v) {
    return CellValue::numeric(extract<double>(v, "value"));
  });
}

constexpr Signature kSetValueInteger{"set_value_integer", "Cell", {"value"}, 1};
PyObject* set_value_integer(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
  return set_value_with<kSetValueInteger>(self, args, nargs, kwnames, [](PyObject* v) {
    return CellValue::integer(extract<int32_t>(v, "value"));
  });
}

constexpr Signature kSetValueBool{"set_value_bool", "Cell", {"value"}, 1};
PyObject* set_value_bool(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
  return set_value_with<kSetValueBool>(self, args, nargs, kwnames, [](PyObject* v) {
    return CellValue::boolean(extract<bool>(v, "value"));
  });
}

// A naive datetime.datetime (or subclass) through the interpreter's date-time C
// interface, loaded on first use.
engine::DateTime naive_date_time(PyObject* object) {
  if (PyDateTimeAPI == nullptr) {
    PyDateTime_IMPORT;
    if (PyDateTimeAPI == nullptr) throw_python_error();
  }
  if (!PyDateTime_Check(object)) raise_cannot_convert(object, "PyDateTime");
  if (PyDateTime_DATE_GET_TZINFO(object) != Py_None) {
    raise_error(PyExc_TypeError, "expected a datetime without tzinfo");
  }
  const int year = PyDateTime_GET_YEAR(object);
  const int month = PyDateTime_GET_MONTH(object);
  const int day = PyDateTime_GET_DAY(object);
  if (!engine::DateTime::from_parts(year, month, day, 0, 0, 0, 0)) {
    raise_error(PyExc_ValueError, "invalid or out-of-range date");
  }
  const auto value = engine::DateTime::from_parts(
      year, month, day, PyDateTime_DATE_GET_HOUR(object), PyDateTime_DATE_GET_MINUTE(object),
      PyDateTime_DATE_GET_SECOND(object),
      static_cast<uint32_t>(PyDateTime_DATE_GET_MICROSECOND(object)) * 1000u);
  if (!value) raise_error(PyExc_ValueError, "invalid or out-of-range time");
  return *value;
}

constexpr Signature kSetValueDatetime{"set_value_datetime", "Cell", {"value"}, 1};
PyObject* set_value_datetime(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
  return set_value_with<kSetValueDatetime>(self, args, nargs, kwnames, [](PyObject* v) {
    try {
      return CellValue::date_time(naive_date_time(v));
    } catch (const PythonError&) {
      relabel_pending_error("value");
      throw;
    }
  });
}

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& cell = receive(self);
    ReprBorrow borrow(cell.borrow);
    std::string text = "Cell, Coords: " + cell.payload.read()->coord.debug_text();
    return to_python(text);
  });
}

PyMethodDef methods[] = {
    method<kSetValueNumber>(set_value_number),
    method<kSetValueInteger>(set_value_integer),
    method<kSetValueBool>(set_value_bool),
    method<kSetValueDatetime>(set_value_datetime),
    {},
};

using Get = CellGetters<cell_class>;
PyGetSetDef attributes[] = {
    attribute("row", Get::row),
    attribute("column", Get::column),
    attribute("letter", Get::letter),
    attribute("value", Get::value, set_value),
    attribute("formula", Get::formula, set_text_field<store_formula>),
    attribute("style", Get::style, set_text_field<store_style>),
    attribute("data_type", Get::data_type),
    attribute("hidden_value", Get::hidden_value, set_text_field<store_hidden_value>),
    attribute("is_formula", Get::is_formula),
    attribute("is_value_bool", Get::is_kind<Kind::Bool>),
    attribute("is_value_numeric", Get::is_kind<Kind::Numeric>),
    attribute("is_value_integer", Get::is_kind<Kind::Integer>),
    attribute("is_value_datetime", Get::is_kind<Kind::DateTime>),
    attribute("is_value_empty", Get::is_kind<Kind::Empty>),
    {},
};

}  // namespace

CellClass& cell_class() {
  static CellClass c({.name = "sheafwork.Cell",
                      .repr = repr,
                      .methods = methods,
                      .getset = attributes});
  return c;
}

}  // namespace binding
