#include "binding/frame/ref.h"

#if defined(__GLIBC__)
#include <cxxabi.h>
#include <unistd.h>
#endif

namespace binding {

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
