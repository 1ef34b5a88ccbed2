// Owned references, and the C++ exception that stands for "a Python exception is set".
// Every binding file includes Python through this header.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <atomic>
#include <utility>

namespace binding {

// Thrown once a Python exception has been set. The call frame turns it back into the
// NULL or -1 return the interpreter expects (SystemError when none was set after all).
struct PythonError {};

[[noreturn]] inline void throw_python_error() { throw PythonError{}; }

// Set for good by a callback that watch_interpreter_ending() registers with atexit: the
// interpreter runs those callbacks before it starts to end other threads.
extern std::atomic<bool> interpreter_ending;

// Registers that callback; called once, at import.
void watch_interpreter_ending();

// Whether this thread may drop references now: whether it has a thread state. A thread
// that the interpreter ends at shutdown (a daemon thread taking the lock back) is unwound
// with none and without the lock while another thread tears the interpreter down;
// dropping a reference there, let alone freeing an object, would race with that. Without
// a thread state the lock is not held, whatever the reason, so nothing narrower is asked.
// Asking is a call into the interpreter that reads a thread-local variable, a tenth of
// the time of reading a list of dicts into records; so it is asked only once the
// interpreter has begun to end (interpreter_ending), before which no thread is ended.
inline bool may_release_references() {
  // Pairs with the fence where interpreter_ending is set: a thread that read that the
  // interpreter is ending, and is ended for it, reads the flag set (ref.cc).
  std::atomic_thread_fence(std::memory_order_acquire);
  if (!interpreter_ending.load(std::memory_order_relaxed)) [[likely]] return true;
  return _PyThreadState_UncheckedGet() != nullptr;
}

// Drops the last reference to `object`. Freeing it may run Python code (__del__, weak
// reference callbacks, the items of a list), and at shutdown that code may end the
// thread; out of a destructor that unwinding would terminate the process, so the thread
// is held here until the process ends instead.
void release_last_reference(PyObject* object) noexcept;

// One owned reference, released on every path but one: on a thread that may not release
// references (see above) it is left as it is, since that thread is ending with the process.
// Destroy only with the interpreter lock held: never let a Ref die inside allow_threads().
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
  ~Ref() {
    if (p_ == nullptr) return;
    if (!may_release_references()) [[unlikely]] return;
    if (Py_REFCNT(p_) == 1) {
      release_last_reference(p_);
    } else {
      Py_DECREF(p_);
    }
  }

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
