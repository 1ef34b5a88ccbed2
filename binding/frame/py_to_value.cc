#include "binding/frame/py_to_value.h"

#include <string>
#include <utility>
#include <vector>

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

// Every kind but a list.
PyValue read_item(PyObject* object) {
  if (object == Py_None) return {std::monostate{}};
  if (PyBool_Check(object)) return {object == Py_True};
  if (PyLong_Check(object)) {
    const long long number = PyLong_AsLongLong(object);
    if (number == -1 && PyErr_Occurred()) stop_with_python_error();
    return {static_cast<int64_t>(number)};
  }
  if (PyFloat_Check(object)) return {PyFloat_AS_DOUBLE(object)};
  if (PyUnicode_Check(object)) return {utf8_of(object)};
  return {str_text(object)};
}

}  // namespace

// Nested lists are followed on a stack of our own rather than by recursion: a thread
// with a small stack (Python lets one run on 256 KiB) reads a list as deep as any other.
PyValue py_to_value(PyObject* object) {
  if (!PyList_Check(object)) return read_item(object);
  struct Open {
    Ref list;
    Py_ssize_t start;
    Py_ssize_t next = 0;
    PyValue::List items;
  };
  std::vector<Open> open;
  const auto enter = [&open](PyObject* list) {
    if (open.size() == kMaxListDepth) {
      raise_error(PyExc_RecursionError,
                  "a list nested more than " + std::to_string(kMaxListDepth) +
                      " deep, or one that contains itself, cannot be read as a value");
    }
    const Py_ssize_t start = PyList_GET_SIZE(list);
    open.push_back({Ref::borrow(list), start, 0, {}});
    open.back().items.reserve(static_cast<size_t>(start));
  };
  enter(object);
  for (;;) {
    Open& top = open.back();
    Ref item = walked_item(top.list.get(), top.start, top.next);
    if (item) {
      ++top.next;
      if (PyList_Check(item.get())) {
        enter(item.get());
      } else {
        top.items.push_back(read_item(item.get()));
      }
      continue;
    }
    PyValue done{std::move(top.items)};
    open.pop_back();
    if (open.empty()) return done;
    open.back().items.push_back(std::move(done));
  }
}

}  // namespace binding
