// Our users write search patterns in the Rust-style regular-expression language; PCRE2
// matches them. This step reads a user's pattern once, the way PCRE2 will tokenise it
// (escapes, \Q...\E, character classes, groups, comments, extended modes), and hands
// PCRE2 the pattern it has to see for the two to agree:
// - PCRE2 refuses \u and \U; in our language \u0062 (4 hex digits), \U00000062
//   (8 digits), \u{62} and \U{62} name a code point, so they become \x{...}.
// - Outside multi-line mode "$" is the end of the text, where PCRE2's also matches before
//   a final line break: such a "$" becomes \z. (PCRE2's option that would do the same
//   also cuts the multi-line "$" down to the end of the text in its automaton matcher.)
// - PCRE2 runs code or changes its own options, limits and newline rules from inside a
//   pattern: callouts (?C...), verbs (*...), recursion and subroutine calls (?R), (?1),
//   (?+1), (?-1), (?&name), (?P>name), \g<name>, \g'name'. None of them exists in our
//   language; wherever PCRE2 would read one (not as class members, quoted text or a
//   comment) they are refused like any pattern that does not compile.
// Everything else passes unchanged; whatever PCRE2 itself refuses stays refused. This
// reading is checked again against PCRE2's own once it has compiled (pattern_guard.h).
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

  // Each rewritten escape or "$": where it starts in both texts, and its length in each.
  struct Rewrite {
    size_t user_at, pcre2_at, user_size, pcre2_size;
  };
  std::vector<Rewrite> rewrites;

  // Whether only a backtracking matcher decides the pattern as written: it holds a
  // back-reference (\1, \10, \g{..}, \g1, \g-1, \k<..>, \k'..', \k{..}, (?P=name)), a
  // look-around ((?=, (?!, (?<=, (?<!, (?*, (?<*, and [[:<:]] or [[:>:]], which PCRE2
  // reads as one), an atomic group (?>, a conditional group (?( or a possessive
  // quantifier (*+, ++, ?+, {n,m}+) that the user wrote; false means the pattern is
  // plain. As in PCRE2, \10 to \79 and longer numbers starting with 1 to 7 are octal
  // characters where fewer groups open before them.
  bool needs_backtracking = false;

  // The single items (a character, an escape, a class, ".") that a "+" or a "{n,}"
  // repeats, as spans of `pcre2`; a quoted one is the last character of a \Q...\E.
  // PCRE2's automaton matcher keeps a count with each repeat of a single item, which for
  // "+", "{1,}" and a class's "{n,}" grows without bound, so that its states for the same
  // place in the pattern stop merging; around a group it keeps none.
  struct Span {
    size_t at, size;
    bool quoted;
  };
  struct Repeat {
    Span item;
    size_t quantifier_at, quantifier_size;  // the "+" or "{n,}" in `pcre2`
  };
  std::vector<Repeat> repeats{};
  // The most members (characters, escapes, POSIX items, each end of a range) of any one
  // class: matching one character against a class takes a test of each member in turn.
  size_t most_class_members = 0;
};

// A construct the step refuses, at a byte offset of the user's pattern.
struct PatternRefusal {
  size_t offset;
  std::string message;
};

std::variant<PatternReading, PatternRefusal> read_pattern(std::string_view pattern);

// The pattern read on past the constructs read_pattern refuses, which stay in `pcre2` as
// the user wrote them: PCRE2's refusal of something written before the first of them
// comes first.
PatternReading read_pattern_past_refusals(std::string_view pattern);

// Why an item that starts `text` is refused (one of the constructs above), or nullptr
// when it is not. Whether `text` starts an item at all is the reader's to know.
const char* refused_construct(std::string_view text);

}  // namespace engine
