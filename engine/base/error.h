// Expected failures travel as values: an operation that can fail returns Result<T>,
// holding either its value or an EngineError (a message and a chain of causes).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace engine {

struct EngineError {
  std::string message;
  std::vector<std::string> causes;  // outermost first

  // The message, then "\n\nCaused by:" and the causes: indented by four blanks when
  // there is one, numbered "    0: " (number right-aligned in five columns) when several.
  std::string text() const;
};

template <class T>
class Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(EngineError error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  const EngineError& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, EngineError> v_;
};

}  // namespace engine
