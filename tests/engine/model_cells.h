// Builders for the model tests: sheets with cells put straight into the cell map, and
// the coordinates of a list of cells for readable assertions.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/cell.h"
#include "engine/shared.h"
#include "engine/sheet.h"

namespace engine::testing {

// Stores a new cell under its own coordinate and returns a handle to it.
inline Shared<Cell> put_cell(Sheet& sheet, uint32_t row, uint16_t column,
                             std::optional<std::string_view> text = std::nullopt) {
  auto cell = Shared<Cell>::make(row, column, text);
  sheet.cells.entries.insert_or_assign(Coordinate{row, column}, cell);
  return cell;
}

// Rewrites the coordinate a cell holds, leaving the key it is stored under.
inline void move_cell(const Shared<Cell>& cell, uint32_t row, uint16_t column) {
  cell.write()->coord = Coordinate{row, column};
}

using Coords = std::vector<std::pair<uint32_t, uint16_t>>;

inline Coords coords_of(const std::vector<Shared<Cell>>& cells) {
  Coords out;
  for (const auto& handle : cells) {
    auto cell = handle.read();
    out.emplace_back(cell->coord.row, cell->coord.column);
  }
  return out;
}

// The cells of the map in its own iteration order.
inline std::vector<Shared<Cell>> map_order(const Sheet& sheet) {
  std::vector<Shared<Cell>> out;
  for (const auto& [key, cell] : sheet.cells.entries) out.push_back(cell);
  return out;
}

}  // namespace engine::testing
