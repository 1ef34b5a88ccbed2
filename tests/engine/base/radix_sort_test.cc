#include "engine/base/radix_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace engine::pool {
namespace {

// Against a stable sort on the same bits: sizes on both sides of the parallel threshold,
// bands of every kind, values that tie on the band (their order must stay). The entry
// that stays on the calling thread gives the same order at every size.
TEST(RadixSort, MatchesAStableSortOnTheBand) {
  struct Case {
    size_t n;
    int low, high;
  };
  const Case cases[] = {{0, 0, 64}, {1, 0, 64}, {7, 3, 9}, {1000, 0, 64}, {1000, 20, 21},
                        {20000, 20, 53}, {300000, 20, 40}, {300000, 0, 12}, {100000, 5, 5},
                        {50000, 40, 64}};
  std::mt19937_64 random(11);
  for (const Case& c : cases) {
    std::vector<uint64_t> values(c.n);
    for (auto& v : values) v = random() >> (random() % 64);
    std::vector<uint64_t> expected = values;
    auto band = [&](uint64_t v) {
      const int width = c.high - c.low;
      return width >= 64 ? v : (v >> c.low) & ((uint64_t{1} << width) - 1);
    };
    std::stable_sort(expected.begin(), expected.end(),
                     [&](uint64_t a, uint64_t b) { return band(a) < band(b); });
    std::vector<uint64_t> on_caller = values;
    radix_sort(values.data(), values.data() + values.size(), c.low, c.high);
    EXPECT_EQ(values, expected) << c.n << " [" << c.low << ", " << c.high << ")";
    radix_sort_on_caller(on_caller.data(), on_caller.data() + on_caller.size(), c.low, c.high);
    EXPECT_EQ(on_caller, expected) << "on the caller: " << c.n << " [" << c.low << ", "
                                   << c.high << ")";
  }
}

}  // namespace
}  // namespace engine::pool
