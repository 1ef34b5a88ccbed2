// PanicException: what Python receives when a call stops on a violated precondition.
// One class for the whole process, derived directly from BaseException so that
// `except Exception` lets it through.
#pragma once

#include <source_location>
#include <string_view>

#include "binding/frame/ref.h"

namespace binding {

// The class, created on first need and kept; borrowed. Throws PythonError when it
// cannot be made.
PyObject* panic_exception_type();

// Writes the notice for a stop at `where` to standard error and sets PanicException
// with `message` as its only argument. Never throws.
void raise_panic(std::string_view message, const std::source_location& where) noexcept;

}  // namespace binding
