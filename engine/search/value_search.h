// Cell searches by value, in the shell of cell_list.h.
//
// Search texts are literal: "contains" is a case-sensitive substring test of the value
// text, and "" is contained in every value text. The operations that take a search text
// return Result so that callers map errors in one place, but a literal search never
// produces an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/base/error.h"
#include "engine/search/cell_list.h"

namespace engine {

// Cells whose value text, trimmed of white space, equals `value` trimmed.
CellHandles find_cells_by_str(std::string_view value, CellList cells);
// The first such cell in list order.
OptionalCell find_cell_by_str(std::string_view value, CellList cells);

// The first cell in list order whose value text contains `regex`.
Result<OptionalCell> find_cell_by_regex(std::string_view regex, CellList cells);
// Every cell whose value text contains `regex`.
Result<CellHandles> find_cells_by_regex(std::string_view regex, CellList cells);
// Same, limited to cells whose column is at most `col_stop`.
Result<CellHandles> find_cells_for_rows_by_regex(std::string_view regex, uint16_t col_stop,
                                                 CellList cells);
// Same, limited to cells whose row is at most `row_stop`.
Result<CellHandles> find_cells_for_cols_by_regex(std::string_view regex, uint32_t row_stop,
                                                 CellList cells);

}  // namespace engine
