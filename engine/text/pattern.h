// A real regular expression in our users' Rust-style language (look-around,
// back-references), as only the search of sheets by name pattern uses; PCRE2 matches it as
// pattern_reading.h reads it. UTF-8 with Unicode properties, compiled once, matched from
// any number of threads at once. Nesting of groups is limited to 250 and one match to
// 1,000,000 backtracking steps. Where a plain pattern (no back-reference, look-around,
// atomic or conditional group, possessive quantifier) reaches that limit, PCRE2's
// automaton matcher decides (pattern_automaton.h) within a budget of work per name; past
// that budget, and for any other pattern past the limit, the name counts as no match.
// Running out of memory throws std::bad_alloc.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace engine {

class Pattern {
 public:
  // The compiled pattern, or the compiler's refusal as its debug text:
  // `CompileError { offset: 1, message: "missing closing parenthesis" }`.
  static std::variant<Pattern, std::string> compile(std::string_view pattern);

  // Whether a match starts anywhere in `text` (unanchored).
  bool search(std::string_view text) const;

 private:
  struct Code;
  explicit Pattern(std::shared_ptr<const Code> code) : code_(std::move(code)) {}
  std::shared_ptr<const Code> code_;
};

}  // namespace engine
