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

}  // namespace
}  // namespace engine
