#include "engine/base/slot_arena.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/base/shared.h"

namespace engine {
namespace {

struct Tracked {
  Tracked(std::atomic<int>* deaths, int value) : deaths(deaths), value(value) {}
  ~Tracked() { deaths->fetch_add(1); }
  std::atomic<int>* deaths;
  int value;
};

// Records cut from an arena, over several chunks, outlive the arena, are freed by
// whichever thread drops them last, and die exactly once; slots stay apart.
TEST(SlotArena, RecordsOutliveTheirArenaAndDieOnce) {
  std::atomic<int> deaths{0};
  constexpr int kRecords = 5000;  // many chunks
  std::vector<Shared<Tracked>> kept;
  {
    ArenaOf<Tracked> arena;
    for (int i = 0; i < kRecords; ++i) {
      auto record = Shared<Tracked>::make_in(arena, &deaths, i);
      if (i % 3 == 0) kept.push_back(record);  // the others die at once
    }
    kept.push_back(Shared<Tracked>::make(&deaths, -1));  // a heap record among them
  }
  EXPECT_EQ(deaths.load(), kRecords - (kRecords + 2) / 3);
  for (size_t i = 0; i + 1 < kept.size(); ++i) EXPECT_EQ(kept[i].read()->value, 3 * int(i));
  std::vector<std::thread> droppers;
  for (int t = 0; t < 4; ++t)
    droppers.emplace_back([&kept, t] {
      for (size_t i = t; i < kept.size(); i += 4) kept[i] = Shared<Tracked>();
    });
  for (auto& t : droppers) t.join();
  EXPECT_EQ(deaths.load(), kRecords + 1);
}

// Chunks whose records died are handed on to arenas of other threads (through the
// reserve) while those threads cut and drop records of their own: every record keeps its
// value until it dies, and dies once.
TEST(SlotArena, ChunksPassBetweenThreadsIntact) {
  constexpr int kThreads = 4, kRounds = 40, kRecords = 1500;  // several chunks a round
  std::atomic<int> deaths{0};
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        std::vector<Shared<Tracked>> records;
        ArenaOf<Tracked> arena;
        for (int i = 0; i < kRecords; ++i)
          records.push_back(Shared<Tracked>::make_in(arena, &deaths, t * kRecords + i));
        for (int i = 0; i < kRecords; ++i)
          if (records[i].read()->value != t * kRecords + i) wrong.fetch_add(1);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(deaths.load(), kThreads * kRounds * kRecords);
}

}  // namespace
}  // namespace engine
