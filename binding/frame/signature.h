// The description of one callable with parameters: what the argument parser binds and
// what its TypeError texts name. Nothing here touches Python, so the texts can be
// checked without an interpreter.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace binding {

struct Signature {
  static constexpr size_t kMaxParams = 6;

  const char* name;        // "set_value_number"; "__new__" for a constructor
  const char* class_name;  // "Cell"; nullptr for a module function
  std::array<const char*, kMaxParams> params;  // in order; unused slots stay nullptr
  size_t required;             // leading parameters that have no default
  size_t positional_only = 0;  // leading parameters that cannot be named
  bool extra_keywords = false;  // keywords that name no parameter go into a dict

  constexpr size_t count() const {
    size_t n = 0;
    while (n < kMaxParams && params[n] != nullptr) ++n;
    return n;
  }

  // Index of the parameter called `name`, or -1.
  int find(std::string_view name) const;

  // "Cell.set_value_number()", or "version()" without a class.
  std::string full_name() const;
};

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'": a comma before "and" from three names on.
std::string quoted_list(std::span<const std::string_view> names);

// The parser's TypeError texts.
std::string too_many_positional_text(const Signature& sig, size_t given);
std::string unexpected_keyword_text(const Signature& sig, std::string_view keyword);
std::string multiple_values_text(const Signature& sig, std::string_view parameter);
std::string positional_only_as_keyword_text(const Signature& sig,
                                            std::span<const std::string_view> names);
std::string missing_required_text(const Signature& sig,
                                  std::span<const std::string_view> names);

}  // namespace binding
