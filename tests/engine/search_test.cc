#include "engine/search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/white_space.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::cell_of;
using testing::Coords;
using testing::coords_of;
using testing::empty_cell;
using testing::positions_of;
using testing::text_cell;

CellHandles value_of(Result<CellHandles> r) {
  EXPECT_TRUE(r.ok());
  return r.ok() ? r.value() : CellHandles{};
}

TEST(TrimWhiteSpace, EveryListedCharacterIsTrimmedFromBothEnds) {
  const char32_t listed[] = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,   0xA0,
                             0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006,
                             0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F,
                             0x3000};
  auto utf8 = [](char32_t c) {
    std::string s;
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xC0 | (c >> 6));
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      s += static_cast<char>(0xE0 | (c >> 12));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
  };
  for (char32_t c : listed) {
    EXPECT_TRUE(is_white_space(c)) << std::hex << static_cast<uint32_t>(c);
    const std::string w = utf8(c);
    EXPECT_EQ(trim_white_space(w + w + "a" + w + "b" + w + w), "a" + w + "b")
        << std::hex << static_cast<uint32_t>(c);
    EXPECT_EQ(trim_white_space(w), "");
  }
}

TEST(TrimWhiteSpace, LookAlikesAndNeighboursStay) {
  // U+200B zero-width space, U+FEFF, U+180E (no longer White_Space), U+200C, U+2030,
  // U+1681, U+0084, U+00A1, U+3001.
  for (std::string_view s : {"\u200B", "\uFEFF", "\u180E", "\u200C", "\u2030", "\u1681",
                             "\u0084", "\u00A1", "\u3001"}) {
    const std::string text = std::string(s) + "x" + std::string(s);
    EXPECT_EQ(trim_white_space(text), text);
  }
  // A character whose last bytes look like white space must not lose them: U+0100 is
  // C4 80 and U+E280 is EE 8A 80.
  EXPECT_EQ(trim_white_space("x\u0100"), "x\u0100");
  EXPECT_EQ(trim_white_space("\xEE\x8A\x80"), "\xEE\x8A\x80");
  // Broken sequences are kept, not read past.
  EXPECT_EQ(trim_white_space("\xC2"), "\xC2");
  EXPECT_EQ(trim_white_space("\xE2\x80"), "\xE2\x80");
  EXPECT_EQ(trim_white_space("\xE2\x80 "), "\xE2\x80");
}

TEST(FindByStr, TrimsUnicodeWhiteSpaceButNotZeroWidthSpace) {
  const CellHandles cells = {text_cell(1, 1, "x\u00A0"), text_cell(2, 1, "x\u200B"),
                             text_cell(3, 1, "\u3000x\u2029"), text_cell(4, 1, "X"),
                             text_cell(5, 1, "x x")};
  EXPECT_EQ(coords_of(find_cells_by_str("  x\t", cells)), (Coords{{1, 1}, {3, 1}}));
  // Inner white space is compared as it stands.
  EXPECT_EQ(coords_of(find_cells_by_str("x x", cells)), (Coords{{5, 1}}));
  EXPECT_TRUE(find_cells_by_str("x  x", cells).empty());
  auto first = find_cell_by_str("\nx", cells);
  ASSERT_TRUE(first.has_value());
  EXPECT_TRUE(first->same_record(cells[0]));
  EXPECT_FALSE(find_cell_by_str("x\u200B\u200B", cells).has_value());
}

TEST(FindByStr, BlankValueFindsEmptyAndBlankTexts) {
  const CellHandles cells = {text_cell(1, 1, "a"), empty_cell(1, 2),
                             text_cell(1, 3, " \u2003\t"), text_cell(1, 4, "\u200B"),
                             cell_of(1, 5, CellValue::integer(0))};
  const Coords blank = {{1, 2}, {1, 3}};
  EXPECT_EQ(coords_of(find_cells_by_str("", cells)), blank);
  EXPECT_EQ(coords_of(find_cells_by_str("   ", cells)), blank);
  auto first = find_cell_by_str(" ", cells);
  ASSERT_TRUE(first.has_value());
  EXPECT_TRUE(first->same_record(cells[1]));
}

TEST(FindByStr, ComparesValueTextsOfEveryKind) {
  const CellHandles cells = {cell_of(1, 1, CellValue::numeric(3.0)),
                             cell_of(1, 2, CellValue::boolean(false)),
                             cell_of(1, 3, CellValue::integer(-7)),
                             cell_of(1, 4, CellValue::numeric(0.5))};
  EXPECT_EQ(coords_of(find_cells_by_str("3", cells)), (Coords{{1, 1}}));
  EXPECT_TRUE(find_cells_by_str("3.0", cells).empty());
  EXPECT_EQ(coords_of(find_cells_by_str(" false ", cells)), (Coords{{1, 2}}));
  EXPECT_TRUE(find_cells_by_str("FALSE", cells).empty());
  EXPECT_EQ(coords_of(find_cells_by_str("-7", cells)), (Coords{{1, 3}}));
  EXPECT_EQ(coords_of(find_cells_by_str("0.5", cells)), (Coords{{1, 4}}));
}

TEST(FindByRegex, EmptyTextMatchesEveryCellIncludingEmptyValues) {
  const CellHandles cells = {empty_cell(4, 4), text_cell(1, 1, "a"), empty_cell(2, 2)};
  EXPECT_EQ(coords_of(value_of(find_cells_by_regex("", cells))),
            (Coords{{4, 4}, {1, 1}, {2, 2}}));
  auto first = find_cell_by_regex("", cells);
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(first.value().has_value());
  EXPECT_TRUE(first.value()->same_record(cells[0]));
}

TEST(FindByRegex, ContainmentIsLiteralAndCaseSensitiveOverValueTexts) {
  DateTime when = *DateTime::from_parts(2024, 1, 5, 3, 4, 5, 0);
  const CellHandles cells = {cell_of(1, 1, CellValue::numeric(3.0)), text_cell(1, 2, "13"),
                             cell_of(1, 3, CellValue::date_time(when)),
                             text_cell(1, 4, "abc"), text_cell(1, 5, "a.c"),
                             text_cell(1, 6, "f(x)"), cell_of(1, 7, CellValue::boolean(true)),
                             text_cell(1, 8, "[^$]*+?{}|\\#")};
  auto found = [&](std::string_view text) {
    return coords_of(value_of(find_cells_by_regex(text, cells)));
  };
  EXPECT_TRUE(found("3.0").empty());
  EXPECT_EQ(found("3"), (Coords{{1, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(found("a.c"), (Coords{{1, 5}}));
  EXPECT_EQ(found("f(x)"), (Coords{{1, 6}}));
  EXPECT_EQ(found("("), (Coords{{1, 6}}));
  EXPECT_TRUE(found("TRUE").empty());
  EXPECT_EQ(found("rue"), (Coords{{1, 7}}));
  EXPECT_EQ(found("2024-01-05 03:04"), (Coords{{1, 3}}));
  EXPECT_EQ(found("^$]*+?{}|\\"), (Coords{{1, 8}}));
  EXPECT_TRUE(found("abcd").empty());
}

TEST(FindByRegex, NeverRefusesALongSearchText) {
  const std::string long_text(200000, '(');
  const CellHandles cells = {text_cell(1, 1, long_text), text_cell(1, 2, "(")};
  auto all = find_cells_by_regex(long_text, cells);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(coords_of(all.value()), (Coords{{1, 1}}));
  auto none = find_cell_by_regex(long_text + "x", {});
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none.value().has_value());
}

TEST(FindByRegex, EmptyListGivesNothing) {
  EXPECT_TRUE(value_of(find_cells_by_regex("a", {})).empty());
  EXPECT_TRUE(value_of(find_cells_for_rows_by_regex("a", 3, {})).empty());
  EXPECT_TRUE(value_of(find_cells_for_cols_by_regex("a", 3, {})).empty());
  EXPECT_TRUE(find_cells_by_str("a", {}).empty());
  EXPECT_FALSE(find_cell_by_str("", {}).has_value());
}

// Lists long enough to be split among workers, with matches in different pieces.
TEST(FindByRegex, DuplicatesStayAndTheLeftmostMatchWins) {
  const auto hit = text_cell(9, 9, "hit");
  CellHandles cells;
  for (int i = 0; i < 20000; ++i) cells.push_back(text_cell(1, 1, "miss"));
  cells[2] = hit;
  cells[4] = text_cell(8, 8, "hit");
  cells[19999] = hit;
  cells[7777] = hit;
  auto all = value_of(find_cells_by_regex("hit", cells));
  EXPECT_EQ(positions_of(all, cells), (std::vector<size_t>{2, 4, 7777, 19999}));
  auto first = find_cell_by_regex("hit", cells);
  ASSERT_TRUE(first.ok() && first.value().has_value());
  EXPECT_TRUE(first.value()->same_record(hit));

  // Only a late match, so every earlier piece must have been searched.
  CellHandles late(cells.size(), text_cell(1, 1, "miss"));
  late[15000] = text_cell(3, 3, "hit");
  auto last = find_cell_by_regex("hit", late);
  ASSERT_TRUE(last.ok() && last.value().has_value());
  EXPECT_TRUE(last.value()->same_record(late[15000]));
  auto by_str = find_cell_by_str(" hit", late);
  ASSERT_TRUE(by_str.has_value());
  EXPECT_TRUE(by_str->same_record(late[15000]));
}

TEST(FindBounded, BoundsAreInclusiveAndTestedOnTheRightField) {
  const CellHandles cells = {text_cell(7, 9, "x"), text_cell(8, 1, "x"), text_cell(1, 7, "x"),
                             text_cell(2, 8, "x"), text_cell(7, 2, "y"),
                             text_cell(3, 65535, "x")};
  EXPECT_EQ(coords_of(value_of(find_cells_for_cols_by_regex("x", 7, cells))),
            (Coords{{7, 9}, {1, 7}, {2, 8}, {3, 65535}}));
  EXPECT_EQ(coords_of(value_of(find_cells_for_rows_by_regex("x", 7, cells))),
            (Coords{{8, 1}, {1, 7}}));
  EXPECT_EQ(coords_of(value_of(find_cells_for_rows_by_regex("x", 65535, cells))),
            (Coords{{7, 9}, {8, 1}, {1, 7}, {2, 8}, {3, 65535}}));
  EXPECT_TRUE(value_of(find_cells_for_cols_by_regex("x", 0, cells)).empty());
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
  for (int round = 0; round < 50; ++round) {
    ASSERT_EQ(value_of(find_cells_by_regex("needle", cells)).size(), cells.size());
  }
  done = true;
  writer.join();
}

}  // namespace
}  // namespace engine
