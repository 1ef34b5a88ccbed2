// Stops for Python errors that a call cannot go on from: a field of a source object that
// cannot be read, a loose value that cannot be made, an object that should be a list.
// Each throws engine::Stop, which the call frame turns into PanicException after the
// notice on standard error, with the message
//   called `Result::unwrap()` on an `Err` value: <rendering>
#pragma once

#include <source_location>
#include <string>

#include "binding/frame/ref.h"

namespace binding {

// Takes the pending Python exception (it is consumed: Python sees only the stop) and
// renders it as
//   PyErr { type: <class 'KeyError'>, value: KeyError('row'), traceback: None }
// with the type's and the value's repr; a traceback is shown by its repr.
std::string take_error_rendering();

// Stops with the rendering of the pending Python exception.
[[noreturn]] void stop_with_python_error(
    std::source_location where = std::source_location::current());

// Stops for `object`, which is not a list:
//   DowncastError { from: <repr of object>, to: "PyList" }
[[noreturn]] void stop_not_a_list(PyObject* object,
                                  std::source_location where = std::source_location::current());

}  // namespace binding
