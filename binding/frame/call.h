// The outer shell of every entry from the interpreter: `call` runs a member's body and
// turns whatever C++ exception leaves it into the matching Python exception, so that no
// C++ exception reaches the interpreter:
//   PythonError          the exception already set (SystemError when none is)
//   EngineFailure        RuntimeError with the error's text (message and "Caused by:")
//   engine::Stop         the notice on standard error, then PanicException(message)
//   std::bad_alloc       MemoryError
//   std::exception       as engine::Stop, with what() as the message
//   anything else        SystemError
// A thread's first call first makes the thread's storage of every loaded library
// (thread_storage.h), or raises MemoryError when memory is short.
// Also here: `or_raise` for engine results and `allow_threads` for work without the
// interpreter lock.
#pragma once

#include <exception>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "binding/frame/ref.h"
#include "engine/base/error.h"
#include "engine/base/thread_storage.h"

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
// go on, so it is let through rather than caught. It carries no exception object, so the
// handler that lets it through binds its reference to null by design: UBSan's null check
// is off for this one function.
template <class Result, class Body, class Done>
#if defined(__GLIBC__)
__attribute__((no_sanitize("null")))
#endif
Result guarded(Body&& body, Done&& done, Result failed) {
  // A thread's first call makes the thread-local storage its first throw would need.
  if (!engine::thread_storage_made() && !engine::make_thread_storage()) {
    PyErr_NoMemory();
    return failed;
  }
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

// Releases the interpreter lock for its lifetime and takes it back on every path. Touch
// no Python object and destroy no Ref meanwhile.
//
// Taking the lock back may end the thread (at interpreter shutdown a daemon thread is
// made to exit by an unwinding it cannot catch), and such an unwinding must not start
// while another exception is in flight: that terminates the process. So nothing may
// leave the region by an exception; allow_threads carries a failure across it as a value.
class ReleasedLock {
 public:
  ReleasedLock() : state_(PyEval_SaveThread()) {}
  ReleasedLock(const ReleasedLock&) = delete;
  ReleasedLock& operator=(const ReleasedLock&) = delete;
  ~ReleasedLock() noexcept(false) { PyEval_RestoreThread(state_); }

 private:
  PyThreadState* state_;
};

// Runs `work` without the interpreter lock and returns its result; what it throws is
// thrown again once the lock is back.
template <class Work>
auto allow_threads(Work&& work) {
  using Result = std::invoke_result_t<Work>;
  std::optional<Result> result;
  std::exception_ptr failure;
  {
    ReleasedLock released;
    // The work touches no Python object, so the interpreter cannot end the thread in
    // there: no forced unwinding needs to be let through.
    try {
      result.emplace(std::forward<Work>(work)());
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
  return std::move(*result);
}

}  // namespace binding
