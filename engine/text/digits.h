// Decimal digits: telling an ASCII digit, writing an integer at a position that already
// has room for it (each writer returns the end of what it wrote), and the shortest digits
// that read back as a given double. The value texts of cells and the JSON export both
// write their numbers through these.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace engine {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

namespace detail {
// "00".."99", two characters per entry.
inline constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

inline int digit_count(uint64_t v) {
  int n = 1;
  for (; v >= 10000; v /= 10000) n += 4;
  return n + (v >= 10) + (v >= 100) + (v >= 1000);
}

// Writes `v` so that its last digit lands just before `end`, two digits a step.
inline void put_digits_before(char* end, uint64_t v) {
  while (v >= 100) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
    v /= 100;
  }
  if (v >= 10) {
    std::memcpy(end - 2, &kDigitPairs[2 * v], 2);
  } else {
    end[-1] = static_cast<char>('0' + v);
  }
}
}  // namespace detail

// Digits, no sign, no leading zeros.
inline char* put_unsigned(char* out, uint64_t value) {
  out += detail::digit_count(value);
  detail::put_digits_before(out, value);
  return out;
}

inline char* put_integer(char* out, int64_t value) {
  if (value >= 0) return put_unsigned(out, static_cast<uint64_t>(value));
  *out++ = '-';
  return put_unsigned(out, 0 - static_cast<uint64_t>(value));
}

// At least `width` digits, zero-padded in front.
inline char* put_padded(char* out, uint64_t value, int width) {
  const int size = std::max(width, detail::digit_count(value));
  std::memset(out, '0', static_cast<size_t>(size));
  detail::put_digits_before(out + size, value);
  return out + size;
}

// The digits d1 d2 ... dn (n from 1 to 17, no trailing zero but in "0") of a number
// 0.d1d2...dn x 10^point.
struct DecimalDigits {
  char digits[17];
  int count;
  int point;
};

// The shortest digits that read back as `magnitude` (finite, not negative), the nearest
// to it among equals; 0 is "0" with point 1.
DecimalDigits shortest_digits(double magnitude);

}  // namespace engine
