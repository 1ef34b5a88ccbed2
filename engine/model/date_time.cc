#include "engine/model/date_time.h"

#include <algorithm>

#include "engine/text/digits.h"
#include "engine/text/utf8.h"
#include "engine/text/white_space.h"

namespace engine {

namespace {

constexpr int64_t kMinYear = -262143;
constexpr int64_t kMaxYear = 262142;
constexpr uint32_t kNanosPerSecond = 1000000000u;

bool is_leap_year(int64_t year) {
  // C++ remainders keep the dividend's sign, which does not matter for a test against 0.
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

uint32_t days_in_month(int64_t year, uint32_t month) {
  static constexpr uint8_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

// Walks the text left to right the way "%Y-%m-%d %H:%M:%S" is read: every number may be
// preceded by white space, separators must stand exactly in place.
class Reader {
 public:
  explicit Reader(std::string_view text) : rest_(text) {}

  bool at_end() const { return rest_.empty(); }

  void skip_white_space() {
    while (!rest_.empty()) {
      // An ASCII byte is its own character: no decoding for the usual digit.
      const auto first = static_cast<unsigned char>(rest_.front());
      if (first < 0x80) {
        if (first != ' ' && (first < 0x09 || first > 0x0D)) return;
        rest_.remove_prefix(1);
        continue;
      }
      const Utf8Char ch = decode_utf8(rest_);
      if (!is_white_space(ch.code_point)) return;
      rest_.remove_prefix(ch.size);
    }
  }

  bool literal(char c) {
    if (rest_.empty() || rest_.front() != c) return false;
    rest_.remove_prefix(1);
    return true;
  }

  // 1 to `max_digits` ASCII digits.
  std::optional<uint32_t> number(size_t max_digits) {
    uint32_t value = 0;
    size_t n = 0;
    while (n < max_digits && n < rest_.size() && is_digit(rest_[n])) {
      value = value * 10 + static_cast<uint32_t>(rest_[n] - '0');
      ++n;
    }
    if (n == 0) return std::nullopt;
    rest_.remove_prefix(n);
    return value;
  }

  // 1 to 4 digits, or a sign and any number of digits. A value too large for any valid
  // year is held at a bound just outside the range rather than overflowing.
  std::optional<int64_t> year() {
    skip_white_space();
    bool negative = false;
    bool signed_year = false;
    if (!rest_.empty() && (rest_.front() == '+' || rest_.front() == '-')) {
      negative = rest_.front() == '-';
      signed_year = true;
      rest_.remove_prefix(1);
    }
    size_t n = 0;
    int64_t value = 0;
    const size_t max_digits = signed_year ? rest_.size() : 4;
    while (n < max_digits && n < rest_.size() && is_digit(rest_[n])) {
      value = std::min<int64_t>(value * 10 + (rest_[n] - '0'), kMaxYear * 10);
      ++n;
    }
    if (n == 0) return std::nullopt;
    rest_.remove_prefix(n);
    return negative ? -value : value;
  }

  std::optional<uint32_t> field() {
    skip_white_space();
    return number(2);
  }

 private:
  std::string_view rest_;
};

}  // namespace

std::optional<DateTime> DateTime::from_parts(int64_t year, uint32_t month, uint32_t day,
                                             uint32_t hour, uint32_t minute, uint32_t second,
                                             uint32_t nanosecond) {
  if (year < kMinYear || year > kMaxYear) return std::nullopt;
  if (month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > days_in_month(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 60) return std::nullopt;
  if (second == 60) {
    if (nanosecond >= kNanosPerSecond) return std::nullopt;
    second = 59;
    nanosecond += kNanosPerSecond;
  } else if (nanosecond >= (second == 59 ? 2 * kNanosPerSecond : kNanosPerSecond)) {
    // Only the last second of a minute can stretch into a leap second.
    return std::nullopt;
  }
  DateTime t;
  t.year = static_cast<int32_t>(year);
  t.month = static_cast<uint8_t>(month);
  t.day = static_cast<uint8_t>(day);
  t.seconds = hour * 3600 + minute * 60 + second;
  t.nanoseconds = nanosecond;
  return t;
}

std::optional<DateTime> DateTime::parse(std::string_view text) {
  Reader r(text);
  const auto year = r.year();
  if (!year || !r.literal('-')) return std::nullopt;
  const auto month = r.field();
  if (!month || !r.literal('-')) return std::nullopt;
  const auto day = r.field();
  if (!day) return std::nullopt;
  // The blank between date and time stands for any run of white space, even none; the
  // hour then skips its own (by then empty) run.
  r.skip_white_space();
  const auto hour = r.field();
  if (!hour || !r.literal(':')) return std::nullopt;
  const auto minute = r.field();
  if (!minute || !r.literal(':')) return std::nullopt;
  const auto second = r.field();
  if (!second || !r.at_end()) return std::nullopt;
  return from_parts(*year, *month, *day, *hour, *minute, *second, 0);
}

void DateTime::append_text(std::string& out, char separator) const {
  // Built on the stack and appended once: the export writes a date-time for every cell
  // that holds one. At most 43 bytes, even with fields out of their ranges (a sign and
  // ten digits of year, three of month and of day, seven of hour).
  char text[64];
  char* p = text;
  if (year >= 0 && year <= 9999) {
    p = put_padded(p, static_cast<uint32_t>(year), 4);
  } else {
    *p++ = year < 0 ? '-' : '+';
    const int64_t magnitude = year < 0 ? -int64_t{year} : int64_t{year};
    p = put_padded(p, static_cast<uint32_t>(magnitude), 4);
  }
  *p++ = '-';
  p = put_padded(p, month, 2);
  *p++ = '-';
  p = put_padded(p, day, 2);
  *p++ = separator;
  p = put_padded(p, hour(), 2);
  *p++ = ':';
  p = put_padded(p, minute(), 2);
  *p++ = ':';
  p = put_padded(p, second(), 2);
  const uint32_t frac = fraction();
  if (frac != 0) {
    *p++ = '.';
    if (frac % 1000000 == 0) {
      p = put_padded(p, frac / 1000000, 3);
    } else if (frac % 1000 == 0) {
      p = put_padded(p, frac / 1000, 6);
    } else {
      p = put_padded(p, frac, 9);
    }
  }
  out.append(text, p);
}

}  // namespace engine
