#include "binding/readable/records.h"

#include <optional>
#include <string>
#include <utility>

#include "binding/frame/call.h"
#include "binding/frame/list_walk.h"
#include "binding/frame/py_to_value.h"
#include "binding/frame/python_error_stop.h"
#include "binding/python_free/merge_ranges.h"
#include "binding/readable/readable_cell.h"

namespace binding {
namespace {

enum Field { kRow, kColumn, kValue, kFormula, kDataType, kName, kSheetState, kMergeCells,
             kCells, kFieldCount };

// The field names as interned str objects, made on first use and kept for the process,
// so that no read makes a new key.
PyObject* field_name(Field field) {
  static PyObject* names[kFieldCount] = {};
  if (names[field] == nullptr) {
    static constexpr const char* kTexts[kFieldCount] = {
        "row", "column", "value", "formula", "data_type", "name", "sheet_state",
        "merge_cells", "cells"};
    names[field] = checked(PyUnicode_InternFromString(kTexts[field])).release();
  }
  return names[field];
}

// One source object, read by key or by attribute.
class Source {
 public:
  explicit Source(PyObject* object) : object_(object), by_key_(PyDict_Check(object)) {}

  Ref field(Field field) const {
    PyObject* name = field_name(field);
    if (PyDict_CheckExact(object_)) {
      // A plain dict has no hooks, so the lookup goes straight to the table; the missing
      // key is raised as the subscript would raise it.
      if (PyObject* value = PyDict_GetItemWithError(object_, name)) return Ref::borrow(value);
      if (!PyErr_Occurred()) PyErr_SetObject(PyExc_KeyError, name);
      stop_with_python_error();
    }
    PyObject* value =
        by_key_ ? PyObject_GetItem(object_, name) : PyObject_GetAttr(object_, name);
    if (value == nullptr) stop_with_python_error();
    return Ref::steal(value);
  }

  // The field as a loose value; its Python reference is given up at once.
  PyValue value(Field f) const { return py_to_value(field(f).get()); }

 private:
  PyObject* object_;
  bool by_key_;
};

engine::Cell read_cell(PyObject* object) {
  const Source source(object);
  const uint32_t row = value_to_u32(source.value(kRow));
  const uint16_t column = value_to_u16(source.value(kColumn));
  std::optional<std::string> value = value_to_opt_string(source.value(kValue));
  std::optional<std::string> formula = value_to_opt_string(source.value(kFormula));
  const std::string data_type = value_to_string(source.value(kDataType));

  engine::Cell cell(row, column, std::nullopt);
  if (value) {
    cell.value = data_type == "s" ? engine::CellValue::string(*value)
                                  : engine::CellValue::from_text(*value);
  }
  cell.set_formula(std::move(formula));
  cell.set_data_type(data_type);
  return cell;
}

engine::Sheet read_sheet(PyObject* object) {
  const Source source(object);
  std::string name = value_to_string(source.value(kName));
  std::string sheet_state = value_to_string(source.value(kSheetState));
  std::vector<engine::MergeCell> merge_cells =
      merge_ranges_from_value(source.value(kMergeCells));
  const Ref cells = source.field(kCells);
  if (!PyList_Check(cells.get())) stop_not_a_list(cells.get());

  engine::Sheet sheet(std::move(name), std::move(sheet_state));
  sheet.merge_cells = std::move(merge_cells);
  auto& entries = sheet.cells.entries;
  entries.reserve(static_cast<size_t>(PyList_GET_SIZE(cells.get())));
  walk_list(cells.get(), [&](PyObject* item) {
    auto cell = engine::Shared<engine::Cell>::make_in(sheet.cell_arena, read_cell(item));
    const engine::Coordinate at = cell.read()->coord;
    entries.insert_or_assign(at, std::move(cell));
  });
  return sheet;
}

}  // namespace

std::vector<engine::Sheet> sheets_from_list(PyObject* list) {
  std::vector<engine::Sheet> sheets;
  sheets.reserve(static_cast<size_t>(PyList_GET_SIZE(list)));
  walk_list(list, [&](PyObject* item) { sheets.push_back(read_sheet(item)); });
  return sheets;
}

ListOfCells::ListOfCells(PyObject* list) : lent_(static_cast<size_t>(PyList_GET_SIZE(list))) {
  CellClass& readable = readable_cell_class();
  PyTypeObject* readable_type = readable.type();
  // The walk of list_walk.h, written out: a ReadableCell item runs no Python code while
  // it is read, so it needs no reference of its own for that. Reading ahead in the item
  // array keeps the objects' loads in flight.
  constexpr Py_ssize_t kAhead = 8;
  const Py_ssize_t start = PyList_GET_SIZE(list);
  size_t count = 0;
  for (Py_ssize_t i = 0; i < start && i < PyList_GET_SIZE(list); ++i) {
    if (i + kAhead < PyList_GET_SIZE(list)) __builtin_prefetch(PyList_GET_ITEM(list, i + kAhead));
    PyObject* item = PyList_GET_ITEM(list, i);
    if (Py_IS_TYPE(item, readable_type)) {
      auto& instance = *reinterpret_cast<CellClass::Object*>(item);
      if (instance.borrow.is_exclusive())
        raise_error(PyExc_RuntimeError, "Already mutably borrowed");
      lent_.lend(count++, instance.payload);
    } else {
      const Ref held = Ref::borrow(item);
      built_.push_back(engine::Shared<engine::Cell>::make(read_cell(item)));
      lent_.lend(count++, built_.back());
    }
  }
  lent_.shrink_to(count);
}

// The built records were handed out by this call alone, so the lending scopes of other
// calls cannot hold them: they need not wait for those scopes to close (shared.h).
ListOfCells::~ListOfCells() {
  for (engine::Shared<engine::Cell>& cell : built_) cell.release_unlent();
}

}  // namespace binding
