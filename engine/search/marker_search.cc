#include "engine/search/marker_search.h"

#include <limits>

#include "engine/text/literal.h"

namespace engine {

namespace {

// Walks the toggle over `cells`; calls emit(index, row) for each marker and stops early
// when emit returns false.
template <class Emit>
void walk_toggle(std::string_view before, std::string_view after, CellList cells,
                 Emit&& emit) {
  const Literal opening(before);
  const Literal closing(after);
  bool inside = false;
  visit_records(cells, 0, cells.size(), [&](size_t i, const Cell& cell) {
    const std::string_view text = value_text_view(cell.value);
    const bool opens = !inside && opening.found_in(text);
    const bool closes = !opens && inside && closing.found_in(text);
    if (!opens && !closes) return true;
    inside = opens;
    return emit(i, cell.coord.row);
  });
}

CellHandles multi_regex_markers(std::string_view before_regex, std::string_view after_regex,
                                CellList cells) {
  CellHandles markers;
  walk_toggle(before_regex, after_regex, cells, [&](size_t i, uint32_t) {
    markers.push_back(cells[i]);
    return true;
  });
  return markers;
}

// The rows of the first opening and, when there is one, the first closing marker (the
// only marker rows the between search uses).
std::vector<uint32_t> between_marker_rows(std::string_view before_regex,
                                          std::string_view after_regex, CellList cells) {
  std::vector<uint32_t> rows;
  walk_toggle(before_regex, after_regex, cells, [&](size_t, uint32_t row) {
    rows.push_back(row);
    return rows.size() < 2;
  });
  return rows;
}

}  // namespace

Result<CellHandles> find_cells_multi_regex(std::string_view before_regex,
                                           std::string_view after_regex, CellList cells) {
  return multi_regex_markers(before_regex, after_regex, cells);
}

Result<CellHandles> find_cells_between_regex(std::string_view before_regex,
                                             std::string_view after_regex, CellList cells) {
  const auto rows = between_marker_rows(before_regex, after_regex, cells);
  if (rows.empty()) return CellHandles{};
  const uint32_t first = rows[0];
  const uint32_t last = rows.size() >= 2 ? rows[1] : std::numeric_limits<uint32_t>::max();
  if (last < first) return CellHandles{};
  return filter_cells(cells, [&](const Cell& cell) {
    return first <= cell.coord.row && cell.coord.row <= last;
  });
}

Result<CellHandles> find_cells_multi_regex(const Sheet& sheet, std::string_view before_regex,
                                           std::string_view after_regex) {
  const CellHandles cells = sheet.sorted_cells();
  return find_cells_multi_regex(before_regex, after_regex, cells);
}

Result<CellHandles> find_cells_between_regex(const Sheet& sheet, std::string_view before_regex,
                                             std::string_view after_regex) {
  const CellHandles cells = sheet.sorted_cells();
  return find_cells_between_regex(before_regex, after_regex, cells);
}

}  // namespace engine
