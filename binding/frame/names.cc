#include "binding/frame/names.h"

#include "binding/frame/convert.h"

namespace binding {
namespace {

Ref all_list(PyObject* module) {
  Ref all = Ref::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_python_error();
    PyErr_Clear();
    all = checked(PyList_New(0));
    check(PyObject_SetAttrString(module, "__all__", all.get()));
    return all;
  }
  if (!PyList_Check(all.get())) raise_cannot_convert(all.get(), "PyList");
  return all;
}

void add_name(PyObject* module, PyObject* name, PyObject* value) {
  Ref all = all_list(module);
  check(PyList_Append(all.get(), name));
  check(PyObject_SetAttr(module, name, value));
}

}  // namespace

void add_name(PyObject* module, const char* name, const Ref& value) {
  Ref text = checked(PyUnicode_FromString(name));
  add_name(module, text.get(), value.get());
}

void add_class(PyObject* module, PyTypeObject* type) {
  Ref name = checked(PyType_GetName(type));
  add_name(module, name.get(), reinterpret_cast<PyObject*>(type));
}

void add_function(PyObject* module, PyMethodDef* def) {
  Ref module_name = checked(PyModule_GetNameObject(module));
  Ref function = checked(PyCMethod_New(def, module, module_name.get(), nullptr));
  Ref name = checked(PyObject_GetAttrString(function.get(), "__name__"));
  add_name(module, name.get(), function.get());
}

}  // namespace binding
