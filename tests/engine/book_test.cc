#include "engine/book.h"

#include <gtest/gtest.h>

#include "engine/cell_value.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::put_cell;

std::vector<std::string> names_of(const Book& book) {
  std::vector<std::string> names;
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
  EXPECT_FALSE(first.same_record(second));
  EXPECT_EQ(names_of(book), (std::vector<std::string>{"Data", "Data"}));
  EXPECT_EQ(second.read()->sheet_state, "hidden");
  EXPECT_EQ(first.strong_count(), 2u);  // the book's handle and ours
  auto sheet = second.read();
  EXPECT_TRUE(sheet->cells.entries.empty());
  EXPECT_EQ(sheet->row_dimensions.default_height, 20.0);
  EXPECT_EQ(sheet->column_dimensions.default_width, 22.5);
}

TEST(BookCopySheet, NamesTheCopyAfterItsPositionInTheReceivingBook) {
  Book book;
  auto a = add_sheet(book, "a", "visible");
  add_sheet(book, "b", "visible");
  auto copy = copy_sheet(book, a);
  EXPECT_EQ(names_of(book), (std::vector<std::string>{"a", "b", "Sheet 3"}));
  EXPECT_TRUE(book.sheets[2].same_record(copy));
  EXPECT_FALSE(copy.same_record(a));

  // The source may come from another book; the count is the receiver's.
  Book empty;
  copy_sheet(empty, a);
  EXPECT_EQ(names_of(empty), (std::vector<std::string>{"Sheet 1"}));

  // No check against the names already there.
  Book named;
  add_sheet(named, "Sheet 3", "visible");
  auto x = add_sheet(named, "x", "visible");
  copy_sheet(named, x);
  EXPECT_EQ(names_of(named), (std::vector<std::string>{"Sheet 3", "x", "Sheet 3"}));
}

TEST(BookCopySheet, KeepsTheStateAndDropsTheGivenUpHandle) {
  Book book;
  auto source = add_sheet(book, "s", "veryHidden");
  EXPECT_EQ(source.strong_count(), 2u);
  auto copy = copy_sheet(book, source);
  EXPECT_EQ(copy.read()->sheet_state, "veryHidden");
  EXPECT_EQ(source.strong_count(), 2u);  // no handle to the source left behind
  EXPECT_EQ(copy.strong_count(), 2u);
}

TEST(BookCopySheet, ExistingCellsAreSharedEverythingElseIsNot) {
  Book book;
  auto source = add_sheet(book, "s", "visible");
  Shared<Cell> existing;
  {
    auto sheet = source.write();
    existing = put_cell(*sheet, 1, 1, "1");
    sheet->row_dimensions.rows.emplace(1, RowDimension{1, 30.0, false, false, 0});
  }
  auto copy = copy_sheet(book, source);

  existing.write()->value = CellValue::string("changed");
  {
    auto sheet = source.write();
    put_cell(*sheet, 2, 2, "added");
    sheet->row_dimensions.rows.at(1).height = 44.0;
    sheet->name = "renamed";
  }
  auto sheet = copy.read();
  EXPECT_EQ(sheet->cells.entries.at(Coordinate{1, 1}).read()->value,
            CellValue::string("changed"));
  EXPECT_FALSE(sheet->cells.entries.contains(Coordinate{2, 2}));
  EXPECT_EQ(sheet->row_dimensions.rows.at(1).height, 30.0);
  EXPECT_EQ(sheet->name, "Sheet 2");
}

}  // namespace
}  // namespace engine
