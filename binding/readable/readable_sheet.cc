#include "binding/readable/readable_sheet.h"

#include <string>

#include "binding/cell.h"
#include "binding/readable/readable_cell.h"
#include "binding/searches.h"
#include "binding/sheet_getters.h"

namespace binding {
namespace {

// Searches release the interpreter lock and hand back ReadableCell objects.
struct ReadableSheetTraits {
  static constexpr const char* kClassName = "ReadableSheet";
  static ReadableSheetClass& sheets() { return readable_sheet_class(); }
  static CellClass& cells() { return readable_cell_class(); }
  static constexpr bool kReleasesLock = true;
};
using Source = SheetCells<ReadableSheetTraits>;
using Get = SheetGetters<ReadableSheetTraits>;
namespace s = searches;

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& sheet = readable_sheet_class().receiver(self);
    ReprBorrow borrow(sheet.borrow);
    std::string text = qualified_type_name(self) + " (";
    {
      auto guard = sheet.payload.read();
      text += guard->name + ") cells: " + std::to_string(guard->cells.entries.size());
    }
    return to_python(text);
  });
}

PyMethodDef methods[] = {
    search_method<s::GetValueCell, Source>("get_value_cell($self, row, col)\n--\n\n"),
    search_method<s::GetCellsByRange, Source>(
        "get_cells_by_range($self, start_row=None, end_row=None, start_col=None, "
        "end_col=None)\n--\n\n"),
    search_method<s::FindCellByRegex, Source>("find_cell_by_regex($self, regex)\n--\n\n"),
    search_method<s::FindCellByStrContained, Source>("find_cell_by_str($self, value)\n--\n\n"),
    search_method<s::FindCellByCoords, Source>("find_cell_by_coords($self, row, col)\n--\n\n"),
    search_method<s::FindCellByLetter, Source>("find_cell_by_letter($self, letter)\n--\n\n"),
    search_method<s::FindCellsByRegex, Source>("find_cells_by_regex($self, regex)\n--\n\n"),
    search_method<s::FindCellsByStr, Source>("find_cells_by_str($self, value)\n--\n\n"),
    search_method<s::FindCellsForRowsByRegex, Source>(
        "find_cells_for_rows_by_regex($self, regex, col_stop)\n--\n\n"),
    search_method<s::FindCellsForColsByRegex, Source>(
        "find_cells_for_cols_by_regex($self, regex, row_stop)\n--\n\n"),
    search_method<s::FindCellsMultiRegex, Source>(
        "find_cells_multi_regex($self, before_regex, after_regex)\n--\n\n"),
    search_method<s::FindCellsBetweenRegex, Source>(
        "find_cells_between_regex($self, before_regex, after_regex)\n--\n\n"),
    search_method<s::FindCellsRangeRows, Source>(
        "find_cells_range_rows($self, start_row, end_row)\n--\n\n"),
    search_method<s::FindCellsRangeCols, Source>(
        "find_cells_range_cols($self, start_col, end_col)\n--\n\n"),
    search_method<s::FindValuesByColRows, Source>(
        "find_values_by_col_rows($self, col, rows)\n--\n\n"),
    search_method<s::FindValuesByRowCols, Source>(
        "find_values_by_row_cols($self, row, cols)\n--\n\n"),
    search_method<s::FindValueByCoords, Source>("find_value_by_coords($self, row, col)\n--\n\n"),
    {},
};

PyGetSetDef attributes[] = {
    attribute("name", Get::name),
    attribute("sheet_state", Get::sheet_state),
    attribute("max_row", Get::max_row),
    attribute("max_column", Get::max_column),
    attribute("cells", Get::cells),
    attribute("merge_cells", Get::merge_cells),
    {},
};

}  // namespace

ReadableSheetClass& readable_sheet_class() {
  static ReadableSheetClass c({.name = "sheafwork.readable.ReadableSheet",
                               .repr = repr,
                               .methods = methods,
                               .getset = attributes});
  return c;
}

}  // namespace binding
