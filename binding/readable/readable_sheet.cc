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
    search_method<s::GetValueCell, Source>(),
    search_method<s::GetCellsByRange, Source>(),
    search_method<s::FindCellByRegex, Source>(),
    search_method<s::FindCellByStrContained, Source>(),
    search_method<s::FindCellByCoords, Source>(),
    search_method<s::FindCellByLetter, Source>(),
    search_method<s::FindCellsByRegex, Source>(),
    search_method<s::FindCellsByStr, Source>(),
    search_method<s::FindCellsForRowsByRegex, Source>(),
    search_method<s::FindCellsForColsByRegex, Source>(),
    search_method<s::FindCellsMultiRegex, Source>(),
    search_method<s::FindCellsBetweenRegex, Source>(),
    search_method<s::FindCellsRangeRows, Source>(),
    search_method<s::FindCellsRangeCols, Source>(),
    search_method<s::FindValuesByColRows, Source>(),
    search_method<s::FindValuesByRowCols, Source>(),
    search_method<s::FindValueByCoords, Source>(),
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
