// The letter lookups and the extremes of the bounds; everything else about these searches
// is compared with a sequential reference in search_random_test.
#include "engine/search/position_search.h"

#include <gtest/gtest.h>

#include "engine/base/stop.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::text_cell;

TEST(FindCellByLetter, SpellingsOfOneCoordinateFindTheFirstCellThere) {
  const CellHandles cells = {text_cell(7, 1, "A7"), text_cell(2, 7, "G2"),
                             text_cell(7, 2, "B7"), text_cell(7, 2, "B7 again")};
  for (std::string_view letter : {"b7", "B7", "$B$7", "$b7", "B$7"}) {
    auto found = find_cell_by_letter(letter, cells);
    ASSERT_TRUE(found.has_value()) << letter;
    EXPECT_TRUE(found->same_record(cells[2])) << letter;
  }
  EXPECT_FALSE(find_cell_by_letter("C7", cells).has_value());
  // A bad text stops whatever the list holds.
  for (std::string_view letter : {"", "7", "B", "!B7", "$"}) {
    EXPECT_THROW(find_cell_by_letter(letter, cells), Stop) << letter;
    EXPECT_THROW(find_cell_by_letter(letter, {}), Stop) << letter;
  }
}

TEST(FindCellsRange, WholeRangeOfEachField) {
  const CellHandles cells = {text_cell(0, 2, "a"), text_cell(4294967295u, 1, "b"),
                             text_cell(3, 65535, "c")};
  EXPECT_EQ(find_cells_range_rows(0, 4294967295u, cells).size(), 3u);
  EXPECT_EQ(find_cells_range_rows(4294967295u, 4294967295u, cells).size(), 1u);
  EXPECT_EQ(find_cells_range_cols(1, 65535, cells).size(), 3u);
  EXPECT_EQ(find_cells_range_cols(65535, 65535, cells).size(), 1u);
}

}  // namespace
}  // namespace engine
