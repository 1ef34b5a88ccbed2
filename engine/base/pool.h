// The process-wide worker pool and the parallel building blocks every search and ordering
// reuses: filter, find-first, sort by key, and two plain ways to spread work. The pool is
// created on first use and never stopped; its size comes from RAYON_NUM_THREADS when that
// is a number of 1 or more (0: one worker per online processor), else RAYON_RS_NUM_CPUS
// when that is 1 or more, else the number of online processors. The calling thread waits
// for each result (and lends a hand meanwhile). Exceptions thrown by a predicate, key
// function or piece of work reach the caller.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "oneapi/tbb/blocked_range.h"
#include "oneapi/tbb/parallel_for.h"
#include "oneapi/tbb/parallel_sort.h"
#include "oneapi/tbb/task_arena.h"
#include "oneapi/tbb/task_group.h"

#if SHEAFWORK_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace engine::pool {

// Number of workers of the pool (creates it when needed).
size_t worker_count();

// The size rule on its own: the two variables' texts (null when unset) and the number of
// online processors.
size_t size_from_env(const char* rayon_num_threads, const char* rayon_rs_num_cpus,
                     size_t online_processors);

// Inputs shorter than this run on the calling thread: handing them out costs more than
// the work.
inline constexpr size_t kInlineBelow = 512;

namespace detail {
tbb::task_arena& arena();

// Splits [0, n) into ranges of about `grain` items for the workers.
inline size_t grain_for(size_t n) {
  size_t parts = worker_count() * 8;
  return std::max<size_t>(64, n / parts + 1);
}

// The edges between a caller and the work it hands out, for as long as a HandOff lives:
// whatever the caller wrote before making it happens before every call of a wrapped body,
// and every call happens before whatever the caller does once it is gone (also when a
// call threw). The scheduler provides exactly this, but inside oneTBB's library, which
// ThreadSanitizer does not see; the tsan build therefore states the edges itself, and the
// others compile it to nothing. Calls are ordered against each other only where the
// scheduler orders them (a piece split off by one worker and run by another), so a race
// between two workers is still reported.
class HandOff {
 public:
  HandOff(const HandOff&) = delete;
  HandOff& operator=(const HandOff&) = delete;
#if SHEAFWORK_TSAN
  HandOff() { __tsan_release(&handed_); }
  ~HandOff() { __tsan_acquire(&returned_); }

  // A body as the scheduler copies it into its tasks and calls it. A worker reads a copy
  // before any other code of ours runs, and the scheduler reuses the memory of finished
  // tasks for new ones, so each copy states its own hand-offs too: every access to a
  // copy's fields stands between an acquire and a release on the copy's address.
  template <class Body>
  class Wrapped {
   public:
    Wrapped(HandOff& hand_off, const Body& body) { set(&hand_off, &body); }
    Wrapped(const Wrapped& other) {
      const auto [hand_off, body] = other.get();
      set(hand_off, body);
    }
    Wrapped& operator=(const Wrapped&) = delete;

    template <class... Args>
    decltype(auto) operator()(Args&&... args) const {
      const auto [hand_off, body] = get();
      __tsan_acquire(&hand_off->handed_);
      struct Back {
        char* returned;
        ~Back() { __tsan_release(returned); }
      } back{&hand_off->returned_};
      return (*body)(std::forward<Args>(args)...);
    }

   private:
    void* address() const { return const_cast<Wrapped*>(this); }
    void set(HandOff* hand_off, const Body* body) {
      __tsan_acquire(address());
      hand_off_ = hand_off;
      body_ = body;
      __tsan_release(address());
    }
    std::pair<HandOff*, const Body*> get() const {
      __tsan_acquire(address());
      std::pair<HandOff*, const Body*> fields{hand_off_, body_};
      __tsan_release(address());
      return fields;
    }

    HandOff* hand_off_;
    const Body* body_;
  };

  template <class Body>
  Wrapped<Body> wrap(const Body& body) {
    return Wrapped<Body>(*this, body);
  }

 private:
  char handed_ = 0;
  char returned_ = 0;
#else
  HandOff() = default;

  template <class Body>
  const Body& wrap(const Body& body) {
    return body;
  }
#endif
};

// Two hand-offs happen wholly inside oneTBB's code, so the tsan build cannot state them:
// its sort passes pieces of the array from worker to worker, and a task_group task's own
// fields are written by the caller and read by a worker. That build sorts on the calling
// thread and walks before it works, with the same results.
#if SHEAFWORK_TSAN
inline constexpr bool kSortsOnCaller = true;
inline constexpr bool kWalksFirst = true;
#else
inline constexpr bool kSortsOnCaller = false;
inline constexpr bool kWalksFirst = false;
#endif

// Runs f in the arena, with its hand-off stated: a caller that finds no free slot in the
// arena has f run by a worker while it waits.
template <class F>
void execute(const F& f) {
  HandOff hand_off;
  auto&& wrapped = hand_off.wrap(f);
  arena().execute(wrapped);
}

// tbb::parallel_for inside the arena, with its hand-off stated.
template <class Range, class Body, class... Partitioner>
void parallel_for(const Range& range, const Body& body, const Partitioner&... partitioner) {
  HandOff hand_off;
  tbb::parallel_for(range, hand_off.wrap(body), partitioner...);
}
}  // namespace detail

// Runs f(i) for every i in [0, n) on the workers, in no particular order.
template <class F>
void for_each_index(size_t n, F&& f) {
  if (n < kInlineBelow) {
    for (size_t i = 0; i < n; ++i) f(i);
    return;
  }
  const size_t grain = detail::grain_for(n);
  detail::execute([&] {
    detail::parallel_for(tbb::blocked_range<size_t>(0, n, grain),
                         [&](const tbb::blocked_range<size_t>& r) {
                           for (size_t i = r.begin(); i != r.end(); ++i) f(i);
                         });
  });
}

// Indexes i in [0, n) with pred(i) true, ascending. pred runs on the workers.
template <class Pred>
std::vector<size_t> filter_indexes(size_t n, Pred&& pred) {
  std::vector<size_t> out;
  if (n < kInlineBelow) {
    for (size_t i = 0; i < n; ++i)
      if (pred(i)) out.push_back(i);
    return out;
  }
  // Fixed chunks, each filtered into its own list; joining the lists in chunk order
  // keeps the input order whichever worker ran which chunk.
  const size_t grain = detail::grain_for(n);
  const size_t chunks = (n + grain - 1) / grain;
  std::vector<std::vector<size_t>> found(chunks);
  std::vector<size_t> offsets(chunks + 1, 0);
  detail::execute([&] {
    detail::parallel_for(tbb::blocked_range<size_t>(0, chunks, 1),
                         [&](const tbb::blocked_range<size_t>& r) {
                           for (size_t c = r.begin(); c != r.end(); ++c) {
                             const size_t end = std::min(n, (c + 1) * grain);
                             for (size_t i = c * grain; i < end; ++i)
                               if (pred(i)) found[c].push_back(i);
                           }
                         });
    for (size_t c = 0; c < chunks; ++c) offsets[c + 1] = offsets[c] + found[c].size();
    out.resize(offsets[chunks]);
    detail::parallel_for(tbb::blocked_range<size_t>(0, chunks, 1),
                         [&](const tbb::blocked_range<size_t>& r) {
                           for (size_t c = r.begin(); c != r.end(); ++c)
                             std::copy(found[c].begin(), found[c].end(),
                                       out.begin() + static_cast<ptrdiff_t>(offsets[c]));
                         });
  });
  return out;
}

// The smallest i in [0, n) with pred(i) true, whichever worker finds a match first.
// Indexes right of a match already found are not tested.
template <class Pred>
std::optional<size_t> find_first(size_t n, Pred&& pred) {
  if (n < kInlineBelow) {
    for (size_t i = 0; i < n; ++i)
      if (pred(i)) return i;
    return std::nullopt;
  }
  // `best` only ever falls to an index that matched, and only indexes at or right of it
  // are skipped, so every index left of the final value was tested.
  std::atomic<size_t> best{n};
  const size_t grain = detail::grain_for(n);
  detail::execute([&] {
    detail::parallel_for(
        tbb::blocked_range<size_t>(0, n, grain),
        [&](const tbb::blocked_range<size_t>& r) {
          for (size_t i = r.begin(); i != r.end(); ++i) {
            if (i >= best.load(std::memory_order_relaxed)) return;
            if (pred(i)) {
              size_t seen = best.load(std::memory_order_relaxed);
              while (i < seen && !best.compare_exchange_weak(seen, i)) {
              }
              return;
            }
          }
        },
        tbb::simple_partitioner());
  });
  size_t found = best.load();
  if (found == n) return std::nullopt;
  return found;
}

// A sort key and the position of its item. Trivial when Key is, so large arrays of them
// can be allocated without being cleared first.
template <class Key>
struct Keyed {
  Key key;
  size_t position;
};

// Sorts [first, last) by key, equal keys by position; with distinct positions that is a
// stable sort by key. Keys compare with operator<.
template <class Key>
void sort_keyed(Keyed<Key>* first, Keyed<Key>* last) {
  auto before = [](const Keyed<Key>& a, const Keyed<Key>& b) {
    if (a.key < b.key) return true;
    if (b.key < a.key) return false;
    return a.position < b.position;
  };
  if (static_cast<size_t>(last - first) < kInlineBelow || detail::kSortsOnCaller) {
    std::sort(first, last, before);
    return;
  }
  detail::execute([&] { tbb::parallel_sort(first, last, before); });
}

// For inputs that can only be walked in order (a hash map) but whose items are costly to
// visit: the calling thread runs produce(i) for i = 0, 1, ..., n - 1 in turn, and hands
// each finished block [begin, end) to the workers as work(begin, end), so the walk
// overlaps with the work. work never sees an index whose produce has not returned.
template <class Produce, class Work>
void walk_then_work(size_t n, Produce&& produce, Work&& work) {
  constexpr size_t kBlock = 8192;
  if (n < kInlineBelow) {
    for (size_t i = 0; i < n; ++i) produce(i);
    work(size_t{0}, n);
    return;
  }
  if constexpr (detail::kWalksFirst) {
    for (size_t i = 0; i < n; ++i) produce(i);
    const size_t blocks = (n + kBlock - 1) / kBlock;
    detail::execute([&] {
      detail::parallel_for(tbb::blocked_range<size_t>(0, blocks, 1),
                           [&](const tbb::blocked_range<size_t>& r) {
                             for (size_t b = r.begin(); b != r.end(); ++b)
                               work(b * kBlock, std::min(n, (b + 1) * kBlock));
                           });
    });
    return;
  }
  detail::execute([&] {
    tbb::task_group group;
    for (size_t begin = 0; begin < n; begin += kBlock) {
      const size_t end = std::min(n, begin + kBlock);
      for (size_t i = begin; i < end; ++i) produce(i);
      group.run([&work, begin, end] { work(begin, end); });
    }
    group.wait();
  });
}

}  // namespace engine::pool
