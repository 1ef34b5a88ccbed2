#include "engine/model/dimensions.h"

namespace engine {

namespace {

RowDimension& row_record(Sheet& sheet, uint32_t row_num) {
  RowDimension fresh;
  fresh.row_num = row_num;
  return sheet.row_dimensions.rows.try_emplace(row_num, fresh).first->second;
}

ColumnDimension& column_record(Sheet& sheet, uint16_t col_num) {
  ColumnDimension fresh;
  fresh.col_num = col_num;
  return sheet.column_dimensions.columns.try_emplace(col_num, fresh).first->second;
}

const RowDimension* find_row(const Sheet& sheet, uint32_t row_num) {
  const auto& rows = sheet.row_dimensions.rows;
  auto it = rows.find(row_num);
  return it == rows.end() ? nullptr : &it->second;
}

const ColumnDimension* find_column(const Sheet& sheet, uint16_t col_num) {
  const auto& columns = sheet.column_dimensions.columns;
  auto it = columns.find(col_num);
  return it == columns.end() ? nullptr : &it->second;
}

}  // namespace

void set_height_row(Sheet& sheet, uint32_t row_num, double val) {
  row_record(sheet, row_num).height = val;
}

void set_hidden_row(Sheet& sheet, uint32_t row_num, bool val) {
  row_record(sheet, row_num).hidden = val;
}

void set_width_column(Sheet& sheet, uint16_t col_num, double val) {
  column_record(sheet, col_num).width = val;
}

void set_hidden_column(Sheet& sheet, uint16_t col_num, bool val) {
  column_record(sheet, col_num).hidden = val;
}

double get_height_by_row(const Sheet& sheet, uint32_t row_num) {
  const RowDimension* row = find_row(sheet, row_num);
  return row ? row->height : sheet.row_dimensions.default_height;
}

bool get_hidden_by_row(const Sheet& sheet, uint32_t row_num) {
  const RowDimension* row = find_row(sheet, row_num);
  return row && row->hidden;
}

double get_width_by_column(const Sheet& sheet, uint16_t col_num) {
  const ColumnDimension* column = find_column(sheet, col_num);
  return column ? column->width : sheet.column_dimensions.default_width;
}

bool get_hidden_by_column(const Sheet& sheet, uint16_t col_num) {
  const ColumnDimension* column = find_column(sheet, col_num);
  return column && column->hidden;
}

}  // namespace engine
