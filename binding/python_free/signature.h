// The description of one callable with parameters: what the argument parser binds, what
// its TypeError texts name and what its docstring shows as text signature, so that help()
// and the argument errors are read from one place. Nothing here touches Python, so the
// texts can be checked without an interpreter.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace binding {

// One parameter. A parameter past the required ones shows its default in the text
// signature as `default_text` ("\"visible\""), or as None when it carries none. Written
// Parameter{"sheet_state", "\"visible\""} in a list of parameters: a bare pair of braces
// there would be read as two parameters.
struct Parameter {
  const char* name = nullptr;
  const char* default_text = nullptr;

  constexpr Parameter() = default;
  constexpr Parameter(const char* name, const char* default_text = nullptr)
      : name(name), default_text(default_text) {}
};

struct Signature {
  static constexpr size_t kMaxParams = 6;

  const char* name;        // "set_value_number"; "__new__" for a constructor
  const char* class_name;  // "Cell"; nullptr for a module function
  std::array<Parameter, kMaxParams> params;  // in order; unused slots have no name
  size_t required;             // leading parameters that have no default
  size_t positional_only = 0;  // leading parameters that cannot be named
  bool extra_keywords = false;  // keywords that name no parameter go into a dict

  constexpr size_t count() const {
    size_t n = 0;
    while (n < kMaxParams && params[n].name != nullptr) ++n;
    return n;
  }

  // Index of the parameter called `name`, or -1.
  int find(std::string_view name) const;

  // "Cell.set_value_number()", or "version()" without a class.
  std::string full_name() const;
};

// The docstring from which the interpreter takes a text signature, followed by
// `documentation`: "cell($self, row, col, value=None)\n--\n\n" for a method,
// "version()\n--\n\n..." for a module function, "Finder(sheets)\n--\n\n" for a
// constructor (named by its class, without $self); "/" closes the positional-only
// parameters and "**kwargs" stands for the extra keywords. Writes into `out` when it is
// not null and returns the length, without the closing NUL.
constexpr size_t write_signature_doc(const Signature& sig, std::string_view documentation,
                                     char* out) {
  size_t n = 0;
  auto put = [&](std::string_view text) {
    for (const char c : text) {
      if (out != nullptr) out[n] = c;
      ++n;
    }
  };
  const bool constructor = std::string_view(sig.name) == "__new__";
  const bool method = sig.class_name != nullptr && !constructor;
  put(constructor ? sig.class_name : sig.name);
  put("(");
  bool first = true;
  auto next = [&](std::string_view text) {
    if (!first) put(", ");
    first = false;
    put(text);
  };
  if (method) next("$self");
  const size_t count = sig.count();
  for (size_t i = 0; i < count; ++i) {
    next(sig.params[i].name);
    if (i >= sig.required) {
      put("=");
      put(sig.params[i].default_text != nullptr ? sig.params[i].default_text : "None");
    }
    if (i + 1 == sig.positional_only) next("/");
  }
  if (sig.extra_keywords) next("**kwargs");
  put(")\n--\n\n");
  put(documentation);
  return n;
}

// A text made at compile time, kept for the life of the process: N counts the closing NUL.
template <size_t N>
struct FixedText {
  char chars[N] = {};
  constexpr const char* c_str() const { return chars; }
};

inline constexpr std::string_view kNoDocumentation;

// The docstring of `Sig`, made at compile time and kept for the life of the process.
template <const Signature& Sig, const std::string_view& Documentation = kNoDocumentation>
inline constexpr auto kSignatureDoc = [] {
  FixedText<write_signature_doc(Sig, Documentation, nullptr) + 1> doc;
  write_signature_doc(Sig, Documentation, doc.chars);
  return doc;
}();

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
