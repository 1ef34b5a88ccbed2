#include "engine/text/pattern_automaton.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>

#include "engine/text/pattern_reading.h"
#include "tests/engine/text/pattern_oracle.h"

namespace engine {
namespace {

PatternReading reading_of(std::string_view pattern) {
  auto read = read_pattern(pattern);
  EXPECT_TRUE(std::holds_alternative<PatternReading>(read)) << pattern;
  return std::get<PatternReading>(std::move(read));
}

// Only single items that "+" or "{n,}" repeats stand in a group of their own: a UTF-8
// character, an escape, a class, the last character of a quote; extended mode's spaces
// and comments stay between the item and its quantifier.
TEST(PatternAutomaton, GroupsTheSingleItemsThatARepeatCounts) {
  const struct {
    std::string_view pattern, body;
  } cases[] = {
      {"x+", "(?:x)+"},
      {"ab+?c{2,}d{2}e*f?", "a(?:b)+?(?:c){2,}d{2}e*f?"},
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

// On random plain patterns and short texts the automaton finds what PCRE2's backtracking
// matcher finds, far from any limit: the groups it adds and the frame around the pattern
// change no match, also for patterns that leave a quote or a comment open.
TEST(PatternAutomaton, FindsWhatBacktrackingFinds) {
  std::mt19937_64 random(20261207);
  const std::string_view pieces[] = {"a", "b", "é", "x", " ", "\n", "#", "-", "1", "_", "ab"};
  size_t decided = 0;
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
    for (int t = 0; t < 4; ++t) {
      std::string text;
      for (size_t length = random() % 9; length > 0; --length) text += pieces[random() % 11];
      const int rc = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                 text.size(), 0, 0, data, nullptr);
      ASSERT_TRUE(rc >= 0 || rc == PCRE2_ERROR_NOMATCH) << pattern << " " << rc;
      const std::optional<bool> found = automaton.search(text);
      ASSERT_TRUE(found.has_value()) << pattern << " on " << text;
      ASSERT_EQ(*found, rc >= 0) << pattern << " on \"" << text << "\"";
      ++decided;
    }
    pcre2_match_data_free(data);
  }
  EXPECT_GT(decided, 100'000u);
}

}  // namespace
}  // namespace engine
