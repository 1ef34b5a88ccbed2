#include "engine/model/book.h"

#include <gtest/gtest.h>

#include "engine/model/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using Names = std::vector<std::string>;

Names names_of(const Book& book) {
  Names names;
  for (const auto& sheet : book.sheets) names.push_back(sheet.read()->name);
  return names;
}

// Even a repeated name is appended, and the appended record returned. A copy is a clone
// of the source that keeps its state, named after its position in the receiving book
// (which need not hold the source) with no check against the names already there; no
// handle to the source is left behind.
TEST(Book, AddAndCopySheets) {
  Book book;
  auto first = add_sheet(book, "Sheet 3", "visible");
  auto second = add_sheet(book, "Sheet 3", "veryHidden");
  ASSERT_TRUE(book.sheets.at(1).same_record(second));
  auto cell = testing::put_cell(*second.write(), 1, 1, "1");
  auto copy = copy_sheet(book, second);
  EXPECT_EQ(names_of(book), (Names{"Sheet 3", "Sheet 3", "Sheet 3"}));
  EXPECT_TRUE(book.sheets.at(2).same_record(copy));
  EXPECT_EQ(copy.read()->sheet_state, "veryHidden");
  EXPECT_TRUE(copy.read()->cells.entries.at({1, 1}).same_record(cell));
  EXPECT_EQ(std::tuple(first.strong_count(), second.strong_count(), copy.strong_count()),
            std::tuple(2u, 2u, 2u));  // the book's handle and ours
  Book empty;
  copy_sheet(empty, first);
  EXPECT_EQ(names_of(empty), (Names{"Sheet 1"}));
}

// No index counts from the end. Names compare byte for byte; the earliest of equal names
// wins; the current name counts.
TEST(Book, Lookups) {
  Book book;
  auto a = add_sheet(book, "X", "visible");
  auto b = add_sheet(book, "X", "visible");
  auto renamed = add_sheet(book, "old", "visible");
  renamed.write()->name = "new";
  EXPECT_TRUE(sheet_at(book, 1)->same_record(b));
  for (const int32_t idx : {3, -1, INT32_MIN, INT32_MAX})
    EXPECT_EQ(sheet_at(book, idx), std::nullopt) << idx;
  EXPECT_EQ(sheet_at(Book{}, 0), std::nullopt);
  EXPECT_TRUE(sheet_named(book, "X")->same_record(a));
  EXPECT_TRUE(sheet_named(book, "new")->same_record(renamed));
  for (const char* absent : {"x", "X ", "", "old"})
    EXPECT_EQ(sheet_named(book, absent), std::nullopt) << absent;
}

}  // namespace
}  // namespace engine
