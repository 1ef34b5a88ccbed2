#include "engine/base/pool.h"

#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>

#include "engine/base/thread_storage.h"
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

// Has every thread of a new arena of `threads` threads (the caller among them) take one
// task, so that the workers exist from here on, and prepares what each would otherwise
// make on its first task. Later, while memory is short, a worker that has to make a
// thread or touch fresh thread-local storage ends the process (oneTBB throws on a worker,
// glibc aborts), whereas a shortage in the work itself reaches the caller as
// std::bad_alloc.
void start_every_thread(tbb::task_arena& arena, size_t threads) {
  std::atomic<size_t> arrived{0};
  const auto take_one = [&](const tbb::blocked_range<size_t>&) {
    // The thread's storage of every library, made here rather than on first touch
    // (thread_storage.h). Where memory is short already, it is left to its first touch,
    // like the threads the scheduler starts late.
    [[maybe_unused]] const bool made = make_thread_storage();
    arrived.fetch_add(1);
    // A thread that waits here takes no other task, so the rest go to threads that have
    // none yet. The scheduler may grant fewer workers than the arena has room for; past
    // the deadline the missing ones start when first needed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (arrived.load() < threads && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
  };
  detail::HandOff hand_off;
  auto&& body = hand_off.wrap(take_one);
  const auto spread = [&] {
    tbb::parallel_for(tbb::blocked_range<size_t>(0, threads, 1), body,
                      tbb::simple_partitioner());
  };
  arena.execute(hand_off.wrap(spread));
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
    start_every_thread(*made, size);
    return made;
  }();
  return *shared_arena;
}

}  // namespace detail

size_t worker_count() {
  return static_cast<size_t>(detail::arena().max_concurrency()) - kExtraCallerSlots;
}

}  // namespace engine::pool
