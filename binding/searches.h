// Every cell search that Python can call, described once: the parameters before `cells`
// (as a signature without a class) and `prepare`, which converts the arguments in
// parameter order and returns the engine work (search_shell.h). The sources of cells
// decide the rest, so `Sheet`, `ReadableSheet` and the module functions of
// sheafwork.readable list these in their tables. Text arguments are copied into the
// work, which may run without the interpreter lock. Arguments are converted into locals
// first: the order in which a lambda's captures are initialised is not fixed, and the
// first failing argument is the one an error must name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "binding/search_shell.h"
#include "engine/model/reads.h"
#include "engine/search/marker_search.h"
#include "engine/search/position_search.h"
#include "engine/search/value_search.h"

namespace binding::searches {

using engine::CellList;
using engine::Sheet;

struct FindCellByRegex {
  static constexpr Signature kSignature{"find_cell_by_regex", nullptr, {"regex"}, 1};
  static auto prepare(const Arguments& a) {
    return [regex = a.get<std::string>(0)](CellList cells) {
      return engine::find_cell_by_regex(regex, cells);
    };
  }
};

// The methods of the sheet classes test containment, as find_cell_by_regex does.
struct FindCellByStrContained {
  static constexpr Signature kSignature{"find_cell_by_str", nullptr, {"value"}, 1};
  static auto prepare(const Arguments& a) {
    return [value = a.get<std::string>(0)](CellList cells) {
      return engine::find_cell_by_regex(value, cells);
    };
  }
};

// The module function tests trimmed equality, as find_cells_by_str does.
struct FindCellByStrTrimmed {
  static constexpr Signature kSignature{"find_cell_by_str", nullptr, {"value"}, 1};
  static auto prepare(const Arguments& a) {
    return [value = a.get<std::string>(0)](CellList cells) {
      return engine::find_cell_by_str(value, cells);
    };
  }
};

struct FindCellByLetter {
  static constexpr Signature kSignature{"find_cell_by_letter", nullptr, {"letter"}, 1};
  static auto prepare(const Arguments& a) {
    return [letter = a.get<std::string>(0)](CellList cells) {
      return engine::find_cell_by_letter(letter, cells);
    };
  }
};

struct FindCellsByRegex {
  static constexpr Signature kSignature{"find_cells_by_regex", nullptr, {"regex"}, 1};
  static auto prepare(const Arguments& a) {
    return [regex = a.get<std::string>(0)](CellList cells) {
      return engine::find_cells_by_regex(regex, cells);
    };
  }
};

struct FindCellsByStr {
  static constexpr Signature kSignature{"find_cells_by_str", nullptr, {"value"}, 1};
  static auto prepare(const Arguments& a) {
    return [value = a.get<std::string>(0)](CellList cells) {
      return engine::find_cells_by_str(value, cells);
    };
  }
};

struct FindCellsForRowsByRegex {
  static constexpr Signature kSignature{
      "find_cells_for_rows_by_regex", nullptr, {"regex", "col_stop"}, 2};
  static auto prepare(const Arguments& a) {
    std::string regex = a.get<std::string>(0);
    const uint16_t col_stop = a.get<uint16_t>(1);
    return [regex = std::move(regex), col_stop](CellList cells) {
      return engine::find_cells_for_rows_by_regex(regex, col_stop, cells);
    };
  }
};

struct FindCellsForColsByRegex {
  static constexpr Signature kSignature{
      "find_cells_for_cols_by_regex", nullptr, {"regex", "row_stop"}, 2};
  static auto prepare(const Arguments& a) {
    std::string regex = a.get<std::string>(0);
    const uint32_t row_stop = a.get<uint32_t>(1);
    return [regex = std::move(regex), row_stop](CellList cells) {
      return engine::find_cells_for_cols_by_regex(regex, row_stop, cells);
    };
  }
};

struct FindCellsMultiRegex {
  static constexpr Signature kSignature{
      "find_cells_multi_regex", nullptr, {"before_regex", "after_regex"}, 2};
  static auto prepare(const Arguments& a) {
    std::string before = a.get<std::string>(0);
    std::string after = a.get<std::string>(1);
    return [before = std::move(before), after = std::move(after)](CellList cells) {
      return engine::find_cells_multi_regex(before, after, cells);
    };
  }
};

struct FindCellsBetweenRegex {
  static constexpr Signature kSignature{
      "find_cells_between_regex", nullptr, {"before_regex", "after_regex"}, 2};
  static auto prepare(const Arguments& a) {
    std::string before = a.get<std::string>(0);
    std::string after = a.get<std::string>(1);
    return [before = std::move(before), after = std::move(after)](CellList cells) {
      return engine::find_cells_between_regex(before, after, cells);
    };
  }
};

struct FindCellsRangeRows {
  static constexpr Signature kSignature{
      "find_cells_range_rows", nullptr, {"start_row", "end_row"}, 2};
  static auto prepare(const Arguments& a) {
    const uint32_t start = a.get<uint32_t>(0);
    const uint32_t end = a.get<uint32_t>(1);
    return [=](CellList cells) {
      return engine::find_cells_range_rows(start, end, cells);
    };
  }
};

struct FindCellsRangeCols {
  static constexpr Signature kSignature{
      "find_cells_range_cols", nullptr, {"start_col", "end_col"}, 2};
  static auto prepare(const Arguments& a) {
    const uint16_t start = a.get<uint16_t>(0);
    const uint16_t end = a.get<uint16_t>(1);
    return [=](CellList cells) {
      return engine::find_cells_range_cols(start, end, cells);
    };
  }
};

// A sheet looks the key up in its cell map; a list gives the first cell in list order
// that holds the coordinate.
struct FindValueByCoords {
  static constexpr Signature kSignature{"find_value_by_coords", nullptr, {"row", "col"}, 2};
  static auto prepare(const Arguments& a) {
    const uint32_t row = a.get<uint32_t>(0);
    const uint16_t col = a.get<uint16_t>(1);
    return Overload{
        [=](const Sheet& sheet) { return engine::find_value_by_coords(sheet.cells, row, col); },
        [=](CellList cells) -> std::optional<std::string> {
          const engine::OptionalCell found = engine::find_cell_by_coords(row, col, cells);
          if (!found) return std::nullopt;
          return found->read()->value.text();
        }};
  }
};

// A sheet gives the cell stored under the key, without reading it; a list the first cell
// in list order that holds the coordinate.
struct FindCellByCoords {
  static constexpr Signature kSignature{"find_cell_by_coords", nullptr, {"row", "col"}, 2};
  static auto prepare(const Arguments& a) {
    const uint32_t row = a.get<uint32_t>(0);
    const uint16_t col = a.get<uint16_t>(1);
    return Overload{
        [=](const Sheet& sheet) { return engine::cell_stored_at(sheet.cells, row, col); },
        [=](CellList cells) { return engine::find_cell_by_coords(row, col, cells); }};
  }
};

// The value text under a key of the cell map, "" when there is none: one lookup, run
// with the interpreter lock held.
struct GetValueCell {
  static constexpr Signature kSignature{"get_value_cell", nullptr, {"row", "col"}, 2};
  static constexpr bool kHoldsLock = true;
  static auto prepare(const Arguments& a) {
    const uint32_t row = a.get<uint32_t>(0);
    const uint16_t col = a.get<uint16_t>(1);
    return [row, col](const Sheet& sheet) {
      return engine::get_value_cell(sheet.cells, row, col);
    };
  }
};

struct FindValuesByColRows {
  static constexpr Signature kSignature{"find_values_by_col_rows", nullptr, {"col", "rows"}, 2};
  static auto prepare(const Arguments& a) {
    const uint16_t col = a.get<uint16_t>(0);
    std::vector<uint32_t> rows = a.get<std::vector<uint32_t>>(1);
    return [col, rows = std::move(rows)](CellList cells) {
      return engine::find_values_by_col_rows(col, rows, cells);
    };
  }
};

struct FindValuesByRowCols {
  static constexpr Signature kSignature{"find_values_by_row_cols", nullptr, {"row", "cols"}, 2};
  static auto prepare(const Arguments& a) {
    const uint32_t row = a.get<uint32_t>(0);
    std::vector<uint16_t> cols = a.get<std::vector<uint16_t>>(1);
    return [row, cols = std::move(cols)](CellList cells) {
      return engine::find_values_by_row_cols(row, cols, cells);
    };
  }
};

// The cells inside a rectangle of the cell map; absent bounds take the engine's defaults.
struct GetCellsByRange {
  static constexpr Signature kSignature{
      "get_cells_by_range", nullptr, {"start_row", "end_row", "start_col", "end_col"}, 0};
  static auto prepare(const Arguments& a) {
    const auto start_row = a.get<std::optional<uint32_t>>(0);
    const auto end_row = a.get<std::optional<uint32_t>>(1);
    const auto start_col = a.get<std::optional<uint16_t>>(2);
    const auto end_col = a.get<std::optional<uint16_t>>(3);
    return [=](const Sheet& sheet) {
      return engine::get_cells_by_range(sheet.cells, start_row, end_row, start_col, end_col);
    };
  }
};

}  // namespace binding::searches
