#include "engine/model/reads.h"

#include "engine/base/large_block.h"
#include "engine/model/sheet_order.h"

namespace engine {

namespace {

const Shared<Cell>* find_cell(const CellMap& cells, uint32_t row, uint16_t col) {
  auto it = cells.entries.find(Coordinate{row, col});
  return it == cells.entries.end() ? nullptr : &it->second;
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

namespace {

// The cells that `keep` admits, in sheet order, as counted handles. When every cell in the
// box of keys is admitted, the list (whose construction, one thread's work, takes as long
// as the walk on many) is made while the box is placed.
template <class Keep>
std::vector<Shared<Cell>> handles_in_sheet_order(const CellMap& cells, Keep keep,
                                                 bool keeps_all) {
  std::vector<Shared<Cell>> handles;
  put_in_sheet_order(
      cells, keep, keeps_all,
      [&](size_t n) {
        if (n > handles.capacity()) {
          handles.reserve(n);
          advise_large_block(handles.data(), handles.capacity() * sizeof(Shared<Cell>));
        }
        handles.resize(n);
      },
      [&](size_t k, const Shared<Cell>& cell) { handles[k] = cell; });
  return handles;
}

}  // namespace

std::vector<Shared<Cell>> Sheet::sorted_cells() const {
  return handles_in_sheet_order(cells, EveryCell{}, true);
}

LentHandles<Cell> Sheet::lend_sorted_cells() const {
  LentHandles<Cell> lent(0);
  put_in_sheet_order(
      cells, EveryCell{}, true, [&](size_t n) { lent = LentHandles<Cell>(n); },
      [&](size_t k, const Shared<Cell>& cell) { lent.lend(k, cell); });
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
  return handles_in_sheet_order(cells, inside, holds_box);
}

}  // namespace engine
