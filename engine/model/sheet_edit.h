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

// Deletes the `amount` rows that begin at row `idx`: the cells of rows idx to
// idx + amount - 1 leave the map (that end taken without wrapping, so a band reaching
// past the last row ends there), and every cell of a later row moves up by `amount`: its
// row is rewritten under its write lock and it is stored under its new key. Merged
// ranges, comments and dimensions keep their numbers; amount 0 changes nothing. A removed
// record lives on only where a handle to it is still held, with its old coordinate. The
// caller holds the sheet's write lock; no cell lock is held while another is asked for.
//
// Band and shift are read from the keys of this map, which are the cells' own
// coordinates, except in a sheet that shares cell records with a copy (or with its
// source) after the other sheet deleted rows or columns: the records it moved show their
// new coordinate in both sheets, while this map still holds them under their old keys,
// where lookups by coordinate find them. Going by the keys keeps such a map sound: every
// record stays in it once, no two moved cells can meet at one key, and each sheet's
// lookups shift the way its own deletions say. A record this deletion moves takes the row
// of its new key, whatever the other sheet made of it.
void delete_rows(Sheet& sheet, uint32_t idx, uint32_t amount);

// The same on columns.
void delete_cols(Sheet& sheet, uint16_t idx, uint16_t amount);

}  // namespace engine
