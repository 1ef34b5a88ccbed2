// Hand-picked cases the randomized comparison (search_random_test) cannot reach: regex
// metacharacters, very long search texts, concurrent edits.
#include "engine/search/value_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::cell_of;
using testing::Coords;
using testing::coords_of;
using testing::text_cell;

// No character of the search text has a meaning of its own; the value texts are searched
// case-sensitively.
TEST(FindByRegex, SearchTextIsLiteral) {
  const DateTime when = *DateTime::from_parts(2024, 1, 5, 3, 4, 5, 0);
  const CellHandles cells = {cell_of(1, 1, CellValue::numeric(3.0)), text_cell(1, 2, "a.c"),
                             cell_of(1, 3, CellValue::date_time(when)), text_cell(1, 4, "abc"),
                             text_cell(1, 5, "f(x)"), cell_of(1, 6, CellValue::boolean(true)),
                             text_cell(1, 7, "[^$]*+?{}|\\#")};
  const std::pair<const char*, Coords> cases[] = {
      {"3.0", {}}, {"3", {{1, 1}, {1, 3}}}, {"a.c", {{1, 2}}}, {"f(x)", {{1, 5}}},
      {"(", {{1, 5}}}, {"TRUE", {}}, {"rue", {{1, 6}}}, {"2024-01-05 03:04", {{1, 3}}},
      {"^$]*+?{}|\\", {{1, 7}}}, {"[^$]*+?{}|\\#", {{1, 7}}}, {"abcd", {}}};
  for (const auto& [text, found] : cases)
    EXPECT_EQ(coords_of(find_cells_by_regex(text, cells).value()), found) << text;
}

TEST(FindByRegex, NeverRefusesALongSearchText) {
  const std::string long_text(200000, '(');
  const CellHandles cells = {text_cell(1, 1, long_text), text_cell(1, 2, "(")};
  auto all = find_cells_by_regex(long_text, cells);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(coords_of(all.value()), (Coords{{1, 1}}));
  auto none = find_cell_by_regex(long_text + "x", cells);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none.value().has_value());
}

// Readers must see each cell wholly before or wholly after an edit: every value the
// writer stores contains "needle", so each search must take every cell.
TEST(FindByRegex, ConcurrentEditsAreSeenWhole) {
  CellHandles cells;
  for (int i = 0; i < 4000; ++i) cells.push_back(text_cell(1, 1, "needle"));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    const std::string long_value = "needle" + std::string(100, 'z');
    for (size_t round = 0; !done.load(); ++round) {
      auto cell = cells[round % cells.size()].write();
      cell->value = CellValue::string(round % 2 ? long_value : "needle");
    }
  });
  for (int round = 0; round < 50; ++round)
    EXPECT_EQ(find_cells_by_regex("needle", cells).value().size(), cells.size());
  done = true;
  writer.join();
}

}  // namespace
}  // namespace engine
