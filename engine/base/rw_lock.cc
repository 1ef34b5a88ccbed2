#include "engine/base/rw_lock.h"

#include "engine/base/parking.h"

namespace engine {

namespace {
constexpr int kSpins = 64;
}  // namespace

template <class CanEnter, class Entered>
void RwLock::acquire_slow(CanEnter can_enter, Entered entered) {
  for (int spin = 0;; ++spin) {
    uint32_t s = state_.load(std::memory_order_relaxed);
    if (can_enter(s)) {
      if (state_.compare_exchange_weak(s, entered(s), std::memory_order_acquire,
                                       std::memory_order_relaxed))
        return;
      continue;
    }
    parking::wait_turn(state_, s, spin, kSpins, kParked);
  }
}

void RwLock::lock_shared_slow() {
  acquire_slow([](uint32_t s) { return !(s & kWriter) && (s & kReaders) != kReaders; },
               [](uint32_t s) { return s + 1; });
}

void RwLock::lock_slow() {
  // A writer keeps the mark when it enters: other sleepers still need the wake-up at
  // its release.
  acquire_slow([](uint32_t s) { return (s & ~kParked) == 0; },
               [](uint32_t s) { return s | kWriter; });
}

void RwLock::wake() { parking::wake_all(state_, kParked); }

}  // namespace engine
