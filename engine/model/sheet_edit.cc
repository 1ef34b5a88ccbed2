#include "engine/model/sheet_edit.h"

#include <utility>
#include <vector>

namespace engine {

void write_value(Cell& cell, CellValue value) {
  cell.value = std::move(value);
  if (cell.formula()) cell.set_formula(std::nullopt);
  cell.data_type = cell.value.data_type();
}

void write_value_text(Cell& cell, std::string_view text) {
  write_value(cell, CellValue::from_text(text));
}

void write_formula(Cell& cell, std::string formula) {
  cell.set_formula(std::move(formula));
  cell.data_type = 'f';
}

Shared<Cell> cell_at(Sheet& sheet, uint32_t row, uint16_t column,
                     std::optional<std::string_view> value) {
  auto& entries = sheet.cells.entries;
  auto [it, inserted] = entries.try_emplace(Coordinate{row, column});
  if (inserted) {
    // A new cell already holds the inferred value and its code, and has no formula, so
    // the edit below would change nothing.
    try {
      it->second = Shared<Cell>::make_in(sheet.cell_arena, row, column, value);
    } catch (...) {
      entries.erase(it);
      throw;
    }
    // The caller still holds the sheet's write lock, so no other thread sees the record
    // (when an unpublished copy is allowed: shared.h).
    return it->second.unpublished_copy();
  }
  Shared<Cell> cell = it->second;
  auto guard = cell.write();
  if (value) {
    write_value_text(*guard, *value);
  } else if (!guard->is_formula()) {
    guard->data_type = 's';
  }
  return cell;
}

void add_comment(Sheet& sheet, uint32_t row, uint16_t column, std::string text,
                 std::string author) {
  sheet.comments.push_back(
      Shared<Comment>::make(Comment{{row, column}, std::move(author), std::move(text)}));
}

namespace {

struct Rows {
  using Number = uint32_t;
  static Number& of(Coordinate& c) { return c.row; }
  static Number of(const Coordinate& c) { return c.row; }
};

struct Columns {
  using Number = uint16_t;
  static Number& of(Coordinate& c) { return c.column; }
  static Number of(const Coordinate& c) { return c.column; }
};

// The map is rebuilt beside the old one, so a failed allocation leaves the sheet as it
// was; only once the new map stands are the moved cells rewritten, which cannot fail.
template <class Axis>
void delete_band(CellMap& cells, typename Axis::Number idx, typename Axis::Number amount) {
  using Number = typename Axis::Number;
  if (amount == 0) return;
  const uint64_t end = uint64_t{idx} + amount;
  decltype(cells.entries) kept;
  kept.reserve(cells.entries.size());
  std::vector<std::pair<const Shared<Cell>*, Number>> moved;
  for (const auto& [key, cell] : cells.entries) {
    const uint64_t at = Axis::of(key);
    if (at < idx) {
      kept.try_emplace(key, cell);
    } else if (at >= end) {
      Coordinate to = key;
      Axis::of(to) = static_cast<Number>(at - amount);
      kept.try_emplace(to, cell);
      moved.emplace_back(&cell, Axis::of(to));
    }
  }
  for (const auto& [cell, to] : moved) Axis::of(cell->write()->coord) = to;
  cells.entries.swap(kept);
}

}  // namespace

void delete_rows(Sheet& sheet, uint32_t idx, uint32_t amount) {
  delete_band<Rows>(sheet.cells, idx, amount);
}

void delete_cols(Sheet& sheet, uint16_t idx, uint16_t amount) {
  delete_band<Columns>(sheet.cells, idx, amount);
}

}  // namespace engine
