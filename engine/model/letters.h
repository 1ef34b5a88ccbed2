// Column letters: a bijective base-26 numeral, 1 is "A", 27 is "AA".
#pragma once

#include <cstdint>
#include <string>

namespace engine {

// "" for 0.
std::string column_number_to_letter(uint16_t column);

// The column letters, then the row digits: "AA7" for row 7, column 27.
std::string letter_coordinate(uint32_t row, uint16_t column);

}  // namespace engine
