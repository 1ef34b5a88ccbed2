// Allocation failure on demand, for tests that check what an operation leaves behind when
// memory runs out at any point. A program that links failing_allocation.cc has every
// form of operator new (and delete) replaced by one that counts allocations, from any
// thread, and throws std::bad_alloc once the armed one comes: the k-th only, or every one
// from the k-th on. Allocations that bypass operator new (malloc in C libraries) are not
// counted.
//
// sweep() runs an operation with its first allocation failing, then its second, and so
// on, until it runs to the end with no failure injected:
//
//   sweep([&] { /* set up, unarmed */ },
//         [&] { /* the operation, armed */ },
//         [&](bool failed) { /* unarmed: check the objects, the result */ });
//
// Set SHEAFWORK_OOM_FULL=1 for the full sweeps (oom_full() tells tests to use larger
// inputs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace engine::testing {

enum class FailMode { kOnlyThat, kEveryFromThat };

// The allocation `k` places after this call (0: the next one) throws std::bad_alloc; in
// kEveryFromThat mode every later one does too.
void fail_allocation(uint64_t k, FailMode mode = FailMode::kOnlyThat);
// Every allocation succeeds again.
void allow_allocations();
// Whether an allocation was refused since the last fail_allocation().
bool allocation_refused();

// While alive, allocations on this thread succeed whatever is armed (for checks made in
// the middle of an armed operation).
class AllowAllocationsHere {
 public:
  AllowAllocationsHere();
  ~AllowAllocationsHere();
  AllowAllocationsHere(const AllowAllocationsHere&) = delete;
  AllowAllocationsHere& operator=(const AllowAllocationsHere&) = delete;

 private:
  bool before_;
};

// Whether the full sweeps were asked for (SHEAFWORK_OOM_FULL set and not "0").
bool oom_full();

struct SweepCount {
  size_t runs = 0;      // operations run, the last one succeeding
  size_t failures = 0;  // of them, those that ended in std::bad_alloc
};

// For k = 0, 1, ...: setup(); the operation with the k-th allocation failing (mode), a
// std::bad_alloc caught; check(whether it ended in std::bad_alloc). Ends after the first
// run in which no allocation was refused, or after `max_runs` runs. Any other exception
// passes through.
SweepCount sweep(const std::function<void()>& setup, const std::function<void()>& operation,
                 const std::function<void(bool failed)>& check,
                 FailMode mode = FailMode::kOnlyThat, size_t max_runs = 1000000);

}  // namespace engine::testing
