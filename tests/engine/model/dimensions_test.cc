#include "engine/model/dimensions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace engine {
namespace {

// Numbers that a narrower key would fold onto one another: 65536 onto 0, 256 onto 0.
constexpr uint32_t kRows[] = {0, 1, 65535, 65536, 65537, 4294967295};
constexpr uint16_t kColumns[] = {0, 1, 255, 256, 65535};

// An absent record reads as the sheet's own defaults, and reading makes none.
TEST(Dimensions, AbsentRowsAndColumnsReadAsTheSheetDefaults) {
  Sheet sheet("s", "visible");
  sheet.row_dimensions.default_height = 9.5;
  sheet.column_dimensions.default_width = 3.25;
  for (uint32_t row : kRows) {
    EXPECT_EQ(get_height_by_row(sheet, row), 9.5) << row;
    EXPECT_FALSE(get_hidden_by_row(sheet, row)) << row;
  }
  for (uint16_t column : kColumns) {
    EXPECT_EQ(get_width_by_column(sheet, column), 3.25) << column;
    EXPECT_FALSE(get_hidden_by_column(sheet, column)) << column;
  }
  EXPECT_TRUE(sheet.row_dimensions.rows.empty());
  EXPECT_TRUE(sheet.column_dimensions.columns.empty());
}

// The first setter makes the record with the defaults and sets only its own field; a
// later one keeps what the first set. Sizes are stored unchecked.
TEST(Dimensions, OneFieldSetOnAFreshRecordLeavesTheOthersAtTheirDefaults) {
  Sheet sheet("s", "visible");
  set_hidden_row(sheet, 7, true);
  set_height_row(sheet, 8, -1.5);
  set_width_column(sheet, 9, NAN);
  set_hidden_column(sheet, 10, true);
  const RowDimension& row = sheet.row_dimensions.rows.at(7);
  EXPECT_EQ(std::tuple(row.row_num, row.height, row.hidden, row.collapsed, row.level),
            std::tuple(7u, kDefaultRowHeight, true, false, 0u));
  const ColumnDimension& column = sheet.column_dimensions.columns.at(10);
  EXPECT_EQ(std::tuple(column.col_num, column.width, column.hidden, column.collapsed, column.level),
            std::tuple(uint16_t{10}, kDefaultColumnWidth, true, false, 0u));
  EXPECT_EQ(get_height_by_row(sheet, 8), -1.5);
  EXPECT_FALSE(get_hidden_by_row(sheet, 8));
  EXPECT_TRUE(std::isnan(get_width_by_column(sheet, 9)));
  EXPECT_FALSE(get_hidden_by_column(sheet, 9));

  set_height_row(sheet, 7, 4.0);
  set_hidden_row(sheet, 8, true);
  EXPECT_TRUE(get_hidden_by_row(sheet, 7));
  EXPECT_EQ(get_height_by_row(sheet, 8), -1.5);
  EXPECT_EQ(sheet.row_dimensions.rows.size(), 2u);
  EXPECT_EQ(sheet.column_dimensions.columns.size(), 2u);
}

// Every row of the 32-bit range and every column of the 16-bit one is a record of its own.
TEST(Dimensions, RowsKeepAll32BitsAndColumnsAll16) {
  Sheet sheet("s", "visible");
  double size = 1;
  for (uint32_t row : kRows) set_height_row(sheet, row, size++);
  for (uint16_t column : kColumns) set_width_column(sheet, column, size++);
  set_hidden_row(sheet, 4294967295, true);
  set_hidden_column(sheet, 65535, true);
  size = 1;
  for (uint32_t row : kRows) {
    EXPECT_EQ(get_height_by_row(sheet, row), size++) << row;
    EXPECT_EQ(get_hidden_by_row(sheet, row), row == 4294967295) << row;
  }
  for (uint16_t column : kColumns) {
    EXPECT_EQ(get_width_by_column(sheet, column), size++) << column;
    EXPECT_EQ(get_hidden_by_column(sheet, column), column == 65535) << column;
  }
  EXPECT_EQ(sheet.row_dimensions.rows.size(), std::size(kRows));
  EXPECT_EQ(sheet.column_dimensions.columns.size(), std::size(kColumns));
}

}  // namespace
}  // namespace engine
