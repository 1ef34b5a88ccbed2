#include "engine/marker_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::coords_of;
using testing::empty_cell;
using testing::positions_of;
using testing::text_cell;

CellHandles multi(std::string_view before, std::string_view after, const CellHandles& cells) {
  auto r = find_cells_multi_regex(before, after, cells);
  EXPECT_TRUE(r.ok());
  return r.ok() ? r.value() : CellHandles{};
}

CellHandles between(std::string_view before, std::string_view after,
                    const CellHandles& cells) {
  auto r = find_cells_between_regex(before, after, cells);
  EXPECT_TRUE(r.ok());
  return r.ok() ? r.value() : CellHandles{};
}

// A sorted sheet of `rows` rows and three columns; `marks` puts texts at coordinates.
CellHandles grid(uint32_t rows,
                 std::vector<std::pair<std::pair<uint32_t, uint16_t>, std::string>> marks) {
  CellHandles cells;
  for (uint32_t r = 1; r <= rows; ++r) {
    for (uint16_t c = 1; c <= 3; ++c) {
      std::string text = "plain";
      for (auto& [at, t] : marks)
        if (at.first == r && at.second == c) text = t;
      cells.push_back(text_cell(r, c, text));
    }
  }
  return cells;
}

Coords rows_band(uint32_t from, uint32_t to) {
  Coords out;
  for (uint32_t r = from; r <= to; ++r)
    for (uint16_t c = 1; c <= 3; ++c) out.emplace_back(r, c);
  return out;
}

TEST(MarkerSearch, SortedSheetBandOfWholeRows) {
  const auto cells = grid(9, {{{3, 2}, "BEGIN"}, {{7, 3}, "END"}});
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), rows_band(3, 7));
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{3, 2}, {7, 3}}));
}

TEST(MarkerSearch, OpeningAndClosingInOneRow) {
  const auto cells = grid(8, {{{5, 1}, "BEGIN"}, {{5, 3}, "END"}});
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), rows_band(5, 5));
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{5, 1}, {5, 3}}));
}

TEST(MarkerSearch, OnlyTheFirstRegionBoundsTheBand) {
  const auto cells = grid(14, {{{3, 1}, "BEGIN"},
                               {{7, 1}, "END"},
                               {{10, 1}, "BEGIN"},
                               {{12, 1}, "END"}});
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), rows_band(3, 7));
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)),
            (Coords{{3, 1}, {7, 1}, {10, 1}, {12, 1}}));
}

TEST(MarkerSearch, RegionNeverClosedRunsToTheEnd) {
  // Out of row order on purpose: the open band takes every row at or after row 4,
  // in list order.
  const CellHandles cells = {text_cell(9, 1, "x"), text_cell(4, 2, "BEGIN"),
                             text_cell(2, 1, "x"), text_cell(4, 1, "x"),
                             text_cell(5, 5, "x")};
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), (Coords{{9, 1}, {4, 2}, {4, 1}, {5, 5}}));
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{4, 2}}));
}

TEST(MarkerSearch, CellWithBothTextsOpensOutsideAndClosesInside) {
  const CellHandles cells = {text_cell(1, 1, "BEGIN END"), text_cell(2, 1, "x"),
                             text_cell(3, 1, "BEGIN END"), text_cell(4, 1, "BEGIN END"),
                             text_cell(5, 1, "x")};
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{1, 1}, {3, 1}, {4, 1}}));
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), (Coords{{1, 1}, {2, 1}, {3, 1}}));
}

TEST(MarkerSearch, SameTextOpensAndClosesInTurn) {
  const CellHandles cells = {text_cell(1, 1, "#"), text_cell(2, 1, "x #"),
                             text_cell(3, 1, "y"), text_cell(4, 1, "##"),
                             text_cell(5, 1, "z")};
  EXPECT_EQ(coords_of(multi("#", "#", cells)), (Coords{{1, 1}, {2, 1}, {4, 1}}));
  EXPECT_EQ(coords_of(between("#", "#", cells)), (Coords{{1, 1}, {2, 1}}));
}

TEST(MarkerSearch, SecondOpeningInsideIsNoMarkerAndEarlyClosingIsIgnored) {
  const CellHandles cells = {text_cell(1, 1, "END"), text_cell(2, 1, "BEGIN"),
                             text_cell(3, 1, "BEGIN"), text_cell(4, 1, "END"),
                             text_cell(5, 1, "END"), text_cell(6, 1, "x")};
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{2, 1}, {4, 1}}));
  EXPECT_EQ(coords_of(between("BEGIN", "END", cells)), (Coords{{2, 1}, {3, 1}, {4, 1}}));
  EXPECT_TRUE(multi("NOPE", "END", cells).empty());
  EXPECT_TRUE(between("NOPE", "END", cells).empty());
}

TEST(MarkerSearch, EmptyBeforeTextOpensAtTheFirstCellAndAfterEachClose) {
  const CellHandles cells = {empty_cell(2, 1), text_cell(3, 1, "a"), text_cell(4, 1, "END"),
                             text_cell(5, 1, "b"), text_cell(6, 1, "c END"),
                             text_cell(7, 1, "d")};
  EXPECT_EQ(coords_of(multi("", "END", cells)), (Coords{{2, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}));
  EXPECT_EQ(coords_of(between("", "END", cells)), (Coords{{2, 1}, {3, 1}, {4, 1}}));
}

TEST(MarkerSearch, ClosingRowBelowOpeningRowGivesNothing) {
  const CellHandles cells = {text_cell(5, 1, "x"), text_cell(6, 1, "BEGIN"),
                             text_cell(2, 1, "END"), text_cell(4, 1, "x")};
  EXPECT_TRUE(between("BEGIN", "END", cells).empty());
  EXPECT_EQ(coords_of(multi("BEGIN", "END", cells)), (Coords{{6, 1}, {2, 1}}));
}

TEST(MarkerSearch, EmptyListAndLiteralTexts) {
  EXPECT_TRUE(multi("(", "[", {}).empty());
  EXPECT_TRUE(between("(", "[", {}).empty());
  const CellHandles cells = {text_cell(1, 1, "a.b"), text_cell(2, 1, "axb"),
                             text_cell(3, 1, "(end"), text_cell(4, 1, "x")};
  EXPECT_EQ(coords_of(multi("a.b", "(", cells)), (Coords{{1, 1}, {3, 1}}));
}

// The band filter runs on the pool: a long sorted list keeps its order and duplicates.
TEST(MarkerSearch, BandOfALongListKeepsOrderAndDuplicates) {
  CellHandles cells;
  for (uint32_t r = 1; r <= 4000; ++r) {
    cells.push_back(text_cell(r, 1, r == 1200 ? "BEGIN" : r == 2800 ? "END" : "row"));
    cells.push_back(text_cell(r, 2, "v"));
  }
  cells.push_back(cells[2500]);  // row 1251 listed again at the end
  const auto found = between("BEGIN", "END", cells);
  std::vector<size_t> expected;
  for (size_t i = 2398; i <= 5599; ++i) expected.push_back(i);
  expected.push_back(cells.size() - 1);
  EXPECT_EQ(positions_of(found, cells), expected);
}

// The sheet-level searches order the map's cells by row, then column before the walk.
TEST(MarkerSearch, SheetCellsAreWalkedInRowThenColumnOrder) {
  Sheet sheet("s", "visible");
  auto put = [&](uint32_t r, uint16_t c, std::string_view text) {
    sheet.cells.entries[Coordinate{r, c}] = text_cell(r, c, text);
  };
  put(9, 1, "END");
  put(2, 2, "x");
  put(6, 1, "BEGIN");
  put(4, 3, "END");
  put(4, 1, "BEGIN");
  put(6, 2, "x");
  put(12, 1, "y");
  EXPECT_EQ(coords_of(find_cells_multi_regex(sheet, "BEGIN", "END").value()),
            (Coords{{4, 1}, {4, 3}, {6, 1}, {9, 1}}));
  EXPECT_EQ(coords_of(find_cells_between_regex(sheet, "BEGIN", "END").value()),
            (Coords{{4, 1}, {4, 3}}));
  EXPECT_EQ(coords_of(find_cells_between_regex(sheet, "x", "y").value()),
            (Coords{{2, 2}, {4, 1}, {4, 3}, {6, 1}, {6, 2}, {9, 1}, {12, 1}}));
  EXPECT_TRUE(find_cells_between_regex(Sheet("e", "visible"), "", "").value().empty());
}

}  // namespace
}  // namespace engine
