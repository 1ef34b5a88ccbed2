// The other searches of the submodule join find_cells_range_rows here, in registration
// order, once the shared search shell takes over its frame.
#include "binding/readable/search_functions.h"

#include <utility>
#include <vector>

#include "binding/frame/frame.h"
#include "binding/readable/readable_cell.h"
#include "binding/readable/records.h"
#include "engine/search/position_search.h"

namespace binding {
namespace {

constexpr Signature kFindCellsRangeRows{
    "find_cells_range_rows", nullptr, {"start_row", "end_row", "cells"}, 3};
PyObject* find_cells_range_rows(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames) {
  return call([&] {
    Arguments a(kFindCellsRangeRows, args, nargs, kwnames);
    const uint32_t start_row = a.get<uint32_t>(0);
    const uint32_t end_row = a.get<uint32_t>(1);
    const ListArg cells = a.get<ListArg>(2);
    std::vector<engine::Shared<engine::Cell>> list = cells_from_list(cells.list);
    engine::CellHandles found = allow_threads([&] {
      engine::CellHandles result = engine::find_cells_range_rows(start_row, end_row, list);
      list.clear();  // records built for this call and not found die here
      return result;
    });
    return readable_cell_class().wrap_all(std::move(found));
  });
}

PyMethodDef functions[] = {
    method("find_cells_range_rows", find_cells_range_rows,
           "find_cells_range_rows(start_row, end_row, cells)\n--\n\n"),
};

}  // namespace

std::span<PyMethodDef> readable_search_functions() { return functions; }

}  // namespace binding
