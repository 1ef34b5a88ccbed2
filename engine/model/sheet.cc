#include "engine/model/sheet.h"

#include <algorithm>
#include <type_traits>

namespace engine {

CellMap::~CellMap() {
  constexpr int kAhead = 8;
  auto ahead = entries.begin();
  for (int k = 0; k < kAhead && ahead != entries.end(); ++k) ++ahead;
  for (auto& [key, cell] : entries) {
    if (ahead != entries.end()) (ahead++)->second.prefetch();
    cell = Shared<Cell>();
  }
}

Sheet Sheet::clone() const {
  Sheet copy(name, sheet_state);
  copy.merge_cells = merge_cells;

  // Fresh maps (each with a seed of its own) filled entry by entry; the cell handles
  // point at the same records as ours.
  copy.cells.default_value = cells.default_value;
  copy.cells.entries.reserve(cells.entries.size());
  for (const auto& [coord, cell] : cells.entries) copy.cells.entries.try_emplace(coord, cell);

  copy.row_dimensions.default_height = row_dimensions.default_height;
  copy.row_dimensions.rows.reserve(row_dimensions.rows.size());
  for (const auto& [row, dim] : row_dimensions.rows) copy.row_dimensions.rows.emplace(row, dim);

  copy.column_dimensions.default_width = column_dimensions.default_width;
  copy.column_dimensions.columns.reserve(column_dimensions.columns.size());
  for (const auto& [column, dim] : column_dimensions.columns)
    copy.column_dimensions.columns.emplace(column, dim);

  copy.comments = comments;
  return copy;
}

namespace {

// The largest `field` of the cells' own coordinates, not their keys: a cell's coordinate
// can be rewritten through a handle that another sheet shares.
template <auto field>
auto largest(const CellMap& cells) {
  std::optional<std::remove_cvref_t<decltype(Coordinate{}.*field)>> most;
  ReadGate::Reader pass(Cell::gate());
  for (const auto& [key, cell] : cells.entries) {
    pass.tick();
    const auto value = cell.read_in_gate(pass).coord.*field;
    most = most ? std::max(*most, value) : value;
  }
  return most;
}

}  // namespace

std::optional<uint32_t> max_row(const CellMap& cells) { return largest<&Coordinate::row>(cells); }

std::optional<uint16_t> max_column(const CellMap& cells) {
  return largest<&Coordinate::column>(cells);
}

}  // namespace engine
