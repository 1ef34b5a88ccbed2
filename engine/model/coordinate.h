// The position of a cell or comment, counted from 1. Ordered by row, then column.
// There is no validating constructor: 0 is stored as given.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

struct Coordinate {
  uint32_t row = 0;
  uint16_t column = 0;

  friend bool operator==(const Coordinate&, const Coordinate&) = default;
  friend auto operator<=>(const Coordinate&, const Coordinate&) = default;

  // The coordinate as one number that orders as the coordinates do: a sort key that
  // costs one comparison.
  uint64_t sort_key() const { return uint64_t{row} << 16 | column; }
  static Coordinate from_sort_key(uint64_t key) {
    return {static_cast<uint32_t>(key >> 16), static_cast<uint16_t>(key)};
  }

  // "Coordinate { row: R, column: C }"
  std::string debug_text() const;

  // Parses a spreadsheet coordinate text such as "B7" or "$b$7" (upper-cased with the
  // full Unicode mapping first). Letters and digits must stand at the very start;
  // whatever follows them is ignored. Stops with kUnwrapNone when the text yields no
  // row or no column.
  static Coordinate from_letter(std::string_view text);
};

}  // namespace engine
