#include "binding/readable/search_functions.h"

#include <utility>

#include "binding/readable/finder.h"
#include "binding/readable/readable_cell.h"
#include "binding/readable/records.h"
#include "binding/searches.h"

namespace binding {
namespace {

// `sig` as a module function whose last parameter is the list of cells.
constexpr Signature function_signature(Signature sig) {
  const size_t n = sig.count();
  sig.params[n] = "cells";
  sig.required = n + 1;
  return sig;
}

// The caller's `cells` list as a source of cells: its elements read into records in list
// order with the interpreter lock held (a ReadableCell lends its own record), the search
// run over them in that order without the lock, found records handed back as
// ReadableCell objects.
struct ListCells {
  template <class Search>
  static constexpr Signature kSignature = function_signature(Search::kSignature);

  template <class Search>
  static Ref run(PyObject*, const Arguments& a) {
    auto work = Search::prepare(a);
    const ListArg list = a.get<ListArg>(Search::kSignature.count());
    const ListOfCells cells(list.list);
    auto found = allow_threads([&] { return work(cells.view()); });
    return found_to_python(readable_cell_class(), std::move(found));
  }
};

constexpr Signature kCreateFinder{"create_finder", nullptr, {"sheets"}, 1};
PyObject* create_finder(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call([&] {
    const Arguments a(kCreateFinder, args, nargs, kwnames);
    const ListArg sheets = a.get<ListArg>(0);
    std::vector<engine::Sheet> snapshots = sheets_from_list(sheets.list);
    engine::Shared<engine::Book> book =
        allow_threads([&] { return finder_book(std::move(snapshots)); });
    return finder_class().wrap(std::move(book));
  });
}

namespace s = searches;

PyMethodDef functions[] = {
    method<kCreateFinder>(create_finder),
    search_method<s::FindCellByCoords, ListCells>(),
    search_method<s::FindValueByCoords, ListCells>(),
    search_method<s::FindCellByRegex, ListCells>(),
    search_method<s::FindCellByStrTrimmed, ListCells>(),
    search_method<s::FindCellByLetter, ListCells>(),
    search_method<s::FindCellsByRegex, ListCells>(),
    search_method<s::FindCellsByStr, ListCells>(),
    search_method<s::FindCellsForRowsByRegex, ListCells>(),
    search_method<s::FindCellsForColsByRegex, ListCells>(),
    search_method<s::FindCellsMultiRegex, ListCells>(),
    search_method<s::FindCellsBetweenRegex, ListCells>(),
    search_method<s::FindCellsRangeRows, ListCells>(),
    search_method<s::FindCellsRangeCols, ListCells>(),
    search_method<s::FindValuesByColRows, ListCells>(),
    search_method<s::FindValuesByRowCols, ListCells>(),
};

}  // namespace

std::span<PyMethodDef> readable_functions() { return functions; }

}  // namespace binding
