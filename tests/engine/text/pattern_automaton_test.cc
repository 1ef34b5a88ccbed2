#include "engine/text/pattern_automaton.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <variant>

#include "engine/text/pattern.h"
#include "engine/text/pattern_reading.h"
#include "tests/engine/text/pattern_oracle.h"
#include "tests/engine/utf8_encode.h"

namespace engine {
namespace {

PatternReading reading_of(std::string_view pattern) {
  auto read = read_pattern(pattern);
  EXPECT_TRUE(std::holds_alternative<PatternReading>(read)) << pattern;
  return std::get<PatternReading>(std::move(read));
}

std::optional<bool> automaton_finds(std::string_view pattern, std::string_view text) {
  return PatternAutomaton(reading_of(pattern)).search(text);
}

// What Pattern::search finds, or nullopt when the pattern does not compile.
std::optional<bool> finds(std::string_view pattern, std::string_view text) {
  const auto compiled = Pattern::compile(pattern);
  if (!std::holds_alternative<Pattern>(compiled)) return std::nullopt;
  return std::get<Pattern>(compiled).search(text);
}

// A first alternative whose backtracking passes the limit at the first start of such a
// name, so that the automaton decides the pattern: it finds a match of `pattern` or a "b".
const std::string kForcing = "(a|aa)*b|";
const std::string kForcingName(32, 'a');

// Only single items that "+" or "{1,}" repeats stand in a group of their own: a UTF-8
// character, an escape, a class, the last character of a quote; extended mode's spaces
// and comments stay between the item and its quantifier. A class under "{n,}" is written
// again under "*"; other items under "{n,}" stay as they are.
TEST(PatternAutomaton, GroupsTheSingleItemsThatARepeatCounts) {
  const struct {
    std::string_view pattern, body;
  } cases[] = {
      {"x+", "(?:x)+"},
      {"ab+?c{2,}d{2}e*f?", "a(?:b)+?c{2,}d{2}e*f?"},
      {"[a-z]{3,}?x{0,}y{01,}", "[a-z]{3}[a-z]*?x{0,}(?:y){01,}"},
      {"(?x)[a b] #c\n {2,}\\d{2,}", "(?x)[a b] #c\n {2}[a b]*\\d{2,}"},
      {"[^]]{10,}\\101+", "[^]]{10}[^]]*(?:\\101)+"},
      {"a$|(?m:b$)$", "a\\z|(?m:b$)\\z"},
      {"é+ü{1,}", "(?:é)+(?:ü){1,}"},
      {"\\w+[a-z]+\\u0062+", "(?:\\w)+(?:[a-z])+(?:\\x{0062})+"},
      {"[]+]+[\\E]x]+", "(?:[]+])+(?:[\\E]x])+"},
      {"\\Qaé\\E+", "\\Qa\\E(?:\\Qé\\E)\\E+"},
      {"\\Qa+\\E\\Q\\E+", "\\Qa\\E(?:\\Q+\\E)\\E\\Q\\E+"},
      {"\\x62+\\012+\\pL+\\x6+", "(?:\\x62)+(?:\\012)+(?:\\pL)+(?:\\x6)+"},
      {"(?x)a # b\n +", "(?x)(?:a) # b\n +"},
      {"a(?#c)+", "(?:a)(?#c)+"},
      {"(ab)+(?:a)+|+", "(ab)+(?:a)+|+"},
  };
  for (const auto& c : cases) {
    const PatternAutomaton automaton(reading_of(c.pattern));
    EXPECT_EQ(automaton.source(), "(?s:.*?)(?:" + std::string(c.body) + "\\E(?x)\n)")
        << c.pattern;
  }
}

// On random plain patterns (modes, anchors, large counts among their tokens) and short
// texts with line breaks, the automaton finds what PCRE2's backtracking matcher finds, far
// from any limit: the groups it adds and the frame around the pattern change no match,
// also for patterns that leave a quote or a comment open. Now and then the pattern also
// runs behind the forcing alternative, through Pattern::search.
TEST(PatternAutomaton, FindsWhatBacktrackingFinds) {
  std::mt19937_64 random(20261207);
  const std::string_view pieces[] = {"a", "b", "é", "x", " ", "\n", "#", "-", "1", "_", "ab", "\r"};
  size_t decided = 0, forced = 0;
  for (int n = 0; n < 200'000; ++n) {
    std::string choices(1 + random() % 10, '\0');
    for (char& choice : choices) choice = static_cast<char>(random());
    const std::string pattern = testing::pattern_of(choices);
    const auto read = read_pattern(pattern);
    if (!std::holds_alternative<PatternReading>(read)) continue;
    const PatternReading& reading = std::get<PatternReading>(read);
    if (reading.needs_backtracking) continue;
    const auto compiled = testing::oracle::compile(reading.pcre2);
    if (!compiled.code) continue;
    const PatternAutomaton automaton(reading);
    pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
    const auto backtracking_finds = [&](std::string_view text) {
      const int rc = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                 text.size(), 0, 0, data, nullptr);
      EXPECT_TRUE(rc >= 0 || rc == PCRE2_ERROR_NOMATCH) << pattern << " " << rc;
      return rc >= 0;
    };
    for (int t = 0; t < 4; ++t) {
      std::string text;
      for (size_t length = random() % 9; length > 0; --length) text += pieces[random() % 12];
      const bool expected = backtracking_finds(text);
      const std::optional<bool> found = automaton.search(text);
      ASSERT_TRUE(found.has_value()) << pattern << " on " << text;
      ASSERT_EQ(*found, expected) << pattern << " on \"" << text << "\"";
      ++decided;
      // The forced pattern's own group before the user's can turn a \10 into a reference.
      if (t > 0 || n % 40 != 0) continue;
      const std::string longer = kForcingName + text;
      const auto forcing = read_pattern(kForcing + pattern);
      if (std::get<PatternReading>(forcing).needs_backtracking) continue;
      ASSERT_EQ(finds(kForcing + pattern, longer),
                backtracking_finds(longer) || text.find('b') != std::string::npos)
          << pattern << " on \"" << text << "\"";
      ++forced;
    }
    pcre2_match_data_free(data);
  }
  EXPECT_GT(decided, 100'000u);
  EXPECT_GT(forced, 500u);
}

// Every anchor in every mode, on names with line breaks: the automaton reads each as
// backtracking does, alone and behind the forcing alternative. Outside (?m) "$" and \z
// end the text only; in it "$" also ends each line and "^" starts each, also the empty
// one after a final line break.
TEST(PatternAutomaton, AnchorsMeanWhatTheyMeanToBacktrackingInEveryMode) {
  const std::string_view modes[] = {"",          "(?m)",     "(?s)",  "(?i)",     "(?x)", "(?ms)",
                                    "(?m)(?-m)", "(?m)(?^)", "(?mx)", "(?i:(?m)", "(?m:"};
  const std::string_view bodies[] = {
      "x$",   "^x",  "x\\z", "\\Ax", "x\\Z",    "\\bx\\b",  "x\\B",  "$",    "^$",     "^",
      "x$\n", "x.$", "^.x",  "\\Gx", "x $ # $", "(?:x|^)$", "x$|^y", "[$^]", "\\Q$\\E"};
  const std::string_view names[] = {"x",  "x\n", "x\ny",  "y\nx", "\nx\n", "X\n", "x\r\n", "",
                                    "\n", "yx",  "x\n\n", "xy",   "$",     "\nx", "x x"};
  size_t cases = 0, found = 0;
  for (const std::string_view mode : modes) {
    for (const std::string_view body : bodies) {
      std::string pattern = std::string(mode).append(body);
      if (mode.find(':') != std::string_view::npos) pattern += ")";
      for (const std::string_view name : names) {
        const std::optional<bool> expected = finds(pattern, name);
        ASSERT_TRUE(expected.has_value()) << pattern;
        EXPECT_EQ(automaton_finds(pattern, name), expected) << pattern << " on " << name;
        // Each forced search first spends the whole backtracking limit.
        if (name.find('\n') != std::string_view::npos && name.size() > 2) {
          const std::string longer = kForcingName + std::string(name);
          EXPECT_EQ(finds(kForcing + pattern, longer), finds(pattern, longer))
              << pattern << " on " << name;
        }
        ++cases;
        found += *expected;
      }
    }
  }
  EXPECT_GT(found, cases / 5);
  // The answers the users' language gives, on both paths.
  const std::tuple<std::string, std::string, bool> known[] = {
      {"(?m)x$", "x\ny", true}, {"x$", "x\n", false},           {"(?m)^$", "x\n", true},
      {"(?m:x$)", "x\n", true}, {"(?m)(?-m)x$", "x\ny", false}, {"(?m)x\\z", "x\n", false},
      {"(?s)x.$", "x\n", true}, {"x.$", "x\n", false},          {"(?m)^x$", "y\nx\n", true},
  };
  for (const auto& [pattern, name, result] : known) {
    EXPECT_EQ(finds(pattern, name), result) << pattern << " on " << name;
    EXPECT_EQ(finds(kForcing + pattern, kForcingName + name), result) << pattern;
  }
}

// A copy too large for PCRE2 falls back to one that compiles: as the reading step wrote
// the repeats, or the pattern itself without the frame.
TEST(PatternAutomaton, ACopyTooLargeFallsBackToOneThatCompiles) {
  std::string pluses;
  for (int i = 0; i < 8'186; ++i) pluses += "x+";
  const std::string near_the_limit = "(a|aa)*b|c|" + std::string(32'750, 'd');
  const std::string patterns[] = {"(a|aa)*b|c|y{9000,}", "(a|aa)*b|c|[a-z]{1700,}",
                                  "(a|aa)*b|c|\\x{1F600}{6000,}", "(a|aa)*b|c|" + pluses,
                                  near_the_limit};
  for (const std::string& pattern : patterns) {
    EXPECT_EQ(automaton_finds(pattern, kForcingName + "c"), true) << pattern.substr(0, 30);
    EXPECT_EQ(automaton_finds(pattern, kForcingName + "e"), false) << pattern.substr(0, 30);
    EXPECT_EQ(finds(pattern, kForcingName + "c"), true) << pattern.substr(0, 30);
  }
}

std::string repeated(std::string_view part, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += part;
  return out;
}

// The work a name may cost is counted, not timed: past it the automaton does not decide,
// whatever the machine's load; the linear cases stay far within it.
TEST(PatternAutomaton, EachNameHasABudgetOfWork) {
  const std::string as(32, 'a');
  const struct {
    std::string pattern, name;
    std::optional<bool> found;
  } cases[] = {
      {"(a|aa)*b|y{1000,}", as + std::string(1'000, 'y'), true},
      {"(a|aa)*b|y{1000,}", as + std::string(999, 'y'), false},
      {"(x+x+)+y", std::string(1'000'000, 'x'), false},
      {"^(a|b)*$", std::string(1'000'000, 'a'), true},
      {"(\\w+\\s?)+$", std::string(1'000'000, 'w'), true},
      {"(a|aa)*b|y{4000,}", as + std::string(4'000, 'y'), std::nullopt},
      {"(a{1,50}){1,50}b", std::string(100'000, 'a') + "cb", std::nullopt},
      {"(a|aa)*b|.{1,1000}z", as + std::string(100'000, 'x'), std::nullopt},
      {"(a|aa)*b|(?:(?:xy){1,45}){1,45}z", as + repeated("xy", 500), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(automaton_finds(c.pattern, c.name), c.found) << c.pattern;
    EXPECT_EQ(finds(c.pattern, c.name), c.found.value_or(false)) << c.pattern;
  }
}

// A class is tested member by member, and a state that tests a large one costs as much:
// one of 5,000 code points over a million characters took 5 s unbudgeted.
TEST(PatternAutomaton, AClassCountsItsMembersToTheBudget) {
  std::string members, last;
  char escape[16];
  for (uint32_t c = 0x100; c < 0x100 + 2 * 5'000; c += 2) {
    std::snprintf(escape, sizeof escape, "\\x{%x}", c);
    members += escape;
  }
  testing::append_utf8(last, 0x100 + 2 * 4'999);
  const std::string pattern = "(a|aa)*b|[" + members + "]z";
  const std::string as(32, 'a');
  EXPECT_EQ(automaton_finds(pattern, as + repeated(last, 1'000) + "z"), true);
  EXPECT_EQ(automaton_finds(pattern, as + repeated(last, 1'000'000) + "z"), std::nullopt);
  EXPECT_EQ(automaton_finds("(a|aa)*b|[\\x{100}-\\x{3000}]z", as + repeated(last, 1'000'000) + "z"),
            true);
}

}  // namespace
}  // namespace engine
