#include "engine/model/letters.h"

#include <algorithm>

namespace engine {

std::string column_number_to_letter(uint16_t column) {
  std::string letters;
  uint32_t number = column;
  while (number != 0) {
    const uint32_t r = number - 1;
    letters.push_back(static_cast<char>('A' + r % 26));
    number = r / 26;
  }
  std::reverse(letters.begin(), letters.end());
  return letters;
}

std::string letter_coordinate(uint32_t row, uint16_t column) {
  return column_number_to_letter(column) + std::to_string(row);
}

}  // namespace engine
