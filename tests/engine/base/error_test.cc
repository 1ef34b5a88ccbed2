#include "engine/base/error.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

// The message alone; one cause indented without a number; several numbered in five
// columns.
TEST(EngineErrorText, CausesFollowTheMessage) {
  EXPECT_EQ((EngineError{"Failed", {}}).text(), "Failed");
  EXPECT_EQ((EngineError{"Failed", {"inner"}}).text(), "Failed\n\nCaused by:\n    inner");
  EXPECT_EQ((EngineError{"Failed", {"a", "b"}}).text(),
            "Failed\n\nCaused by:\n    0: a\n    1: b");
}

}  // namespace
}  // namespace engine
