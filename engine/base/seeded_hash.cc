#include "engine/base/seeded_hash.h"

#include <sys/random.h>

#include <atomic>
#include <chrono>

namespace engine {

namespace {

// The finaliser of SplitMix64: consecutive states give unrelated seeds.
uint64_t mixed(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Where the seeds start, from the operating system's entropy. Made without allocating:
// a map is made wherever memory runs short, and a source that allocates as it starts
// (Abseil's BitGen did) could fail there, and then left every later map waiting forever
// on its half-made start.
uint64_t first_state() noexcept {
  uint64_t state = 0;
  if (getentropy(&state, sizeof state) != 0) {
    // No entropy to be had: the clock and an address still differ between runs.
    state = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            reinterpret_cast<uintptr_t>(&state);
  }
  return state;
}

}  // namespace

uint64_t next_map_seed() {
  static constinit std::atomic<uint64_t> step{0};
  static const uint64_t start = first_state();
  return mixed(start + step.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed));
}

}  // namespace engine
