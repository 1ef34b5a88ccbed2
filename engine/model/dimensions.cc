#include "engine/model/dimensions.h"

namespace engine {

namespace {

// The record of `key`, made with its number field set when the map holds none.
template <auto kNumber, class Map>
typename Map::mapped_type& record(Map& map, typename Map::key_type key) {
  typename Map::mapped_type fresh;
  fresh.*kNumber = key;
  return map.try_emplace(key, fresh).first->second;
}

template <class Map>
const typename Map::mapped_type* stored(const Map& map, typename Map::key_type key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : &it->second;
}

RowDimension& row_record(Sheet& sheet, uint32_t row_num) {
  return record<&RowDimension::row_num>(sheet.row_dimensions.rows, row_num);
}

ColumnDimension& column_record(Sheet& sheet, uint16_t col_num) {
  return record<&ColumnDimension::col_num>(sheet.column_dimensions.columns, col_num);
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
  const RowDimension* row = stored(sheet.row_dimensions.rows, row_num);
  return row ? row->height : sheet.row_dimensions.default_height;
}

bool get_hidden_by_row(const Sheet& sheet, uint32_t row_num) {
  const RowDimension* row = stored(sheet.row_dimensions.rows, row_num);
  return row && row->hidden;
}

double get_width_by_column(const Sheet& sheet, uint16_t col_num) {
  const ColumnDimension* column = stored(sheet.column_dimensions.columns, col_num);
  return column ? column->width : sheet.column_dimensions.default_width;
}

bool get_hidden_by_column(const Sheet& sheet, uint16_t col_num) {
  const ColumnDimension* column = stored(sheet.column_dimensions.columns, col_num);
  return column && column->hidden;
}

}  // namespace engine
