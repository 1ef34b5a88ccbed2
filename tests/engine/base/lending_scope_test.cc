#include "engine/base/lending_scope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/base/shared.h"

// While set, every allocation through operator new is counted and fails, as it may when
// memory runs short while an error unwinds.
static std::atomic<bool> allocations_fail{false};
static std::atomic<int> allocations_tried{0};

void* operator new(std::size_t size) {
  if (allocations_fail.load()) {
    allocations_tried.fetch_add(1);
    throw std::bad_alloc();
  }
  if (void* room = std::malloc(size ? size : 1)) return room;
  throw std::bad_alloc();
}
// Not inlined: the compiler would take a free() meeting a new-expression for a mismatch.
[[gnu::noinline]] void operator delete(void* room) noexcept { std::free(room); }
[[gnu::noinline]] void operator delete(void* room, std::size_t) noexcept { std::free(room); }

namespace engine {
namespace {

struct Tracked {
  explicit Tracked(std::atomic<int>* deaths) : deaths(deaths) {}
  ~Tracked() { deaths->fetch_add(1); }
  std::atomic<int>* deaths;
};

// A second kind of record, with a text that its destructor frees.
struct Named {
  Named(std::atomic<int>* deaths, std::string name) : deaths(deaths), name(std::move(name)) {}
  ~Named() { deaths->fetch_add(1); }
  std::atomic<int>* deaths;
  std::string name;
};

class FailingAllocations {
 public:
  FailingAllocations() { allocations_fail = true; }
  ~FailingAllocations() { allocations_fail = false; }
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

// Records of two kinds retired after each of three openings, the scopes closed in every
// order: each record dies with the last close of the scopes open when it was retired,
// also when a later scope closed first and handed its records to an earlier one.
TEST(LendingScope, RecordsOfEveryKindWaitForTheScopesOpenWhenRetired) {
  std::array<size_t, 3> order = {0, 1, 2};
  do {
    std::atomic<int> tracked_deaths{0}, named_deaths{0};
    std::array<std::optional<LendingScope>, 3> scopes;
    for (size_t i = 0; i < scopes.size(); ++i) {
      scopes[i].emplace();
      Shared<Tracked>::make(&tracked_deaths);  // retired at once, waits for scopes 0..i
      Shared<Named>::make(&named_deaths, std::string(40, 'n'));
    }
    std::array<bool, 3> closed = {};
    for (size_t closing : order) {
      scopes[closing].reset();
      closed[closing] = true;
      int expected = 0;  // record i waits for scopes 0..i
      while (expected < 3 && closed[static_cast<size_t>(expected)]) ++expected;
      EXPECT_EQ(tracked_deaths.load(), expected) << order[0] << order[1] << order[2];
      EXPECT_EQ(named_deaths.load(), expected) << order[0] << order[1] << order[2];
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

// Opening and closing scopes, retiring records and giving them back take no memory: an
// error that unwinds through an open scope while memory is short drops the last handles
// of records (a failed read's partial list) and closes the scope without a failure of its
// own, and the records die.
TEST(LendingScope, RetiringAndClosingTakeNoMemory) {
  std::atomic<int> deaths{0};
  std::vector<Shared<Tracked>> owners;
  std::vector<Shared<Named>> named;
  for (int i = 0; i < 1000; ++i) {
    owners.push_back(Shared<Tracked>::make(&deaths));
    named.push_back(Shared<Named>::make(&deaths, std::string(40, 'n')));
  }
  std::optional<LendingScope> outer(std::in_place);
  allocations_tried = 0;
  try {
    const FailingAllocations failing;
    const LendingScope scope;
    const auto partial = std::move(owners);
    const auto partial_named = std::move(named);
    throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
  }
  EXPECT_EQ(deaths.load(), 0);  // the outer scope was open when they were retired
  {
    const FailingAllocations failing;
    outer.reset();
  }
  EXPECT_EQ(deaths.load(), 2000);
  EXPECT_EQ(allocations_tried.load(), 0);
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
