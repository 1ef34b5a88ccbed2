// The class ReadableCell: the read-only view of a cell record on the reading side. The
// same getters as Cell (cell_getters.h) but no hidden_value, no setters, no methods.
// Instances are only made by the readable searches and sheets, each holding a handle to
// a record that Python cannot change.
#pragma once

#include <vector>

#include "binding/cell_getters.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"

namespace binding {

CellClass& readable_cell_class();

}  // namespace binding
