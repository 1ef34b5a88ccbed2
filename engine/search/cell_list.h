// The shell that every cell search runs in (record_list.h over cells), and the value
// text that most of them test.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <string_view>
#include <vector>

#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/cell_value.h"
#include "engine/search/record_list.h"

namespace engine {

// The caller's cells, in the caller's order; duplicates allowed.
using CellList = std::span<const Shared<Cell>>;
using CellHandles = std::vector<Shared<Cell>>;
using OptionalCell = std::optional<Shared<Cell>>;

// The value text of a value that is neither String nor Empty, rendered into a buffer
// owned by the calling thread, valid until that thread's next call.
std::string_view rendered_value_text(const CellValue& value);

// The value text of `value`. A String (or Empty) is viewed in place, without a copy; any
// other kind is rendered as by rendered_value_text.
inline std::string_view value_text_view(const CellValue& value) {
  if (value.kind() == CellValue::Kind::String) return value.as_string();
  if (value.kind() == CellValue::Kind::Empty) return {};
  return rendered_value_text(value);
}

// Every cell for which `test(const Cell&)` holds, in list order, tested on the workers.
template <class Test>
CellHandles filter_cells(CellList cells, Test&& test) {
  return filter_records(cells, std::forward<Test>(test));
}

// The first cell in list order for which `test` holds.
template <class Test>
OptionalCell first_cell(CellList cells, Test&& test) {
  return first_record(cells, std::forward<Test>(test));
}

}  // namespace engine
