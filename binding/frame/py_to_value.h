// Reading a Python object into a loose value (loose_value.h), first test that holds:
//   None -> None; bool -> Bool; int or subclass -> Int (signed 64-bit);
//   float or subclass -> Float; str or subclass -> Str (strict UTF-8);
//   list or subclass -> List, element by element (list_walk.h);
//   anything else -> Str of its str() text, each surrogate byte made U+FFFD.
// Needs the interpreter lock; may run the object's own __str__ and list items' code.
//
// Stops (PanicException, python_error_stop.h) on an int outside the signed 64-bit range,
// a str holding a surrogate, or a str() that raises. Lists nested deeper than
// kMaxListDepth, which takes in every list that contains itself, raise RecursionError
// instead of exhausting the stack. Either way nothing of the value survives.
#pragma once

#include <cstddef>

#include "binding/frame/ref.h"
#include "binding/python_free/loose_value.h"

namespace binding {

inline constexpr size_t kMaxListDepth = 1000;

PyValue py_to_value(PyObject* object);

}  // namespace binding
