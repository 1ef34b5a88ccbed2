// The search functions of the submodule sheafwork.readable, in registration order. Each
// converts its arguments, reads its `cells` list into records (records.h), runs the
// engine search without the interpreter lock and returns what it found as new
// ReadableCell objects.
#pragma once

#include <span>

#include "binding/frame/ref.h"

namespace binding {

std::span<PyMethodDef> readable_search_functions();

}  // namespace binding
