#include "binding/frame/py_to_value.h"

#include <string>
#include <utility>

#include "binding/frame/call.h"
#include "binding/frame/list_walk.h"
#include "binding/frame/python_error_stop.h"

namespace binding {
namespace {

std::string utf8_of(PyObject* text) {
  Py_ssize_t size = 0;
  const char* bytes = PyUnicode_AsUTF8AndSize(text, &size);
  if (bytes == nullptr) stop_with_python_error();
  return std::string(bytes, static_cast<size_t>(size));
}

// The str() text of an object of any other kind, taken leniently.
std::string str_text(PyObject* object) {
  Ref text = Ref::steal(PyObject_Str(object));
  if (!text) stop_with_python_error();
  Py_ssize_t size = 0;
  if (const char* bytes = PyUnicode_AsUTF8AndSize(text.get(), &size)) {
    return std::string(bytes, static_cast<size_t>(size));
  }
  PyErr_Clear();
  Ref encoded = checked(PyUnicode_AsEncodedString(text.get(), "utf-8", "surrogatepass"));
  return replace_surrogates(std::string_view(PyBytes_AS_STRING(encoded.get()),
                                             static_cast<size_t>(PyBytes_GET_SIZE(encoded.get()))));
}

PyValue read(PyObject* object, int depth) {
  if (object == Py_None) return {std::monostate{}};
  if (PyBool_Check(object)) return {object == Py_True};
  if (PyLong_Check(object)) {
    const long long number = PyLong_AsLongLong(object);
    if (number == -1 && PyErr_Occurred()) stop_with_python_error();
    return {static_cast<int64_t>(number)};
  }
  if (PyFloat_Check(object)) return {PyFloat_AS_DOUBLE(object)};
  if (PyUnicode_Check(object)) return {utf8_of(object)};
  if (PyList_Check(object)) {
    if (depth == kMaxListDepth) {
      raise_error(PyExc_RecursionError,
                  "a list nested more than " + std::to_string(kMaxListDepth) +
                      " deep, or one that contains itself, cannot be read as a value");
    }
    PyValue::List items;
    items.reserve(static_cast<size_t>(PyList_GET_SIZE(object)));
    walk_list(object, [&](PyObject* item) { items.push_back(read(item, depth + 1)); });
    return {std::move(items)};
  }
  return {str_text(object)};
}

}  // namespace

PyValue py_to_value(PyObject* object) { return read(object, 0); }

}  // namespace binding
