#include "engine/base/pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

namespace engine {
namespace {

// Well past the inline cut-off, so the work is really handed out.
constexpr size_t kMany = 200000;

// The first variable when it is a count of 1 or more; 0 there asks for the processors
// and settles the matter; anything else leaves it to the second; failing both, one
// worker per processor.
TEST(PoolSize, FollowsTheVariablesInTheirOrder) {
  const std::tuple<const char*, const char*, size_t, size_t> cases[] = {
      {"3", nullptr, 8, 3}, {"3", "5", 8, 3}, {"+4", nullptr, 8, 4}, {"20", nullptr, 8, 20},
      {"0", "5", 8, 8}, {"abc", "5", 8, 5}, {"", "5", 8, 5}, {" 3", "5", 8, 5},
      {"3 ", "5", 8, 5}, {"-1", "5", 8, 5}, {"99999999999999999999999", "5", 8, 5},
      {nullptr, "5", 8, 5}, {nullptr, "0", 8, 8}, {"x", "y", 6, 6}, {nullptr, nullptr, 1, 1}};
  for (const auto& [first, second, processors, size] : cases) {
    EXPECT_EQ(pool::size_from_env(first, second, processors), size)
        << (first ? first : "unset") << ", " << (second ? second : "unset");
  }
}

// find_first_in over a scan that tests one index at a time and gives up once a match to
// its left is known, as the searches scan.
template <class Pred>
std::optional<size_t> first_where(size_t n, Pred&& pred) {
  return pool::find_first_in(n, [&](size_t begin, size_t end, auto known) -> std::optional<size_t> {
    for (size_t i = begin; i < end && i < known(); ++i)
      if (pred(i)) return i;
    return std::nullopt;
  });
}

// Filters keep input order and every duplicate; find_first_in gives the leftmost match,
// found without testing most of a long input after an early one.
TEST(PoolFilter, KeepsInputOrderAndFindsTheLeftmostMatch) {
  std::mt19937 random(7);
  std::vector<int> values(kMany);
  for (auto& v : values) v = static_cast<int>(random() % 10);
  for (size_t n : {size_t{0}, size_t{5}, pool::kInlineBelow + 1, kMany}) {
    std::vector<size_t> expected;
    for (size_t i = 0; i < n; ++i)
      if (values[i] == 3) expected.push_back(i);
    EXPECT_EQ(pool::filter_indexes(n, [&](size_t i) { return values[i] == 3; }), expected) << n;
    const auto first = expected.empty() ? std::nullopt : std::optional(expected[0]);
    EXPECT_EQ(first_where(n, [&](size_t i) { return values[i] == 3; }), first) << n;
  }
  std::vector<char> hit(kMany, 0);
  for (size_t i : {size_t{150000}, size_t{90001}, size_t{199999}}) hit[i] = 1;
  EXPECT_EQ(first_where(kMany, [&](size_t i) { return hit[i] != 0; }), 90001u);
  EXPECT_EQ(first_where(kMany, [](size_t) { return false; }), std::nullopt);
  std::atomic<size_t> tested{0};
  const auto count = [&](size_t i) {
    tested.fetch_add(1, std::memory_order_relaxed);
    return i == 3;
  };
  // Once the piece holding the match has run, no piece after it is scanned; how many ran
  // before depends on the scheduler (a slow build runs many), so only "not all" is sure.
  EXPECT_EQ(first_where(20 * kMany, count), 3u);
  EXPECT_LT(tested.load(), 20 * kMany);
}

TEST(PoolForEach, VisitsEveryIndexOnce) {
  for (size_t n : {size_t{0}, size_t{3}, kMany}) {
    std::vector<std::atomic<int>> visits(n);
    std::vector<std::atomic<int>> items(n);
    pool::for_each_index(n, [&](size_t i) { visits[i].fetch_add(1); });
    pool::for_each_item(n, [&](size_t i) { items[i].fetch_add(1); });
    for (size_t i = 0; i < n; ++i) {
      ASSERT_EQ(visits[i].load(), 1) << n << " at " << i;
      ASSERT_EQ(items[i].load(), 1) << n << " at " << i;
    }
  }
}

TEST(PoolErrors, AnExceptionOnAWorkerReachesTheCaller) {
  auto boom = [](size_t i) {
    if (i == 123456) throw std::runtime_error("boom");
    return false;
  };
  EXPECT_THROW(pool::filter_indexes(kMany, boom), std::runtime_error);
  EXPECT_THROW(first_where(kMany, boom), std::runtime_error);
  // The pool still works afterwards.
  EXPECT_EQ(pool::filter_indexes(kMany, [](size_t i) { return i == 7; }), std::vector<size_t>{7});
}

// The workers are made when the pool is, not on some later search: a thread the pool makes
// while memory is short would end the process.
TEST(PoolStart, EveryWorkerRunsOnceThePoolExists) {
  const auto threads = [] {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
      ++n;
    return n;
  };
  if (!std::filesystem::exists("/proc/self/task")) GTEST_SKIP() << "no /proc on this system";
  const size_t workers = pool::worker_count();
  // The calling thread is one of the pool's.
  EXPECT_GE(threads(), workers);
}

}  // namespace
}  // namespace engine
