#include "engine/model/sheet_edit.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::put_cell;

constexpr uint32_t kLastRow = 4294967295;
constexpr uint16_t kLastColumn = 65535;

// Where each cell went, by the coordinate it had: {from, to}; cells removed are absent.
// Every key must be its cell's own coordinate.
std::map<std::pair<uint32_t, uint16_t>, std::pair<uint32_t, uint16_t>> moves_of(
    const Sheet& sheet, const std::map<const void*, std::pair<uint32_t, uint16_t>>& from) {
  std::map<std::pair<uint32_t, uint16_t>, std::pair<uint32_t, uint16_t>> out;
  for (const auto& [key, handle] : sheet.cells.entries) {
    auto cell = handle.read();
    EXPECT_EQ(cell->coord, key);
    out[from.at(&*cell)] = {key.row, key.column};
  }
  return out;
}

struct DeleteCase {
  const char* name;
  bool rows;
  uint32_t idx, amount;
  Coords cells;
  Coords after;  // the new coordinate of each cell, in the order of `cells`
};

const std::pair<uint32_t, uint16_t> kGone{0, 0};  // no case moves a cell to (0, 0)

const DeleteCase kDeleteCases[] = {
    {"band in the middle", true, 3, 2,
     {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}},
     {{1, 1}, {2, 1}, {0, 0}, {0, 0}, {3, 1}, {4, 1}}},
    {"amount 0", true, 2, 0, {{1, 1}, {2, 1}, {3, 1}}, {{1, 1}, {2, 1}, {3, 1}}},
    {"column band", false, 2, 1, {{1, 1}, {1, 2}, {1, 3}, {7, 9}},
     {{1, 1}, {0, 0}, {1, 2}, {7, 8}}},
    {"last row", true, kLastRow, 1, {{kLastRow, 1}, {kLastRow - 1, 1}},
     {{0, 0}, {kLastRow - 1, 1}}},
    {"band past the last column", false, kLastColumn, 2,
     {{1, kLastColumn}, {1, kLastColumn - 1}}, {{0, 0}, {1, kLastColumn - 1}}},
    {"band to the last row but one", true, 0, kLastRow, {{0, 3}, {5, 3}, {kLastRow, 3}},
     {{0, 0}, {0, 0}, {0, 3}}},
    {"band behind every cell", true, 10, 5, {{1, 1}, {9, 2}}, {{1, 1}, {9, 2}}},
};

TEST(DeleteBand, RemovesTheBandAndMovesTheCellsBehindIt) {
  for (const DeleteCase& c : kDeleteCases) {
    Sheet sheet("s", "visible");
    std::map<const void*, std::pair<uint32_t, uint16_t>> from;
    std::vector<Shared<Cell>> held;
    for (auto [row, column] : c.cells) {
      held.push_back(put_cell(sheet, row, column));
      from[&*held.back().read()] = {row, column};
    }
    if (c.rows) {
      delete_rows(sheet, c.idx, c.amount);
    } else {
      delete_cols(sheet, static_cast<uint16_t>(c.idx), static_cast<uint16_t>(c.amount));
    }
    std::map<std::pair<uint32_t, uint16_t>, std::pair<uint32_t, uint16_t>> expected;
    for (size_t i = 0; i < c.cells.size(); ++i) {
      if (c.after[i] != kGone) {
        expected[c.cells[i]] = c.after[i];
      } else {
        // A removed cell that is still held keeps its coordinate.
        EXPECT_EQ(held[i].read()->coord, (Coordinate{c.cells[i].first, c.cells[i].second}))
            << c.name;
      }
    }
    EXPECT_EQ(moves_of(sheet, from), expected) << c.name;
  }
}

TEST(DeleteBand, LeavesMergedRangesCommentsAndDimensions) {
  Sheet sheet("s", "visible");
  sheet.merge_cells.push_back(MergeCell{1, 10, 1, 5});
  add_comment(sheet, 8, 1, "t", "a");
  sheet.row_dimensions.rows.emplace(9, RowDimension{9, 31.0, false, false, 0});
  sheet.column_dimensions.columns.emplace(4, ColumnDimension{4, 3.0, true, false, 0});
  put_cell(sheet, 9, 4);
  delete_rows(sheet, 2, 3);
  delete_cols(sheet, 1, 2);
  EXPECT_EQ(sheet.merge_cells[0].end_row, 10u);
  EXPECT_EQ(sheet.comments[0].read()->coord, (Coordinate{8, 1}));
  EXPECT_EQ(sheet.row_dimensions.rows.at(9).height, 31.0);
  EXPECT_TRUE(sheet.column_dimensions.columns.at(4).hidden);
  EXPECT_TRUE(sheet.cells.entries.contains(Coordinate{6, 2}));
}

// A copy shares its cell records: a deletion in one sheet moves the records both hold,
// and the other sheet keeps them under their old keys. Its own deletions then go by those
// keys, so it keeps every record exactly once and never loses one to a collision.
TEST(DeleteBand, ASheetSharingMovedRecordsGoesByItsOwnKeys) {
  Sheet source("s", "visible");
  std::vector<Shared<Cell>> cells;
  for (uint32_t row = 1; row <= 6; ++row) cells.push_back(put_cell(source, row, 1));
  Sheet copy = source.clone();

  delete_rows(source, 3, 2);
  EXPECT_EQ(cells[4].read()->coord, (Coordinate{3, 1}));
  EXPECT_TRUE(copy.cells.entries.at(Coordinate{5, 1}).same_record(cells[4]));
  EXPECT_EQ(copy.cells.entries.at(Coordinate{3, 1}).read()->coord, (Coordinate{3, 1}));

  // By the copy's keys: row 3 goes, rows 4 to 6 move up; the record under key 5 (which
  // says row 3) takes row 4 again, and the one under key 4 (row 4) row 3.
  delete_rows(copy, 3, 1);
  std::set<const void*> records;
  for (const auto& [key, cell] : copy.cells.entries) {
    records.insert(&*cell.read());
    EXPECT_EQ(cell.read()->coord.row, key.row);
  }
  EXPECT_EQ(records.size(), 5u);
  EXPECT_EQ(cells[4].read()->coord, (Coordinate{4, 1}));
  EXPECT_TRUE(source.cells.entries.at(Coordinate{3, 1}).same_record(cells[4]));
}

}  // namespace
}  // namespace engine
