// The class Cell: a live view of one cell record. Instances are only ever made by the
// sheet classes, each holding a new handle to the record the sheet's map holds.
#pragma once

#include <vector>

#include "binding/cell_getters.h"
#include "binding/frame/frame.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"

namespace binding {

CellClass& cell_class();


}  // namespace binding
