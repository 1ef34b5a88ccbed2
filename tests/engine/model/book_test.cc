#include "engine/model/book.h"

#include <gtest/gtest.h>

#include "engine/model/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_cell;
using Names = std::vector<std::string>;

Names names_of(const Book& book) {
  Names names;
  for (const auto& sheet : book.sheets) names.push_back(sheet.read()->name);
  return names;
}

TEST(BookAddSheet, AppendsEvenARepeatedNameAndReturnsTheAppendedRecord) {
  Book book;
  auto first = add_sheet(book, "Data", "visible");
  auto second = add_sheet(book, "Data", "hidden");
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_TRUE(book.sheets[0].same_record(first));
  EXPECT_TRUE(book.sheets[1].same_record(second));
  EXPECT_EQ(names_of(book), (Names{"Data", "Data"}));
  EXPECT_EQ(second.read()->sheet_state, "hidden");
  EXPECT_EQ(first.strong_count(), 2u);  // the book's handle and ours
}

// The copy is named after its position in the receiving book, which need not hold the
// source, with no check against the names already there.
TEST(BookCopySheet, NamesTheCopyAfterItsPositionInTheReceivingBook) {
  Book book;
  auto a = add_sheet(book, "a", "visible");
  add_sheet(book, "Sheet 3", "visible");
  auto copy = copy_sheet(book, a);
  EXPECT_EQ(names_of(book), (Names{"a", "Sheet 3", "Sheet 3"}));
  EXPECT_TRUE(book.sheets[2].same_record(copy));
  Book empty;
  copy_sheet(empty, a);
  EXPECT_EQ(names_of(empty), (Names{"Sheet 1"}));
}

// A clone of the source (see sheet_test) that keeps the state; no handle to the source is
// left behind.
TEST(BookCopySheet, ClonesTheSourceAndLetsGoOfIt) {
  Book book;
  auto source = add_sheet(book, "s", "veryHidden");
  auto cell = put_cell(*source.write(), 1, 1, "1");
  auto copy = copy_sheet(book, source);
  EXPECT_EQ(source.strong_count(), 2u);
  EXPECT_EQ(copy.strong_count(), 2u);
  auto sheet = copy.read();
  EXPECT_EQ(sheet->sheet_state, "veryHidden");
  EXPECT_TRUE(sheet->cells.entries.at({1, 1}).same_record(cell));
}

}  // namespace
}  // namespace engine
