#include "engine/search/position_search.h"

#include <algorithm>

#include "engine/model/coordinate.h"

namespace engine {

OptionalCell find_cell_by_coords(uint32_t row, uint16_t col, CellList cells) {
  return first_cell(cells, [&](const Cell& cell) {
    return cell.coord.row == row && cell.coord.column == col;
  });
}

OptionalCell find_cell_by_letter(std::string_view letter, CellList cells) {
  // Parsed here, on the calling thread, so that a bad text stops the call before any
  // worker starts or any cell is read.
  const Coordinate at = Coordinate::from_letter(letter);
  return find_cell_by_coords(at.row, at.column, cells);
}

CellHandles find_cells_range_rows(uint32_t start_row, uint32_t end_row, CellList cells) {
  return filter_cells(cells, [&](const Cell& cell) {
    return start_row <= cell.coord.row && cell.coord.row <= end_row;
  });
}

CellHandles find_cells_range_cols(uint16_t start_col, uint16_t end_col, CellList cells) {
  return filter_cells(cells, [&](const Cell& cell) {
    return start_col <= cell.coord.column && cell.coord.column <= end_col;
  });
}

namespace {

template <class T>
class Membership {
 public:
  explicit Membership(std::span<const T> wanted) : sorted_(wanted.begin(), wanted.end()) {
    std::sort(sorted_.begin(), sorted_.end());
  }
  bool contains(T v) const { return std::binary_search(sorted_.begin(), sorted_.end(), v); }
  bool empty() const { return sorted_.empty(); }

 private:
  std::vector<T> sorted_;
};

// Texts of the cells for which `take(cell)` holds, in list order; each cell is tested
// and rendered in one read.
template <class Take>
std::vector<std::string> gather_value_texts(CellList cells, Take take) {
  return pool::gather<std::string>(
      cells.size(), [&](size_t begin, size_t end, std::vector<std::string>& texts) {
        visit_records(cells, begin, end, [&](size_t, const Cell& cell) {
          if (take(cell)) texts.emplace_back(value_text_view(cell.value));
          return true;
        });
      });
}

// Texts of the cells whose `fixed` field is `at` and whose `listed` field is one of
// `wanted`.
template <auto fixed, auto listed, class Fixed, class Listed>
std::vector<std::string> values_along(Fixed at, std::span<const Listed> wanted, CellList cells) {
  const Membership<Listed> members(wanted);
  if (members.empty()) return {};
  return gather_value_texts(cells, [&](const Cell& cell) {
    return cell.coord.*fixed == at && members.contains(cell.coord.*listed);
  });
}

}  // namespace

std::vector<std::string> find_values_by_col_rows(uint16_t col, std::span<const uint32_t> rows,
                                                 CellList cells) {
  return values_along<&Coordinate::column, &Coordinate::row>(col, rows, cells);
}

std::vector<std::string> find_values_by_row_cols(uint32_t row, std::span<const uint16_t> cols,
                                                 CellList cells) {
  return values_along<&Coordinate::row, &Coordinate::column>(row, cols, cells);
}

}  // namespace engine
