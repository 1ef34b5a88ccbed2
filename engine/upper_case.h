// The full Unicode upper-case mapping, as far as this system needs it: the boolean test
// of value inference and the coordinate parser only ever compare the upper-cased text
// against ASCII, so every code point whose upper-case form holds no ASCII character is
// mapped to a placeholder that equals no ASCII character.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The upper-case form of UTF-8 `text`, with each code point whose full upper-case
// mapping contains no ASCII byte replaced by kNonAscii. Invalid UTF-8 bytes also
// become kNonAscii.
std::string upper_case_ascii_view(std::string_view text);

inline constexpr char kNonAscii = '\x80';

// The full upper-case mapping of one code point, as UTF-8, for those code points whose
// mapping contains an ASCII character (ASCII letters included); empty for the others.
std::string_view upper_case_with_ascii(char32_t code_point);

}  // namespace engine
