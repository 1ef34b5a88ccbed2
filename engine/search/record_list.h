// The shell of every search over a list of records (cells of a list or a sheet, sheets of
// a book): a lent, ordered list of handles, each record read under its own read lock,
// one record at a time per worker, never written. List results hold handles to the same
// records in list order, each as often as it is listed; a single result is the leftmost
// match, whichever worker finds it first. The caller keeps the list valid for the call.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "engine/base/pool.h"
#include "engine/base/shared.h"

namespace engine {

template <class T>
using RecordList = std::span<const Shared<T>>;

// Starts loading the record a few places after `i`. Every walk over a list goes up in
// list order (a worker's piece is contiguous), so this hides most of the wait for the
// next records' lock words.
template <class T>
void prefetch_ahead(RecordList<T> list, size_t i) {
  constexpr size_t kAhead = 16;
  if (i + kAhead < list.size()) list[i + kAhead].prefetch();
}

// Handles of `list` at `indexes`, in that order (the gathering step of every filter).
template <class T>
std::vector<Shared<T>> handles_at(RecordList<T> list, const std::vector<size_t>& indexes) {
  std::vector<Shared<T>> out;
  out.reserve(indexes.size());
  for (size_t i : indexes) out.push_back(list[i]);
  return out;
}

// `test(const T&)` of record i, under that record's read lock.
template <class T, class Test>
bool test_record(RecordList<T> list, size_t i, Test& test) {
  prefetch_ahead(list, i);
  auto record = list[i].read();
  return test(*record);
}

// Every record for which `test` holds, in list order, tested on the workers.
template <class T, class Test>
std::vector<Shared<T>> filter_records(RecordList<T> list, Test&& test) {
  return handles_at(list, pool::filter_indexes(list.size(), [&](size_t i) {
                      return test_record(list, i, test);
                    }));
}

// The first record in list order for which `test` holds.
template <class T, class Test>
std::optional<Shared<T>> first_record(RecordList<T> list, Test&& test) {
  const auto found =
      pool::find_first(list.size(), [&](size_t i) { return test_record(list, i, test); });
  if (!found) return std::nullopt;
  return list[*found];
}

}  // namespace engine
