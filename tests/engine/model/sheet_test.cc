#include "engine/model/sheet.h"

#include <gtest/gtest.h>

#include "engine/model/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_cell;

// Edits of a shared cell or comment record show through both sheets; everything else
// belongs to one sheet only.
TEST(SheetClone, SharesCellAndCommentRecordsAndCopiesEverythingElse) {
  Sheet source("Data", "hidden");
  auto cell = put_cell(source, 1, 1, "old");
  source.merge_cells.push_back(MergeCell{1, 2, 1, 3});
  source.row_dimensions.rows.emplace(4, RowDimension{4, 31.0, true, false, 0});
  source.column_dimensions.columns.emplace(2, ColumnDimension{2, 9.5, false, false, 0});
  source.comments.push_back(Shared<Comment>::make(Comment{{1, 1}, "ann", "note"}));
  Sheet copy = source.clone();
  EXPECT_EQ(std::tie(copy.name, copy.sheet_state), std::tie(source.name, source.sheet_state));
  ASSERT_TRUE(copy.cells.entries.at(Coordinate{1, 1}).same_record(cell));
  ASSERT_TRUE(copy.comments.at(0).same_record(source.comments[0]));

  put_cell(source, 2, 2, "new");
  source.comments.push_back(Shared<Comment>::make(Comment{{2, 2}, "x", "y"}));
  source.name = "Renamed";
  source.merge_cells[0].end_col = 7;
  source.row_dimensions.rows.at(4).height = 50.0;
  source.column_dimensions.columns.at(2).width = 1.0;
  EXPECT_EQ(std::tuple(copy.cells.entries.size(), copy.comments.size(), copy.name),
            std::tuple(1u, 1u, "Data"));
  EXPECT_EQ(copy.merge_cells.at(0).end_col, 3);
  EXPECT_EQ(copy.row_dimensions.rows.at(4).height, 31.0);
  EXPECT_EQ(copy.column_dimensions.columns.at(2).width, 9.5);
}

TEST(SheetExtent, MaxRowAndColumnReadTheCellsOwnFields) {
  using Extent = std::pair<std::optional<uint32_t>, std::optional<uint16_t>>;
  Sheet sheet("s", "visible");
  const auto extent = [&] { return Extent(max_row(sheet.cells), max_column(sheet.cells)); };
  EXPECT_EQ(extent(), Extent());
  put_cell(sheet, 3, 2);
  auto far = put_cell(sheet, 1, 7);
  EXPECT_EQ(extent(), Extent(3, 7));
  testing::move_cell(far, 9, 4);  // still stored under (1, 7)
  EXPECT_EQ(extent(), Extent(9, 4));
}

}  // namespace
}  // namespace engine
