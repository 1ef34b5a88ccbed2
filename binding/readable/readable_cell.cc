#include "binding/readable/readable_cell.h"

#include <string>

namespace binding {
namespace {

using Kind = engine::CellValue::Kind;

// The type's qualified name is read anew at each call, so the repr follows a renamed
// class as the interpreter's own reprs do.
PyObject* repr(PyObject* self) {
  return call([&] {
    auto& cell = readable_cell_class().receiver(self);
    std::string text = qualified_type_name(self) + ", Coords: ";
    ReprBorrow borrow(cell.borrow);
    text += cell.payload.read()->coord.debug_text();
    return to_python(text);
  });
}

using Get = CellGetters<readable_cell_class>;
PyGetSetDef attributes[] = {
    attribute("row", Get::row),
    attribute("column", Get::column),
    attribute("letter", Get::letter),
    attribute("value", Get::value),
    attribute("formula", Get::formula),
    attribute("style", Get::style),
    attribute("data_type", Get::data_type),
    attribute("is_formula", Get::is_formula),
    attribute("is_value_bool", Get::is_kind<Kind::Bool>),
    attribute("is_value_numeric", Get::is_kind<Kind::Numeric>),
    attribute("is_value_integer", Get::is_kind<Kind::Integer>),
    attribute("is_value_datetime", Get::is_kind<Kind::DateTime>),
    attribute("is_value_empty", Get::is_kind<Kind::Empty>),
    {},
};

}  // namespace

CellClass& readable_cell_class() {
  static CellClass c({.name = "sheafwork.readable.ReadableCell",
                      .repr = repr,
                      .getset = attributes});
  return c;
}

}  // namespace binding
