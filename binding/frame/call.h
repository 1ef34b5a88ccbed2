// The outer shell of every entry from the interpreter: `call` runs a member's body and
// turns whatever C++ exception leaves it into the matching Python exception, so that no
// C++ exception reaches the interpreter:
//   PythonError          the exception already set (SystemError when none is)
//   EngineFailure        RuntimeError with the error's text (message and "Caused by:")
//   engine::Stop         the notice on standard error, then PanicException(message)
//   std::bad_alloc       MemoryError
//   std::exception       as engine::Stop, with what() as the message
//   anything else        SystemError
// Also here: `or_raise` for engine results and `allow_threads` for work without the
// interpreter lock.
#pragma once

#include <string_view>
#include <utility>

#include "binding/frame/ref.h"
#include "engine/base/error.h"

#if defined(__GLIBC__)
#include <cxxabi.h>
#endif

namespace binding {

// An engine error on its way to becoming RuntimeError.
struct EngineFailure {
  engine::EngineError error;
};

// The value of an engine result; its error is raised as RuntimeError. Safe to use with
// the interpreter lock released: the exception is only translated by `call`.
template <class T>
T or_raise(engine::Result<T> result) {
  if (!result.ok()) throw EngineFailure{result.error()};
  return std::move(result.value());
}

// Sets the Python exception for the C++ exception being handled; use only in a catch.
void raise_current_exception() noexcept;

// Sets `type` with `text` (UTF-8, invalid bytes replaced) and throws PythonError.
[[noreturn]] void raise_error(PyObject* type, std::string_view text);

// Runs `body` and returns what `done` makes of its result, or `failed` with the Python
// exception set.
//
// On glibc, a thread that the interpreter ends at shutdown (it calls pthread_exit when
// a daemon thread tries to take the lock back) unwinds through here; that unwinding must
// go on, so it is let through rather than caught.
template <class Result, class Body, class Done>
Result guarded(Body&& body, Done&& done, Result failed) {
  try {
    return done(std::forward<Body>(body));
  }
#if defined(__GLIBC__)
  catch (abi::__forced_unwind&) {
    throw;
  }
#endif
  catch (...) {
    raise_current_exception();
    return failed;
  }
}

// Runs a body that returns a Ref (a new reference) and hands the result to the
// interpreter, or NULL with the exception set. For functions, methods, getters,
// constructors (tp_new) and __repr__.
template <class Body>
PyObject* call(Body&& body) {
  return guarded(
      std::forward<Body>(body), [](auto&& b) { return b().release(); },
      static_cast<PyObject*>(nullptr));
}

// As `call`, for setters and other slots that answer 0 or -1; the body returns nothing.
template <class Body>
int call_status(Body&& body) {
  return guarded(
      std::forward<Body>(body),
      [](auto&& b) {
        b();
        return 0;
      },
      -1);
}

// Releases the interpreter lock for its lifetime and takes it back on every path, also
// when the work throws. Touch no Python object and destroy no Ref meanwhile.
class ReleasedLock {
 public:
  ReleasedLock() : state_(PyEval_SaveThread()) {}
  ReleasedLock(const ReleasedLock&) = delete;
  ReleasedLock& operator=(const ReleasedLock&) = delete;
  // Not noexcept: taking the lock back may end the thread at interpreter shutdown.
  ~ReleasedLock() noexcept(false) { PyEval_RestoreThread(state_); }

 private:
  PyThreadState* state_;
};

// Runs `work` without the interpreter lock and returns its result.
template <class Work>
decltype(auto) allow_threads(Work&& work) {
  ReleasedLock released;
  return std::forward<Work>(work)();
}

}  // namespace binding
