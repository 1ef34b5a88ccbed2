// Cell searches by position over a lent, ordered list of cell handles, in the same frame
// as the value searches (cell_list.h): one read-locked cell at a time per worker, results in
// input order, single results the leftmost match. Coordinates compare exactly; none of
// these searches can fail, except that a coordinate text which names no coordinate stops
// the call before any cell is read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/search/cell_list.h"

namespace engine {

// The first cell in list order at (row, col).
OptionalCell find_cell_by_coords(uint32_t row, uint16_t col, CellList cells);

// The first cell in list order at the coordinate that `letter` names ("B7", "$b$7").
// Stops (engine::Stop) when the text names no coordinate, whatever the list holds.
OptionalCell find_cell_by_letter(std::string_view letter, CellList cells);

// Cells with start_row <= row <= end_row; bounds are used as given, so an end below the
// start takes nothing.
CellHandles find_cells_range_rows(uint32_t start_row, uint32_t end_row, CellList cells);
// Cells with start_col <= column <= end_col.
CellHandles find_cells_range_cols(uint16_t start_col, uint16_t end_col, CellList cells);

// Value texts, in list order, of the cells in column `col` whose row is one of `rows`
// (only membership counts: order and repeats of `rows` change nothing). Each text is
// rendered under the same read lock that tested the cell.
std::vector<std::string> find_values_by_col_rows(uint16_t col, std::span<const uint32_t> rows,
                                                 CellList cells);
// Value texts, in list order, of the cells in row `row` whose column is one of `cols`.
std::vector<std::string> find_values_by_row_cols(uint32_t row, std::span<const uint16_t> cols,
                                                 CellList cells);

}  // namespace engine
