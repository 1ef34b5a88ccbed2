// The cells' gate rule (read_gate.h): a thread that holds a cell's write never reads cells
// in bulk. Checked builds stop at the first breach; release builds have no check to test.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/base/read_gate.h"
#include "engine/model/cell.h"
#include "engine/model/sheet.h"
#include "tests/engine/test_cells.h"

namespace engine {
namespace {

class GateRule : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ReadGate::kChecksRule) GTEST_SKIP() << "this build compiles the gate rule's check out";
    // The pool's workers may be running: the dying child starts afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::put_cell(edited_, 1, 1, "edited");
    testing::put_cell(read_, 7, 3, "read");
  }

  Sheet edited_{"edited", "visible"};
  Sheet read_{"read", "visible"};
};

// One gate serves every cell: holding a write of a cell of one sheet and reading another
// sheet's cells in bulk is the breach, not only reading the same sheet.
TEST_F(GateRule, BulkReadWhileHoldingACellWriteStops) {
  const Shared<Cell> cell = edited_.cells.entries.at({1, 1});
  EXPECT_DEATH(
      {
        auto guard = cell.write();
        (void)max_row(read_.cells);
      },
      "holds 1 gated write");
  EXPECT_DEATH(
      {
        auto guard = cell.write();
        (void)max_column(edited_.cells);
      },
      "entered a gate as a reader");
}

// Writes that have ended, also by an exception, leave the thread free to read in bulk;
// only the writes still held count.
TEST_F(GateRule, EndedWritesDoNotCount) {
  const Shared<Cell> cell = edited_.cells.entries.at({1, 1});
  cell.write()->set_style_id("s1");
  EXPECT_THROW(
      {
        auto guard = cell.write();
        guard->set_formula("=1");
        throw std::runtime_error("edit failed");
      },
      std::runtime_error);
  EXPECT_EQ(max_row(read_.cells), 7u);
  EXPECT_DEATH(
      {
        auto outer = read_.cells.entries.at({7, 3}).write();
        { auto inner = cell.write(); }
        (void)max_row(read_.cells);
      },
      "holds 1 gated write");
}

}  // namespace
}  // namespace engine
