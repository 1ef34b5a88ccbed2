// A violated precondition stops the current operation. The engine throws `Stop`; the
// binding's call frame catches it, writes the notice to standard error and raises
// PanicException. Nothing else in the engine throws on purpose.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace engine {

class Stop : public std::runtime_error {
 public:
  Stop(std::string message, std::source_location where)
      : std::runtime_error(std::move(message)), where_(where) {}
  const std::source_location& where() const { return where_; }

 private:
  std::source_location where_;
};

[[noreturn]] inline void stop(std::string message,
                              std::source_location where = std::source_location::current()) {
  throw Stop(std::move(message), where);
}

// The messages callers of the Python surface see for the two unwrap failures.
inline constexpr const char* kUnwrapNone = "called `Option::unwrap()` on a `None` value";
inline constexpr const char* kUnwrapErr = "called `Result::unwrap()` on an `Err` value";

}  // namespace engine
