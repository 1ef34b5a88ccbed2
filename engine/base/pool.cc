#include "engine/base/pool.h"

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/text/digits.h"
#include "oneapi/tbb/global_control.h"
#include "oneapi/tbb/info.h"

namespace engine::pool {

namespace {

// Past this the operating system would refuse the threads long before they helped.
constexpr size_t kMostWorkers = 1024;

// A calling thread that finds every slot of the arena taken has its work run by a worker
// while it waits, a hand-off inside oneTBB that ThreadSanitizer cannot see. The tsan build
// keeps this many more slots for calling threads only (workers never take them), so that
// every caller of the engine can join; the number of workers stays the same.
#if SHEAFWORK_TSAN
constexpr size_t kExtraCallerSlots = 32;
#else
constexpr size_t kExtraCallerSlots = 0;
#endif

// A decimal count as the variables are written: digits with an optional leading "+",
// nothing else; too large a number counts as no number.
std::optional<size_t> read_count(const char* text) {
  if (text == nullptr) return std::nullopt;
  const char* begin = text;
  const char* end = text + std::strlen(text);
  if (begin != end && *begin == '+') ++begin;
  if (begin == end || !is_digit(*begin)) return std::nullopt;
  size_t value = 0;
  auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

size_t online_processors() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n >= 1 ? static_cast<size_t>(n) : 1;
}

}  // namespace

size_t size_from_env(const char* rayon_num_threads, const char* rayon_rs_num_cpus,
                     size_t online_processors) {
  size_t size = online_processors;
  if (auto n = read_count(rayon_num_threads)) {
    if (*n >= 1) size = *n;
  } else if (auto m = read_count(rayon_rs_num_cpus); m && *m >= 1) {
    size = *m;
  }
  return std::clamp<size_t>(size, 1, kMostWorkers);
}

namespace detail {

tbb::task_arena& arena() {
  // Built once, by whichever thread gets here first, and deliberately never destroyed:
  // the workers live as long as the process.
  static tbb::task_arena* const shared_arena = [] {
    const size_t size = size_from_env(std::getenv("RAYON_NUM_THREADS"),
                                      std::getenv("RAYON_RS_NUM_CPUS"), online_processors());
    // The scheduler caps its threads at the processor count unless told otherwise.
    if (size > static_cast<size_t>(tbb::info::default_concurrency())) {
      static tbb::global_control* const wider =
          new tbb::global_control(tbb::global_control::max_allowed_parallelism, size);
      (void)wider;
    }
    // One slot stays free for the calling thread, which works while it waits; the
    // arena never runs more than `size` threads at once.
    auto* made = new tbb::task_arena(static_cast<int>(size + kExtraCallerSlots),
                                     static_cast<int>(1 + kExtraCallerSlots));
    made->initialize();
    return made;
  }();
  return *shared_arena;
}

}  // namespace detail

size_t worker_count() {
  return static_cast<size_t>(detail::arena().max_concurrency()) - kExtraCallerSlots;
}

}  // namespace engine::pool
