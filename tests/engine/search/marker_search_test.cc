#include "engine/search/marker_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::text_cell;

// Lists of cells given as (row, column, text); the markers and the band as positions in
// the list. Each case names the rule it shows. The sheet-level searches (over the cells
// in row, then column order) are compared with a reference in
// tests/python/test_sheet_searches.py.
TEST(MarkerSearch, MarkersAndBandOfTheFirstRegion) {
  struct Case {
    const char* rule;
    std::vector<std::tuple<uint32_t, uint16_t, const char*>> cells;
    const char *before, *after;
    std::vector<size_t> multi, between;
  };
  const Case cases[] = {
      {"the band takes whole rows, up to the first closing",
       {{3, 1, "BEGIN"}, {3, 2, "x"}, {4, 3, "x"}, {5, 1, "END"}, {5, 2, "x"}, {6, 1, "x"},
        {7, 1, "BEGIN"}, {8, 1, "END"}, {2, 1, "x"}},
       "BEGIN", "END", {0, 3, 6, 7}, {0, 1, 2, 3, 4}},
      {"opening and closing in one row",
       {{5, 1, "x"}, {5, 2, "BEGIN"}, {5, 3, "END"}, {6, 1, "x"}},
       "BEGIN", "END", {1, 2}, {0, 1, 2}},
      {"a region never closed runs to the end, in list order",
       {{9, 1, "x"}, {4, 2, "BEGIN"}, {2, 1, "x"}, {4, 1, "x"}, {5, 5, "x"}},
       "BEGIN", "END", {1}, {0, 1, 3, 4}},
      {"a cell with both texts opens outside and closes inside",
       {{1, 1, "BEGIN END"}, {2, 1, "x"}, {3, 1, "BEGIN END"}, {4, 1, "BEGIN END"}, {5, 1, "x"}},
       "BEGIN", "END", {0, 2, 3}, {0, 1, 2}},
      {"the same text opens and closes in turn",
       {{1, 1, "#"}, {2, 1, "x #"}, {3, 1, "y"}, {4, 1, "##"}, {5, 1, "z"}},
       "#", "#", {0, 1, 3}, {0, 1}},
      {"a second opening inside is no marker, an early closing is ignored",
       {{1, 1, "END"}, {2, 1, "BEGIN"}, {3, 1, "BEGIN"}, {4, 1, "END"}, {5, 1, "END"}},
       "BEGIN", "END", {1, 3}, {1, 2, 3}},
      {"no opening, no region", {{1, 1, "END"}, {2, 1, "x"}}, "NOPE", "END", {}, {}},
      {"an empty before text opens at the first cell and after each closing",
       {{2, 1, ""}, {3, 1, "a"}, {4, 1, "END"}, {5, 1, "b"}, {6, 1, "c END"}, {7, 1, "d"}},
       "", "END", {0, 2, 3, 4, 5}, {0, 1, 2}},
      {"a closing row below the opening row gives no band",
       {{5, 1, "x"}, {6, 1, "BEGIN"}, {2, 1, "END"}, {4, 1, "x"}},
       "BEGIN", "END", {1, 2}, {}},
      {"texts are literal", {{1, 1, "a.b"}, {2, 1, "axb"}, {3, 1, "(end"}}, "a.b", "(", {0, 2},
       {0, 1, 2}},
      {"an empty list", {}, "(", "[", {}, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    CellHandles cells;
    for (const auto& [row, column, text] : c.cells)
      cells.push_back(testing::cell_of(row, column, *text ? CellValue::string(text) : CellValue()));
    EXPECT_EQ(testing::positions_of(find_cells_multi_regex(c.before, c.after, cells).value(),
                                    cells),
              c.multi);
    EXPECT_EQ(testing::positions_of(find_cells_between_regex(c.before, c.after, cells).value(),
                                    cells),
              c.between);
  }
}

}  // namespace
}  // namespace engine
