#include "engine/text/digits.h"

#include <charconv>

namespace engine {

DecimalDigits shortest_digits(double magnitude) {
  // The scientific form of to_chars gives the shortest round-trip digits, nearest to the
  // exact value among equals, as "d[.ddd]e±XX".
  char sci[32];
  const char* const end =
      std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific).ptr;
  DecimalDigits d;
  d.count = 0;
  const char* s = sci;
  for (; *s != 'e'; ++s)
    if (*s != '.') d.digits[d.count++] = *s;
  ++s;  // 'e'
  const bool negative_exponent = *s == '-';
  ++s;  // the exponent's sign, always written
  int exponent = 0;
  while (s < end) exponent = exponent * 10 + (*s++ - '0');
  d.point = (negative_exponent ? -exponent : exponent) + 1;
  return d;
}

}  // namespace engine
