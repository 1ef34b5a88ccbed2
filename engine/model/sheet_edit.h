// The edits that the workbook classes make to sheets, cells and comments. Writing a
// value always drops the formula and sets the data type code from the value; writing a
// formula sets the code "f" and keeps the value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/base/shared.h"
#include "engine/model/sheet.h"

namespace engine {

// Replaces the cell's value, drops its formula and sets the code of the new value.
void write_value(Cell& cell, CellValue value);

// The value inferred from `text`, with the same consequences as write_value.
void write_value_text(Cell& cell, std::string_view text);

// Stores the formula (also an empty one) and the code "f"; the value stays.
void write_formula(Cell& cell, std::string formula);

// Gets or creates the cell stored under (row, column) and returns a handle to it.
// With a text, the value becomes its inference as write_value_text does. Without one, a
// formula cell (is_formula) stays as it is and any other cell takes the code "s",
// whatever its value. The caller holds the sheet's write lock; the cell's lock is taken
// here, sheet before cell.
Shared<Cell> cell_at(Sheet& sheet, uint32_t row, uint16_t column,
                     std::optional<std::string_view> value);

// Appends a new comment record at (row, column); nothing is replaced or checked.
// The caller holds the sheet's write lock.
void add_comment(Sheet& sheet, uint32_t row, uint16_t column, std::string text,
                 std::string author);

}  // namespace engine
