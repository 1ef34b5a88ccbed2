// The reading members of a cell view, one body each for both classes that show a cell
// record: Cell and its read-only twin ReadableCell. A getter is instantiated with the
// function that gives its class, so the receiver is checked against the class it was
// reached through; each takes a shared borrow and reads under the record's read lock.
//
//   using Get = CellGetters<readable_cell_class>;
//   PyGetSetDef attributes[] = {attribute("row", Get::row), ..., {}};
#pragma once

#include <string>

#include "binding/frame/frame.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/model/letters.h"

namespace binding {

// Cell and ReadableCell hold the same payload, so they share the C++ class type.
using CellClass = Class<engine::Shared<engine::Cell>>;

template <CellClass& (*cls)()>
struct CellGetters {
  static PyObject* row(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.coord.row; });
  }
  static PyObject* column(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.coord.column; });
  }
  static PyObject* letter(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) {
      return engine::letter_coordinate(c.coord.row, c.coord.column);
    });
  }
  static PyObject* value(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.value.text(); });
  }
  static PyObject* formula(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.formula(); });
  }
  static PyObject* style(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.style_id(); });
  }
  static PyObject* data_type(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return std::string(c.data_type_text()); });
  }
  static PyObject* hidden_value(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.hidden_value(); });
  }
  static PyObject* is_formula(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.is_formula(); });
  }
  template <engine::CellValue::Kind kind>
  static PyObject* is_kind(PyObject* self, void*) {
    return read(self, [](const engine::Cell& c) { return c.value.kind() == kind; });
  }

 private:
  static PyObject* read(PyObject* self, auto&& read) { return read_record(cls(), self, read); }
};

}  // namespace binding
