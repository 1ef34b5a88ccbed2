#include "engine/base/rw_lock.h"

#include <thread>

namespace engine {

namespace {
constexpr int kSpins = 64;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}
}  // namespace

// Parking: mark the word as having sleepers, then sleep while it keeps exactly that
// value. Every release changes the word, and a release that sees the mark wakes all
// sleepers, which then try again (and mark the word again if they still cannot enter).

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
    if (spin < kSpins) {
      relax();
      continue;
    }
    if (!(s & kParked) &&
        !state_.compare_exchange_weak(s, s | kParked, std::memory_order_relaxed))
      continue;
    state_.wait(s | kParked, std::memory_order_relaxed);
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

void RwLock::wake() {
  state_.fetch_and(~kParked, std::memory_order_relaxed);
  state_.notify_all();
}

}  // namespace engine
