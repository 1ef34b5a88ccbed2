// Adding names to a module: every name also goes to the end of the module's __all__
// (created when missing), then the attribute is set.
#pragma once

#include "binding/frame/ref.h"

namespace binding {

void add_name(PyObject* module, const char* name, const Ref& value);

// Under the class's __name__.
void add_class(PyObject* module, PyTypeObject* type);

// A built-in function bound to `module` (its __self__; its __module__ is the module's
// __name__), added under its own __name__. `def` must live as long as the process.
void add_function(PyObject* module, PyMethodDef* def);

}  // namespace binding
