#include "engine/json/forms.h"

#include <cmath>

namespace engine::json {

namespace {

// Per byte: 0 copies it as it stands (so "/", 0x7F and every byte of a non-ASCII
// character pass through); otherwise the letter that follows the backslash, 'u' standing
// for "\u00" and two lowercase hexadecimal digits.
constexpr std::array<char, 256> kEscapeTable = [] {
  std::array<char, 256> table{};
  for (int b = 0; b < 0x20; ++b) table[b] = 'u';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}();

constexpr char kHexDigits[] = "0123456789abcdef";

// Texts up to this size are given their worst-case room without being looked at.
constexpr size_t kShortText = 4096;

// Powers of ten that doubles hold exactly.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
constexpr int kMaxDecimals = 8;

// The usual float of a sheet has few decimals ("12.5", "0.143", "19.99"); for those the
// shortest digits are found without the general search: the first k for which
// m = round(a * 10^k) reads back as `a` (m / 10^k is correctly rounded, as reading the
// text would be). While a * 10^k < 2^48, a's rounding interval is narrower than 10^-k / 16,
// so at most one number of k decimals reads back as `a` and rounding the inexact product
// cannot miss it; the first such k is therefore the shortest form, and m has no trailing
// zero. Returns nullptr, having written nothing, when `a` is not of that kind.
char* put_few_decimals(char* out, double a) {
  // Below 0.00001 the layout is scientific, which the general path writes.
  if (!(a >= 1e-5)) return nullptr;
  for (int k = 0; k <= kMaxDecimals; ++k) {
    const double scaled = a * kPowersOfTen[k];
    if (scaled >= 0x1p48) return nullptr;
    const double m = std::nearbyint(scaled);
    if (m / kPowersOfTen[k] != a) continue;
    const auto digits = static_cast<uint64_t>(m);
    if (k == 0) return put_raw(put_unsigned(out, digits), ".0");
    const auto unit = static_cast<uint64_t>(kPowersOfTen[k]);
    out = put_unsigned(out, digits / unit);
    *out++ = '.';
    return put_padded(out, digits % unit, k);
  }
  return nullptr;
}

// Any finite non-zero `a`: the shortest digits, laid out by the rules of the export.
char* put_shortest(char* out, double a) {
  const DecimalDigits d = shortest_digits(a);
  const char* const digits = d.digits;
  const int n = d.count;
  const int p = d.point;  // 10^(p-1) <= a < 10^p
  const int k = p - n;    // a = D x 10^k
  if (k >= 0 && p <= 16) {
    out = put_raw(out, std::string_view(digits, static_cast<size_t>(n)));
    std::memset(out, '0', static_cast<size_t>(k));
    return put_raw(out + k, ".0");
  }
  if (p > 0 && p <= 16) {
    out = put_raw(out, std::string_view(digits, static_cast<size_t>(p)));
    *out++ = '.';
    return put_raw(out, std::string_view(digits + p, static_cast<size_t>(n - p)));
  }
  if (p > -5 && p <= 0) {
    out = put_raw(out, "0.");
    std::memset(out, '0', static_cast<size_t>(-p));
    return put_raw(out - p, std::string_view(digits, static_cast<size_t>(n)));
  }
  *out++ = digits[0];
  if (n > 1) {
    *out++ = '.';
    out = put_raw(out, std::string_view(digits + 1, static_cast<size_t>(n - 1)));
  }
  *out++ = 'e';
  return put_integer(out, p - 1);
}

}  // namespace

size_t string_room(std::string_view text) {
  if (text.size() <= kShortText) return 6 * text.size() + 2;
  size_t room = 2;
  for (unsigned char b : text) {
    const char escape = kEscapeTable[b];
    room += escape == 0 ? 1 : escape == 'u' ? 6 : 2;
  }
  return room;
}

char* put_number(char* out, double value) {
  if (!std::isfinite(value)) return put_null(out);
  if (std::signbit(value)) *out++ = '-';
  const double a = std::fabs(value);
  if (a == 0) return put_raw(out, "0.0");
  if (char* end = put_few_decimals(out, a)) return end;
  return put_shortest(out, a);
}

char* put_string(char* out, std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  *out++ = '"';
  while (true) {
    // Runs that need no escape are copied whole.
    const auto* run = p;
    while (p < end && kEscapeTable[*p] == 0) ++p;
    out = put_raw(out, std::string_view(reinterpret_cast<const char*>(run),
                                        static_cast<size_t>(p - run)));
    if (p == end) break;
    const char escape = kEscapeTable[*p];
    *out++ = '\\';
    *out++ = escape;
    if (escape == 'u') {
      *out++ = '0';
      *out++ = '0';
      *out++ = kHexDigits[*p >> 4];
      *out++ = kHexDigits[*p & 0xF];
    }
    ++p;
  }
  *out++ = '"';
  return out;
}

}  // namespace engine::json
