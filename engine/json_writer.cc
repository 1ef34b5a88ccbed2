#include "engine/json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>

namespace engine {

namespace {

// Per byte: 0 copies it as it stands (so "/", 0x7F and every byte of a non-ASCII
// character pass through); otherwise the letter that follows the backslash, 'u' standing
// for "\u00" and two lowercase hexadecimal digits.
constexpr std::array<char, 256> make_escape_table() {
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
}

constexpr std::array<char, 256> kEscapeTable = make_escape_table();

constexpr char kHexDigits[] = "0123456789abcdef";

// "00".."99", two characters per entry.
constexpr std::array<char, 200> make_digit_pairs() {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}

constexpr std::array<char, 200> kDigitPairs = make_digit_pairs();

// Writes `v` right-aligned so that its last digit lands just before `end`; returns the
// position of its first digit.
char* write_digits_backwards(char* end, uint64_t v) {
  while (v >= 100) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
    v /= 100;
  }
  if (v >= 10) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[2 * v], 2);
  } else {
    *--end = static_cast<char>('0' + v);
  }
  return end;
}

int digit_count(uint64_t v) {
  int n = 1;
  for (; v >= 10000; v /= 10000) n += 4;
  return n + (v >= 10) + (v >= 100) + (v >= 1000);
}

}  // namespace

JsonWriter::JsonWriter() : buf_(kInitialCapacity, '\0'), room_(kInitialCapacity) {
  // Room for the longest date-time text, so that writing one never allocates.
  scratch_.reserve(48);
}

size_t JsonWriter::capacity_for(size_t n) const {
  const size_t limit = buf_.max_size();
  if (n > limit - len_) return 0;
  size_t capacity = std::max(buf_.size(), kInitialCapacity);
  while (capacity - len_ < n) capacity = capacity > limit / 2 ? limit : capacity * 2;
  return capacity;
}

char* JsonWriter::grow(size_t n) {
  if (failure_ != nullptr) return nullptr;
  const size_t capacity = capacity_for(n);
  if (capacity == 0) {
    failure_ = "output exceeds the largest possible text";
    room_ = len_;
    return nullptr;
  }
  try {
    buf_.resize(capacity);
  } catch (const std::exception&) {
    // bad_alloc, or length_error from an allocator smaller than max_size() promises.
    failure_ = "memory allocation failed";
    room_ = len_;
    return nullptr;
  }
  room_ = buf_.size();
  return buf_.data() + len_;
}

void JsonWriter::reserve_more(size_t n) {
  if (failure_ != nullptr || room_ - len_ >= n) return;
  const size_t capacity = capacity_for(n);
  if (capacity == 0) return;
  try {
    buf_.resize(capacity);
    room_ = buf_.size();
  } catch (const std::exception&) {
    // The writes themselves will grow the buffer as far as memory allows.
  }
}

void JsonWriter::string(std::string_view text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  // Most texts need no escape at all: one scan, one copy.
  const unsigned char* run = p;
  while (run < end && kEscapeTable[*run] == 0) ++run;
  if (run == end) {
    char* out = reserve(text.size() + 2);
    if (!out) return;
    out[0] = '"';
    if (!text.empty()) std::memcpy(out + 1, text.data(), text.size());
    out[text.size() + 1] = '"';
    len_ += text.size() + 2;
    return;
  }

  raw('"');
  raw(std::string_view(text.data(), static_cast<size_t>(run - p)));
  p = run;
  while (p < end) {
    // *p needs an escape.
    const char escape = kEscapeTable[*p];
    char* out = reserve(6);
    if (!out) return;
    out[0] = '\\';
    out[1] = escape;
    if (escape == 'u') {
      out[2] = '0';
      out[3] = '0';
      out[4] = kHexDigits[*p >> 4];
      out[5] = kHexDigits[*p & 0xF];
      len_ += 6;
    } else {
      len_ += 2;
    }
    run = ++p;
    while (p < end && kEscapeTable[*p] == 0) ++p;
    raw(std::string_view(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run)));
  }
  raw('"');
}

void JsonWriter::integer(int64_t value) {
  if (value >= 0) {
    unsigned_integer(static_cast<uint64_t>(value));
    return;
  }
  char* out = reserve(20);
  if (!out) return;
  *out = '-';
  const uint64_t magnitude = 0 - static_cast<uint64_t>(value);
  const int n = digit_count(magnitude);
  write_digits_backwards(out + 1 + n, magnitude);
  len_ += 1 + static_cast<size_t>(n);
}

void JsonWriter::unsigned_integer(uint64_t value) {
  char* out = reserve(20);
  if (!out) return;
  const int n = digit_count(value);
  write_digits_backwards(out + n, value);
  len_ += static_cast<size_t>(n);
}

void JsonWriter::number(double value) {
  if (!std::isfinite(value)) {
    null();
    return;
  }
  // Longest forms take 24 bytes: "-0.0000" and 17 digits, or "-d." with 16 digits and
  // "e-308".
  char* out = reserve(32);
  if (!out) return;
  char* const start = out;
  if (std::signbit(value)) *out++ = '-';
  if (value == 0) {
    std::memcpy(out, "0.0", 3);
    len_ += static_cast<size_t>(out + 3 - start);
    return;
  }

  // The scientific form of to_chars gives the shortest round-trip digits D, nearest to
  // the exact value among equals, as "d[.ddd]e±XX"; the layout below is ours.
  char sci[32];
  const auto result =
      std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific);
  char digits[17];
  int n = 0;
  const char* s = sci;
  digits[n++] = *s++;
  if (*s == '.') {
    ++s;
    while (*s != 'e') digits[n++] = *s++;
  }
  ++s;  // 'e'
  const bool negative_exponent = *s == '-';
  ++s;  // sign
  int exponent = 0;
  while (s < result.ptr) exponent = exponent * 10 + (*s++ - '0');
  if (negative_exponent) exponent = -exponent;

  const int p = exponent + 1;  // 10^(p-1) <= |value| < 10^p
  const int k = p - n;         // |value| = D x 10^k
  if (k >= 0 && p <= 16) {
    std::memcpy(out, digits, static_cast<size_t>(n));
    out += n;
    std::memset(out, '0', static_cast<size_t>(k));
    out += k;
    std::memcpy(out, ".0", 2);
    out += 2;
  } else if (p > 0 && p <= 16) {
    std::memcpy(out, digits, static_cast<size_t>(p));
    out += p;
    *out++ = '.';
    std::memcpy(out, digits + p, static_cast<size_t>(n - p));
    out += n - p;
  } else if (p > -5 && p <= 0) {
    std::memcpy(out, "0.", 2);
    out += 2;
    std::memset(out, '0', static_cast<size_t>(-p));
    out += -p;
    std::memcpy(out, digits, static_cast<size_t>(n));
    out += n;
  } else {
    *out++ = digits[0];
    if (n > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, static_cast<size_t>(n - 1));
      out += n - 1;
    }
    *out++ = 'e';
    int e = p - 1;
    if (e < 0) {
      *out++ = '-';
      e = -e;
    }
    const int e_len = digit_count(static_cast<uint64_t>(e));
    write_digits_backwards(out + e_len, static_cast<uint64_t>(e));
    out += e_len;
  }
  len_ += static_cast<size_t>(out - start);
}

void JsonWriter::date_time(const DateTime& value) {
  scratch_.clear();
  value.append_text(scratch_, 'T');
  // Digits, signs, '-', ':', '.' and 'T' only: nothing to escape.
  char* out = reserve(scratch_.size() + 2);
  if (!out) return;
  out[0] = '"';
  std::memcpy(out + 1, scratch_.data(), scratch_.size());
  out[scratch_.size() + 1] = '"';
  len_ += scratch_.size() + 2;
}

}  // namespace engine
