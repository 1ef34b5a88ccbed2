// The functions of sheafwork.readable: create_finder and the fifteen cell searches over
// a caller's list, in their order in the submodule.
#pragma once

#include <span>

#include "binding/frame/ref.h"

namespace binding {

std::span<PyMethodDef> readable_functions();

}  // namespace binding
