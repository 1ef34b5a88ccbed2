// The process-wide worker pool and the parallel building blocks every search and ordering
// reuses: gather and filter, find-first, sort by key, and two plain ways to spread work. The pool is
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

#include "engine/base/pool_hand_off.h"
#include "oneapi/tbb/blocked_range.h"
#include "oneapi/tbb/parallel_for.h"
#include "oneapi/tbb/parallel_sort.h"
#include "oneapi/tbb/task_arena.h"

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

// Runs body(begin, end) on the workers over pieces of about `grain` items that together
// cover [0, n), the calling thread lending a hand, and returns when all have ended.
template <class Partitioner = tbb::auto_partitioner, class Body>
void run_pieces(size_t n, size_t grain, const Body& body) {
  // Qualified: oneTBB's own parallel_for, found through the range's namespace, would
  // otherwise win and the hand-off would go unstated.
  detail::execute([&] {
    detail::parallel_for(
        tbb::blocked_range<size_t>(0, n, grain),
        [&](const tbb::blocked_range<size_t>& r) { body(r.begin(), r.end()); }, Partitioner());
  });
}
}  // namespace detail

// Runs f(i) for every i in [0, n) on the workers, in no particular order.
template <class F>
void for_each_index(size_t n, F&& f) {
  if (n < kInlineBelow) {
    for (size_t i = 0; i < n; ++i) f(i);
    return;
  }
  detail::run_pieces(n, detail::grain_for(n), [&](size_t begin, size_t end) {
    for (size_t i = begin; i != end; ++i) f(i);
  });
}

// Runs a() and b() at once on the workers and returns when both have ended: for two
// independent pieces of work, one of which cannot itself be shared out.
template <class A, class B>
void run_both(A&& a, B&& b) {
  detail::run_pieces<tbb::simple_partitioner>(2, 1, [&](size_t first, size_t last) {
    for (size_t i = first; i != last; ++i) i == 0 ? a() : b();
  });
}

// Runs f(i) for every i in [0, n) on the workers, one item per task: for a few items of
// much work each (the shards of a map).
template <class F>
void for_each_item(size_t n, F&& f) {
  if (n == 0) return;
  detail::run_pieces<tbb::simple_partitioner>(n, 1, [&](size_t begin, size_t end) {
    for (size_t i = begin; i != end; ++i) f(i);
  });
}

// Runs scan(begin, end, out) on the workers over pieces [begin, end) that together cover
// [0, n): each piece appends what it keeps to its own list `out` (a std::vector<Out>),
// and the lists are joined in piece order, so the result keeps the order of [0, n)
// whichever worker ran which piece. Out is moved into place.
template <class Out, class Scan>
std::vector<Out> gather(size_t n, Scan&& scan) {
  std::vector<Out> out;
  if (n < kInlineBelow) {
    if (n > 0) scan(size_t{0}, n, out);
    return out;
  }
  const size_t grain = detail::grain_for(n);
  const size_t pieces = (n + grain - 1) / grain;
  std::vector<std::vector<Out>> found(pieces);
  detail::run_pieces(pieces, 1, [&](size_t first, size_t last) {
    for (size_t p = first; p != last; ++p)
      scan(p * grain, std::min(n, (p + 1) * grain), found[p]);
  });
  std::vector<size_t> offsets(pieces + 1, 0);
  for (size_t p = 0; p < pieces; ++p) offsets[p + 1] = offsets[p] + found[p].size();
  out.resize(offsets[pieces]);
  detail::run_pieces(pieces, 1, [&](size_t first, size_t last) {
    for (size_t p = first; p != last; ++p) {
      std::move(found[p].begin(), found[p].end(),
                out.begin() + static_cast<ptrdiff_t>(offsets[p]));
      std::vector<Out>().swap(found[p]);
    }
  });
  return out;
}

// Indexes i in [0, n) with pred(i) true, ascending. pred runs on the workers.
template <class Pred>
std::vector<size_t> filter_indexes(size_t n, Pred&& pred) {
  return gather<size_t>(n, [&](size_t begin, size_t end, std::vector<size_t>& kept) {
    for (size_t i = begin; i < end; ++i)
      if (pred(i)) kept.push_back(i);
  });
}

// The smallest index in [0, n) that scan reports, whichever worker finds a match first.
// scan(begin, end, known) tests [begin, end) in order and returns the first match there,
// or nullopt; it may give up at an index i once known() <= i (a match left of i is
// already known). Pieces right of a known match are not scanned.
template <class Scan>
std::optional<size_t> find_first_in(size_t n, Scan&& scan) {
  // `best` only ever falls to an index that matched, and only indexes at or right of it
  // are skipped, so every index left of the final value was tested.
  std::atomic<size_t> best{n};
  auto known = [&best] { return best.load(std::memory_order_relaxed); };
  auto run = [&](size_t begin, size_t end) {
    if (begin >= known()) return;
    if (const std::optional<size_t> hit = scan(begin, end, known)) {
      size_t seen = best.load(std::memory_order_relaxed);
      while (*hit < seen && !best.compare_exchange_weak(seen, *hit)) {
      }
    }
  };
  if (n < kInlineBelow) {
    run(0, n);
  } else {
    detail::run_pieces<tbb::simple_partitioner>(n, detail::grain_for(n), run);
  }
  const size_t found = best.load();
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

}  // namespace engine::pool
