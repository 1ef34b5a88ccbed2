// Marker searches: regions of a cell list opened by a cell whose value text contains
// `before_regex` and closed by a later cell whose value text contains `after_regex`
// (both literal, as in search.h). A two-state toggle walks the list once, in list order,
// on the calling thread:
//   outside: a cell containing the before text opens a region and is a marker;
//   inside:  a cell containing the after text closes it and is a marker;
// every other cell changes nothing. So a cell with both texts opens when outside and
// closes when inside, and with equal texts the matching cells open and close in turn.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/base/error.h"
#include "engine/search/cell_list.h"
#include "engine/model/sheet.h"

namespace engine {

// The marker cells in list order: opening, closing, opening, ..., possibly ending with an
// opening marker that has no partner. Uses no worker.
Result<CellHandles> find_cells_multi_regex(std::string_view before_regex,
                                           std::string_view after_regex, CellList cells);

// Every cell, in list order and whatever its column, whose row lies in the band of the
// first region: from the opening row to the closing row, both included, or from the
// opening row on when the region never closes. Nothing when no region opens, and
// nothing when the closing row is below the opening row (a list not in row order).
// The band is filtered on the worker pool.
Result<CellHandles> find_cells_between_regex(std::string_view before_regex,
                                             std::string_view after_regex, CellList cells);

// The same two searches over all cells of `sheet` in row, then column order
// (Sheet::sorted_cells). The caller holds the sheet's read lock.
Result<CellHandles> find_cells_multi_regex(const Sheet& sheet, std::string_view before_regex,
                                           std::string_view after_regex);
Result<CellHandles> find_cells_between_regex(const Sheet& sheet, std::string_view before_regex,
                                             std::string_view after_regex);

}  // namespace engine
