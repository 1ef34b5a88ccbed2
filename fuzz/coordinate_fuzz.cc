// Coordinate text. The whole input is one text for Coordinate::from_letter (any bytes).
//  - It returns a coordinate or stops with engine::Stop; nothing else escapes.
//  - A coordinate it returns is what the text starts with: after upper-casing, an optional
//    "$", exactly the letters of the column, an optional "$", then digits that read as
//    the row. A stop means the text starts with no such letters or no such digits.
//  - Rendered back with letter_coordinate, the coordinate parses to itself.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/base/stop.h"
#include "engine/model/coordinate.h"
#include "engine/model/letters.h"
#include "engine/text/upper_case.h"
#include "fuzz/fuzz_input.h"

namespace {

using engine::Coordinate;

std::optional<Coordinate> parse(std::string_view text) {
  try {
    return Coordinate::from_letter(text);
  } catch (const engine::Stop& stop) {
    FUZZ_CHECK(std::string(stop.what()) == engine::kUnwrapNone, "unexpected stop: %s",
               stop.what());
    return std::nullopt;
  }
}

bool is_letter(char c) { return c >= 'A' && c <= 'Z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where the letters of the column and the digits of the row stand in the upper-cased
// text: the column group is one to three letters (the longest run, capped), the row group
// all digits that follow; either group may be missing.
struct Groups {
  std::string letters, digits;
};

Groups groups_of(const std::string& upper) {
  Groups g;
  size_t pos = 0;
  size_t start = pos < upper.size() && upper[pos] == '$' ? pos + 1 : pos;
  size_t end = start;
  while (end < upper.size() && end - start < 3 && is_letter(upper[end])) ++end;
  if (end > start) {
    g.letters = upper.substr(start, end - start);
    pos = end;
  }
  start = pos < upper.size() && upper[pos] == '$' ? pos + 1 : pos;
  end = start;
  while (end < upper.size() && is_digit(upper[end])) ++end;
  g.digits = upper.substr(start, end - start);
  return g;
}

// The row the digits name, when it fits in 32 bits.
std::optional<uint32_t> row_of(const std::string& digits) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::optional<Coordinate> parsed = parse(input);
  const Groups g = groups_of(engine::upper_case_for_ascii_compare(input));
  const std::optional<uint32_t> row = row_of(g.digits);

  if (!parsed) {
    FUZZ_CHECK(g.letters.empty() || !row, "stopped on %s, which names column %s row %s",
               input.c_str(), g.letters.c_str(), g.digits.c_str());
    return 0;
  }
  FUZZ_CHECK(row && *row == parsed->row, "%s parsed as row %u", input.c_str(), parsed->row);
  FUZZ_CHECK(engine::column_number_to_letter(parsed->column) == g.letters,
             "%s parsed as column %u", input.c_str(), parsed->column);

  const std::string rendered = engine::letter_coordinate(parsed->row, parsed->column);
  const std::optional<Coordinate> again = parse(rendered);
  FUZZ_CHECK(again && *again == *parsed, "%s (from %s) does not parse to itself",
             rendered.c_str(), input.c_str());
  return 0;
}
