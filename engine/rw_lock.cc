#include "engine/rw_lock.h"

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

void RwLock::lock_shared_slow() {
  for (int spin = 0;; ++spin) {
    uint32_t s = state_.load(std::memory_order_relaxed);
    if (!(s & kWriter) && (s & kReaders) != kReaders) {
      if (state_.compare_exchange_weak(s, s + 1, std::memory_order_acquire,
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

void RwLock::lock_slow() {
  for (int spin = 0;; ++spin) {
    uint32_t s = state_.load(std::memory_order_relaxed);
    if ((s & ~kParked) == 0) {
      // Keep the mark: other sleepers still need the wake-up at this writer's release.
      if (state_.compare_exchange_weak(s, s | kWriter, std::memory_order_acquire,
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

void RwLock::wake() {
  state_.fetch_and(~kParked, std::memory_order_relaxed);
  state_.notify_all();
}

}  // namespace engine
