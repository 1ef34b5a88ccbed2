#include "engine/model/cell_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/text/digits.h"
#include "engine/text/upper_case.h"

namespace engine {

namespace {

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower_word) {
  if (text.size() != lower_word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != lower_word[i]) return false;
  }
  return true;
}

// Takes a leading "+" or "-" off `s`; true when it was "-".
bool take_sign(std::string_view& s) {
  if (s.empty() || (s.front() != '+' && s.front() != '-')) return false;
  const bool negative = s.front() == '-';
  s.remove_prefix(1);
  return negative;
}

// An optional sign, then one or more ASCII digits and nothing else, within int32_t.
std::optional<int32_t> parse_integer(std::string_view s) {
  const bool negative = take_sign(s);
  if (s.empty()) return std::nullopt;
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  int64_t value = 0;
  for (char c : s) {
    if (!is_digit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The float grammar is checked here rather than left to std::from_chars, which differs
// from it at the edges: it refuses a leading "+", takes "nan(...)" and reads only a
// prefix of the text. Once the text is known to be a plain decimal number, from_chars
// does the correctly rounded conversion.
std::optional<double> parse_float(std::string_view text) {
  std::string_view s = text;
  const bool negative = take_sign(s);
  if (equals_ignoring_ascii_case(s, "inf") || equals_ignoring_ascii_case(s, "infinity"))
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  if (equals_ignoring_ascii_case(s, "nan")) return std::numeric_limits<double>::quiet_NaN();

  // Digits, an optional point and digits (at least one digit in all), then optionally
  // an exponent. Alongside, find the power of ten of the leading non-zero digit, which
  // tells an overflow from an underflow when from_chars reports the result out of range.
  size_t i = 0;
  size_t int_digits = 0, frac_digits = 0;
  int64_t lead_power = 0;
  bool seen_non_zero = false;
  int64_t significant_int_digits = 0;
  while (i < s.size() && is_digit(s[i])) {
    if (s[i] != '0') seen_non_zero = true;
    if (seen_non_zero) ++significant_int_digits;
    ++int_digits;
    ++i;
  }
  if (seen_non_zero) lead_power = significant_int_digits - 1;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) {
      ++frac_digits;
      if (!seen_non_zero && s[i] != '0') {
        seen_non_zero = true;
        lead_power = -static_cast<int64_t>(frac_digits);
      }
      ++i;
    }
  }
  if (int_digits + frac_digits == 0) return std::nullopt;
  const bool has_exponent = i < s.size() && (s[i] == 'e' || s[i] == 'E');
  if (has_exponent) {
    ++i;
    bool exponent_negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      exponent_negative = s[i] == '-';
      ++i;
    }
    size_t exponent_digits = 0;
    int64_t exponent = 0;
    while (i < s.size() && is_digit(s[i])) {
      exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), int64_t{1} << 40);
      ++exponent_digits;
      ++i;
    }
    if (exponent_digits == 0) return std::nullopt;
    lead_power += exponent_negative ? -exponent : exponent;
  }
  if (i != s.size()) return std::nullopt;

  // Few digits and no exponent: the digits as an integer and the power of ten are both
  // exact doubles, so one division rounds correctly, as from_chars would, at a fraction
  // of its cost (most numbers typed into sheets take this way).
  constexpr size_t kExactDigits = 15;  // below 2^53
  if (!has_exponent && int_digits + frac_digits <= kExactDigits) {
    uint64_t mantissa = 0;
    for (char c : s)
      if (c != '.') mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
    const double value = static_cast<double>(mantissa) / kPowersOfTen[frac_digits];
    return negative ? -value : value;
  }

  // from_chars takes the minus sign but not the plus sign.
  const char* first = negative ? s.data() - 1 : s.data();
  const char* last = s.data() + s.size();
  double value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Out of range only happens beyond the largest float or below half the smallest
    // subnormal, so the side is told by the leading digit's power of ten.
    const double magnitude = lead_power >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
  }
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

// Only a short text that starts with t or f, in either case, or with a non-ASCII character
// can upper-case to TRUE or FALSE: every character gives at least one character of the
// form and takes at most four bytes, and an ASCII character upper-cases to ASCII.
bool may_be_boolean(std::string_view text) {
  constexpr size_t kLongest = 5 * 4;
  const auto first = static_cast<unsigned char>(text.front());
  return text.size() <= kLongest &&
         (first >= 0x80 || first == 't' || first == 'T' || first == 'f' || first == 'F');
}

bool is_ascii(std::string_view text) {
  unsigned char any = 0;
  for (char c : text) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

}  // namespace

CellValue::CellValue(const CellValue& other) { copy_from(other); }

CellValue::CellValue(CellValue&& other) noexcept : tag_(other.tag_) {
  std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  other.tag_ = static_cast<uint8_t>(Kind::Empty);
}

CellValue& CellValue::operator=(const CellValue& other) {
  if (this != &other) {
    CellValue copy(other);
    *this = std::move(copy);
  }
  return *this;
}

CellValue& CellValue::operator=(CellValue&& other) noexcept {
  if (this != &other) {
    drop_heap_text();
    tag_ = other.tag_;
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.tag_ = static_cast<uint8_t>(Kind::Empty);
  }
  return *this;
}

void CellValue::copy_from(const CellValue& other) {
  if (other.has_heap_text()) {
    *this = string(other.as_string());
    return;
  }
  tag_ = other.tag_;
  std::memcpy(bytes_, other.bytes_, sizeof bytes_);
}

CellValue CellValue::string(std::string_view text) {
  CellValue value;
  if (text.size() <= kInPlace) {
    value.tag_ = static_cast<uint8_t>(static_cast<uint8_t>(Kind::String) |
                                      text.size() << kLengthShift);
    if (!text.empty()) std::memcpy(value.bytes_, text.data(), text.size());
    return value;
  }
  const size_t size = text.size();
  char* block = new char[sizeof size + size];
  std::memcpy(block, &size, sizeof size);
  std::memcpy(block + sizeof size, text.data(), size);
  value.tag_ = static_cast<uint8_t>(static_cast<uint8_t>(Kind::String) | kOnHeap << kLengthShift);
  std::memcpy(value.bytes_, &block, sizeof block);
  return value;
}

bool operator==(const CellValue& a, const CellValue& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case CellValue::Kind::Empty:
      return true;
    case CellValue::Kind::String:
      return a.as_string() == b.as_string();
    case CellValue::Kind::Numeric:
      return a.as_numeric() == b.as_numeric();
    case CellValue::Kind::Integer:
      return a.as_integer() == b.as_integer();
    case CellValue::Kind::Bool:
      return a.as_bool() == b.as_bool();
    case CellValue::Kind::DateTime:
      return a.as_date_time() == b.as_date_time();
  }
  return false;
}

CellValue CellValue::from_text(std::string_view text) {
  if (text.empty()) return CellValue();
  if (may_be_boolean(text)) {
    // An ASCII text upper-cases letter by letter, so the full mapping is needed only for
    // a text with other characters.
    if (is_ascii(text)) {
      if (equals_ignoring_ascii_case(text, "true")) return boolean(true);
      if (equals_ignoring_ascii_case(text, "false")) return boolean(false);
    } else {
      if (upper_case_equals(text, "TRUE")) return boolean(true);
      if (upper_case_equals(text, "FALSE")) return boolean(false);
    }
  }
  // The first byte rules out most tests for most texts: an integer starts with a sign or
  // a digit; a float also with a point, or with the i or n of its words; a date-time with
  // a sign or a digit after white space, which is ASCII or starts with a byte of 0x80 or
  // more.
  const auto first = static_cast<unsigned char>(text.front());
  const bool sign_or_digit = first == '+' || first == '-' || is_digit(static_cast<char>(first));
  if (sign_or_digit || first == '.' || first == 'i' || first == 'I' || first == 'n' ||
      first == 'N') {
    if (const auto v = parse_integer(text)) return integer(*v);
    if (const auto v = parse_float(text)) return numeric(*v);
  }
  if (sign_or_digit || first == ' ' || (first >= 0x09 && first <= 0x0D) || first >= 0x80) {
    if (const auto v = DateTime::parse(text)) return date_time(*v);
  }
  return string(text);
}

void CellValue::fmt(std::string& out) const {
  switch (kind()) {
    case Kind::Empty:
      return;
    case Kind::String:
      out.append(as_string());
      return;
    case Kind::Numeric:
      append_numeric_text(out, as_numeric());
      return;
    case Kind::Integer: {
      char digits[12];  // "-2147483648"
      out.append(digits, put_integer(digits, as_integer()));
      return;
    }
    case Kind::Bool:
      out.append(as_bool() ? "true" : "false");
      return;
    case Kind::DateTime:
      as_date_time().append_text(out, ' ');
      return;
  }
}

void append_numeric_text(std::string& out, double value) {
  if (std::isnan(value)) {
    out.append("NaN");
    return;
  }
  if (std::isinf(value)) {
    out.append(value < 0 ? "-inf" : "inf");
    return;
  }
  if (std::signbit(value)) out.push_back('-');
  const DecimalDigits d = shortest_digits(std::fabs(value));
  const char* const digits = d.digits;
  const int count = d.count;
  const int before_point = d.point;  // digits that stand before the decimal point
  if (before_point >= count) {
    out.append(digits, count);
    out.append(static_cast<size_t>(before_point - count), '0');
  } else if (before_point > 0) {
    out.append(digits, before_point);
    out.push_back('.');
    out.append(digits + before_point, count - before_point);
  } else {
    out.append("0.");
    out.append(static_cast<size_t>(-before_point), '0');
    out.append(digits, count);
  }
}

}  // namespace engine
