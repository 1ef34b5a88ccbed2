#include "engine/search.h"

#include <string>

#include "engine/pool.h"
#include "engine/white_space.h"

namespace engine {

std::string_view rendered_value_text(const CellValue& value) {
  // One buffer per thread: rendering a number or date never allocates after warm-up,
  // and no two workers share it.
  thread_local std::string buffer;
  buffer.clear();
  value.fmt(buffer);
  return buffer;
}

CellHandles handles_at(CellList cells, const std::vector<size_t>& indexes) {
  CellHandles out;
  out.reserve(indexes.size());
  for (size_t i : indexes) out.push_back(cells[i]);
  return out;
}

namespace {

bool contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

bool value_contains(CellList cells, size_t i, std::string_view needle) {
  prefetch_ahead(cells, i);
  auto cell = cells[i].read();
  return contains(value_text_view(cell->value), needle);
}

bool trimmed_equals(CellList cells, size_t i, std::string_view trimmed) {
  prefetch_ahead(cells, i);
  auto cell = cells[i].read();
  return trim_white_space(value_text_view(cell->value)) == trimmed;
}

OptionalCell at(CellList cells, std::optional<size_t> index) {
  if (!index) return std::nullopt;
  return cells[*index];
}

}  // namespace

CellHandles find_cells_by_str(std::string_view value, CellList cells) {
  const std::string_view wanted = trim_white_space(value);
  return handles_at(cells, pool::filter_indexes(cells.size(), [&](size_t i) {
                      return trimmed_equals(cells, i, wanted);
                    }));
}

OptionalCell find_cell_by_str(std::string_view value, CellList cells) {
  const std::string_view wanted = trim_white_space(value);
  return at(cells, pool::find_first(cells.size(), [&](size_t i) {
              return trimmed_equals(cells, i, wanted);
            }));
}

Result<OptionalCell> find_cell_by_regex(std::string_view regex, CellList cells) {
  return at(cells, pool::find_first(cells.size(), [&](size_t i) {
              return value_contains(cells, i, regex);
            }));
}

Result<CellHandles> find_cells_by_regex(std::string_view regex, CellList cells) {
  return handles_at(cells, pool::filter_indexes(cells.size(), [&](size_t i) {
                      return value_contains(cells, i, regex);
                    }));
}

namespace {

// The cells that pass `within` (a test of the coordinate, made before any rendering) and
// whose value text contains `regex`.
template <class Within>
CellHandles bounded_contains(std::string_view regex, CellList cells, Within within) {
  return handles_at(cells, pool::filter_indexes(cells.size(), [&](size_t i) {
                      prefetch_ahead(cells, i);
                      auto cell = cells[i].read();
                      return within(cell->coord) &&
                             contains(value_text_view(cell->value), regex);
                    }));
}

}  // namespace

Result<CellHandles> find_cells_for_rows_by_regex(std::string_view regex, uint16_t col_stop,
                                                 CellList cells) {
  return bounded_contains(regex, cells, [&](Coordinate c) { return c.column <= col_stop; });
}

Result<CellHandles> find_cells_for_cols_by_regex(std::string_view regex, uint32_t row_stop,
                                                 CellList cells) {
  return bounded_contains(regex, cells, [&](Coordinate c) { return c.row <= row_stop; });
}

}  // namespace engine
