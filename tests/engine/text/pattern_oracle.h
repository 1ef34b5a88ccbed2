// PCRE2's own reading of a pattern, for the tests and the fuzz target that hold the
// reading step (read_pattern) and the guard (refusal_by_pcre2) against it, and the
// patterns they try: random runs of tokens from the corners where the two readings could
// part (escapes, quotes, class openings, extended modes, comments, code-point escapes,
// every refused construct and every construct that needs backtracking).
//
// What PCRE2 says, with no reading of ours in between:
// - where it reads an item: the offsets of the callouts PCRE2_AUTO_CALLOUT puts before
//   each, but for quoted characters, which are items one character long;
// - where it reads an explicit callout: a "(?C" whose change into "(?Q" makes PCRE2
//   refuse that "(?Q", where it is;
// - back-references: the highest one the compiled pattern holds (a backslash and digits
//   PCRE2 reads as an octal character are none);
// - possessive quantifiers the user wrote: a "+" whose change into "{2}" makes PCRE2
//   refuse a quantifier that follows a quantifier, right there;
// - code points: an escape it reads is one that \x{110000} in its place makes too large.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/text/pattern.h"
#include "engine/text/pattern_automaton.h"
#include "engine/text/pattern_guard.h"
#include "engine/text/pattern_reading.h"
#include "engine/text/pcre2_common.h"

namespace engine::testing {

// The first brackets name group 1 and "n", so that calls and references find a group.
inline constexpr std::string_view kPatternTokens[] = {
    "a", "b", "é", ".", "^", "$", "|", " ", "\t", "\n", "#", "-", ":", "=", "!", "<", ">",
    "'", "P", "R", "0", "1", ",", "{", "}", "&", "\xC2\x85",
    // quantifiers, and braces that are none
    "*", "+", "?", "{2}", "{1,}", "{1,3}", "{,2}", "{2", "{ 2}",
    // escapes
    "\\", "\\\\", "\\d", "\\w", "\\b", "\\]", "\\[", "\\(", "\\)", "\\#", "\\ ", "\\x{62}",
    "\\x62", "\\p{L}", "\\pL", "\\c[", "\\c]", "\\c\\", "\\Q", "\\E", "\\Q\\E", "\\0",
    "\\x{", "\\p{", "\\g{", "\\k{", "\\N{U+62}",
    // code points
    "\\u0062", "\\u{62}", "\\U00000062", "\\U{1F600}", "\\u006", "\\u{", "u0062",
    // classes
    "[", "]", "[^", "[]", "[^]", "[\\E", "[\\Q\\E", "[^\\E", "[ ", "[^ ", "[\t", "[\\E]",
    "[\\Q\\E]", "[^\\E]", "[\\E^\\Q\\E]", "[ ]", "[\t^ ]", "[:alpha:]",
    "[[:alpha:]", "[[:<:]]", "[[:>:]]", "[.", ".]", "[=", ":]", "\\E]", " ]",
    // groups, modes and comments
    "(", ")", "(?:", "(?x)", "(?xx)", "(?-x)", "(?^)", "(?x:", "(?xx:", "(?xxx)", "(?^x)", "(?xx-x)", "(?i)",
    "(?#", "(?#(", "(?#\\", "(?#[)", "(?<n>", "(?P<n>", "(?'n'", "(?|",
    // refused
    "(?C1)", "(?C)", "(?C\"s\")", "(?C{s})", "(?C255)", "(*ACCEPT)", "(*COMMIT)", "(*F)",
    "(*UTF)", "(*LIMIT_MATCH=9)", "(*MARK:m)", "(*pla:", "(?R)", "(?1)", "(?+1)", "(?-1)",
    "(?&n)", "(?P>n)", "\\g<n>", "\\g'1'", "\\g<1>", "(?0)",
    // backtracking
    "\\1", "\\2", "\\10", "\\g{1}", "\\g1", "\\g-1", "\\g{-1}", "\\k<n>", "\\k'n'", "\\k{n}",
    "(?P=n)", "(?=", "(?!", "(?<=", "(?<!", "(?*", "(?<*", "(?>", "(?(", "(?(1)", "(?(<n>)",
    "(?(DEFINE)", "*+", "++", "?+", "{2}+", "{1,3}+", "*?", "+?", "(?(R)", "(?(?=a)", "(?(?C1)",
    // modes, anchors, numbers PCRE2 reads as octal or as references, large counts
    "(?m)", "(?-m)", "(?m:", "(?s)", "(?ms)", "(?^m)", "(?n)", "(?i:", "\\A", "\\z", "\\Z",
    "\\G", "\\B", "\\101", "\\12", "\\81", "{300,}", "{40}",
};
inline constexpr size_t kPatternTokenCount = std::size(kPatternTokens);

namespace oracle {

struct FreeCode {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using Code = std::unique_ptr<pcre2_code, FreeCode>;

struct Compiled {
  Code code;
  int error = 0;
  size_t offset = 0;
};

inline Compiled compile(std::string_view text, uint32_t extra = 0) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  Compiled out;
  PCRE2_SIZE offset = 0;
  out.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                               kPatternOptions | extra, &out.error, &offset, context));
  out.offset = offset;
  pcre2_compile_context_free(context);
  if (out.code) out.error = 0;
  return out;
}

// Where the callouts stand; with `longer_than_one`, only those before an item longer than
// one character (a quoted character is an item of its own).
inline std::vector<size_t> callouts(const pcre2_code* code, bool longer_than_one = false) {
  std::vector<size_t> at;
  const auto note = [](pcre2_callout_enumerate_block* block, void* data) {
    static_cast<std::vector<size_t>*>(data)->push_back(block->pattern_position);
    return 0;
  };
  const auto note_longer = [](pcre2_callout_enumerate_block* block, void* data) {
    if (block->next_item_length > 1)
      static_cast<std::vector<size_t>*>(data)->push_back(block->pattern_position);
    return 0;
  };
  pcre2_callout_enumerate(code, longer_than_one ? +note_longer : +note, &at);
  std::sort(at.begin(), at.end());
  at.erase(std::unique(at.begin(), at.end()), at.end());
  return at;
}

inline bool starts_any(std::string_view text, std::initializer_list<std::string_view> heads) {
  return std::any_of(heads.begin(), heads.end(),
                     [&](std::string_view head) { return text.starts_with(head); });
}

inline bool digit_at(std::string_view text, size_t i) {
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

// A verb, recursion or subroutine call, written as PCRE2's documentation spells them.
inline bool refused_item(std::string_view text) {
  return starts_any(text, {"(*", "(?R", "(?&", "(?P>", "(?+", "\\g<", "\\g'"}) ||
         (text.starts_with("(?") && digit_at(text, 2)) ||
         (text.starts_with("(?-") && digit_at(text, 3));
}

inline bool backtracking_item(std::string_view text) {
  return starts_any(text, {"(?=", "(?!", "(?<=", "(?<!", "(?*", "(?<*", "(?>", "(?(",
                           "[[:<:]]", "[[:>:]]"});
}

inline std::string replaced(std::string_view text, size_t at, size_t size,
                            std::string_view by) {
  return std::string(text.substr(0, at)).append(by).append(text.substr(at + size));
}

// PCRE2's verdict on a text it compiles; nullopt when it does not compile it.
struct Reading {
  std::vector<size_t> refused;  // where a refused construct stands, in order
  bool needs_backtracking = false;
};

inline std::optional<Reading> read(std::string_view text) {
  const Compiled plain = compile(text);
  if (!plain.code) return std::nullopt;
  const Compiled items = compile(text, PCRE2_AUTO_CALLOUT);
  if (!items.code) return std::nullopt;
  Reading out;
  const size_t explicit_callouts = callouts(plain.code.get()).size();
  size_t found_callouts = 0;
  for (size_t at = text.find("(?C"); at != std::string_view::npos; at = text.find("(?C", at + 1)) {
    // Right after "(?(" PCRE2 wants a callout or an assertion, and says so where "(?Q" is.
    const Compiled unknown = compile(replaced(text, at + 2, 1, "Q"));
    if ((unknown.error == PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY && unknown.offset == at + 2) ||
        (unknown.error == PCRE2_ERROR_CONDITION_ASSERTION_EXPECTED && unknown.offset == at)) {
      out.refused.push_back(at);
      ++found_callouts;
    }
  }
  if (found_callouts != explicit_callouts) out.refused.push_back(text.size());  // unplaced
  if (text.starts_with("(*")) out.refused.push_back(0);
  for (const size_t at : callouts(items.code.get(), true)) {
    if (refused_item(text.substr(at))) out.refused.push_back(at);
    if (backtracking_item(text.substr(at))) out.needs_backtracking = true;
  }
  std::sort(out.refused.begin(), out.refused.end());
  out.refused.erase(std::unique(out.refused.begin(), out.refused.end()), out.refused.end());

  uint32_t backrefs = 0;
  pcre2_pattern_info(plain.code.get(), PCRE2_INFO_BACKREFMAX, &backrefs);
  if (backrefs > 0) out.needs_backtracking = true;
  for (size_t at = text.find('+'); at != std::string_view::npos && !out.needs_backtracking;
       at = text.find('+', at + 1)) {
    const Compiled counted = compile(replaced(text, at, 1, "{2}"));
    out.needs_backtracking =
        counted.error == PCRE2_ERROR_QUANTIFIER_INVALID && counted.offset == at + 2;
  }
  return out;
}

// \u0062, \U00000062, \u{62}, \U{62}: code points in our language.
inline bool code_point_escape(std::string_view text) {
  const auto hex = [&](size_t from, size_t n) {
    if (text.size() < from + n) return false;
    return std::all_of(text.begin() + from, text.begin() + from + n,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  };
  if (!starts_any(text, {"\\u", "\\U"})) return false;
  if (text.size() > 3 && text[2] == '{') {
    const size_t close = text.find('}', 3);
    return close != std::string_view::npos && close > 3 && hex(3, close - 3);
  }
  return hex(2, text[1] == 'u' ? 4 : 8);
}

}  // namespace oracle

// Tokens picked by `choices` (but 0xFF: the next choice is an ASCII character), then as
// many closing brackets as PCRE2 asks for, so that more of the patterns compile.
inline std::string pattern_of(std::string_view choices) {
  std::string pattern;
  for (size_t i = 0; i < choices.size(); ++i) {
    const auto choice = static_cast<unsigned char>(choices[i]);
    if (choice == 0xFF && i + 1 < choices.size())
      pattern += static_cast<char>(choices[++i] & 0x7F);
    else
      pattern += kPatternTokens[choice % kPatternTokenCount];
  }
  for (int closing = 0; closing < 8; ++closing) {
    const auto read = read_pattern(pattern);
    if (!std::holds_alternative<PatternReading>(read)) break;
    const int error = oracle::compile(std::get<PatternReading>(read).pcre2).error;
    if (error == PCRE2_ERROR_MISSING_SQUARE_BRACKET)
      pattern += ']';
    else if (error == PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS ||
             error == PCRE2_ERROR_MISSING_COMMENT_CLOSING)
      pattern += ')';
    else
      break;
  }
  return pattern;
}

// Where the reading step, the guard and Pattern::compile part from PCRE2's own reading of
// `pattern`, in words; empty when they agree.
inline std::string disagreement(std::string_view pattern) {
  const auto guarded = [](const PatternReading& reading) -> std::optional<PatternRefusal> {
    const oracle::Compiled compiled = oracle::compile(reading.pcre2);
    if (!compiled.code) return std::nullopt;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    auto refusal = refusal_by_pcre2(reading, compiled.code.get(), context);
    pcre2_compile_context_free(context);
    return refusal;
  };
  const auto at = [](size_t offset) { return " at " + std::to_string(offset); };

  // The guard, on the pattern as PCRE2 reads it with no step before it.
  const auto as_is = oracle::read(pattern);
  const auto refusal = guarded(PatternReading{std::string(pattern), {}});
  if (as_is && as_is->refused.empty() != !refusal)
    return refusal ? "the guard refuses" + at(refusal->offset) + ", PCRE2 reads nothing refused"
                   : "the guard lets through what PCRE2 reads" + at(as_is->refused.front());
  if (as_is && refusal && refusal->offset != as_is->refused.front())
    return "the guard refuses" + at(refusal->offset) + ", PCRE2's first" +
           at(as_is->refused.front());

  const auto read = read_pattern(pattern);
  const bool compiles = std::holds_alternative<Pattern>(Pattern::compile(pattern));
  if (const auto* refused = std::get_if<PatternRefusal>(&read)) {
    if (compiles) return "the step's refusal does not stop Pattern::compile";
    if (!as_is) return {};
    if (as_is->refused.empty())
      return "the step refuses" + at(refused->offset) + ", PCRE2 reads nothing refused";
    if (refused->offset != as_is->refused.front())
      return "the step refuses" + at(refused->offset) + ", PCRE2's first" +
             at(as_is->refused.front());
    if (refusal && refused->message != refusal->message)
      return "the step and the guard give different reasons";
    return {};
  }

  const PatternReading& reading = std::get<PatternReading>(read);
  const std::string& text = reading.pcre2;
  const oracle::Compiled plain = oracle::compile(text);
  if (!plain.code) {
    if (compiles) return "Pattern::compile takes what PCRE2 refuses";
    if (plain.error == PCRE2_ERROR_UNSUPPORTED_ESCAPE_SEQUENCE && plain.offset >= 2 &&
        oracle::code_point_escape(std::string_view(text).substr(plain.offset - 2)))
      return "the step leaves a code point escape unwritten" + at(plain.offset - 2);
    return {};
  }
  const auto pcre2 = oracle::read(text);
  if (!pcre2) return "PCRE2 compiles the reading only without callouts";
  if (!pcre2->refused.empty())
    return "the step lets through what PCRE2 reads" + at(pcre2->refused.front()) + " of " + text;
  if (!compiles) return "Pattern::compile refuses what PCRE2 reads nothing refused in";
  if (pcre2->needs_backtracking && !reading.needs_backtracking)
    return "the step calls plain a pattern that needs backtracking: " + text;
  if (!pcre2->needs_backtracking && reading.needs_backtracking)
    return "the step finds backtracking in a plain pattern: " + text;
  for (const auto& rewrite : reading.rewrites) {
    // "$" written out as \z: an item PCRE2 reads there.
    if (text.substr(rewrite.pcre2_at, rewrite.pcre2_size) == "\\z") {
      const auto items = oracle::callouts(oracle::compile(text, PCRE2_AUTO_CALLOUT).code.get());
      if (!std::binary_search(items.begin(), items.end(), rewrite.pcre2_at))
        return "the step rewrote a \"$\" that PCRE2 does not read as one" + at(rewrite.user_at);
      continue;
    }
    const oracle::Compiled out_of_range = oracle::compile(
        oracle::replaced(text, rewrite.pcre2_at, rewrite.pcre2_size, "\\x{110000}"));
    if (out_of_range.error != PCRE2_ERROR_CODE_POINT_TOO_BIG ||
        out_of_range.offset < rewrite.pcre2_at || out_of_range.offset > rewrite.pcre2_at + 10)
      return "the step rewrote what PCRE2 does not read as an escape" + at(rewrite.user_at);
  }
  return {};
}

// Where PCRE2's automaton, alone and behind a first alternative whose backtracking passes
// the limit at the first start of a name that begins with 32 "a"s (the path Pattern::search
// takes then), finds otherwise than backtracking on `name`; empty when they agree or the
// pattern is not plain, or may hold \K, which the automaton does not run. The forced
// search spends the whole backtracking limit first.
inline std::string automaton_disagreement(std::string_view pattern, std::string_view name,
                                          bool forced) {
  const auto read = read_pattern(pattern);
  if (!std::holds_alternative<PatternReading>(read)) return {};
  const PatternReading& reading = std::get<PatternReading>(read);
  const oracle::Compiled compiled = oracle::compile(reading.pcre2);
  if (reading.needs_backtracking || !compiled.code ||
      reading.pcre2.find("\\K") != std::string::npos)
    return {};
  pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
  const auto backtracking_finds = [&](std::string_view text) {
    const int rc = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                               text.size(), 0, 0, data, nullptr);
    return rc >= 0 ? 1 : rc == PCRE2_ERROR_NOMATCH ? 0 : -1;
  };
  const int expected = backtracking_finds(name);
  const std::optional<bool> found = PatternAutomaton(reading).search(name);
  std::string disagreement;
  if (expected >= 0 && found != (expected == 1))
    disagreement = found ? "the automaton finds otherwise" : "the automaton does not decide";
  const std::string forcing = "(a|aa)*b|" + std::string(pattern);
  const auto forcing_read = read_pattern(forcing);
  if (disagreement.empty() && forced && std::holds_alternative<PatternReading>(forcing_read) &&
      !std::get<PatternReading>(forcing_read).needs_backtracking) {
    const std::string longer = std::string(32, 'a').append(name);
    const int plain = backtracking_finds(longer);
    const auto compiled_forcing = Pattern::compile(forcing);
    if (plain >= 0 && std::holds_alternative<Pattern>(compiled_forcing) &&
        std::get<Pattern>(compiled_forcing).search(longer) !=
            (plain == 1 || name.find('b') != std::string_view::npos))
      disagreement = "the forced automaton finds otherwise";
  }
  pcre2_match_data_free(data);
  return disagreement;
}

}  // namespace engine::testing
