#include "engine/base/lending_scope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/base/shared.h"

namespace engine {
namespace {

struct Tracked {
  explicit Tracked(std::atomic<int>* deaths) : deaths(deaths) {}
  ~Tracked() { deaths->fetch_add(1); }
  std::atomic<int>* deaths;
};

// A record lent to a scope outlives its last owner until every scope open when the
// owner let go has closed; a copy taken from the lent handle meanwhile owns it for good.
TEST(LendingScope, RecordsLetGoWhileLentDieWhenTheirScopesClose) {
  std::atomic<int> deaths{0};
  auto owner = Shared<Tracked>::make(&deaths);
  auto kept = Shared<Tracked>::make(&deaths);
  std::optional<LendingScope> first(std::in_place);
  LentHandles<Tracked> lent(2);
  lent.lend(0, owner);
  lent.lend(1, kept);
  owner = Shared<Tracked>();
  kept = Shared<Tracked>();
  Shared<Tracked> copy = lent.view()[1];  // taken from a retired record
  std::optional<LendingScope> second(std::in_place);  // opened after the owners let go
  EXPECT_EQ(deaths.load(), 0);
  first.reset();
  EXPECT_EQ(deaths.load(), 1);  // the second scope never saw the records
  second.reset();
  EXPECT_EQ(deaths.load(), 1);
  EXPECT_EQ(copy.strong_count(), 1u);
  copy = Shared<Tracked>();
  EXPECT_EQ(deaths.load(), 2);
  // Without open scopes a record dies with its last handle, as ever.
  Shared<Tracked>::make(&deaths);
  EXPECT_EQ(deaths.load(), 3);
}

// Three scopes, the record's owner letting go after the first `retired_after` opened,
// closed in every order: the record dies with the last close of those that were open
// when it was retired, whichever scopes closed before, and not a close earlier.
TEST(LendingScope, ScopesClosedInAnyOrderKeepTheRecordForTheOldest) {
  for (size_t retired_after = 1; retired_after <= 3; ++retired_after) {
    std::array<size_t, 3> order = {0, 1, 2};
    do {
      std::atomic<int> deaths{0};
      auto owner = Shared<Tracked>::make(&deaths);
      std::array<std::optional<LendingScope>, 3> scopes;
      LentHandles<Tracked> lent(1);
      for (size_t i = 0; i < scopes.size(); ++i) {
        scopes[i].emplace();
        if (i == 0) lent.lend(0, owner);
        if (i + 1 == retired_after) owner = Shared<Tracked>();
      }
      size_t waited_for = retired_after;  // scopes 0 .. retired_after-1 saw the record
      for (size_t closing : order) {
        scopes[closing].reset();
        if (closing < retired_after) --waited_for;
        EXPECT_EQ(deaths.load(), waited_for == 0 ? 1 : 0)
            << "retired after " << retired_after << ", closing " << closing << " of order "
            << order[0] << order[1] << order[2];
      }
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

// Scopes that overlap on many threads while records come and go: every record dies
// exactly once, none while a scope it was lent to is open.
TEST(LendingScope, OverlappingScopesOnManyThreads) {
  std::atomic<int> deaths{0};
  constexpr int kThreads = 8, kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int r = 0; r < kRounds; ++r) {
        auto owner = Shared<Tracked>::make(&deaths);
        const LendingScope scope;
        LentHandles<Tracked> lent(1);
        lent.lend(0, owner);
        owner = Shared<Tracked>();
        EXPECT_EQ(lent.view()[0].strong_count(), 1u);  // alive, held by the retirement
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(deaths.load(), kThreads * kRounds);
}

}  // namespace
}  // namespace engine
