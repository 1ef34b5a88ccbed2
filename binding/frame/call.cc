#include "binding/frame/call.h"

#include <exception>
#include <new>
#include <source_location>
#include <string>

#include "binding/frame/panic.h"
#include "engine/base/stop.h"

namespace binding {

void raise_error(PyObject* type, std::string_view text) {
  Ref value = Ref::steal(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
  if (value) PyErr_SetObject(type, value.get());
  throw_python_error();
}

void raise_current_exception() noexcept {
  try {
    throw;
  } catch (const PythonError&) {
    if (!PyErr_Occurred()) {
      PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    }
  } catch (const EngineFailure& failure) {
    try {
      raise_error(PyExc_RuntimeError, failure.error.text());
    } catch (const PythonError&) {
    } catch (const std::bad_alloc&) {
      PyErr_NoMemory();
    }
  } catch (const engine::Stop& stop) {
    raise_panic(stop.what(), stop.where());
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    // A library that throws has met a state it was not made for: a stop like any other,
    // reported where the frame caught it.
    raise_panic(e.what(), std::source_location::current());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "a call ended with an unknown C++ exception");
  }
}

}  // namespace binding
