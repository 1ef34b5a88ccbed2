#include "engine/search/value_search.h"

#include <string>

#include "engine/base/thread_scratch.h"
#include "engine/text/literal.h"
#include "engine/text/white_space.h"

namespace engine {

std::string_view rendered_value_text(const CellValue& value) {
  // One buffer per thread: rendering a number or date never allocates after warm-up,
  // and no two workers share it.
  static ThreadScratch<std::string> buffers;
  std::string& buffer = buffers.get();
  buffer.clear();
  value.fmt(buffer);
  return buffer;
}

namespace {

// A text value is tested where it stands, without a call: a short one inside the value's
// payload, which may be read whole.
static_assert(CellValue::kInPlace >= Literal::kPadded);
[[gnu::always_inline]] inline bool value_contains(const Literal& literal, const CellValue& value) {
  if (value.kind() == CellValue::Kind::String) return literal.found_in_padded(value.as_string());
  return literal.found_in(value_text_view(value));
}

// The value text contains the needle, for cells that pass `within` (a test of the
// coordinate, made before any rendering). Inlined into the walk over the cells: a call per
// cell costs as much as the test.
template <class Within>
struct Contains {
  Literal literal;
  Within within;
  [[gnu::always_inline]] bool operator()(const Cell& cell) const {
    return within(cell.coord) && value_contains(literal, cell.value);
  }
};
template <class Within>
Contains<Within> contains(std::string_view needle, Within within) {
  return {Literal(needle), within};
}
auto contains(std::string_view needle) {
  return contains(needle, [](Coordinate) { return true; });
}

auto trimmed_equals(std::string_view value) {
  return [wanted = trim_white_space(value)](const Cell& cell) {
    return trim_white_space(value_text_view(cell.value)) == wanted;
  };
}

}  // namespace

CellHandles find_cells_by_str(std::string_view value, CellList cells) {
  return filter_cells(cells, trimmed_equals(value));
}

OptionalCell find_cell_by_str(std::string_view value, CellList cells) {
  return first_cell(cells, trimmed_equals(value));
}

Result<OptionalCell> find_cell_by_regex(std::string_view regex, CellList cells) {
  return first_cell(cells, contains(regex));
}

Result<CellHandles> find_cells_by_regex(std::string_view regex, CellList cells) {
  return filter_cells(cells, contains(regex));
}

Result<CellHandles> find_cells_for_rows_by_regex(std::string_view regex, uint16_t col_stop,
                                                 CellList cells) {
  return filter_cells(cells, contains(regex, [=](Coordinate c) { return c.column <= col_stop; }));
}

Result<CellHandles> find_cells_for_cols_by_regex(std::string_view regex, uint32_t row_stop,
                                                 CellList cells) {
  return filter_cells(cells, contains(regex, [=](Coordinate c) { return c.row <= row_stop; }));
}

}  // namespace engine
