#include "engine/model/dimensions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace engine {
namespace {

// A getter makes no record and reads the defaults; the first set makes the record with
// the defaults and changes its own field only; nothing is checked.
TEST(Dimensions, RecordsMadeOnFirstSetOnly) {
  Sheet sheet("s", "visible");
  EXPECT_EQ(get_height_by_row(sheet, 4), kDefaultRowHeight);
  EXPECT_EQ(get_width_by_column(sheet, 65535), kDefaultColumnWidth);
  EXPECT_FALSE(get_hidden_by_row(sheet, 4) || get_hidden_by_column(sheet, 2));
  EXPECT_TRUE(sheet.row_dimensions.rows.empty() && sheet.column_dimensions.columns.empty());

  set_hidden_row(sheet, 4, true);
  set_width_column(sheet, 2, -1.5);
  set_hidden_column(sheet, 2, true);
  set_height_row(sheet, 0, std::nan(""));
  const RowDimension& row = sheet.row_dimensions.rows.at(4);
  EXPECT_EQ((std::tuple{row.row_num, row.height, row.hidden, row.collapsed, row.level}),
            (std::tuple{4u, 20.0, true, false, 0u}));
  EXPECT_EQ((std::tuple{get_width_by_column(sheet, 2), get_hidden_by_column(sheet, 2)}),
            (std::tuple{-1.5, true}));
  EXPECT_TRUE(std::isnan(get_height_by_row(sheet, 0)));
  EXPECT_EQ(sheet.column_dimensions.columns.at(2).col_num, 2);
}

}  // namespace
}  // namespace engine
