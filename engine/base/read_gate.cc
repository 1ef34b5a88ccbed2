#include "engine/base/read_gate.h"

namespace engine {

namespace {
constexpr int kSpins = 128;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}
}  // namespace

// Parking as in RwLock: mark the word, sleep while it keeps exactly that value; the
// leaving reader or writer that sees the mark wakes every sleeper.
template <class Blocked>
void ReadGate::wait_while(Blocked blocked) {
  for (int spin = 0;; ++spin) {
    uint32_t s = state_.load(std::memory_order_acquire);
    if (!blocked(s)) return;
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

void ReadGate::enter_reader_slow() {
  for (;;) {
    wait_while([](uint32_t s) { return (s & kWriters) != 0; });
    uint32_t s = state_.load(std::memory_order_relaxed);
    if ((s & kWriters) == 0 &&
        state_.compare_exchange_weak(s, s + 1, std::memory_order_acquire,
                                     std::memory_order_relaxed))
      return;
  }
}

void ReadGate::wait_for_readers() {
  wait_while([](uint32_t s) { return (s & kReaders) != 0; });
}

void ReadGate::wake() {
  state_.fetch_and(~kParked, std::memory_order_relaxed);
  state_.notify_all();
}

}  // namespace engine
