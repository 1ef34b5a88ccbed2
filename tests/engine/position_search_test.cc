#include "engine/position_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/stop.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::cell_of;
using testing::Coords;
using testing::coords_of;
using testing::empty_cell;
using testing::text_cell;
using Texts = std::vector<std::string>;

TEST(FindCellByCoords, FirstOfTwoHandlesAtTheSameCoordinateWins) {
  const CellHandles cells = {text_cell(7, 2, "other"), text_cell(2, 7, "first"),
                             text_cell(2, 7, "second")};
  auto found = find_cell_by_coords(2, 7, cells);
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(found->same_record(cells[1]));
  EXPECT_FALSE(find_cell_by_coords(2, 2, cells).has_value());
  EXPECT_FALSE(find_cell_by_coords(1, 1, {}).has_value());
}

TEST(FindCellByCoords, LeftmostInALongList) {
  CellHandles cells;
  for (uint32_t i = 0; i < 30000; ++i) cells.push_back(text_cell(i % 100 + 1, 1, "v"));
  cells.push_back(text_cell(500, 3, "target"));
  cells.push_back(text_cell(500, 3, "later"));
  auto found = find_cell_by_coords(500, 3, cells);
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(found->same_record(cells[30000]));
  found = find_cell_by_coords(50, 1, cells);
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(found->same_record(cells[49]));
}

TEST(FindCellByLetter, SpellingsOfOneCoordinateFindTheSameCell) {
  const CellHandles cells = {text_cell(7, 1, "A7"), text_cell(2, 7, "G2"),
                             text_cell(7, 2, "B7"), text_cell(7, 2, "B7 again")};
  for (std::string_view letter : {"b7", "B7", "$B$7", "$b7", "B$7"}) {
    auto found = find_cell_by_letter(letter, cells);
    ASSERT_TRUE(found.has_value()) << letter;
    EXPECT_TRUE(found->same_record(cells[2])) << letter;
  }
  EXPECT_FALSE(find_cell_by_letter("C7", cells).has_value());
}

TEST(FindCellByLetter, BadTextStopsWhateverTheListHolds) {
  const CellHandles cells = {text_cell(7, 2, "B7")};
  for (std::string_view letter : {"", "7", "B", "!B7", "$"}) {
    EXPECT_THROW(find_cell_by_letter(letter, cells), Stop) << letter;
    EXPECT_THROW(find_cell_by_letter(letter, {}), Stop) << letter;
  }
}

TEST(FindCellsRange, ClosedIntervalsUsedAsGiven) {
  const CellHandles cells = {text_cell(3, 2, "a"), text_cell(2, 1, "b"), text_cell(3, 1, "c"),
                             text_cell(4, 65535, "d"), text_cell(3, 2, "e")};
  EXPECT_EQ(coords_of(find_cells_range_rows(3, 3, cells)), (Coords{{3, 2}, {3, 1}, {3, 2}}));
  EXPECT_TRUE(find_cells_range_rows(5, 3, cells).empty());
  EXPECT_EQ(coords_of(find_cells_range_rows(0, 4294967295u, cells)).size(), cells.size());
  EXPECT_EQ(coords_of(find_cells_range_cols(1, 65535, cells)).size(), cells.size());
  EXPECT_EQ(coords_of(find_cells_range_cols(2, 2, cells)), (Coords{{3, 2}, {3, 2}}));
  EXPECT_TRUE(find_cells_range_cols(3, 2, cells).empty());
  EXPECT_TRUE(find_cells_range_cols(1, 65535, {}).empty());
}

TEST(FindValues, MembershipOnlyInListOrderOnePerCell) {
  const CellHandles cells = {text_cell(3, 2, "at 3,2"), text_cell(2, 2, "at 2,2"),
                             cell_of(1, 2, CellValue::numeric(3.0)), text_cell(3, 1, "at 3,1"),
                             text_cell(3, 2, "at 3,2"), empty_cell(1, 3)};
  const std::vector<uint32_t> rows = {3, 3, 1};
  EXPECT_EQ(find_values_by_col_rows(2, rows, cells), (Texts{"at 3,2", "3", "at 3,2"}));
  EXPECT_TRUE(find_values_by_col_rows(2, {}, cells).empty());
  EXPECT_TRUE(find_values_by_col_rows(4, rows, cells).empty());

  const std::vector<uint16_t> cols = {3, 2, 2};
  EXPECT_EQ(find_values_by_row_cols(1, cols, cells), (Texts{"3", ""}));
  EXPECT_EQ(find_values_by_row_cols(3, std::vector<uint16_t>{1}, cells), (Texts{"at 3,1"}));
  EXPECT_TRUE(find_values_by_row_cols(3, {}, cells).empty());
}

// Lists spread over several pieces: the texts still come back in list order.
TEST(FindValues, OrderKeptAcrossPieces) {
  CellHandles cells;
  Texts expected;
  for (int i = 0; i < 9000; ++i) {
    const uint32_t row = static_cast<uint32_t>(i % 7 + 1);
    cells.push_back(cell_of(row, 4, CellValue::integer(i)));
    if (row == 2 || row == 6) expected.push_back(std::to_string(i));
  }
  EXPECT_EQ(find_values_by_col_rows(4, std::vector<uint32_t>{6, 2, 6}, cells), expected);
}

}  // namespace
}  // namespace engine
