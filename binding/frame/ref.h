// Owned references, and the C++ exception that stands for "a Python exception is set".
// Every binding file includes Python through this header.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace binding {

// Thrown once a Python exception has been set. The call frame turns it back into the
// NULL or -1 return the interpreter expects (SystemError when none was set after all).
struct PythonError {};

[[noreturn]] inline void throw_python_error() { throw PythonError{}; }

// One owned reference, released on every path. Destroy only with the interpreter lock
// held: never let a Ref die inside allow_threads().
class Ref {
 public:
  Ref() = default;
  // Takes over a new reference (which may be null).
  static Ref steal(PyObject* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Adds a reference to a borrowed one.
  static Ref borrow(PyObject* p) {
    Py_XINCREF(p);
    return steal(p);
  }

  Ref(const Ref& other) : p_(other.p_) { Py_XINCREF(p_); }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() { Py_XDECREF(p_); }

  PyObject* get() const { return p_; }
  // Hands the reference to the caller.
  PyObject* release() { return std::exchange(p_, nullptr); }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  PyObject* p_ = nullptr;
};

// For C-API calls that return a new reference, or null with an exception set.
inline Ref checked(PyObject* p) {
  if (p == nullptr) throw_python_error();
  return Ref::steal(p);
}

// For C-API calls that return -1 with an exception set.
inline void check(int status) {
  if (status < 0) throw_python_error();
}

}  // namespace binding
