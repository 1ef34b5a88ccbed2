#include "binding/python_free/signature.h"

namespace binding {

int Signature::find(std::string_view wanted) const {
  const size_t n = count();
  for (size_t i = 0; i < n; ++i) {
    if (wanted == params[i].name) return static_cast<int>(i);
  }
  return -1;
}

std::string Signature::full_name() const {
  std::string out;
  if (class_name != nullptr) {
    out += class_name;
    out += '.';
  }
  out += name;
  out += "()";
  return out;
}

std::string quoted_list(std::span<const std::string_view> names) {
  std::string out;
  const size_t n = names.size();
  for (size_t i = 0; i < n; ++i) {
    if (i != 0) {
      if (n > 2) out += ',';
      out += (i == n - 1) ? " and " : " ";
    }
    out += '\'';
    out += names[i];
    out += '\'';
  }
  return out;
}

std::string too_many_positional_text(const Signature& sig, size_t given) {
  const size_t n = sig.count();
  std::string out = sig.full_name();
  out += " takes ";
  if (sig.required != n) {
    out += "from " + std::to_string(sig.required) + " to ";
  }
  out += std::to_string(n) + " positional arguments but " + std::to_string(given);
  out += given == 1 ? " was given" : " were given";
  return out;
}

namespace {

// "<function>() got <what> '<name>'"
std::string got_text(const Signature& sig, std::string_view what, std::string_view name) {
  std::string out = sig.full_name();
  out += " got ";
  out += what;
  out += " '";
  out += name;
  out += '\'';
  return out;
}

}  // namespace

std::string unexpected_keyword_text(const Signature& sig, std::string_view keyword) {
  return got_text(sig, "an unexpected keyword argument", keyword);
}

std::string multiple_values_text(const Signature& sig, std::string_view parameter) {
  return got_text(sig, "multiple values for argument", parameter);
}

std::string positional_only_as_keyword_text(const Signature& sig,
                                            std::span<const std::string_view> names) {
  return sig.full_name() +
         " got some positional-only arguments passed as keyword arguments: " +
         quoted_list(names);
}

std::string missing_required_text(const Signature& sig,
                                  std::span<const std::string_view> names) {
  std::string out = sig.full_name();
  out += " missing " + std::to_string(names.size()) + " required positional argument";
  if (names.size() != 1) out += 's';
  out += ": ";
  out += quoted_list(names);
  return out;
}

}  // namespace binding
