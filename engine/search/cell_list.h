// The shell that every cell search runs in: a lent, ordered list of cell handles, each
// cell read under its own read lock, one cell at a time per worker, never written.
// List results hold handles to the same records in list order, each as often as it is
// listed; a single result is the leftmost match, whichever worker finds it first. The
// caller keeps the list valid for the call.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/base/pool.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/text/text_box.h"

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

// Starts loading the record a few places after `i`. Every walk over a list goes up in
// list order (a worker's piece is contiguous), so this hides most of the wait for the
// next records' lock words.
inline void prefetch_ahead(CellList cells, size_t i) {
  constexpr size_t kAhead = 16;
  if (i + kAhead < cells.size()) cells[i + kAhead].prefetch();
}

// Handles of `cells` at `indexes`, in that order (the gathering step of every filter).
CellHandles handles_at(CellList cells, const std::vector<size_t>& indexes);

// `test(const Cell&)` of cell i, under that cell's read lock.
template <class Test>
bool test_cell(CellList cells, size_t i, Test& test) {
  prefetch_ahead(cells, i);
  auto cell = cells[i].read();
  return test(*cell);
}

// Every cell for which `test` holds, in list order, tested on the workers.
template <class Test>
CellHandles filter_cells(CellList cells, Test&& test) {
  return handles_at(cells, pool::filter_indexes(cells.size(), [&](size_t i) {
                      return test_cell(cells, i, test);
                    }));
}

// The first cell in list order for which `test` holds.
template <class Test>
OptionalCell first_cell(CellList cells, Test&& test) {
  const auto found =
      pool::find_first(cells.size(), [&](size_t i) { return test_cell(cells, i, test); });
  if (!found) return std::nullopt;
  return cells[*found];
}

}  // namespace engine
