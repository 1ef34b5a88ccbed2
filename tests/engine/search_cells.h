// Small builders shared by the search tests: cells with a chosen value kind, and the
// coordinates of a result list for readable assertions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/cell.h"
#include "engine/cell_value.h"
#include "engine/date_time.h"
#include "engine/shared.h"

namespace engine::testing {

inline Shared<Cell> cell_of(uint32_t row, uint16_t col, CellValue value) {
  auto handle = Shared<Cell>::make(row, col, std::nullopt);
  auto cell = handle.write();
  cell->value = std::move(value);
  cell->data_type = cell->value.data_type();
  return handle;
}

inline Shared<Cell> text_cell(uint32_t row, uint16_t col, std::string_view text) {
  return cell_of(row, col, CellValue::string(text));
}

inline Shared<Cell> empty_cell(uint32_t row, uint16_t col) {
  return cell_of(row, col, CellValue());
}

using Coords = std::vector<std::pair<uint32_t, uint16_t>>;

inline Coords coords_of(const std::vector<Shared<Cell>>& cells) {
  Coords out;
  for (const auto& c : cells) {
    auto cell = c.read();
    out.emplace_back(cell->coord.row, cell->coord.column);
  }
  return out;
}

// Positions in `list` of each handle of `found` (the first position holding that
// record, counting earlier uses so duplicates map to successive positions).
inline std::vector<size_t> positions_of(const std::vector<Shared<Cell>>& found,
                                        const std::vector<Shared<Cell>>& list) {
  std::vector<size_t> out;
  size_t from = 0;
  for (const auto& f : found) {
    size_t i = from;
    while (i < list.size() && !list[i].same_record(f)) ++i;
    out.push_back(i);
    from = i + 1;
  }
  return out;
}

}  // namespace engine::testing
