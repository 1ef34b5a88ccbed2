// The functions of the main module: version, column_number_to_letter,
// get_letter_coordinate, in the order the module adds them.
#pragma once

#include <span>

#include "binding/frame/ref.h"

namespace binding {

inline constexpr char kVersion[] = "0.10.0";

std::span<PyMethodDef> module_functions();

}  // namespace binding
