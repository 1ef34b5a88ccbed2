#include "binding/sheet.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/cell.h"
#include "binding/comment.h"
#include "binding/searches.h"
#include "binding/sheet_getters.h"
#include "engine/model/dimensions.h"
#include "engine/model/reads.h"
#include "engine/model/sheet_edit.h"

namespace binding {
namespace {

SheetClass::Object& receive(PyObject* self) { return sheet_class().receiver(self); }

// Members hold the interpreter lock throughout and hand back Cell objects.
struct SheetTraits {
  static constexpr const char* kClassName = "Sheet";
  static SheetClass& sheets() { return sheet_class(); }
  static CellClass& cells() { return cell_class(); }
  static constexpr bool kReleasesLock = false;
};

int set_name(PyObject* self, PyObject* value, void*) {
  return call_status([&] {
    refuse_deletion(value);
    std::string name = extract<std::string>(value, "name");
    auto& sheet = receive(self);
    SharedBorrow borrow(sheet.borrow);
    sheet.payload.write()->name = std::move(name);
  });
}

constexpr Signature kSetSheetState{"set_sheet_state", "Sheet", {"state"}, 1};
PyObject* set_sheet_state(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return call([&] {
    Arguments a(kSetSheetState, args, nargs, kwnames);
    auto& sheet = receive(self);
    SharedBorrow borrow(sheet.borrow);
    std::string state = a.get<std::string>(0);
    sheet.payload.write()->sheet_state = std::move(state);
    return none();
  });
}

constexpr Signature kAddMergeCells{
    "add_merge_cells", "Sheet", {"start_row", "end_row", "start_col", "end_col"}, 4};
PyObject* add_merge_cells(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return call([&] {
    Arguments a(kAddMergeCells, args, nargs, kwnames);
    auto& sheet = receive(self);
    ExclusiveBorrow borrow(sheet.borrow);
    engine::MergeCell range;
    range.start_row = a.get<uint32_t>(0);
    range.end_row = a.get<uint32_t>(1);
    range.start_col = a.get<uint16_t>(2);
    range.end_col = a.get<uint16_t>(3);
    sheet.payload.write()->merge_cells.push_back(range);
    return none();
  });
}

constexpr Signature kAddComment{"add_comment", "Sheet", {"row", "col", "text", "author"}, 4};
PyObject* add_comment(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames) {
  return call([&] {
    Arguments a(kAddComment, args, nargs, kwnames);
    auto& sheet = receive(self);
    ExclusiveBorrow borrow(sheet.borrow);
    const uint32_t row = a.get<uint32_t>(0);
    const uint16_t col = a.get<uint16_t>(1);
    std::string text = a.get<std::string>(2);
    std::string author = a.get<std::string>(3);
    engine::add_comment(*sheet.payload.write(), row, col, std::move(text), std::move(author));
    return none();
  });
}

PyObject* get_comments(PyObject* self, void*) {
  return read_record(
      sheet_class(), self, [](const engine::Sheet& s) { return s.comments; },
      [](std::vector<engine::Shared<engine::Comment>> comments) {
        return comment_class().wrap_all(std::move(comments));
      });
}

constexpr Signature kCell{"cell", "Sheet", {"row", "col", "value"}, 2};

struct CellArguments {
  uint32_t row;
  uint16_t col;
  std::optional<std::string_view> value;
};

// The usual call, cell(row, col) or cell(row, col, value) with small plain ints in range
// and an ASCII str or None, read straight from the objects: nothing in it can fail or run
// Python code, so reading it first changes nothing, and the general parser (a third of
// the cost of a call that adds a cell) is left to every other call. Filled in place and
// inlined: a small struct handed back and copied cost a stalled load on every call.
[[gnu::always_inline]] inline bool read_plain_cell_arguments(PyObject* const* args,
                                                             Py_ssize_t nargsf,
                                                             PyObject* kwnames,
                                                             CellArguments& plain) {
  const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
  if (kwnames != nullptr || nargs < 2 || nargs > 3) return false;
  auto small = [](PyObject* object, uint64_t most, uint64_t& out) {
    if (!PyLong_CheckExact(object)) return false;
    auto* number = reinterpret_cast<PyLongObject*>(object);
    if (!PyUnstable_Long_IsCompact(number)) return false;
    const Py_ssize_t v = PyUnstable_Long_CompactValue(number);
    if (v < 0 || static_cast<uint64_t>(v) > most) return false;
    out = static_cast<uint64_t>(v);
    return true;
  };
  uint64_t row, col;
  if (!small(args[0], UINT32_MAX, row) || !small(args[1], UINT16_MAX, col)) return false;
  plain.row = static_cast<uint32_t>(row);
  plain.col = static_cast<uint16_t>(col);
  plain.value.reset();
  if (nargs == 3 && args[2] != Py_None) {
    PyObject* text = args[2];
    if (!PyUnicode_CheckExact(text) || !PyUnicode_IS_COMPACT_ASCII(text)) return false;
    plain.value.emplace(static_cast<const char*>(PyUnicode_DATA(text)),
                        static_cast<size_t>(PyUnicode_GET_LENGTH(text)));
  }
  return true;
}

// Runs no Python code: the engine edit, then a new Cell (a class outside garbage
// collection, so making one starts no collection). The fast path of `cell` takes no
// borrow for it, so the promise is checked where asserts are on.
Ref add_cell(SheetClass::Object& sheet, const CellArguments& c) {
  const NoPythonScope no_python;
  engine::Shared<engine::Cell> found = [&] {
    auto guard = sheet.payload.write();
    return engine::cell_at(*guard, c.row, c.col, c.value);
  }();
  return cell_class().wrap(std::move(found));
}

PyObject* cell(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call([&] {
    CellArguments c;
    if (read_plain_cell_arguments(args, nargs, kwnames, c)) {
      auto& sheet = receive(self);
      check_shareable(sheet.borrow);
      return add_cell(sheet, c);
    }
    Arguments a(kCell, args, nargs, kwnames);
    auto& sheet = receive(self);
    SharedBorrow borrow(sheet.borrow);
    c.row = a.get<uint32_t>(0);
    c.col = a.get<uint16_t>(1);
    c.value = a.get<std::optional<std::string_view>>(2);
    return add_cell(sheet, c);
  });
}

// The row and column setters and the deletions: two arguments converted in order, then
// the change under the sheet's write lock.
template <const Signature& Sig, class First, class Second, auto Change>
PyObject* change_sheet(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames) {
  return call([&] {
    Arguments a(Sig, args, nargs, kwnames);
    auto& sheet = receive(self);
    SharedBorrow borrow(sheet.borrow);
    const First first = a.get<First>(0);
    const Second second = a.get<Second>(1);
    Change(*sheet.payload.write(), first, second);
    return none();
  });
}

// The row and column getters: a row or column number, then the read under the sheet's
// read lock.
template <const Signature& Sig, class Number, auto Read>
PyObject* read_dimension(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
  return call([&] {
    Arguments a(Sig, args, nargs, kwnames);
    auto& sheet = receive(self);
    SharedBorrow borrow(sheet.borrow);
    const Number number = a.get<Number>(0);
    return to_python(Read(*sheet.payload.read(), number));
  });
}

constexpr Signature kDeleteCols{"delete_cols", "Sheet", {"idx", "amount"}, 2};
constexpr Signature kDeleteRows{"delete_rows", "Sheet", {"idx", "amount"}, 2};
constexpr Signature kSetHeightRow{"set_height_row", "Sheet", {"row_num", "val"}, 2};
constexpr Signature kSetHiddenRow{"set_hidden_row", "Sheet", {"row_num", "val"}, 2};
constexpr Signature kSetWidthColumn{"set_width_column", "Sheet", {"col_num", "val"}, 2};
constexpr Signature kSetHiddenColumn{"set_hidden_column", "Sheet", {"col_num", "val"}, 2};
constexpr Signature kGetHeightByRow{"get_height_by_row", "Sheet", {"row_num"}, 1};
constexpr Signature kGetHiddenByRow{"get_hidden_by_row", "Sheet", {"row_num"}, 1};
constexpr Signature kGetWidthByColumn{"get_width_by_column", "Sheet", {"col_num"}, 1};
constexpr Signature kGetHiddenByColumn{"get_hidden_by_column", "Sheet", {"col_num"}, 1};

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& sheet = receive(self);
    ReprBorrow borrow(sheet.borrow);
    std::string text = [&] {
      auto guard = sheet.payload.read();
      return "Sheet (" + guard->name + ") cells: " + std::to_string(guard->cells.entries.size());
    }();
    return to_python(text);
  });
}

using Source = SheetCells<SheetTraits>;
using Get = SheetGetters<SheetTraits>;
namespace s = searches;

PyMethodDef methods[] = {
    method<kSetSheetState>(set_sheet_state),
    method<kAddMergeCells>(add_merge_cells),
    method<kAddComment>(add_comment),
    method<kCell>(cell),
    search_method<s::GetValueCell, Source>(),
    method<kDeleteCols>(change_sheet<kDeleteCols, uint16_t, uint16_t, engine::delete_cols>),
    method<kDeleteRows>(change_sheet<kDeleteRows, uint32_t, uint32_t, engine::delete_rows>),
    method<kSetHeightRow>(change_sheet<kSetHeightRow, uint32_t, double, engine::set_height_row>),
    method<kSetHiddenRow>(change_sheet<kSetHiddenRow, uint32_t, bool, engine::set_hidden_row>),
    method<kSetWidthColumn>(
        change_sheet<kSetWidthColumn, uint16_t, double, engine::set_width_column>),
    method<kSetHiddenColumn>(
        change_sheet<kSetHiddenColumn, uint16_t, bool, engine::set_hidden_column>),
    search_method<s::GetCellsByRange, Source>(),
    method<kGetHeightByRow>(read_dimension<kGetHeightByRow, uint32_t, engine::get_height_by_row>),
    method<kGetHiddenByRow>(read_dimension<kGetHiddenByRow, uint32_t, engine::get_hidden_by_row>),
    method<kGetWidthByColumn>(
        read_dimension<kGetWidthByColumn, uint16_t, engine::get_width_by_column>),
    method<kGetHiddenByColumn>(
        read_dimension<kGetHiddenByColumn, uint16_t, engine::get_hidden_by_column>),
    search_method<s::FindCellByRegex, Source>(),
    search_method<s::FindCellByStrContained, Source>(),
    search_method<s::FindCellByLetter, Source>(),
    search_method<s::FindCellsByRegex, Source>(),
    search_method<s::FindCellsByStr, Source>(),
    search_method<s::FindCellsForRowsByRegex, Source>(),
    search_method<s::FindCellsForColsByRegex, Source>(),
    search_method<s::FindCellsMultiRegex, Source>(),
    search_method<s::FindCellsBetweenRegex, Source>(),
    search_method<s::FindCellsRangeRows, Source>(),
    search_method<s::FindCellsRangeCols, Source>(),
    search_method<s::FindValueByCoords, Source>(),
    {},
};

PyGetSetDef attributes[] = {
    attribute("name", Get::name, set_name),
    attribute("sheet_state", Get::sheet_state),
    attribute("max_row", Get::max_row),
    attribute("max_column", Get::max_column),
    attribute("cells", Get::cells),
    attribute("merge_cells", Get::merge_cells),
    attribute("comments", get_comments),
    {},
};

}  // namespace

SheetClass& sheet_class() {
  static SheetClass c({.name = "sheafwork.Sheet",
                       .repr = repr,
                       .methods = methods,
                       .getset = attributes});
  return c;
}

}  // namespace binding
