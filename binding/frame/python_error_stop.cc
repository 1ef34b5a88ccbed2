#include "binding/frame/python_error_stop.h"

#include "binding/frame/convert.h"
#include "engine/base/stop.h"

namespace binding {
namespace {

// The repr of `object` as UTF-8. A repr that fails, or that cannot be encoded, has its
// error dropped: the rendering is already the report of another error.
std::string repr_text(PyObject* object) {
  Ref repr = Ref::steal(PyObject_Repr(object));
  const char* text = nullptr;
  Py_ssize_t size = 0;
  if (repr) text = PyUnicode_AsUTF8AndSize(repr.get(), &size);
  if (text == nullptr) {
    PyErr_Clear();
    return "<unprintable " + type_name(object) + " object>";
  }
  return std::string(text, static_cast<size_t>(size));
}

[[noreturn]] void stop_with(const std::string& rendering, std::source_location where) {
  engine::stop(std::string(engine::kUnwrapErr) + ": " + rendering, where);
}

}  // namespace

std::string take_error_rendering() {
  Ref error = Ref::steal(PyErr_GetRaisedException());
  if (!error) {
    return "PyErr { type: <class 'SystemError'>, value: SystemError('no exception was set'), "
           "traceback: None }";
  }
  Ref traceback = Ref::steal(PyException_GetTraceback(error.get()));
  std::string out = "PyErr { type: ";
  out += repr_text(reinterpret_cast<PyObject*>(Py_TYPE(error.get())));
  out += ", value: ";
  out += repr_text(error.get());
  out += ", traceback: ";
  out += traceback ? repr_text(traceback.get()) : "None";
  out += " }";
  return out;
}

void stop_with_python_error(std::source_location where) {
  stop_with(take_error_rendering(), where);
}

void stop_not_a_list(PyObject* object, std::source_location where) {
  stop_with("DowncastError { from: " + repr_text(object) + ", to: \"PyList\" }", where);
}

}  // namespace binding
