// Reading one code point of UTF-8 text. Texts that come from Python are well formed; a
// malformed byte still decodes, as one byte standing for kInvalidCodePoint, so that no
// input can make a reader stall or read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine {

inline constexpr char32_t kInvalidCodePoint = 0xFFFFFFFF;

struct Utf8Char {
  char32_t code_point;
  size_t size;  // bytes taken, at least 1
};

// The code point at the start of non-empty `text`.
inline Utf8Char decode_utf8(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const auto continuation = [&](size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  const uint8_t b0 = byte(0);
  if (b0 < 0x80) return {b0, 1};
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (continuation(1)) return {(char32_t{b0 & 0x1Fu} << 6) | (byte(1) & 0x3Fu), 2};
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (continuation(1) && continuation(2)) {
      const char32_t c = (char32_t{b0 & 0x0Fu} << 12) | (char32_t{byte(1) & 0x3Fu} << 6) |
                         (byte(2) & 0x3Fu);
      // Overlong forms and surrogates are not characters.
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) return {c, 3};
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (continuation(1) && continuation(2) && continuation(3)) {
      const char32_t c = (char32_t{b0 & 0x07u} << 18) | (char32_t{byte(1) & 0x3Fu} << 12) |
                         (char32_t{byte(2) & 0x3Fu} << 6) | (byte(3) & 0x3Fu);
      if (c >= 0x10000 && c <= 0x10FFFF) return {c, 4};
    }
  }
  return {kInvalidCodePoint, 1};
}

}  // namespace engine
