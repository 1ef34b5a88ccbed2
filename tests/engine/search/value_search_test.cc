// Hand-picked cases the randomized comparison (search_random_test) cannot reach: the full
// white-space list, regex metacharacters, very long search texts, concurrent edits.
#include "engine/search/value_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/text/white_space.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::cell_of;
using testing::Coords;
using testing::coords_of;
using testing::text_cell;

TEST(TrimWhiteSpace, EveryListedCharacterIsTrimmedFromBothEnds) {
  for (const char32_t c : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x2000,
                           0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                           0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000}) {
    SCOPED_TRACE(::testing::Message() << std::hex << static_cast<uint32_t>(c));
    EXPECT_TRUE(is_white_space(c));
    const std::string w = testing::utf8(c);
    EXPECT_EQ(trim_white_space(w + w + "a" + w + "b" + w + w), "a" + w + "b");
    EXPECT_EQ(trim_white_space(w), "");
  }
}

TEST(TrimWhiteSpace, LookAlikesNeighboursAndBrokenSequencesStay) {
  // U+200B zero-width space, U+FEFF, U+180E (no longer White_Space), U+200C, U+2030,
  // U+1681, U+0084, U+00A1, U+3001.
  for (std::string_view s : {"\u200B", "\uFEFF", "\u180E", "\u200C", "\u2030", "\u1681",
                             "\u0084", "\u00A1", "\u3001"}) {
    const std::string text = std::string(s) + "x" + std::string(s);
    EXPECT_EQ(trim_white_space(text), text);
  }
  // Last bytes that look like white space (U+0100 is C4 80, U+E280 is EE 8A 80), and
  // broken sequences, are kept, not read past.
  for (std::string_view s : {"x\u0100", "\xEE\x8A\x80", "\xC2", "\xE2\x80", "\xE3\x80@"})
    EXPECT_EQ(trim_white_space(s), s);
  EXPECT_EQ(trim_white_space("\xE2\x80 "), "\xE2\x80");
}

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
