// The options of every PCRE2 compile of a user's pattern: the one that matches, the one
// that checks what PCRE2 read (pattern_guard.h) and the automaton's
// (pattern_automaton.h) must read the pattern alike.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>

namespace engine {

// \C (one code unit) could stop a match inside a character; names are matched by
// whole characters only. PCRE2 lets "$" match before a final line break; for our users
// "$" is the end of the text, and only (?m) makes it the end of any line. In (?m) their
// "^" starts every line, also the empty one after a final line break, where PCRE2's
// does not.
inline constexpr uint32_t kPatternOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C |
                                            PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX;

// Groups nest at most this deep in a user's pattern.
inline constexpr uint32_t kNestingLimit = 250;

}  // namespace engine
