// Builders shared by the engine tests: cells with a chosen value kind, sheets with cells
// put straight into the cell map, the coordinates of a list of cells for readable
// assertions, and UTF-8 text of a code point.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/model/date_time.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

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

// Stores a new cell under its own coordinate and returns a handle to it.
inline Shared<Cell> put_cell(Sheet& sheet, uint32_t row, uint16_t column,
                             std::optional<std::string_view> text = std::nullopt) {
  auto cell = Shared<Cell>::make(row, column, text);
  sheet.cells.entries.insert_or_assign(Coordinate{row, column}, cell);
  return cell;
}

// Stores a cell holding `value` with data type `code` under `key`, though the cell itself
// says it stands at `own`.
inline Shared<Cell> put_value(Sheet& sheet, Coordinate key, Coordinate own, CellValue value,
                              std::string_view code) {
  auto cell = cell_of(own.row, own.column, std::move(value));
  cell.write()->set_data_type(code);
  sheet.cells.entries.insert_or_assign(key, cell);
  return cell;
}

inline Shared<Cell> put_value(Sheet& sheet, Coordinate at, CellValue value) {
  const char code = value.data_type();
  return put_value(sheet, at, at, std::move(value), std::string_view(&code, 1));
}

// Rewrites the coordinate a cell holds, leaving the key it is stored under.
inline void move_cell(const Shared<Cell>& cell, uint32_t row, uint16_t column) {
  cell.write()->coord = Coordinate{row, column};
}

// The cells of the map in its own iteration order.
inline std::vector<Shared<Cell>> map_order(const Sheet& sheet) {
  std::vector<Shared<Cell>> out;
  for (const auto& [key, cell] : sheet.cells.entries) out.push_back(cell);
  return out;
}

inline std::string utf8(char32_t c) {
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  std::string out(1, static_cast<char>((0xF80 >> tail) | (c >> (6 * tail))));
  for (int k = tail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
  return out;
}

}  // namespace engine::testing
