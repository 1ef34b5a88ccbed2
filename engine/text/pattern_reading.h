// Our users write search patterns in the Rust-style regular-expression language; PCRE2
// matches them. This step reads a user's pattern once, the way PCRE2 will tokenise it
// (escapes, \Q...\E, character classes, groups, comments), and hands PCRE2 the pattern
// it has to see for the two to agree:
// - PCRE2 refuses \u and \U; in our language \u0062 (4 hex digits), \U00000062
//   (8 digits), \u{62} and \U{62} name a code point, so they become \x{...}.
// - PCRE2 runs code or changes its own options, limits and newline rules from inside a
//   pattern: callouts (?C...), verbs (*...), recursion and subroutine calls (?R), (?1),
//   (?+1), (?-1), (?&name), (?P>name), \g<name>, \g'name'. None of them exists in our
//   language; outside a character class they are refused like any pattern that does
//   not compile.
// Everything else passes unchanged; whatever PCRE2 itself refuses stays refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace engine {

struct PatternReading {
  std::string pcre2;  // the pattern as PCRE2 is to read it

  // The offset in the user's pattern of `offset` in `pcre2`, so that PCRE2's own
  // refusals point at what the user wrote.
  size_t user_offset(size_t offset) const;

  // Each rewritten escape: where it starts in both texts, and its length in each.
  struct Rewrite {
    size_t user_at, pcre2_at, user_size, pcre2_size;
  };
  std::vector<Rewrite> rewrites;
};

// A construct the step refuses, at a byte offset of the user's pattern.
struct PatternRefusal {
  size_t offset;
  std::string message;
};

std::variant<PatternReading, PatternRefusal> read_pattern(std::string_view pattern);

}  // namespace engine
