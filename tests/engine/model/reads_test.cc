#include "engine/model/reads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <set>
#include <thread>

#include "engine/base/pool.h"
#include "engine/model/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::coords_of;
using testing::move_cell;
using testing::put_cell;

// Looked up by the key the cell is stored under, not the coordinate it holds.
TEST(ValueLookup, AbsentEmptyAndFilledCells) {
  Sheet sheet("s", "visible");
  move_cell(put_cell(sheet, 1, 1, "5"), 4, 4);
  put_cell(sheet, 2, 2);  // Empty value
  for (const auto& [row, col, text, found] :
       {std::tuple{1, 1, "5", std::optional<std::string>("5")}, {2, 2, "", ""},
        {3, 3, "", std::nullopt}, {4, 4, "", std::nullopt}}) {
    EXPECT_EQ(get_value_cell(sheet.cells, row, col), text) << row;
    EXPECT_EQ(find_value_by_coords(sheet.cells, row, col), found) << row;
  }
}

// Row, then column; equal coordinates (cells moved without their keys) in the map's own
// order. Both ways of ordering: keys and positions packed in one number when they fit,
// keys beside positions when they do not (rows spread over 32 bits and more than 65536
// cells). The lent list holds the same records in the same order without counting them;
// a handle copied out of it counts as any other.
TEST(SortedCells, RowThenColumnTiesInMapOrderAndTheLentList) {
  EXPECT_TRUE(Sheet("s", "visible").sorted_cells().empty());
  for (const auto& [n, row_spread] : {std::pair{40u, 5u}, {uint32_t(pool::kInlineBelow * 20), 5u},
                                     {70000u, 3000u}, {70000u, 4294967295u}}) {
    SCOPED_TRACE(::testing::Message() << n << " cells over " << row_spread << " rows");
    Sheet sheet("s", "visible");
    std::mt19937 random(row_spread + n);
    for (uint32_t i = 0; i < n; ++i)
      move_cell(put_cell(sheet, i + 1, 1), random() % row_spread, uint16_t(random() % 4));
    std::vector<Shared<Cell>> expected = testing::map_order(sheet);
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
      return a.read()->coord < b.read()->coord;
    });
    const std::vector<Shared<Cell>> sorted = sheet.sorted_cells();
    LentHandles<Cell> lent = sheet.lend_sorted_cells();
    ASSERT_EQ(sorted.size(), expected.size());
    ASSERT_EQ(lent.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_TRUE(sorted[i].same_record(expected[i])) << i;
      ASSERT_TRUE(lent.view()[i].same_record(expected[i])) << i;
      ASSERT_EQ(sorted[i].strong_count(), 3u);  // the map's, expected's and sorted's
    }
    Shared<Cell> copied = lent.view()[0];
    EXPECT_EQ(copied.strong_count(), 4u);
  }
}

// Bounds inclusive; absent ones are 1..1048576 and 1..16384, and given ones reach past
// them; the cells' own coordinates count, not their keys. A sheet whose cells fill their
// box and sit at their keys is ordered by placing them; one with outliers or a moved cell
// by sorting: both must agree with a plain filter, and give all cells for sorted_cells.
TEST(CellsByRange, MatchesAPlainFilter) {
  EXPECT_TRUE(get_cells_by_range(Sheet("s", "visible").cells, {}, {}, {}, {}).empty());
  for (const auto& [outliers, moved] : {std::pair{true, true}, {false, true}, {false, false}}) {
    Sheet sheet("s", "visible");
    std::mt19937 random(3);
    for (int i = 0; i < 30000; ++i)
      put_cell(sheet, random() % 400 + 1, static_cast<uint16_t>(random() % 60 + 1));
    if (outliers) {
      for (auto [row, column] :
           Coords{{1048577, 1}, {1, 16385}, {0, 5}, {5, 0}, {1048576, 16384}})
        put_cell(sheet, row, column);
    }
    if (moved) move_cell(put_cell(sheet, outliers ? 1000 : 400, 60), 100, 30);

    using Bound = std::optional<uint32_t>;
    using ColumnBound = std::optional<uint16_t>;
    const std::tuple<Bound, Bound, ColumnBound, ColumnBound> cases[] = {
        {100, 300, 10, 30}, {{}, {}, {}, {}}, {0, 1048577, {}, 16384}, {1048577, {}, {}, {}},
        {2, 2, 1, 1}, {5, 3, {}, {}}, {{}, {}, 2, 1}, {401, {}, {}, {}},
        {0, 4294967295u, 0, 65535}};
    for (const auto& [r1, r2, c1, c2] : cases) {
      Coords expected;
      for (const auto& [key, cell] : sheet.cells.entries) {
        const Coordinate c = cell.read()->coord;
        if (c.row >= r1.value_or(1) && c.row <= r2.value_or(kRangeLastRow) &&
            c.column >= c1.value_or(1) && c.column <= c2.value_or(kRangeLastColumn))
          expected.emplace_back(c.row, c.column);
      }
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(coords_of(get_cells_by_range(sheet.cells, r1, r2, c1, c2)), expected)
          << outliers << moved << ": " << r1.value_or(0) << ".." << r2.value_or(0) << ", "
          << c1.value_or(0) << ".." << c2.value_or(0);
    }
    Coords all;
    for (const auto& [key, cell] : sheet.cells.entries)
      all.emplace_back(cell.read()->coord.row, cell.read()->coord.column);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(coords_of(sheet.sorted_cells()), all);
    const LentHandles<Cell> lent = sheet.lend_sorted_cells();
    EXPECT_EQ(coords_of({lent.view().begin(), lent.view().end()}), all);
  }
}

// A range that holds the whole box of keys admits every cell that sits at its key, but a
// cell moved out of the range must still be left out once the box gives way to the walk.
TEST(CellsByRange, CellMovedOutOfARangeThatHoldsTheBox) {
  Sheet sheet("s", "visible");
  Coords expected;
  for (uint32_t row = 1; row <= 40; ++row) {
    for (uint16_t column = 1; column <= 5; ++column) {
      put_cell(sheet, row, column);
      if (row != 7 || column != 3) expected.emplace_back(row, column);
    }
  }
  move_cell(sheet.cells.entries.at(Coordinate{7, 3}), 2000, 3);
  EXPECT_EQ(coords_of(get_cells_by_range(sheet.cells, {}, 1000, {}, {})), expected);
  expected.emplace_back(2000, 3);
  EXPECT_EQ(coords_of(get_cells_by_range(sheet.cells, {}, {}, {}, {})), expected);
  EXPECT_EQ(coords_of(sheet.sorted_cells()), expected);
}

// Cells shared with another sheet can be moved while this one sorts (only the cells are
// locked). Each cell's key is read once, so the sort stays consistent: every cell comes
// out exactly once, whatever order the moves produce.
TEST(SortedCells, CellsMovedDuringTheSortComeOutExactlyOnce) {
  Sheet sheet("s", "visible");
  std::vector<Shared<Cell>> all;
  for (uint32_t i = 0; i < 50000; ++i)
    all.push_back(put_cell(sheet, i % 1000 + 1, static_cast<uint16_t>(i / 1000 + 1)));
  std::atomic<bool> done{false};
  std::thread mover([&] {
    std::mt19937 random(5);
    while (!done.load())
      move_cell(all[random() % all.size()], random() % 1000 + 1, uint16_t(random() % 50 + 1));
  });
  for (int round = 0; round < 5; ++round) {
    std::vector<Shared<Cell>> sorted = sheet.sorted_cells();
    std::set<const void*> records;
    for (const auto& cell : sorted) records.insert(&*cell.read());
    EXPECT_EQ(sorted.size(), all.size());
    EXPECT_EQ(records.size(), all.size());
  }
  done.store(true);
  mover.join();
}

}  // namespace
}  // namespace engine
