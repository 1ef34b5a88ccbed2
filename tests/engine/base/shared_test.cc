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

// Copies share one record, which dies with the last handle and drops the handles it holds.
TEST(SharedHandle, CopiesShareOneRecordThatDiesWithTheLastHandle) {
  std::atomic<int> deaths{0};
  {
    auto first = Shared<Tracked>::make(&deaths, 7);
    {
      Shared<Tracked> second = first;
      EXPECT_TRUE(second.same_record(first));
      EXPECT_EQ(first.strong_count(), 2u);
      second.write()->value = 8;
      EXPECT_EQ(first.read()->value, 8);
    }
    EXPECT_EQ(std::pair(first.strong_count(), deaths.load()), std::pair(uint64_t{1}, 0));
    Shared<Tracked> moved = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(std::pair(moved.strong_count(), deaths.load()), std::pair(uint64_t{1}, 0));
    moved = Shared<Tracked>::make(&deaths, 9);  // the old record loses its last handle
    EXPECT_EQ(deaths.load(), 1);
    moved = moved;  // self-assignment keeps the record
    EXPECT_EQ(moved.read()->value, 9);
    auto inner = Shared<Tracked>::make(&deaths);
    moved.write()->inner = inner;
    EXPECT_EQ(inner.strong_count(), 2u);
    moved = Shared<Tracked>();
    EXPECT_EQ(std::pair(inner.strong_count(), deaths.load()), std::pair(uint64_t{1}, 2));
  }
  EXPECT_EQ(deaths.load(), 3);
}

TEST(SharedHandle, CountsAndWritesStayExactUnderManyThreads) {
  std::atomic<int> deaths{0};
  auto record = Shared<Tracked>::make(&deaths);
  constexpr int kThreads = 8, kRounds = 20000;
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
  EXPECT_EQ(std::pair(record.strong_count(), deaths.load()), std::pair(uint64_t{1}, 0));
}

}  // namespace
}  // namespace engine
