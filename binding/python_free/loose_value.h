// Loose values: what one field of a Python source held, read without choosing a target
// type yet, and the four readers that turn it into the type a record field needs. The
// readers never fail: a value that does not fit gives a fixed fallback (0, or the value's
// text), so that a row given as "12", 12 or 12.0 is row 12 and anything at all can serve
// as a text. Python-free; py_to_value.h makes loose values from Python objects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace binding {

// Lists may nest as deep as their reader allows; nothing that walks a value (reading,
// rendering, destroying) recurses on the machine stack for that, since a thread may
// have far less stack than the depth would take. The readers only move values; a copy
// (tables of tests) is the one recursive walk left.
struct PyValue {
  using List = std::vector<PyValue>;
  // The alternatives in this order: Str, Int, Float, Bool, List, None.
  using Data = std::variant<std::string, int64_t, double, bool, List, std::monostate>;
  Data data;

  PyValue(Data value) : data(std::move(value)) {}
  PyValue(PyValue&&) noexcept = default;
  PyValue& operator=(PyValue&&) noexcept = default;
  PyValue(const PyValue&) = default;
  PyValue& operator=(const PyValue&) = default;
  ~PyValue();
};

// The text of a value; None has none.
//   Str    the text           Int   decimal digits, "-" before a negative value
//   Float  the value text of a Numeric cell value ("3", "0.1", "-0", "NaN", "-inf")
//   Bool   "true" or "false"  List  "[" + the elements by value_to_string, ", " + "]"
std::optional<std::string> value_to_opt_string(const PyValue& value);
// As value_to_opt_string, with "" for None.
std::string value_to_string(const PyValue& value);

// A number from a value:
//   Str    optional "+" then ASCII digits only, 0 when not such a text or above the bound
//   Int    the low bits of its two's complement form (-1 gives the largest value)
//   Float  cut toward zero and held to the bounds; NaN gives 0
//   Bool   1 or 0             List, None  0
uint32_t value_to_u32(const PyValue& value);
uint16_t value_to_u16(const PyValue& value);

// UTF-8 text in which surrogate code points were encoded as if they were characters
// (what the "surrogatepass" error handler writes): each byte of such a three-byte form
// becomes U+FFFD, so the result is valid UTF-8. Everything else is copied.
std::string replace_surrogates(std::string_view text);

}  // namespace binding
