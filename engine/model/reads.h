// Reads over one sheet's cell map: the value text at a coordinate, and the cells inside
// a rectangle in row, then column order. The caller holds the sheet's read lock
// throughout; a cell looked up is read under its own read lock, the cells of a walk in
// bulk inside the cells' gate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/model/cell.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

namespace engine {

// The bounds get_cells_by_range takes for those it is not given.
inline constexpr uint32_t kRangeLastRow = 1048576;
inline constexpr uint16_t kRangeLastColumn = 16384;

// The handle stored under (row, col), taken without reading the cell; nullopt when the
// map holds none.
std::optional<Shared<Cell>> cell_stored_at(const CellMap& cells, uint32_t row, uint16_t col);

// Value text of the cell stored under (row, col); the default value's text ("") when
// there is none.
std::string get_value_cell(const CellMap& cells, uint32_t row, uint16_t col);

// Value text of the cell stored under (row, col); nullopt when there is none (a cell
// whose value is Empty gives "").
std::optional<std::string> find_value_by_coords(const CellMap& cells, uint32_t row,
                                                uint16_t col);

// The cells whose own coordinate lies inside the bounds, all inclusive, sorted as
// Sheet::sorted_cells sorts. Absent bounds: rows 1 to 1048576, columns 1 to 16384.
std::vector<Shared<Cell>> get_cells_by_range(const CellMap& cells,
                                             std::optional<uint32_t> start_row,
                                             std::optional<uint32_t> end_row,
                                             std::optional<uint16_t> start_col,
                                             std::optional<uint16_t> end_col);

}  // namespace engine
