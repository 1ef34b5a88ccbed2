#include "engine/base/read_gate.h"

#include <cstdio>
#include <cstdlib>

#include "engine/base/parking.h"

namespace engine {

namespace {
constexpr int kSpins = 128;
}  // namespace

// The leaving reader or writer that sees the mark wakes every sleeper (parking.h).
template <class Blocked>
void ReadGate::wait_while(Blocked blocked) {
  for (int spin = 0;; ++spin) {
    const uint32_t s = state_.load(std::memory_order_acquire);
    if (!blocked(s)) return;
    parking::wait_turn(state_, s, spin, kSpins, kParked);
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

void ReadGate::wake() { parking::wake_all(state_, kParked); }

void ReadGate::report_reader_holding_writes() {
  std::fprintf(stderr,
               "ReadGate: a thread that holds %u gated write(s) entered a gate as a reader; "
               "it would wait for itself\n",
               writes_held_);
  std::abort();
}

}  // namespace engine
