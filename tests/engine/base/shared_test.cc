#include "engine/base/shared.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace engine {
namespace {

// Counts its own destructions, so a test can see exactly when a record dies.
struct Tracked {
  explicit Tracked(std::atomic<int>* deaths, int value = 0) : deaths(deaths), value(value) {}
  ~Tracked() { deaths->fetch_add(1); }
  std::atomic<int>* deaths;
  int value;
  Shared<Tracked> inner;
};

TEST(SharedHandle, CopiesShareOneRecordThatDiesWithTheLastHandle) {
  std::atomic<int> deaths{0};
  {
    auto first = Shared<Tracked>::make(&deaths, 7);
    EXPECT_EQ(first.strong_count(), 1u);
    {
      Shared<Tracked> second = first;
      EXPECT_TRUE(second.same_record(first));
      EXPECT_EQ(first.strong_count(), 2u);
      second.write()->value = 8;
      EXPECT_EQ(first.read()->value, 8);
    }
    EXPECT_EQ(first.strong_count(), 1u);
    EXPECT_EQ(deaths.load(), 0);

    Shared<Tracked> moved = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(moved.strong_count(), 1u);
    EXPECT_EQ(deaths.load(), 0);

    moved = Shared<Tracked>::make(&deaths, 9);  // the old record loses its last handle
    EXPECT_EQ(deaths.load(), 1);
    moved = moved;  // self-assignment keeps the record
    EXPECT_EQ(moved.read()->value, 9);
  }
  EXPECT_EQ(deaths.load(), 2);
}

TEST(SharedHandle, ARecordDropsTheHandlesItHolds) {
  std::atomic<int> deaths{0};
  auto outer = Shared<Tracked>::make(&deaths);
  auto inner = Shared<Tracked>::make(&deaths);
  outer.write()->inner = inner;
  EXPECT_EQ(inner.strong_count(), 2u);
  outer = Shared<Tracked>();
  EXPECT_EQ(deaths.load(), 1);
  EXPECT_EQ(inner.strong_count(), 1u);
  inner = Shared<Tracked>();
  EXPECT_EQ(deaths.load(), 2);
}

TEST(SharedHandle, CountsAndWritesStayExactUnderManyThreads) {
  std::atomic<int> deaths{0};
  auto record = Shared<Tracked>::make(&deaths);
  constexpr int kThreads = 8;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([record] {
      for (int i = 0; i < kRounds; ++i) {
        Shared<Tracked> copy = record;  // count traffic from every thread at once
        (void)copy.read()->value;
        copy.write()->value += 1;  // a lost update would show in the total
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(record.read()->value, kThreads * kRounds);
  EXPECT_EQ(record.strong_count(), 1u);
  EXPECT_EQ(deaths.load(), 0);
}

}  // namespace
}  // namespace engine
