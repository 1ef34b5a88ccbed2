#include "engine/model/dimensions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace engine {
namespace {

TEST(Dimensions, AbsentRecordsReadAsDefaultsAndAreNotMade) {
  const Sheet sheet("s", "visible");
  EXPECT_EQ(get_height_by_row(sheet, 1), kDefaultRowHeight);
  EXPECT_FALSE(get_hidden_by_row(sheet, 0));
  EXPECT_EQ(get_width_by_column(sheet, 65535), kDefaultColumnWidth);
  EXPECT_FALSE(get_hidden_by_column(sheet, 3));
  EXPECT_TRUE(sheet.row_dimensions.rows.empty());
  EXPECT_TRUE(sheet.column_dimensions.columns.empty());
}

// The first set makes the record with the defaults; each setter changes its own field.
TEST(Dimensions, SettersMakeDefaultRecordsAndChangeOneField) {
  Sheet sheet("s", "visible");
  set_hidden_row(sheet, 4, true);
  set_width_column(sheet, 2, -1.5);
  const RowDimension& row = sheet.row_dimensions.rows.at(4);
  EXPECT_EQ((std::tuple{row.row_num, row.height, row.hidden, row.collapsed, row.level}),
            (std::tuple{4u, 20.0, true, false, 0u}));
  const ColumnDimension& column = sheet.column_dimensions.columns.at(2);
  EXPECT_EQ((std::tuple{column.col_num, column.width, column.hidden}),
            (std::tuple{uint16_t{2}, -1.5, false}));

  set_height_row(sheet, 4, 0.0);
  set_hidden_column(sheet, 2, true);
  EXPECT_EQ((std::tuple{get_height_by_row(sheet, 4), get_hidden_by_row(sheet, 4)}),
            (std::tuple{0.0, true}));
  EXPECT_EQ((std::tuple{get_width_by_column(sheet, 2), get_hidden_by_column(sheet, 2)}),
            (std::tuple{-1.5, true}));
}

TEST(Dimensions, NothingIsChecked) {
  Sheet sheet("s", "visible");
  const double inf = std::numeric_limits<double>::infinity();
  set_height_row(sheet, 0, std::nan(""));
  set_height_row(sheet, 4294967295, -inf);
  set_width_column(sheet, 0, inf);
  EXPECT_TRUE(std::isnan(get_height_by_row(sheet, 0)));
  EXPECT_EQ(get_height_by_row(sheet, 4294967295), -inf);
  EXPECT_EQ(get_width_by_column(sheet, 0), inf);
  EXPECT_EQ(sheet.row_dimensions.rows.size(), 2u);
}

}  // namespace
}  // namespace engine
