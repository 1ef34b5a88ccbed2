// The sheet record: name, state, merged ranges, the cell map, row and column dimensions
// and comments, in the field order of the JSON export.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "boost/unordered/unordered_flat_map.hpp"
#include "engine/model/cell.h"
#include "engine/model/comment.h"
#include "engine/model/cell_value.h"
#include "engine/model/coordinate.h"
#include "engine/model/cell_entries.h"
#include "engine/base/seeded_hash.h"
#include "engine/base/lent_handles.h"
#include "engine/base/shared.h"

namespace engine {

inline constexpr double kDefaultRowHeight = 20.0;
inline constexpr double kDefaultColumnWidth = 22.5;

// Stored as given: no checks, no ordering of bounds, duplicates kept.
struct MergeCell {
  uint32_t start_row = 0;
  uint32_t end_row = 0;
  uint16_t start_col = 0;
  uint16_t end_col = 0;
};

struct RowDimension {
  uint32_t row_num = 0;
  double height = kDefaultRowHeight;
  bool hidden = false;
  bool collapsed = false;
  uint32_t level = 0;
};

struct ColumnDimension {
  uint16_t col_num = 0;
  double width = kDefaultColumnWidth;
  bool hidden = false;
  bool collapsed = false;
  uint32_t level = 0;
};

struct RowDimensions {
  boost::unordered_flat_map<uint32_t, RowDimension, SeededHash> rows;
  double default_height = kDefaultRowHeight;
};

struct ColumnDimensions {
  boost::unordered_flat_map<uint16_t, ColumnDimension, SeededHash> columns;
  double default_width = kDefaultColumnWidth;
};

struct CellMap {
  CellMap() = default;
  CellMap(CellMap&&) noexcept = default;
  CellMap& operator=(CellMap&&) noexcept = default;
  // Lets go of the cells reading ahead in the map, whose order is not the records'.
  ~CellMap();

  // Its value text ("") is what an absent coordinate reads as; never changed.
  CellValue default_value;
  // Every cell is stored under its own coordinate.
  CellEntries entries;
};

struct Sheet {
  Sheet(std::string name, std::string sheet_state)
      : name(std::move(name)), sheet_state(std::move(sheet_state)) {}

  std::string name;
  std::string sheet_state;
  std::vector<MergeCell> merge_cells;
  CellMap cells;
  RowDimensions row_dimensions;
  ColumnDimensions column_dimensions;
  std::vector<Shared<Comment>> comments;
  // Where the cells this sheet creates are kept, side by side in creation order.
  ArenaOf<Cell> cell_arena;

  // A new record: name, state, merged ranges and dimensions copied; the cell map and
  // the comment list hold new handles to the SAME cell and comment records. The caller
  // holds this sheet's read lock. The new maps draw new seeds.
  Sheet clone() const;

  // Every cell in row, then column order, each coordinate read once (in bulk, inside the
  // cells' gate); equal coordinates keep map order. Runs on the worker pool. The caller
  // holds the sheet's read lock. (Defined with the other cell-map reads.)
  std::vector<Shared<Cell>> sorted_cells() const;

  // The same order as a list lent by the cell map: valid only while the caller holds the
  // sheet's read lock, and cheaper by the two writes to every record that counted handles
  // cost. Copies taken from it are ordinary handles.
  LentHandles<Cell> lend_sorted_cells() const;
};

// Largest row (column) read from the cells' own fields; nullopt when there are no cells.
// The caller holds the sheet's read lock.
std::optional<uint32_t> max_row(const CellMap& cells);
std::optional<uint16_t> max_column(const CellMap& cells);

}  // namespace engine
