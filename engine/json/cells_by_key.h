// The cells of a map in the order of their keys, for an export that writes each cell
// straight from its record: in a map whose cells sit at their own coordinates (every map
// but one that shares records with a sheet that moved them) that is the order of the
// cells' own coordinates, with no ties. Handles are lent, valid while the caller holds
// the sheet's read lock; no cell is read.
//
// A sheet whose keys fill much of the box around them (the usual sheet, filled row by
// row) has each handle placed at its key's offset in that box, in one walk of the map;
// any other has its keys radix-sorted beside their positions.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/base/lent_handles.h"
#include "engine/model/cell.h"
#include "engine/model/coordinate.h"
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
    const auto cells = cells_.view();
    constexpr size_t kAhead = 16;
    if (!dense_) {
      for (size_t i = 0; i < cells.size(); ++i) {
        if (i + kAhead < cells.size()) cells[i + kAhead].prefetch();
        if (!visit(keys_[i], cells[i])) return false;
      }
      return true;
    }
    Coordinate key{first_row_, 0};
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i + kAhead < cells.size() && cells[i + kAhead]) cells[i + kAhead].prefetch();
      if (cells[i] && !visit(key, cells[i])) return false;
      if (key.column == last_column_) {
        key.column = 0;
        ++key.row;
      } else {
        ++key.column;
      }
    }
    return true;
  }

 private:
  explicit CellsByKey(size_t n) : cells_(n) {}

  LentHandles<Cell> cells_;
  bool dense_ = false;
  std::vector<Coordinate> keys_;  // beside the cells, unless dense
  uint32_t first_row_ = 0;        // the box of a dense order
  uint16_t last_column_ = 0;
};

}  // namespace engine
