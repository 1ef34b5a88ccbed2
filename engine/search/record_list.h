// The shell of every search over a list of records (cells of a list or a sheet, sheets of
// a book): a lent, ordered list of handles, each record read one at a time per worker and
// never written; cells in bulk inside their gate (read_gate.h), any other kind under the
// record's own read lock. List results hold handles to the same records in list order,
// each as often as it is listed, taken on the workers; a single result is the leftmost
// match, whichever worker finds it first. The caller keeps the list valid for the call.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

#include "engine/base/pool.h"
#include "engine/base/read_gate.h"
#include "engine/base/shared.h"

namespace engine {

template <class T>
using RecordList = std::span<const Shared<T>>;

// Starts loading the record a few places after `i`. Every walk over a list goes up in
// list order (a worker's piece is contiguous), so this hides most of the wait for the
// next records.
template <class T>
void prefetch_ahead(RecordList<T> list, size_t i) {
  constexpr size_t kAhead = 32;
  if (i + kAhead < list.size()) list[i + kAhead].prefetch();
}

// Calls visit(i, const T&) for i = begin, begin + 1, ... up to end, until it returns
// false. A gated kind is read inside its gate, passed anew every kBulkRun records so that
// writers wait little; any other kind under each record's read lock.
template <class T, class Visit>
void visit_records(RecordList<T> list, size_t begin, size_t end, Visit&& visit) {
  if constexpr (Gated<T>) {
    for (size_t run = begin; run < end; run += ReadGate::kBulkRun) {
      const size_t run_end = std::min(end, run + ReadGate::kBulkRun);
      const ReadGate::Reader pass(T::gate());
      for (size_t i = run; i < run_end; ++i) {
        prefetch_ahead(list, i);
        if (!visit(i, list[i].read_in_gate(pass))) return;
      }
    }
  } else {
    for (size_t i = begin; i < end; ++i) {
      prefetch_ahead(list, i);
      const auto record = list[i].read();
      if (!visit(i, *record)) return;
    }
  }
}

// Every record for which `test(const T&)` holds, in list order, tested on the workers.
template <class T, class Test>
std::vector<Shared<T>> filter_records(RecordList<T> list, Test&& test) {
  return pool::gather<Shared<T>>(
      list.size(), [&](size_t begin, size_t end, std::vector<Shared<T>>& kept) {
        visit_records(list, begin, end, [&](size_t i, const T& record) {
          if (test(record)) kept.push_back(list[i]);
          return true;
        });
      });
}

// The first record in list order for which `test` holds.
template <class T, class Test>
std::optional<Shared<T>> first_record(RecordList<T> list, Test&& test) {
  const auto found = pool::find_first_in(
      list.size(), [&](size_t begin, size_t end, auto known) {
        std::optional<size_t> hit;
        visit_records(list, begin, end, [&](size_t i, const T& record) {
          if (known() <= i) return false;
          if (test(record)) hit = i;
          return !hit;
        });
        return hit;
      });
  if (!found) return std::nullopt;
  return list[*found];
}

}  // namespace engine
