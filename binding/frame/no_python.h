// A stretch of a call that must run no Python code. A body that stands a check in for a
// real borrow (check_shareable) relies on it: Python code run meanwhile could call a
// member that borrows the same object, and letting the interpreter lock go would let
// another thread do so. Where asserts are on, NoPythonScope counts the open stretches of
// the process and every entry that borrows an instance or converts an argument asserts
// that none is open, so the first such call put into the stretch stops a Debug or
// sanitizer run. Without asserts (NDEBUG) both are empty.
#pragma once

#include <atomic>
#include <cassert>

namespace binding {

#ifdef NDEBUG

class [[maybe_unused]] NoPythonScope {};

inline void assert_python_may_run() {}

#else

// Changed and read with the interpreter lock held: another thread reaches a borrow or a
// conversion only while this one has let the lock go.
inline std::atomic<int> open_no_python_scopes{0};

class NoPythonScope {
 public:
  NoPythonScope() { open_no_python_scopes.fetch_add(1, std::memory_order_relaxed); }
  ~NoPythonScope() { open_no_python_scopes.fetch_sub(1, std::memory_order_relaxed); }
  NoPythonScope(const NoPythonScope&) = delete;
  NoPythonScope& operator=(const NoPythonScope&) = delete;
};

inline void assert_python_may_run() {
  assert(open_no_python_scopes.load(std::memory_order_relaxed) == 0 &&
         "Python code ran where a NoPythonScope promised none");
}

#endif

}  // namespace binding
