// The cells of a map placed at their keys' offsets in the box around the keys, for a map
// whose keys fill much of that box (the usual sheet, filled row by row): the box read in
// order is the order of the keys, with no ties and no sort. Handles are lent, valid while
// the caller holds the sheet's read lock. Used through sheet_order.h, which falls back on
// a sort where the box does not serve.
#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/base/pool.h"
#include "engine/base/read_gate.h"
#include "engine/model/sheet.h"

namespace engine {

// Placing reads the map alone, shard by shard on the workers. in_order and visit_in_order
// read each cell's coordinate once, as they hand the cell on, which visits the cells in
// the order a sheet filled row by row made them (the order of their slots) rather than
// the map's, scattered over the records.
class KeyBox {
 public:
  // nullopt when the keys spread thin.
  static std::optional<KeyBox> place(const CellMap& cells) {
    constexpr uint64_t kPlacesPerCell = 2;
    const CellEntries::Bounds& bounds = cells.entries.bounds();
    const size_t n = cells.entries.size();
    if (n == 0 || bounds.max_row < bounds.min_row) return std::nullopt;
    const uint64_t columns = uint64_t{bounds.max_column} + 1;
    const uint64_t places = (uint64_t{bounds.max_row} - bounds.min_row + 1) * columns;
    if (places > kPlacesPerCell * n) return std::nullopt;
    KeyBox box(places, bounds.min_row, columns);
    pool::for_each_index(places, [&](size_t i) { box.places_.lend_none(i); });
    // Each shard counts the cells it puts in each piece in a row of its own.
    constexpr size_t kShards = CellEntries::kShards;
    std::vector<size_t> counts(kShards * box.pieces_, 0);
    pool::for_each_item(kShards, [&](size_t s) {
      size_t* const row = &counts[s * box.pieces_];
      cells.entries.visit_shard(s, [&](const CellEntries::value_type& entry) {
        const uint64_t at = box.offset(entry.first);
        box.places_.lend(at, entry.second);
        ++row[at >> box.piece_shift_];
      });
    });
    for (size_t s = 0; s < kShards; ++s)
      for (size_t p = 0; p < box.pieces_; ++p)
        box.cells_in_piece_[p] += counts[s * box.pieces_ + p];
    return box;
  }

  // The cells for which keep(coordinate) holds, in sheet order: put(k, cell) for the k-th
  // of them, on the workers, once `make(count)` has made room for them all; `keeps_all`
  // when keep holds for every coordinate in the box. False, with only some put, when any
  // cell (kept or not) does not sit at its key.
  template <class Keep, class Make, class Put>
  bool in_order(Keep keep, bool keeps_all, Make make, Put put) const {
    const auto cells = places_.view();
    // Where each piece's cells start in the result: counted while placing when every
    // cell is kept, else by a walk of the pieces.
    std::vector<size_t> offsets(pieces_ + 1, 0);
    if (keeps_all) {
      std::copy(cells_in_piece_.begin(), cells_in_piece_.end(), offsets.begin() + 1);
    } else {
      pool::for_each_item(pieces_, [&](size_t p) {
        size_t count = 0;
        walk_piece(p, [&](size_t, Coordinate at) {
          count += keep(at);
          return true;
        });
        offsets[p + 1] = count;
      });
    }
    for (size_t p = 0; p < pieces_; ++p) offsets[p + 1] += offsets[p];
    make(offsets[pieces_]);
    std::atomic<bool> away{false};
    pool::for_each_item(pieces_, [&](size_t p) {
      constexpr size_t kAhead = 16;
      const size_t end = piece_end(p);
      size_t k = offsets[p];
      ReadGate::Reader pass(Cell::gate());
      walk_piece(p, [&](size_t i, Coordinate at) {
        if (i + kAhead < end && cells[i + kAhead]) cells[i + kAhead].prefetch();
        pass.tick();
        if (!at_key(cells[i], at, pass)) {
          away.store(true, std::memory_order_relaxed);
          return false;
        }
        if (keeps_all || keep(at)) put(k++, cells[i]);
        return true;
      });
    });
    return !away.load();
  }

  // Calls visit(cell) for each cell in sheet order, on the calling thread, each read
  // inside the gate. False, with only some visited, when a cell does not sit at its key.
  template <class Visit>
  bool visit_in_order(Visit&& visit) const {
    const auto cells = places_.view();
    constexpr size_t kAhead = 16;
    ReadGate::Reader pass(Cell::gate());
    for (size_t p = 0; p < pieces_; ++p) {
      const size_t end = piece_end(p);
      const bool whole = walk_piece(p, [&](size_t i, Coordinate at) {
        if (i + kAhead < end && cells[i + kAhead]) cells[i + kAhead].prefetch();
        pass.tick();
        const Cell* cell = at_key(cells[i], at, pass);
        if (!cell) return false;
        visit(*cell);
        return true;
      });
      if (!whole) return false;
    }
    return true;
  }

 private:
  // The cell read inside the gate; null when it does not sit at its key `at`: it was moved
  // through another sheet that shares it, and its key says nothing of where it belongs.
  static const Cell* at_key(const Shared<Cell>& handle, const Coordinate& at,
                            const ReadGate::Reader& pass) {
    const Cell& cell = handle.read_in_gate(pass);
    return cell.coord == at ? &cell : nullptr;
  }

  size_t piece_end(size_t p) const {
    return std::min<size_t>(places_.size(), (p + 1) << piece_shift_);
  }

  // A piece is walked with the coordinate of its places kept by stepping (no division
  // per place): visit(i, coordinate) for each cell, until it returns false; returns
  // whether it never did.
  template <class Visit>
  bool walk_piece(size_t p, Visit&& visit) const {
    const auto cells = places_.view();
    const size_t begin = p << piece_shift_;
    const size_t end = piece_end(p);
    Coordinate at{static_cast<uint32_t>(first_row_ + begin / columns_),
                  static_cast<uint16_t>(begin % columns_)};
    for (size_t i = begin; i < end; ++i) {
      if (cells[i] && !visit(i, at)) return false;
      if (at.column + uint64_t{1} == columns_) {
        at.column = 0;
        ++at.row;
      } else {
        ++at.column;
      }
    }
    return true;
  }

  // Pieces of a power of two places, about eight per worker.
  KeyBox(uint64_t places, uint32_t first_row, uint64_t columns)
      : places_(places),
        first_row_(first_row),
        columns_(columns),
        piece_shift_(std::countr_zero(std::bit_ceil(
            std::max<uint64_t>(1, places / (pool::worker_count() * 8))))),
        pieces_(((places - 1) >> piece_shift_) + 1),
        cells_in_piece_(pieces_, 0) {}
  uint64_t offset(const Coordinate& c) const {
    return uint64_t{c.row - first_row_} * columns_ + c.column;
  }

  LentHandles<Cell> places_;
  uint32_t first_row_;
  uint64_t columns_;
  int piece_shift_;
  size_t pieces_;
  std::vector<size_t> cells_in_piece_;
};

}  // namespace engine
