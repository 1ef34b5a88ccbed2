// A strict reader of JSON text for the tests that check the export from outside: one value
// and nothing after it, the grammar of RFC 8259 with no extension, every string's bytes
// valid UTF-8 and every escape decoded (an unpaired surrogate escape is refused). Numbers
// keep their text, so a test can read them back with its own rules. A cell value and its
// JSON form also turn into one comparable text each (value_record).
#pragma once

#include <cinttypes>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/json/export.h"
#include "engine/model/cell_value.h"
#include "tests/engine/utf8_encode.h"

namespace engine::testing {

// The export of `book` as a string (the caller holds the book's read lock, or owns it).
inline Result<std::string> export_text(const Book& book) {
  StringBuffer buffer;
  Result<JsonText> written = to_json(book, buffer);
  if (!written.ok()) return written.error();
  return buffer.take(written.value().size);
}

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;  // a number's text, or a string's decoded bytes
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // in text order

  // The first member named `key`; nullptr when there is none or this is no object.
  const JsonValue* get(std::string_view key) const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

inline const JsonValue* JsonValue::get(std::string_view key) const {
  for (const JsonMember& member : members)
    if (member.key == key) return &member.value;
  return nullptr;
}

class JsonReader {
 public:
  // The value of `text`; nullopt, with the reason in error(), when it is not JSON.
  static std::optional<JsonValue> parse(std::string_view text, std::string* error = nullptr) {
    JsonReader reader(text);
    JsonValue value;
    const bool ok = reader.value(value, 0) && (reader.skip_blanks(), reader.at_end());
    if (!ok) {
      if (error) *error = reader.fail_reason() + " at byte " + std::to_string(reader.pos_);
      return std::nullopt;
    }
    return value;
  }

 private:
  static constexpr int kDeepest = 64;

  explicit JsonReader(std::string_view text) : s_(text) {}

  bool at_end() const { return pos_ == s_.size() || fail("bytes after the value"); }
  bool fail(const char* why) const {
    if (!why_) why_ = why;
    return false;
  }
  std::string fail_reason() const { return why_ ? why_ : "not JSON"; }
  int peek() const { return pos_ < s_.size() ? static_cast<unsigned char>(s_[pos_]) : -1; }
  void skip_blanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return fail("unknown literal");
    pos_ += word.size();
    return true;
  }

  bool value(JsonValue& out, int depth) {
    if (depth > kDeepest) return fail("nested too deeply");
    skip_blanks();
    switch (peek()) {
      case '{':
        out.kind = JsonValue::Kind::Object;
        return object(out, depth);
      case '[':
        out.kind = JsonValue::Kind::Array;
        return array(out, depth);
      case '"':
        out.kind = JsonValue::Kind::String;
        return string(out.text);
      case 't':
        out.kind = JsonValue::Kind::Bool;
        out.boolean = true;
        return literal("true");
      case 'f':
        out.kind = JsonValue::Kind::Bool;
        return literal("false");
      case 'n':
        out.kind = JsonValue::Kind::Null;
        return literal("null");
      default:
        out.kind = JsonValue::Kind::Number;
        return number(out.text);
    }
  }

  bool object(JsonValue& out, int depth) {
    ++pos_;
    skip_blanks();
    if (peek() == '}') return ++pos_, true;
    for (;;) {
      skip_blanks();
      if (peek() != '"') return fail("object key is not a string");
      std::string key;
      if (!string(key)) return false;
      skip_blanks();
      if (peek() != ':') return fail("missing ':'");
      ++pos_;
      JsonValue member;
      if (!value(member, depth + 1)) return false;
      out.members.push_back(JsonMember{std::move(key), std::move(member)});
      skip_blanks();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == '}') return ++pos_, true;
      return fail("missing ',' or '}'");
    }
  }

  bool array(JsonValue& out, int depth) {
    ++pos_;
    skip_blanks();
    if (peek() == ']') return ++pos_, true;
    for (;;) {
      JsonValue item;
      if (!value(item, depth + 1)) return false;
      out.items.push_back(std::move(item));
      skip_blanks();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == ']') return ++pos_, true;
      return fail("missing ',' or ']'");
    }
  }

  static bool is_digit(int c) { return c >= '0' && c <= '9'; }

  bool number(std::string& out) {
    const size_t start = pos_;
    if (peek() == '-') ++pos_;
    if (peek() == '0') {
      ++pos_;
    } else if (is_digit(peek())) {
      while (is_digit(peek())) ++pos_;
    } else {
      return fail("not a value");
    }
    if (peek() == '.') {
      ++pos_;
      if (!is_digit(peek())) return fail("no digit after '.'");
      while (is_digit(peek())) ++pos_;
    }
    if (peek() == 'e' || peek() == 'E') {
      ++pos_;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!is_digit(peek())) return fail("no digit in the exponent");
      while (is_digit(peek())) ++pos_;
    }
    out.assign(s_.substr(start, pos_ - start));
    return true;
  }


  bool hex4(uint32_t& out) {
    if (pos_ + 4 > s_.size()) return fail("short \\u escape");
    out = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[pos_++];
      out <<= 4;
      if (c >= '0' && c <= '9') out |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') out |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') out |= static_cast<uint32_t>(c - 'A' + 10);
      else return fail("bad \\u escape");
    }
    return true;
  }

  // One encoded character at pos_, its bytes appended: the shortest form only, no
  // surrogate, nothing above U+10FFFF.
  bool utf8_char(std::string& out) {
    const auto lead = static_cast<unsigned char>(s_[pos_]);
    int tail;
    uint32_t c, least;
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++pos_;
      return true;
    } else if ((lead & 0xE0) == 0xC0) {
      tail = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      tail = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      tail = 3, c = lead & 0x07, least = 0x10000;
    } else {
      return fail("invalid UTF-8 lead byte");
    }
    if (pos_ + static_cast<size_t>(tail) >= s_.size()) return fail("cut UTF-8 sequence");
    for (int k = 1; k <= tail; ++k) {
      const auto b = static_cast<unsigned char>(s_[pos_ + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) return fail("invalid UTF-8 continuation byte");
      c = (c << 6) | (b & 0x3F);
    }
    if (c < least) return fail("overlong UTF-8");
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return fail("UTF-8 of no character");
    out.append(s_.substr(pos_, static_cast<size_t>(tail) + 1));
    pos_ += static_cast<size_t>(tail) + 1;
    return true;
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    for (;;) {
      const int c = peek();
      if (c < 0) return fail("unterminated string");
      if (c == '"') return ++pos_, true;
      if (c < 0x20) return fail("unescaped control character");
      if (c != '\\') {
        if (!utf8_char(out)) return false;
        continue;
      }
      ++pos_;
      const int e = peek();
      ++pos_;
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t unit;
          if (!hex4(unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return fail("lone low surrogate");
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t low;
            if (s_.substr(pos_, 2) != "\\u") return fail("lone high surrogate");
            pos_ += 2;
            if (!hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail("lone high surrogate");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          }
          append_utf8(out, unit);
          break;
        }
        default:
          return fail("unknown escape");
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  mutable const char* why_ = nullptr;
};

// A double as the export writes it: its bits when finite, null otherwise.
inline std::string double_record(double v) {
  if (!std::isfinite(v)) return "null";
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  char out[24];
  std::snprintf(out, sizeof out, "f%016" PRIx64, bits);
  return out;
}

// The record of a cell value: "null", "true", "false", "i" and the integer's digits,
// double_record of a double, or "s" and the text (a date-time's text in its JSON form).
inline std::string value_record(const CellValue& value) {
  using K = CellValue::Kind;
  switch (value.kind()) {
    case K::Empty: return "null";
    case K::String: return "s" + value.text();
    case K::Numeric: return double_record(value.as_numeric());
    case K::Integer: return "i" + std::to_string(value.as_integer());
    case K::Bool: return value.as_bool() ? "true" : "false";
    case K::DateTime: {
      std::string text = "s";
      value.as_date_time().append_text(text, 'T');
      return text;
    }
  }
  return "?";
}

// The record of the JSON form of a cell value; a number without a point or exponent is
// an integer. "?" for what no value is written as.
inline std::string value_record(const JsonValue& v) {
  switch (v.kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::String: return "s" + v.text;
    case JsonValue::Kind::Bool: return v.boolean ? "true" : "false";
    case JsonValue::Kind::Number: {
      if (v.text.find_first_of(".eE") == std::string::npos) return "i" + v.text;
      char* end = nullptr;
      const double d = std::strtod(v.text.c_str(), &end);
      return end == v.text.c_str() + v.text.size() ? double_record(d) : "?";
    }
    default: return "?";
  }
}

}  // namespace engine::testing
