// Hand-picked cases the randomized comparisons (search_random_test, and the Python ones
// whose search texts are full of regex metacharacters) cannot reach: very long search
// texts, concurrent edits.
#include "engine/search/value_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::coords_of;
using testing::text_cell;

TEST(FindByRegex, NeverRefusesALongSearchText) {
  const std::string long_text(200000, '(');
  const CellHandles cells = {text_cell(1, 1, long_text), text_cell(1, 2, "(")};
  EXPECT_EQ(coords_of(find_cells_by_regex(long_text, cells).value()), (Coords{{1, 1}}));
  EXPECT_FALSE(find_cell_by_regex(long_text + "x", cells).value().has_value());
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
