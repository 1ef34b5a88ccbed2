#include "engine/model/reads.h"

#include <memory>

#include "engine/base/pool.h"

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

// The map's cells in map order: the slot of each (which stays put while the caller holds
// the sheet's read lock) and the coordinate the cell holds, read once under its read
// lock. The map can only be walked on one thread; the cells, scattered over the heap,
// are locked and read by the workers while the walk goes on.
struct Walked {
  size_t size = 0;
  std::unique_ptr<const Shared<Cell>*[]> slots;
  std::unique_ptr<Coordinate[]> coords;
};

Walked walk(const CellMap& cells) {
  Walked w;
  w.size = cells.entries.size();
  w.slots = uncleared<const Shared<Cell>*>(w.size);
  w.coords = uncleared<Coordinate>(w.size);
  auto it = cells.entries.begin();
  pool::walk_then_work(
      w.size, [&](size_t i) { w.slots[i] = &(it++)->second; },
      [&](size_t begin, size_t end) {
        constexpr size_t kAhead = 8;
        for (size_t i = begin; i < end; ++i) {
          if (i + kAhead < end) w.slots[i + kAhead]->prefetch();
          w.coords[i] = w.slots[i]->read()->coord;
        }
      });
  return w;
}

// Handles to the cells at the given positions of the walk, in row, then column order of
// the coordinates read during the walk. Reading each coordinate once keeps the
// comparisons consistent even when a cell is moved meanwhile (through a handle that
// another sheet shares). Equal coordinates keep the order of `position`.
template <class Positions>
std::vector<Shared<Cell>> in_sheet_order(const Walked& w, size_t n, Positions&& position) {
  auto keyed = uncleared<pool::Keyed<uint64_t>>(n);
  pool::for_each_index(n, [&](size_t k) {
    const size_t i = position(k);
    keyed[k] = {w.coords[i].sort_key(), i};
  });
  pool::sort_keyed(keyed.get(), keyed.get() + n);
  std::vector<Shared<Cell>> handles(n);
  pool::for_each_index(n, [&](size_t k) { handles[k] = *w.slots[keyed[k].position]; });
  return handles;
}

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

std::vector<Shared<Cell>> Sheet::sorted_cells() const {
  const Walked w = walk(cells);
  return in_sheet_order(w, w.size, [](size_t k) { return k; });
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

  // The coordinate that admits a cell is also the one it is sorted by.
  const Walked w = walk(cells);
  const std::vector<size_t> kept = pool::filter_indexes(w.size, [&](size_t i) {
    const Coordinate c = w.coords[i];
    return first_row <= c.row && c.row <= last_row && first_col <= c.column &&
           c.column <= last_col;
  });
  return in_sheet_order(w, kept.size(), [&](size_t k) { return kept[k]; });
}

}  // namespace engine
