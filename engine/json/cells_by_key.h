// The cells of a map in the order of their keys, for an export that writes each cell
// straight from its record: in a map whose cells sit at their own coordinates (every map
// but one that shares records with a sheet that moved them) that is the order of the
// cells' own coordinates, with no ties. Handles are lent, valid while the caller holds
// the sheet's read lock; no cell is read.
//
// A sheet whose keys fill much of the box around them (the usual sheet, filled row by
// row) has each handle placed at its key's offset in that box (key_box.h); any other has
// its keys radix-sorted beside their positions.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/model/cell.h"
#include "engine/model/coordinate.h"
#include "engine/model/key_box.h"
#include "engine/model/sheet.h"

namespace engine {

class CellsByKey {
 public:
  // nullopt when the keys spread too wide to be ordered either way.
  static std::optional<CellsByKey> of(const CellMap& map);

  // Calls visit(key, cell) for each cell in key order until it returns false; returns
  // whether it never did.
  template <class Visit>
  bool visit(Visit&& visit) const {
    if (box_) return box_->visit(visit);
    const auto cells = cells_.view();
    constexpr size_t kAhead = 16;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i + kAhead < cells.size()) cells[i + kAhead].prefetch();
      if (!visit(keys_[i], cells[i])) return false;
    }
    return true;
  }

 private:
  explicit CellsByKey(size_t n) : cells_(n) {}
  explicit CellsByKey(KeyBox box) : cells_(0), box_(std::move(box)) {}

  // Either the box of a dense map, or the cells with their keys beside them.
  LentHandles<Cell> cells_;
  std::vector<Coordinate> keys_;
  std::optional<KeyBox> box_;
};

}  // namespace engine
