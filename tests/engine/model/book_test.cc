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

TEST(BookLookup, SheetAtNeverCountsFromTheEnd) {
  Book book;
  auto a = add_sheet(book, "a", "visible");
  auto b = add_sheet(book, "b", "visible");
  const std::pair<int32_t, const Shared<Sheet>*> cases[] = {
      {0, &a}, {1, &b}, {2, nullptr}, {-1, nullptr}, {INT32_MIN, nullptr}, {INT32_MAX, nullptr}};
  for (const auto& [idx, expected] : cases) {
    const auto found = sheet_at(book, idx);
    ASSERT_EQ(found.has_value(), expected != nullptr) << idx;
    if (expected) {
      EXPECT_TRUE(found->same_record(*expected)) << idx;
    }
  }
  EXPECT_EQ(sheet_at(Book{}, 0), std::nullopt);
}

// Names compare byte for byte; the earliest of equal names wins; the current name counts.
TEST(BookLookup, SheetNamedGivesTheFirstExactMatch) {
  Book book;
  auto first = add_sheet(book, "X", "visible");
  add_sheet(book, "X", "visible");
  auto renamed = add_sheet(book, "old", "visible");
  renamed.write()->name = "new";
  EXPECT_TRUE(sheet_named(book, "X")->same_record(first));
  EXPECT_TRUE(sheet_named(book, "new")->same_record(renamed));
  for (const char* absent : {"x", "X ", "", "old"})
    EXPECT_EQ(sheet_named(book, absent), std::nullopt) << absent;
}

}  // namespace
}  // namespace engine
