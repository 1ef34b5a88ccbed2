#include "engine/model/sheet_edit.h"

#include <utility>

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
      it->second = Shared<Cell>::make(row, column, value);
    } catch (...) {
      entries.erase(it);
      throw;
    }
    return it->second;
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

}  // namespace engine
