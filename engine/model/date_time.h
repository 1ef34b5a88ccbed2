// A date and time of day without time zone, proleptic Gregorian, years -262143..262142.
// A fraction of 1,000,000,000 nanoseconds or more marks a leap second (second 59 + 1 s).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

struct DateTime {
  int32_t year = 1970;
  uint8_t month = 1;           // 1..12
  uint8_t day = 1;             // 1..31
  uint32_t seconds = 0;        // seconds of the day, 0..86399
  uint32_t nanoseconds = 0;    // 0..1,999,999,999

  friend bool operator==(const DateTime&, const DateTime&) = default;

  // Builds a value from its parts; nullopt when any part is out of range (the day must
  // exist in that month and year, second 60 becomes a leap second).
  static std::optional<DateTime> from_parts(int64_t year, uint32_t month, uint32_t day,
                                            uint32_t hour, uint32_t minute, uint32_t second,
                                            uint32_t nanosecond);

  // Reads "%Y-%m-%d %H:%M:%S" with the inference rules for white space and signs.
  static std::optional<DateTime> parse(std::string_view text);

  uint32_t hour() const { return seconds / 3600; }
  uint32_t minute() const { return seconds / 60 % 60; }
  // 60 for a leap second.
  uint32_t second() const { return seconds % 60 + (nanoseconds >= 1000000000u ? 1 : 0); }
  // The fraction without the leap second.
  uint32_t fraction() const { return nanoseconds % 1000000000u; }

  // `separator` stands between date and time: ' ' for the value text, 'T' for JSON.
  // The fraction follows with 3, 6 or 9 digits, the fewest that are exact, only when
  // it is not zero.
  void append_text(std::string& out, char separator) const;
};

}  // namespace engine
