// The full Unicode upper-case mapping, as far as this system needs it: the boolean test
// of value inference and the coordinate parser only ever compare the upper-cased text
// against ASCII, so every code point whose upper-case form holds no ASCII character is
// mapped to a placeholder that equals no ASCII character.
#pragma once

#include <string>
#include <string_view>

namespace engine {

inline constexpr char kNonAscii = '\x80';

// The upper-case form of UTF-8 `text`, with each code point whose full upper-case
// mapping contains no ASCII byte replaced by kNonAscii. Invalid UTF-8 bytes also
// become kNonAscii. A code point whose form mixes ASCII and other characters (U+01F0
// becomes "J" and a combining caron) is written with its whole form in UTF-8.
std::string upper_case_for_ascii_compare(std::string_view text);

// True when the full upper-case mapping of UTF-8 `text` is exactly `ascii_upper`, an
// ASCII text. Allocates nothing and stops at the first difference.
bool upper_case_equals(std::string_view text, std::string_view ascii_upper);

}  // namespace engine
