// Row heights, column widths and hidden flags of a sheet. A setter makes the row's (or
// column's) record with the defaults on first use and changes only its own field; nothing
// is checked, so row 0, column 0, negative and NaN sizes are stored. A getter never makes
// a record: an absent one reads as the sheet's default size and not hidden. The caller
// holds the sheet's write lock for a setter, its read lock for a getter.
#pragma once

#include <cstdint>

#include "engine/model/sheet.h"

namespace engine {

void set_height_row(Sheet& sheet, uint32_t row_num, double val);
void set_hidden_row(Sheet& sheet, uint32_t row_num, bool val);
void set_width_column(Sheet& sheet, uint16_t col_num, double val);
void set_hidden_column(Sheet& sheet, uint16_t col_num, bool val);

double get_height_by_row(const Sheet& sheet, uint32_t row_num);
bool get_hidden_by_row(const Sheet& sheet, uint32_t row_num);
double get_width_by_column(const Sheet& sheet, uint16_t col_num);
bool get_hidden_by_column(const Sheet& sheet, uint16_t col_num);

}  // namespace engine
