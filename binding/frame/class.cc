#include "binding/frame/class.h"

#include <cstring>
#include <vector>

#include "binding/frame/call.h"

namespace binding {

const char* short_name(const char* name) {
  const char* dot = std::strrchr(name, '.');
  return dot == nullptr ? name : dot + 1;
}

PyObject* no_constructor(PyTypeObject* type, PyObject*, PyObject*) {
  return call([&]() -> Ref {
    Ref name = checked(PyType_GetName(type));
    PyErr_Format(PyExc_TypeError, "No constructor defined for %U", name.get());
    throw_python_error();
  });
}

PyTypeObject* make_class(const ClassInfo& info, Py_ssize_t basicsize, destructor dealloc) {
  std::vector<PyType_Slot> slots;
  slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(dealloc)});
  slots.push_back({Py_tp_new, reinterpret_cast<void*>(info.constructor != nullptr
                                                          ? info.constructor
                                                          : &no_constructor)});
  if (info.doc != nullptr) slots.push_back({Py_tp_doc, const_cast<char*>(info.doc)});
  if (info.repr != nullptr) slots.push_back({Py_tp_repr, reinterpret_cast<void*>(info.repr)});
  if (info.methods != nullptr) slots.push_back({Py_tp_methods, info.methods});
  if (info.getset != nullptr) slots.push_back({Py_tp_getset, info.getset});
  unsigned int flags = Py_TPFLAGS_DEFAULT;
  if (info.subclassable) flags |= Py_TPFLAGS_BASETYPE;
  if (info.traverse != nullptr) {
    flags |= Py_TPFLAGS_HAVE_GC;
    slots.push_back({Py_tp_traverse, reinterpret_cast<void*>(info.traverse)});
    slots.push_back({Py_tp_clear, reinterpret_cast<void*>(info.clear)});
  }
  slots.push_back({0, nullptr});
  PyType_Spec shape{info.name, static_cast<int>(basicsize), 0, flags, slots.data()};
  PyObject* type = PyType_FromSpec(&shape);
  if (type == nullptr) throw_python_error();
  return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace binding
