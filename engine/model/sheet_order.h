// The cells of a map in sheet order: row, then column of the coordinates the cells hold,
// each coordinate read once (inside the cells' gate), so that the order stays consistent
// while cells are moved through another sheet that shares them. Equal coordinates (only
// such moved cells have them) keep map order. The caller holds the sheet's read lock; the
// handles are lent by the map, valid as long as that lock.
//
// A map whose cells fill much of the box around their keys and sit at them is ordered by
// placing them (key_box.h). Any other, or one in which a cell turns out not to sit at its
// key, is walked once in map order and its coordinates radix-sorted beside their map
// positions: the one fallback. A caller that reads each cell as it comes (the export) may
// sort the keys instead, which reads no cell during the walk, and must then find every
// cell at its key.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/base/pool.h"
#include "engine/base/radix_sort.h"
#include "engine/base/read_gate.h"
#include "engine/model/key_box.h"
#include "engine/model/sheet.h"

namespace engine {

// Where an ordering's own work runs: shared out on the workers, or on the calling thread
// alone (for a caller that must start no pool work).
enum class OrderThreads { kWorkers, kCaller };

namespace sheet_order {

// Arrays of one entry per cell are filled completely before they are read, so they are
// not cleared first (clearing would be one more pass over them on the calling thread).
template <class T>
std::unique_ptr<T[]> uncleared(size_t n) {
  return std::make_unique_for_overwrite<T[]>(n);
}

template <class F>
void each_index(OrderThreads threads, size_t n, F&& f) {
  if (threads == OrderThreads::kWorkers) return pool::for_each_index(n, f);
  for (size_t i = 0; i < n; ++i) f(i);
}

// The map's cells in map order: a lent handle to each and the coordinate the cell holds,
// read once, with the bits in which those coordinates' sort keys differ.
struct Walked {
  size_t size = 0;
  LentHandles<Cell> cells{0};
  std::unique_ptr<Coordinate[]> coords;
  uint64_t varying = 0;
};

// A walk's `take` that reads no cell: the walk orders by the keys the cells are stored
// under, which sit in the map's own tables.
struct KeysOnly {};

// Reads every cell once, inside the gate, and calls take(i, cell) for the i-th in map order
// while it is read (in order of i on the calling thread); with KeysOnly, reads no cell and
// takes the keys instead. On the workers, each walks whole shards of the map. The cells,
// scattered over the heap, are read a few places ahead of their turn.
template <class Take>
Walked walk(const CellMap& cells, OrderThreads threads, Take&& take) {
  constexpr bool kReadsCells = !std::is_same_v<std::decay_t<Take>, KeysOnly>;
  const auto& shards = cells.entries.shards();
  std::array<size_t, CellEntries::kShards + 1> offsets{};
  for (size_t s = 0; s < shards.size(); ++s) offsets[s + 1] = offsets[s] + shards[s].size();
  Walked w;
  w.size = offsets.back();
  w.cells = LentHandles<Cell>(w.size);
  w.coords = uncleared<Coordinate>(w.size);
  std::atomic<uint64_t> any{0};
  std::atomic<uint64_t> all{~uint64_t{0}};
  auto walk_shard = [&](size_t s) {
    constexpr int kAhead = 8;
    uint64_t shard_any = 0;
    uint64_t shard_all = ~uint64_t{0};
    size_t i = offsets[s];
    const auto put = [&](Coordinate at, const Shared<Cell>& cell) {
      w.cells.lend(i, cell);
      w.coords[i] = at;
      shard_any |= at.sort_key();
      shard_all &= at.sort_key();
    };
    if constexpr (!kReadsCells) {
      cells.entries.visit_shard(s, [&](const CellEntries::value_type& entry) {
        put(entry.first, entry.second);
        ++i;
      });
    } else {
      auto it = shards[s].begin();
      const auto end = shards[s].end();
      auto ahead = it;
      for (int k = 0; k < kAhead && ahead != end; ++k) (ahead++)->second.prefetch();
      while (it != end) {
        const ReadGate::Reader pass(Cell::gate());
        for (size_t run = 0; run < ReadGate::kBulkRun && it != end; ++run, ++it, ++i) {
          if (ahead != end) (ahead++)->second.prefetch();
          const Cell& cell = it->second.read_in_gate(pass);
          put(cell.coord, it->second);
          take(i, cell);
        }
      }
    }
    any.fetch_or(shard_any, std::memory_order_relaxed);
    all.fetch_and(shard_all, std::memory_order_relaxed);
  };
  if (threads == OrderThreads::kWorkers) {
    pool::for_each_item(shards.size(), walk_shard);
  } else {
    for (size_t s = 0; s < shards.size(); ++s) walk_shard(s);
  }
  w.varying = any.load() & ~all.load();
  return w;
}

// Calls place(k, i) for each k < n: the walked cell i = position(k) is the k-th in sheet
// order of the coordinates read during the walk. Equal coordinates keep the order of
// `position`, which ascends.
//
// Usually the varying bits of the keys and the bits of a position fit in one 64-bit
// value together, which the radix sort orders on the key bits alone; otherwise the keys
// are sorted beside their positions.
template <class Positions, class Place>
void in_sheet_order(const Walked& w, OrderThreads threads, size_t n, Positions&& position,
                    Place&& place) {
  const int low = w.varying ? std::countr_zero(w.varying) : 0;
  const int key_bits = w.varying ? std::bit_width(w.varying) - low : 0;
  const int position_bits = std::bit_width(n);
  if (key_bits + position_bits <= 64) {
    const uint64_t key_mask = key_bits == 64 ? ~uint64_t{0} : (uint64_t{1} << key_bits) - 1;
    const uint64_t position_mask = (uint64_t{1} << position_bits) - 1;
    auto packed = uncleared<uint64_t>(n);
    each_index(threads, n, [&](size_t k) {
      const uint64_t key = (w.coords[position(k)].sort_key() >> low) & key_mask;
      packed[k] = key << position_bits | k;
    });
    if (threads == OrderThreads::kWorkers) {
      pool::radix_sort(packed.get(), packed.get() + n, position_bits, position_bits + key_bits);
    } else {
      pool::radix_sort_on_caller(packed.get(), packed.get() + n, position_bits,
                                 position_bits + key_bits);
    }
    each_index(threads, n, [&](size_t k) { place(k, position(packed[k] & position_mask)); });
    return;
  }
  auto keyed = uncleared<pool::Keyed<uint64_t>>(n);
  each_index(threads, n, [&](size_t k) {
    const size_t i = position(k);
    keyed[k] = {w.coords[i].sort_key(), i};
  });
  if (threads == OrderThreads::kWorkers) {
    pool::sort_keyed(keyed.get(), keyed.get() + n);
  } else {
    // Positions ascend already: a stable sort by key orders equal keys by position.
    std::stable_sort(keyed.get(), keyed.get() + n,
                     [](const auto& a, const auto& b) { return a.key < b.key; });
  }
  each_index(threads, n, [&](size_t k) { place(k, keyed[k].position); });
}

}  // namespace sheet_order

// A keep that admits every cell, whatever its coordinate: nothing is filtered.
struct EveryCell {
  bool operator()(const Coordinate&) const { return true; }
};

// The cells for which keep(coordinate) holds, in sheet order, on the workers: make(count)
// makes room for them all, then put(k, cell) puts the k-th, in no particular order of k.
// `keeps_box` when keep holds for every coordinate in the map's box of keys: the count is
// then the map's size unless a cell was moved, and room is made while the box is placed.
// Should a second try count otherwise, make is called again and put fills the new room.
template <class Keep, class Make, class Put>
void put_in_sheet_order(const CellMap& cells, Keep keep, bool keeps_box, Make make, Put put) {
  std::optional<size_t> room;
  auto make_room = [&](size_t n) {
    if (room == n) return;
    make(n);
    room = n;
  };
  std::optional<KeyBox> box;
  if (keeps_box) {
    pool::run_both([&] { make_room(cells.entries.size()); },
                   [&] { box = KeyBox::place(cells); });
  } else {
    box = KeyBox::place(cells);
  }
  if (box && box->in_order(keep, keeps_box, make_room, put)) return;
  const sheet_order::Walked w =
      sheet_order::walk(cells, OrderThreads::kWorkers, [](size_t, const Cell&) {});
  const auto handles = w.cells.view();
  auto put_walked = [&](size_t k, size_t i) { put(k, handles[i]); };
  if constexpr (std::is_same_v<Keep, EveryCell>) {
    make_room(w.size);
    sheet_order::in_sheet_order(w, OrderThreads::kWorkers, w.size, [](size_t k) { return k; },
                                put_walked);
  } else {
    // The coordinate that admits a cell is also the one it is sorted by.
    const std::vector<size_t> kept =
        pool::filter_indexes(w.size, [&](size_t i) { return keep(w.coords[i]); });
    make_room(kept.size());
    sheet_order::in_sheet_order(w, OrderThreads::kWorkers, kept.size(),
                                [&](size_t k) { return kept[k]; }, put_walked);
  }
}

// The cells in sheet order when the map's box can be placed and every cell sits at its
// key: visit(cell) for each, on the calling thread, the cell read inside the gate (placing
// the box is shared out on the workers). False, with only some cells visited, otherwise.
template <class Visit>
bool visit_placed_in_order(const CellMap& cells, Visit&& visit) {
  if (cells.entries.size() == 0) return true;
  const std::optional<KeyBox> box = KeyBox::place(cells);
  return box && box->visit_in_order(visit);
}

// The fallback for any map whose cells sit at their keys, wholly on the calling thread:
// the keys sorted, then visit(cell) for each cell in that order, read inside the gate as
// its turn comes. False, with only some cells visited, when a cell does not sit at its
// key (moved through a sheet that shares it, before or during the call).
template <class Visit>
bool visit_keyed_in_order(const CellMap& cells, Visit&& visit) {
  const sheet_order::Walked w =
      sheet_order::walk(cells, OrderThreads::kCaller, sheet_order::KeysOnly{});
  // The handles and keys are first gathered in key order (independent loads, which
  // overlap), so that the cells' records are then read one stride ahead of their turn.
  LentHandles<Cell> sorted(w.size);
  auto keys = sheet_order::uncleared<Coordinate>(w.size);
  const auto handles = w.cells.view();
  sheet_order::in_sheet_order(w, OrderThreads::kCaller, w.size, [](size_t k) { return k; },
                              [&](size_t k, size_t i) {
                                sorted.lend(k, handles[i]);
                                keys[k] = w.coords[i];
                              });
  const auto cells_in_order = sorted.view();
  constexpr size_t kAhead = 16;
  ReadGate::Reader pass(Cell::gate());
  for (size_t k = 0; k < w.size; ++k) {
    if (k + kAhead < w.size) cells_in_order[k + kAhead].prefetch();
    pass.tick();
    const Cell& cell = cells_in_order[k].read_in_gate(pass);
    if (!(cell.coord == keys[k])) return false;
    visit(cell);
  }
  return true;
}

// The same order for a caller that keeps what it needs of each cell during the walk:
// take(i, cell) for the i-th cell in map order, as its coordinate is read; then visit(i)
// for each i in sheet order of the coordinates read. Consistent whatever moves meanwhile.
template <class Take, class Visit>
void visit_taken_in_order(const CellMap& cells, Take&& take, Visit&& visit) {
  const sheet_order::Walked w = sheet_order::walk(cells, OrderThreads::kCaller, take);
  sheet_order::in_sheet_order(w, OrderThreads::kCaller, w.size, [](size_t k) { return k; },
                              [&](size_t, size_t i) { visit(i); });
}

}  // namespace engine
