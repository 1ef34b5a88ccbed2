#include "engine/model/sheet_edit.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::put_cell;

constexpr uint32_t kLastRow = 4294967295;
constexpr uint16_t kLastColumn = 65535;
const std::pair<uint32_t, uint16_t> kGone{0, 0};  // no case moves a cell to (0, 0)

struct DeleteCase {
  bool rows;
  uint32_t idx, amount;
  Coords cells;
  Coords after;  // where each cell of `cells` stands afterwards
};

const DeleteCase kDeleteCases[] = {
    {true, 3, 2, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}},
     {{1, 1}, {2, 1}, kGone, kGone, {3, 1}, {4, 1}}},
    {true, 2, 0, {{1, 1}, {2, 1}, {3, 1}}, {{1, 1}, {2, 1}, {3, 1}}},
    {false, 2, 1, {{1, 1}, {1, 2}, {1, 3}, {7, 9}}, {{1, 1}, kGone, {1, 2}, {7, 8}}},
    {true, kLastRow, 1, {{kLastRow, 1}, {kLastRow - 1, 1}}, {kGone, {kLastRow - 1, 1}}},
    {false, kLastColumn, 2, {{1, kLastColumn}, {1, 9}}, {kGone, {1, 9}}},
    {true, 0, kLastRow, {{0, 3}, {5, 3}, {kLastRow, 3}}, {kGone, kGone, {0, 3}}},
    {true, 10, 5, {{1, 1}, {9, 2}}, {{1, 1}, {9, 2}}},
};

// Each cell is stored under the coordinate it holds; a removed cell still held keeps its.
// Sheets sharing records (copies) are compared with a model in
// tests/python/test_sheet_rows_columns.py.
TEST(DeleteBand, RemovesTheBandAndMovesTheCellsBehindIt) {
  for (const DeleteCase& c : kDeleteCases) {
    Sheet sheet("s", "visible");
    std::vector<Shared<Cell>> held;
    for (auto [row, column] : c.cells) held.push_back(put_cell(sheet, row, column));
    if (c.rows) {
      delete_rows(sheet, c.idx, c.amount);
    } else {
      delete_cols(sheet, static_cast<uint16_t>(c.idx), static_cast<uint16_t>(c.amount));
    }
    size_t kept = 0;
    for (size_t i = 0; i < held.size(); ++i) {
      const Coordinate own = held[i].read()->coord;
      const bool gone = c.after[i] == kGone;
      const auto expected = gone ? c.cells[i] : c.after[i];
      EXPECT_EQ(std::pair(own.row, own.column), expected) << c.idx << "+" << c.amount << " #" << i;
      auto it = sheet.cells.entries.find(own);
      EXPECT_EQ(it != sheet.cells.entries.end() && it->second.same_record(held[i]), !gone);
      kept += !gone;
    }
    EXPECT_EQ(sheet.cells.entries.size(), kept);
  }
}

TEST(DeleteBand, LeavesMergedRangesCommentsAndDimensions) {
  Sheet sheet("s", "visible");
  sheet.merge_cells.push_back(MergeCell{1, 10, 1, 5});
  add_comment(sheet, 8, 1, "t", "a");
  sheet.row_dimensions.rows.emplace(9, RowDimension{9, 31.0, false, false, 0});
  delete_rows(sheet, 2, 3);
  delete_cols(sheet, 1, 2);
  EXPECT_EQ(sheet.merge_cells[0].end_row, 10u);
  EXPECT_EQ(sheet.comments[0].read()->coord, (Coordinate{8, 1}));
  EXPECT_EQ(sheet.row_dimensions.rows.at(9).height, 31.0);
}

}  // namespace
}  // namespace engine
