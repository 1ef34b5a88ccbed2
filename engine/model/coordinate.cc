#include "engine/model/coordinate.h"

#include <optional>

#include "engine/base/stop.h"
#include "engine/text/digits.h"
#include "engine/text/upper_case.h"

namespace engine {

std::string Coordinate::debug_text() const {
  std::string out = "Coordinate { row: ";
  out += std::to_string(row);
  out += ", column: ";
  out += std::to_string(column);
  out += " }";
  return out;
}

namespace {

bool is_letter(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

// Reads "((\$)?([A-Z]{1,3}))?((\$)?([0-9]+))?" the way a leftmost-first backtracking
// engine matches it at the first character. Each group either matches whole, greedily,
// or is skipped: a "$" not followed by what its group needs is given back, and since
// everything after a group is optional the engine never returns into a group that did
// match (so "ABCD1" keeps "ABC" and finds no digits rather than trying fewer letters).
Coordinate Coordinate::from_letter(std::string_view text) {
  const std::string upper = upper_case_for_ascii_compare(text);
  const std::string_view s = upper;
  size_t pos = 0;
  // Where a group's letters or digits start: after its "$", when there is one.
  const auto after_dollar = [&] { return pos < s.size() && s[pos] == '$' ? pos + 1 : pos; };

  std::optional<uint16_t> column;
  {
    const size_t start = after_dollar();
    size_t end = start;
    uint32_t value = 0;
    while (end < s.size() && end - start < 3 && is_letter(s[end])) {
      value = value * 26 + static_cast<uint32_t>(s[end] - 'A' + 1);
      ++end;
    }
    if (end > start) {
      column = static_cast<uint16_t>(value);  // at most "ZZZ", 18278
      pos = end;
    }
  }

  std::optional<uint32_t> row;
  {
    const size_t start = after_dollar();
    size_t end = start;
    uint64_t value = 0;
    bool too_large = false;
    while (end < s.size() && is_digit(s[end])) {
      value = value * 10 + static_cast<uint64_t>(s[end] - '0');
      if (value > UINT32_MAX) {
        too_large = true;
        value = UINT32_MAX + uint64_t{1};  // keeps the product small for long digit runs
      }
      ++end;
    }
    if (end > start && !too_large) row = static_cast<uint32_t>(value);
  }

  if (!row) stop(kUnwrapNone);
  if (!column) stop(kUnwrapNone);
  return Coordinate{*row, *column};
}

}  // namespace engine
