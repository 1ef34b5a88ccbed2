// The process-wide worker pool and the three parallel building blocks every search and
// ordering reuses. The pool is created on first use and never stopped; its size comes
// from RAYON_NUM_THREADS, else RAYON_RS_NUM_CPUS, else the number of online processors.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace engine::pool {

// Number of workers of the pool (creates it when needed).
size_t worker_count();

// Indexes i in [0, n) with pred(i) true, ascending. pred runs on the workers.
template <class Pred>
std::vector<size_t> filter_indexes(size_t n, Pred&& pred) {
  // Placeholder until the pool lands: sequential, same results.
  std::vector<size_t> out;
  for (size_t i = 0; i < n; ++i)
    if (pred(i)) out.push_back(i);
  return out;
}

// The smallest i in [0, n) with pred(i) true, whichever worker finds a match first.
template <class Pred>
std::optional<size_t> find_first(size_t n, Pred&& pred) {
  for (size_t i = 0; i < n; ++i)
    if (pred(i)) return i;
  return std::nullopt;
}

// Sorts `items` stably by key(item), each key computed exactly once per item.
template <class T, class KeyFn>
void stable_sort_by_key(std::vector<T>& items, KeyFn&& key) {
  std::vector<std::pair<decltype(key(items[0])), size_t>> keys;
  keys.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) keys.emplace_back(key(items[i]), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (auto& k : keys) sorted.push_back(std::move(items[k.second]));
  items = std::move(sorted);
}

}  // namespace engine::pool
