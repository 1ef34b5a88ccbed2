#include "engine/text/white_space.h"

#include <cstddef>
#include <cstdint>

namespace engine {

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

namespace {

bool is_continuation(char byte) { return (static_cast<uint8_t>(byte) & 0xC0) == 0x80; }

// Byte length of the white-space character that `s` starts with, 0 when none. A lead
// byte followed by its continuation bytes is exactly one code point, so the same test
// serves the end of a text.
size_t leading_white_space(std::string_view s) {
  if (s.empty()) return 0;
  const auto b0 = static_cast<uint8_t>(s[0]);
  if (b0 < 0x80) return (b0 == 0x20 || (b0 >= 0x09 && b0 <= 0x0D)) ? 1 : 0;
  if (b0 == 0xC2 && s.size() >= 2) {
    const auto b1 = static_cast<uint8_t>(s[1]);
    return (b1 == 0x85 || b1 == 0xA0) ? 2 : 0;
  }
  if ((b0 == 0xE1 || b0 == 0xE2 || b0 == 0xE3) && s.size() >= 3) {
    if (!is_continuation(s[1]) || !is_continuation(s[2])) return 0;
    const char32_t c = (char32_t{b0 & 0x0Fu} << 12) |
                       (char32_t{static_cast<uint8_t>(s[1]) & 0x3Fu} << 6) |
                       (static_cast<uint8_t>(s[2]) & 0x3Fu);
    return is_white_space(c) ? 3 : 0;
  }
  return 0;
}

// Byte length of the white-space character that `s` ends with, 0 when none.
size_t trailing_white_space(std::string_view s) {
  const size_t n = s.size();
  if (n == 0) return 0;
  const auto last = static_cast<uint8_t>(s[n - 1]);
  if (last < 0x80) return (last == 0x20 || (last >= 0x09 && last <= 0x0D)) ? 1 : 0;
  if (n >= 2 && static_cast<uint8_t>(s[n - 2]) == 0xC2) return leading_white_space(s.substr(n - 2));
  if (n >= 3) return leading_white_space(s.substr(n - 3)) == 3 ? 3 : 0;
  return 0;
}

}  // namespace

std::string_view trim_white_space(std::string_view text) {
  while (size_t k = leading_white_space(text)) text.remove_prefix(k);
  while (size_t k = trailing_white_space(text)) text.remove_suffix(k);
  return text;
}

}  // namespace engine
