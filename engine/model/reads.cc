#include "engine/model/reads.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <memory>

#include "engine/base/large_block.h"
#include "engine/base/pool.h"
#include "engine/base/radix_sort.h"
#include "engine/model/key_box.h"

namespace engine {

namespace {

const Shared<Cell>* find_cell(const CellMap& cells, uint32_t row, uint16_t col) {
  auto it = cells.entries.find(Coordinate{row, col});
  return it == cells.entries.end() ? nullptr : &it->second;
}

// Arrays of one entry per cell are filled completely before they are read, so they are
// not cleared first (clearing would be one more pass over them on the calling thread).
template <class T>
std::unique_ptr<T[]> uncleared(size_t n) {
  return std::make_unique_for_overwrite<T[]>(n);
}

// The map's cells in map order: a lent handle to each (valid while the caller holds the
// sheet's read lock) and the coordinate the cell holds, read once (in bulk, inside the
// cells' gate), with the bits in which those coordinates' sort keys differ. Each worker
// walks whole shards of the map; the cells, scattered over the heap, are read a few
// places ahead of their turn.
struct Walked {
  size_t size = 0;
  LentHandles<Cell> cells{0};
  std::unique_ptr<Coordinate[]> coords;
  uint64_t varying = 0;
};

Walked walk(const CellMap& cells) {
  const auto& shards = cells.entries.shards();
  std::array<size_t, CellEntries::kShards + 1> offsets{};
  for (size_t s = 0; s < shards.size(); ++s) offsets[s + 1] = offsets[s] + shards[s].size();
  Walked w;
  w.size = offsets.back();
  w.cells = LentHandles<Cell>(w.size);
  w.coords = uncleared<Coordinate>(w.size);
  std::atomic<uint64_t> any{0};
  std::atomic<uint64_t> all{~uint64_t{0}};
  pool::for_each_item(shards.size(), [&](size_t s) {
    constexpr int kAhead = 8;
    uint64_t shard_any = 0;
    uint64_t shard_all = ~uint64_t{0};
    size_t i = offsets[s];
    auto it = shards[s].begin();
    auto ahead = it;
    const auto end = shards[s].end();
    for (int k = 0; k < kAhead && ahead != end; ++k) (ahead++)->second.prefetch();
    while (it != end) {
      const ReadGate::Reader pass(Cell::gate());
      for (size_t run = 0; run < ReadGate::kBulkRun && it != end; ++run, ++it, ++i) {
        if (ahead != end) (ahead++)->second.prefetch();
        w.cells.lend(i, it->second);
        w.coords[i] = it->second.read_in_gate(pass).coord;
        shard_any |= w.coords[i].sort_key();
        shard_all &= w.coords[i].sort_key();
      }
    }
    any.fetch_or(shard_any, std::memory_order_relaxed);
    all.fetch_and(shard_all, std::memory_order_relaxed);
  });
  w.varying = any.load() & ~all.load();
  return w;
}

// Calls place(k, i) for each k < n, on the workers: the walked cell i = position(k) is
// the k-th in row, then column order of the coordinates read during the walk. Reading
// each coordinate once keeps the order consistent even when a cell is moved meanwhile
// (through a handle that another sheet shares). Equal coordinates keep the order of
// `position`, which ascends.
//
// Usually the varying bits of the keys and the bits of a position fit in one 64-bit
// value together, which a radix sort orders on the key bits alone; otherwise the keys
// are sorted beside their positions.
template <class Positions, class Place>
void in_sheet_order(const Walked& w, size_t n, Positions&& position, Place&& place) {
  const int low = w.varying ? std::countr_zero(w.varying) : 0;
  const int key_bits = w.varying ? std::bit_width(w.varying) - low : 0;
  const int position_bits = std::bit_width(n);
  if (key_bits + position_bits <= 64) {
    const uint64_t key_mask = key_bits == 64 ? ~uint64_t{0} : (uint64_t{1} << key_bits) - 1;
    const uint64_t position_mask = (uint64_t{1} << position_bits) - 1;
    auto packed = uncleared<uint64_t>(n);
    pool::for_each_index(n, [&](size_t k) {
      const uint64_t key = (w.coords[position(k)].sort_key() >> low) & key_mask;
      packed[k] = key << position_bits | k;
    });
    pool::radix_sort(packed.get(), packed.get() + n, position_bits, position_bits + key_bits);
    pool::for_each_index(n, [&](size_t k) { place(k, position(packed[k] & position_mask)); });
    return;
  }
  auto keyed = uncleared<pool::Keyed<uint64_t>>(n);
  pool::for_each_index(n, [&](size_t k) {
    const size_t i = position(k);
    keyed[k] = {w.coords[i].sort_key(), i};
  });
  pool::sort_keyed(keyed.get(), keyed.get() + n);
  pool::for_each_index(n, [&](size_t k) { place(k, keyed[k].position); });
}

template <class Positions>
std::vector<Shared<Cell>> handles_in_sheet_order(const Walked& w, size_t n,
                                                 Positions&& position) {
  std::vector<Shared<Cell>> handles(n);
  in_sheet_order(w, n, position, [&](size_t k, size_t i) { handles[k] = w.cells.view()[i]; });
  return handles;
}

bool everywhere(const Coordinate&) { return true; }

}  // namespace

std::optional<Shared<Cell>> cell_stored_at(const CellMap& cells, uint32_t row, uint16_t col) {
  if (const Shared<Cell>* cell = find_cell(cells, row, col)) return *cell;
  return std::nullopt;
}

std::string get_value_cell(const CellMap& cells, uint32_t row, uint16_t col) {
  if (const Shared<Cell>* cell = find_cell(cells, row, col)) return cell->read()->value.text();
  return cells.default_value.text();
}

std::optional<std::string> find_value_by_coords(const CellMap& cells, uint32_t row,
                                                uint16_t col) {
  if (const Shared<Cell>* cell = find_cell(cells, row, col)) return cell->read()->value.text();
  return std::nullopt;
}

namespace {

// The cells that `keep` admits, in sheet order, as counted handles, when the sheet's
// cells can be placed in their box (nullopt otherwise). When every cell is admitted the
// result's size is known before the walk, and the list (whose construction, one thread's
// work, takes as long as the walk on many) is made meanwhile.
template <class Keep>
std::optional<std::vector<Shared<Cell>>> handles_in_box(const CellMap& cells, Keep keep,
                                                        bool keeps_all) {
  std::vector<Shared<Cell>> handles;
  std::optional<KeyBox> box;
  if (keeps_all) {
    pool::run_both(
        [&] {
          handles.reserve(cells.entries.size());
          advise_large_block(handles.data(), handles.capacity() * sizeof(Shared<Cell>));
          handles.resize(cells.entries.size());
        },
        [&] { box = KeyBox::place(cells); });
  } else {
    box = KeyBox::place(cells);
  }
  if (!box) return std::nullopt;
  if (!box->in_order(keep, keeps_all, [&](size_t n) { handles.resize(n); },
                     [&](size_t k, const Shared<Cell>& cell) { handles[k] = cell; }))
    return std::nullopt;
  return handles;
}

}  // namespace

std::vector<Shared<Cell>> Sheet::sorted_cells() const {
  if (auto handles = handles_in_box(cells, everywhere, true)) return std::move(*handles);
  const Walked w = walk(cells);
  return handles_in_sheet_order(w, w.size, [](size_t k) { return k; });
}

LentHandles<Cell> Sheet::lend_sorted_cells() const {
  if (const std::optional<KeyBox> box = KeyBox::place(cells)) {
    LentHandles<Cell> lent(0);
    if (box->in_order(everywhere, true, [&](size_t n) { lent = LentHandles<Cell>(n); },
                      [&](size_t k, const Shared<Cell>& cell) { lent.lend(k, cell); }))
      return lent;
  }
  const Walked w = walk(cells);
  LentHandles<Cell> lent(w.size);
  in_sheet_order(w, w.size, [](size_t k) { return k; },
                 [&](size_t k, size_t i) { lent.lend(k, w.cells.view()[i]); });
  return lent;
}

std::vector<Shared<Cell>> get_cells_by_range(const CellMap& cells,
                                             std::optional<uint32_t> start_row,
                                             std::optional<uint32_t> end_row,
                                             std::optional<uint16_t> start_col,
                                             std::optional<uint16_t> end_col) {
  const uint32_t first_row = start_row.value_or(1);
  const uint32_t last_row = end_row.value_or(kRangeLastRow);
  const uint16_t first_col = start_col.value_or(1);
  const uint16_t last_col = end_col.value_or(kRangeLastColumn);

  auto inside = [&](const Coordinate& c) {
    return first_row <= c.row && c.row <= last_row && first_col <= c.column &&
           c.column <= last_col;
  };
  // A range that holds the whole box of keys admits every cell that sits at its key.
  const CellEntries::Bounds& box = cells.entries.bounds();
  const bool holds_box = first_row <= box.min_row && box.max_row <= last_row &&
                         first_col <= box.min_column && box.max_column <= last_col;
  if (auto handles = handles_in_box(cells, inside, holds_box)) return std::move(*handles);
  // The coordinate that admits a cell is also the one it is sorted by.
  const Walked w = walk(cells);
  const std::vector<size_t> kept =
      pool::filter_indexes(w.size, [&](size_t i) { return inside(w.coords[i]); });
  return handles_in_sheet_order(w, kept.size(), [&](size_t k) { return kept[k]; });
}

}  // namespace engine
