#include "binding/frame/ref.h"

#if defined(__GLIBC__)
#include <cxxabi.h>
#include <unistd.h>
#endif

namespace binding {

std::atomic<bool> interpreter_ending{false};

namespace {

PyObject* note_interpreter_ending(PyObject*, PyObject*) {
  interpreter_ending.store(true, std::memory_order_relaxed);
  // The interpreter marks itself as ending after its atexit callbacks, with an atomic
  // store; a thread that reads that mark and then passes the fence in
  // may_release_references reads the flag set.
  std::atomic_thread_fence(std::memory_order_release);
  Py_RETURN_NONE;
}

PyMethodDef note_interpreter_ending_def = {"_note_interpreter_ending", note_interpreter_ending,
                                           METH_NOARGS, nullptr};

}  // namespace

void watch_interpreter_ending() {
  Ref callback = checked(PyCFunction_New(&note_interpreter_ending_def, nullptr));
  Ref atexit = checked(PyImport_ImportModule("atexit"));
  checked(PyObject_CallMethod(atexit.get(), "register", "O", callback.get()));
}

// The handler binds the forced unwinding, which carries no exception object (see
// `guarded` in call.h): UBSan's null check is off for this one function.
#if defined(__GLIBC__)
__attribute__((no_sanitize("null")))
#endif
void release_last_reference(PyObject* object) noexcept {
#if defined(__GLIBC__)
  try {
    Py_DECREF(object);
  } catch (abi::__forced_unwind&) {
    // The interpreter is ending this thread at shutdown. Neither rethrowing (out of a
    // destructor) nor returning (glibc aborts when a forced unwinding is swallowed) is
    // open, and nothing at exit waits for this thread: it waits to be ended with the
    // process.
    for (;;) pause();
  }
#else
  Py_DECREF(object);
#endif
}

}  // namespace binding
