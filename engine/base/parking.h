// Waiting on a 32-bit lock word, for the record lock and the cells' read gate alike: spin
// a little, then mark the word as having sleepers and sleep while it keeps exactly that
// value. Every release changes the word, and a release that sees the mark wakes all
// sleepers, which then look again (and mark the word again if they still cannot enter).
#pragma once

#include <atomic>
#include <cstdint>

namespace engine::parking {

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// One turn of waiting, after the word was seen as `seen` and found closed: the first
// `spins` turns spin, later ones sleep with `parked` set in the word.
inline void wait_turn(std::atomic<uint32_t>& word, uint32_t seen, int turn, int spins,
                      uint32_t parked) {
  if (turn < spins) {
    relax();
    return;
  }
  if (!(seen & parked) &&
      !word.compare_exchange_weak(seen, seen | parked, std::memory_order_relaxed))
    return;
  word.wait(seen | parked, std::memory_order_relaxed);
}

// Clears the mark and wakes every sleeper.
inline void wake_all(std::atomic<uint32_t>& word, uint32_t parked) {
  word.fetch_and(~parked, std::memory_order_relaxed);
  word.notify_all();
}

}  // namespace engine::parking
