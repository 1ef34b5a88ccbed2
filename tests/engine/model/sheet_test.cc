#include "engine/model/sheet.h"

#include <gtest/gtest.h>

#include "engine/model/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_cell;

TEST(SheetClone, SharesCellAndCommentRecordsAndCopiesEverythingElse) {
  Sheet source("Data", "hidden");
  auto cell = put_cell(source, 1, 1, "old");
  source.merge_cells.push_back(MergeCell{1, 2, 1, 3});
  source.row_dimensions.rows.emplace(4, RowDimension{4, 31.0, true, false, 0});
  source.column_dimensions.columns.emplace(2, ColumnDimension{2, 9.5, false, false, 0});
  auto comment = Shared<Comment>::make(Comment{{1, 1}, "ann", "note"});
  source.comments.push_back(comment);

  Sheet copy = source.clone();
  EXPECT_EQ(copy.name, "Data");
  EXPECT_EQ(copy.sheet_state, "hidden");
  ASSERT_EQ(copy.cells.entries.size(), 1u);
  EXPECT_TRUE(copy.cells.entries.at(Coordinate{1, 1}).same_record(cell));
  ASSERT_EQ(copy.comments.size(), 1u);
  EXPECT_TRUE(copy.comments[0].same_record(comment));

  // Edits of a shared record show through both sheets.
  cell.write()->value = CellValue::integer(5);
  comment.write()->author = "bob";
  EXPECT_EQ(copy.cells.entries.at(Coordinate{1, 1}).read()->value, CellValue::integer(5));
  EXPECT_EQ(copy.comments[0].read()->author, "bob");

  // Everything that is not a cell or comment record belongs to one sheet only.
  put_cell(source, 2, 2, "new");
  source.comments.push_back(Shared<Comment>::make(Comment{{2, 2}, "x", "y"}));
  source.name = "Renamed";
  source.merge_cells.push_back(MergeCell{5, 5, 5, 5});
  source.row_dimensions.rows.at(4).height = 50.0;
  source.column_dimensions.columns.at(2).width = 1.0;
  EXPECT_EQ(copy.cells.entries.size(), 1u);
  EXPECT_EQ(copy.comments.size(), 1u);
  EXPECT_EQ(copy.name, "Data");
  ASSERT_EQ(copy.merge_cells.size(), 1u);
  EXPECT_EQ(copy.merge_cells[0].end_col, 3);
  EXPECT_EQ(copy.row_dimensions.rows.at(4).height, 31.0);
  EXPECT_TRUE(copy.row_dimensions.rows.at(4).hidden);
  EXPECT_EQ(copy.column_dimensions.columns.at(2).width, 9.5);
}

TEST(SheetExtent, MaxRowAndColumnReadTheCellsOwnFields) {
  Sheet sheet("s", "visible");
  EXPECT_EQ(max_row(sheet.cells), std::nullopt);
  EXPECT_EQ(max_column(sheet.cells), std::nullopt);

  put_cell(sheet, 3, 2);
  auto far = put_cell(sheet, 1, 7);
  EXPECT_EQ(max_row(sheet.cells), 3u);
  EXPECT_EQ(max_column(sheet.cells), 7u);

  // Still stored under (1, 7), but the cell now says (9, 4).
  testing::move_cell(far, 9, 4);
  EXPECT_EQ(max_row(sheet.cells), 9u);
  EXPECT_EQ(max_column(sheet.cells), 4u);
}

}  // namespace
}  // namespace engine
