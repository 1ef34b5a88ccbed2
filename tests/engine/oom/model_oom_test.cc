// The model's edits with each allocation failing in turn: a failed edit throws
// std::bad_alloc and leaves the sheet (or book) as it was, a sound one that takes the
// next edit; leaks show in the sanitizer build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "binding/python_free/merge_ranges.h"
#include "engine/base/pool.h"
#include "engine/base/seeded_hash.h"
#include "engine/model/book.h"
#include "engine/model/dimensions.h"
#include "engine/model/sheet_edit.h"
#include "tests/engine/oom/failing_allocation.h"
#include "tests/engine/oom/sheet_contents.h"

namespace engine {
namespace {

using testing::contents_of;
using testing::Contents;
using testing::expect_sound;
using testing::FailMode;
using testing::oom_full;
using testing::sweep;

// Enough cells for every shard to grow a few times; far more in the full sweep.
size_t cell_count() { return oom_full() ? 6000 : 400; }

std::string text_for(size_t i) {
  switch (i % 4) {
    case 0: return std::to_string(i) + ".5";
    case 1: return "a text long enough to be kept out of line " + std::to_string(i);
    case 2: return "TRUE";
    default: return "short " + std::to_string(i % 100);
  }
}

Coordinate place(size_t i) {
  return {static_cast<uint32_t>(i / 7 + 1), static_cast<uint16_t>(i % 7 + 1)};
}

void fill(Sheet& sheet, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const Coordinate at = place(i);
    cell_at(sheet, at.row, at.column, text_for(i));
  }
}

class ModelOom : public ::testing::Test {
 protected:
  // The pool starts its threads outside the sweeps (a failure there is not recoverable).
  static void SetUpTestSuite() { pool::worker_count(); }
};

// Each new cell written with every allocation of its write failing in turn, in a sheet
// that grows through every shard's resizes; then each cell overwritten the same way.
TEST_F(ModelOom, WritingACellFailsWithoutATrace) {
  Sheet sheet("S", "visible");
  size_t failures = 0;
  for (size_t i = 0; i < cell_count(); ++i) {
    const Coordinate at = place(i);
    Contents before = contents_of(sheet);
    const auto count = sweep([] {}, [&] { cell_at(sheet, at.row, at.column, text_for(i)); },
                             [&](bool failed) {
                               if (failed) {
 EXPECT_EQ(contents_of(sheet), before) << i;
 }
                             });
    failures += count.failures;
    before[{at.row, at.column}] = contents_of(sheet).at({at.row, at.column});
    ASSERT_EQ(contents_of(sheet), before);
  }
  expect_sound(sheet);
  for (size_t i = 0; i < cell_count(); i += 3) {
    const Coordinate at = place(i);
    const Contents before = contents_of(sheet);
    sweep([] {}, [&] { cell_at(sheet, at.row, at.column, text_for(i + 1)); },
          [&](bool failed) {
            if (failed) {
 EXPECT_EQ(contents_of(sheet), before) << i;
 }
          });
    EXPECT_EQ(get_value_cell(sheet.cells, at.row, at.column),
              CellValue::from_text(text_for(i + 1)).text());
  }
  expect_sound(sheet);
  EXPECT_GT(failures, cell_count() / 4);
}

// Many writes with every allocation from the k-th on failing: whatever was written
// stays sound, and the writes all succeed once memory is back.
TEST_F(ModelOom, ARunOfWritesStopsSoundly) {
  std::optional<Sheet> sheet;
  const auto count = sweep([&] { sheet.emplace("S", "visible"); },
                           [&] { fill(*sheet, cell_count()); },
                           [&](bool) {
                             expect_sound(*sheet);
                             fill(*sheet, cell_count());
                             EXPECT_EQ(sheet->cells.entries.size(), cell_count());
                             sheet.reset();
                           },
                           FailMode::kEveryFromThat);
  EXPECT_GT(count.failures, 10u);
}

// Copying, deleting rows and deleting columns: the book and the source sheet stay as they
// were when the operation fails, and hold what they should when it succeeds.
TEST_F(ModelOom, CopyAndDeletionsLeaveTheSheetWhole) {
  Book book;
  Shared<Sheet> source = add_sheet(book, "Data", "visible");
  {
    auto sheet = source.write();
    fill(*sheet, cell_count());
    set_height_row(*sheet, 3, 7.5);
    set_width_column(*sheet, 2, 4.0);
    add_comment(*sheet, 1, 1, "note", "me");
    sheet->merge_cells.push_back({1, 2, 1, 2});
  }
  const Contents original = contents_of(*source.read());

  sweep([] {}, [&] { copy_sheet(book, source); },
        [&](bool failed) {
          ASSERT_EQ(book.sheets.size(), failed ? 1u : 2u);
          EXPECT_EQ(contents_of(*source.read()), original);
          if (!failed) {
            const auto copy = book.sheets[1].read();
            EXPECT_EQ(contents_of(*copy), original);
            expect_sound(*copy);
            EXPECT_EQ(get_height_by_row(*copy, 3), 7.5);
            EXPECT_EQ(get_width_by_column(*copy, 2), 4.0);
            EXPECT_EQ(copy->comments.size(), 1u);
          }
        });

  // Rows 2 and 3 go, later rows move up by two; then column 1 goes.
  Contents without_rows;
  for (const auto& [at, text] : original) {
    if (at.first < 2) without_rows[at] = text;
    if (at.first > 3) without_rows[{at.first - 2, at.second}] = text;
  }
  Contents without_column;
  for (const auto& [at, text] : without_rows)
    if (at.second > 1) without_column[{at.first, at.second - 1}] = text;

  Shared<Sheet> copy = book.sheets[1];
  auto sweep_deletion = [&](const std::function<void(Sheet&)>& edit, const Contents& after) {
    const Contents before = contents_of(*copy.read());
    const auto count = sweep([] {}, [&] { edit(*copy.write()); },
                             [&](bool failed) {
                               const auto sheet = copy.read();
                               EXPECT_EQ(contents_of(*sheet), failed ? before : after);
                               expect_sound(*sheet);
                             });
    EXPECT_GT(count.failures, 16u);
  };
  sweep_deletion([](Sheet& s) { delete_rows(s, 2, 2); }, without_rows);
  sweep_deletion([](Sheet& s) { delete_cols(s, 1, 1); }, without_column);
}

// A sheet built from records the way the readable side builds one (room made first,
// records put in, a later record at a coordinate replacing an earlier one), and
// dimensions, comments and merged ranges added, each failing at every allocation.
TEST_F(ModelOom, BuildingFromRecordsAndTheSmallerParts) {
  const size_t n = cell_count();
  std::optional<Contents> built;
  sweep([&] { built.reset(); }, [&] {
    Sheet sheet("Records", "visible");
    sheet.cells.entries.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      const Coordinate at = place(i % (n / 2 + 1));
      auto cell = Shared<Cell>::make_in(sheet.cell_arena, at.row, at.column, text_for(i));
      sheet.cells.entries.insert_or_assign(at, std::move(cell));
    }
    testing::AllowAllocationsHere checks;
    expect_sound(sheet);
    built = contents_of(sheet);
  }, [&](bool failed) {
    EXPECT_EQ(built.has_value(), !failed);
    if (built) {
 EXPECT_EQ(built->size(), n / 2 + 1);
 }
  });

  Sheet sheet("S", "visible");
  for (uint32_t row = 1; row <= 100; ++row) {
    sweep([] {}, [&] { set_height_row(sheet, row, row + 0.5); },
          [&](bool failed) {
            EXPECT_EQ(get_height_by_row(sheet, row), failed ? kDefaultRowHeight : row + 0.5);
            EXPECT_EQ(sheet.row_dimensions.rows.size(), failed ? row - 1 : row);
          });
    const auto column = static_cast<uint16_t>(row);
    sweep([] {}, [&] { set_hidden_column(sheet, column, true); },
          [&](bool failed) {
            EXPECT_EQ(get_hidden_by_column(sheet, column), !failed);
          });
    sweep([] {}, [&] { add_comment(sheet, row, 1, std::string(40, 'c'), "author"); },
          [&](bool failed) {
            EXPECT_EQ(sheet.comments.size(), failed ? row - 1 : row);
          });
  }

  using binding::PyValue;
  PyValue::List ranges;
  for (int64_t i = 0; i < 20; ++i)
    ranges.emplace_back(PyValue::List{PyValue(i), PyValue(i + 1), PyValue(std::string("3")),
                                      PyValue(4.0)});
  const PyValue value(std::move(ranges));
  sweep([] {}, [&] {
    std::vector<MergeCell> read = binding::merge_ranges_from_value(value);
    sheet.merge_cells.insert(sheet.merge_cells.end(), read.begin(), read.end());
  }, [&](bool failed) {
    ASSERT_EQ(sheet.merge_cells.size(), failed ? 0u : 20u);
    if (!failed) {
 EXPECT_EQ(sheet.merge_cells[19].end_row, 20u);
 }
  });
}

// The first map of a process made while memory is short, in a process of its own (where
// no map was made before): its seed takes no allocation, and later maps do not wait on a
// source that failed to start.
TEST(ModelOomDeathTest, TheFirstMapOfAProcessNeedsNoMemory) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        alarm(20);
        testing::fail_allocation(0, FailMode::kEveryFromThat);
        const uint64_t first = next_map_seed();
        const bool refused = testing::allocation_refused();
        testing::allow_allocations();
        Sheet sheet("S", "visible");
        cell_at(sheet, 1, 1, "x");
        std::exit(!refused && next_map_seed() != first ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace engine
