// What every PCRE2 compile of a user's pattern shares: the one that matches
// (pattern.h), the one that checks what PCRE2 read (pattern_guard.h) and the automaton's
// (pattern_automaton.h) must read the pattern alike. Also the owners of PCRE2's objects
// and the text of its errors.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>

namespace engine {

// \C (one code unit) could stop a match inside a character; names are matched by
// whole characters only. In (?m) our users' "^" starts every line, also the empty one
// after a final line break, where PCRE2's does not. (Their "$" outside (?m) the reading
// step writes out as \z.)
inline constexpr uint32_t kPatternOptions =
    PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_ALT_CIRCUMFLEX;

// Groups nest at most this deep in a user's pattern.
inline constexpr uint32_t kNestingLimit = 250;

template <class T, void (*Free)(T*)>
struct Pcre2Free {
  void operator()(T* p) const { Free(p); }
};
using Pcre2Code = std::unique_ptr<pcre2_code, Pcre2Free<pcre2_code, pcre2_code_free>>;
using CompileContext =
    std::unique_ptr<pcre2_compile_context,
                    Pcre2Free<pcre2_compile_context, pcre2_compile_context_free>>;
using MatchData =
    std::unique_ptr<pcre2_match_data, Pcre2Free<pcre2_match_data, pcre2_match_data_free>>;

// A compile context with line feed as the newline (a build's default convention would
// change where ".", "^" and "$" stop) and groups nested at most `nesting_limit` deep.
// Running out of memory throws std::bad_alloc.
CompileContext compile_context(uint32_t nesting_limit = kNestingLimit);

// PCRE2's message for an error code.
std::string pcre2_error_text(int code);

}  // namespace engine
