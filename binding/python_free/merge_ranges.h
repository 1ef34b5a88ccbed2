// The merged ranges of a sheet read from a Python source: its merge_cells field as a
// loose value, read leniently. Not a list: no ranges. A list: one range per element, in
// order, unchecked and unsorted, duplicates kept. A list element supplies its first four
// items (missing ones 0, later ones ignored) as start_row, end_row, start_col, end_col;
// any other element is start_row alone. Every bound is read by value_to_u32, the columns
// then keep their low 16 bits. Python-free.
#pragma once

#include <vector>

#include "binding/python_free/loose_value.h"
#include "engine/model/sheet.h"

namespace binding {

std::vector<engine::MergeCell> merge_ranges_from_value(const PyValue& value);

}  // namespace binding
