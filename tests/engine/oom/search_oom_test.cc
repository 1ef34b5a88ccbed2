// The searches, the orderings and the export with each allocation failing in turn, over
// lists long enough to be shared out on the pool and lent from a sheet inside a lending
// scope: each call ends in std::bad_alloc (or, for the export, its conversion error) or
// in the result it gives with memory to spare, and the sheet stays as it was.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/base/lending_scope.h"
#include "engine/base/pool.h"
#include "engine/json/export.h"
#include "engine/model/book.h"
#include "engine/model/reads.h"
#include "engine/model/sheet_edit.h"
#include "engine/search/marker_search.h"
#include "engine/search/position_search.h"
#include "engine/search/sheet_search.h"
#include "engine/search/value_search.h"
#include "tests/engine/oom/failing_allocation.h"
#include "tests/engine/oom/sheet_contents.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

using testing::Coords;
using testing::coords_of;
using testing::FailMode;
using testing::oom_full;
using testing::sweep;

// Past the size below which the pool is not used.
size_t cell_count() { return oom_full() ? 20000 : 2 * pool::kInlineBelow; }

class SearchOom : public ::testing::Test {
 protected:
  // The pool starts its threads outside the sweeps (a failure there is not recoverable).
  static void SetUpTestSuite() { pool::worker_count(); }

  void SetUp() override {
    sheet_ = add_sheet(book_, "Cells", "visible");
    add_sheet(book_, "Other", "visible");
    auto sheet = sheet_.write();
    for (size_t i = 0; i < cell_count(); ++i) {
      const auto row = static_cast<uint32_t>(i / 9 + 1);
      const auto column = static_cast<uint16_t>(i % 9 + 1);
      const std::string text = i % 5 == 0   ? "item " + std::to_string(i)
                               : i % 5 == 1 ? std::to_string(i * 7 % 1000)
                               : i % 5 == 2 ? "begin here"
                                            : "end " + std::to_string(i % 3);
      cell_at(*sheet, row, column, text);
    }
    add_comment(*sheet, 2, 3, "a comment", "someone");
    sheet->merge_cells.push_back({1, 2, 1, 2});
    contents_ = testing::contents_of(*sheet);
  }

  // Runs `search` over the sheet's cells, lent inside a lending scope, with each
  // allocation failing in turn and then with every one from the k-th on; a run that
  // ends gives `expected`.
  template <class Search>
  void sweep_search(const char* what, Search search) {
    const auto run = [&] {
      const auto sheet = sheet_.read();
      const LendingScope scope;
      const LentHandles<Cell> lent = sheet->lend_sorted_cells();
      return search(lent.view());
    };
    const auto expected = run();
    for (const FailMode mode : {FailMode::kOnlyThat, FailMode::kEveryFromThat}) {
      std::optional<decltype(run())> got;
      const auto count = sweep([&] { got.reset(); }, [&] { got.emplace(run()); },
                               [&](bool failed) {
                                 EXPECT_EQ(got.has_value(), !failed) << what;
                                 if (got) {
 EXPECT_EQ(*got, expected) << what;
 }
                               },
                               mode);
      EXPECT_GT(count.failures, 0u) << what;
    }
    EXPECT_EQ(testing::contents_of(*sheet_.read()), contents_);
  }

  Book book_;
  Shared<Sheet> sheet_;
  testing::Contents contents_;
};

Coords coords_or_error(const Result<CellHandles>& found) {
  return found.ok() ? coords_of(found.value()) : Coords{{0, 0}};
}

Coords one(const OptionalCell& cell) { return cell ? coords_of({*cell}) : Coords{}; }

TEST_F(SearchOom, ValueSearches) {
  sweep_search("find_cells_by_regex", [](CellList cells) {
    return coords_or_error(find_cells_by_regex("item 1", cells));
  });
  sweep_search("find_cells_by_str",
               [](CellList cells) { return coords_of(find_cells_by_str(" begin here ", cells)); });
  sweep_search("find_cell_by_regex", [](CellList cells) {
    const auto found = find_cell_by_regex("end 2", cells);
    return found.ok() ? one(found.value()) : Coords{{0, 0}};
  });
  sweep_search("find_cells_for_rows_by_regex", [](CellList cells) {
    return coords_or_error(find_cells_for_rows_by_regex("1", 4, cells));
  });
}

TEST_F(SearchOom, MarkerAndPositionSearches) {
  sweep_search("find_cells_multi_regex", [](CellList cells) {
    return coords_or_error(find_cells_multi_regex("begin", "end", cells));
  });
  sweep_search("find_cells_between_regex", [](CellList cells) {
    return coords_or_error(find_cells_between_regex("item 10", "item 50", cells));
  });
  sweep_search("find_cells_range_rows",
               [](CellList cells) { return coords_of(find_cells_range_rows(3, 60, cells)); });
  sweep_search("find_cell_by_letter",
               [](CellList cells) { return one(find_cell_by_letter("C7", cells)); });
  sweep_search("find_values_by_col_rows", [](CellList cells) {
    const uint32_t rows[] = {1, 5, 9, 40};
    return find_values_by_col_rows(2, rows, cells);
  });
}

// The orderings of a sheet's cells and the searches of a book's sheets, which take no
// lent list.
TEST_F(SearchOom, OrderingsAndSheetSearches) {
  sweep_search("sorted_cells", [&](CellList) { return coords_of(sheet_.read()->sorted_cells()); });
  sweep_search("get_cells_by_range", [&](CellList) {
    return coords_of(get_cells_by_range(sheet_.read()->cells, 2, 50, 2, 8));
  });
  sweep_search("find_cells_between_regex over a sheet", [&](CellList) {
    return coords_or_error(find_cells_between_regex(*sheet_.read(), "item 5", "item 95"));
  });
  sweep_search("find_sheet_by_regex", [&](CellList) {
    const auto found = find_sheet_by_regex(book_.sheets, "^O(th)+er$");
    return found ? found->read()->name : std::string();
  });
  sweep_search("sheets_with_names", [&](CellList) {
    const std::string names[] = {"Other", "Cells"};
    return sheets_with_names(book_.sheets, names).size();
  });
}

// The export gives the whole text, or its conversion error, or std::bad_alloc from the
// ordering, and then the whole text again.
TEST_F(SearchOom, Export) {
  const auto text = [&]() -> std::string {
    StringBuffer buffer;
    const Result<JsonText> written = to_json(book_, buffer);
    if (!written.ok()) return written.error().message;
    return buffer.take(written.value().size);
  };
  const std::string expected = text();
  ASSERT_EQ(expected.substr(0, 12), R"({"sheets":[{)");
  for (const FailMode mode : {FailMode::kOnlyThat, FailMode::kEveryFromThat}) {
    std::optional<std::string> got;
    size_t errors = 0;
    sweep([&] { got.reset(); }, [&] { got = text(); },
          [&](bool failed) {
            ASSERT_EQ(got.has_value(), !failed);
            if (got && *got != expected) {
              ++errors;
              EXPECT_EQ(got->substr(0, 27), "Failed to convert in JSON: ");
            }
          },
          mode);
    // With every later allocation failing, so does the making of the error.
    if (mode == FailMode::kOnlyThat) {
      EXPECT_GT(errors, 0u);
    }
  }
  EXPECT_EQ(text(), expected);
}

}  // namespace
}  // namespace engine
