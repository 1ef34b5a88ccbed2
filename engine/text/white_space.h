// Trimming by the Unicode White_Space property: U+0009 to U+000D, U+0020, U+0085, U+00A0,
// U+1680, U+2000 to U+200A, U+2028, U+2029, U+202F, U+205F and U+3000. Nothing else
// counts: U+200B (zero-width space) and U+FEFF stay.
#pragma once

#include <string_view>

namespace engine {

bool is_white_space(char32_t code_point);

// `text` (UTF-8) without its leading and trailing white space; a view into `text`.
std::string_view trim_white_space(std::string_view text);

}  // namespace engine
