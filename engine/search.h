// Cell searches by value over a lent, ordered list of cell handles.
//
// Every search reads each cell under its read lock, one cell at a time per worker, and
// never writes one. List results hold handles to the same records, in input order, each
// as often as it is listed; single results are the leftmost match, whichever worker finds
// it first. The caller keeps the list valid for the call.
//
// Search texts are literal: "contains" is a case-sensitive substring test of the value
// text, and "" is contained in every value text. The operations that take a search text
// return Result so that callers map errors in one place, but a literal search never
// produces an error.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/cell.h"
#include "engine/cell_value.h"
#include "engine/error.h"
#include "engine/shared.h"
#include "engine/text_box.h"

namespace engine {

// The caller's cells, in the caller's order; duplicates allowed.
using CellList = std::span<const Shared<Cell>>;
using CellHandles = std::vector<Shared<Cell>>;
using OptionalCell = std::optional<Shared<Cell>>;

// The value text of a value that is neither String nor Empty, rendered into a buffer
// owned by the calling thread, valid until that thread's next call.
std::string_view rendered_value_text(const CellValue& value);

// The value text of `value`. A String (or Empty) is viewed in place, without a copy; any
// other kind is rendered as by rendered_value_text.
inline std::string_view value_text_view(const CellValue& value) {
  if (const auto* text = std::get_if<TextBox>(&value.storage())) return text->view();
  if (std::holds_alternative<Empty>(value.storage())) return {};
  return rendered_value_text(value);
}

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

// Starts loading the record a few places after `i`. Every walk over a list goes up in
// list order (a worker's piece is contiguous), so this hides most of the wait for the
// next records' lock words.
inline void prefetch_ahead(CellList cells, size_t i) {
  constexpr size_t kAhead = 16;
  if (i + kAhead < cells.size()) cells[i + kAhead].prefetch();
}

// Handles of `cells` at `indexes`, in that order (the gathering step of every filter).
CellHandles handles_at(CellList cells, const std::vector<size_t>& indexes);

}  // namespace engine
