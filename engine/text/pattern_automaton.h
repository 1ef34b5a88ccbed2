// PCRE2's automaton matcher (pcre2_dfa_match) over a plain pattern, one that needs no
// backtracking (PatternReading::needs_backtracking is false). It follows every way
// through the pattern at once, character by character, and no backtracking limit cuts it
// short: Pattern::search lets it decide a name where backtracking reached its limit on
// such a pattern, which is rare: it is written out and compiled on its first search,
// then shared by every thread.
//
// Its work on a character grows with the square of the states it follows there (PCRE2
// compares each new state with every one before it), and a counted repeat such as
// y{4000,} can keep thousands of states alive. So each name has a budget of work,
// counted, not timed: the automaton runs with room for few states first, and with twice
// the room while the text times the work that room allows stays within the budget.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/text/pattern_reading.h"
#include "engine/text/pcre2_common.h"

namespace engine {

class PatternAutomaton {
 public:
  // `reading` compiled with kPatternOptions.
  explicit PatternAutomaton(PatternReading reading) : reading_(std::move(reading)) {}
  ~PatternAutomaton();
  PatternAutomaton(const PatternAutomaton&) = delete;
  PatternAutomaton& operator=(const PatternAutomaton&) = delete;

  // Whether a match starts anywhere in `text`, valid UTF-8; nullopt when the automaton
  // cannot decide: the pattern holds an item it does not run, such as \K, or the work
  // would pass kWorkPerName. Running out of memory throws std::bad_alloc.
  std::optional<bool> search(std::string_view text) const;

  // The pattern as the automaton reads it, framed to be matched from the start of the
  // text, with the repeats of single items rewritten (see pattern_automaton.cc) or, when
  // `rewritten` is false, as the reading step wrote them.
  std::string source(bool rewritten = true) const;

  // The work one name may cost: each run costs the text's length times
  // s * s / 2 + (kWorkPerState + m) * s with room for s states, where m is the most
  // members of any one class in the pattern (each state may test them all), counted
  // before the run, also for a run that outgrows its room. A unit is one comparison of
  // two states or one test of a class member at most, some 0.4 ns; the runs that came
  // closest to the budget took 0.2 to 0.35 s.
  static constexpr uint64_t kWorkPerName = uint64_t{1} << 31;
  static constexpr uint64_t kWorkPerState = 8;
  static constexpr uint64_t kFewestStates = 16;

 private:
  struct Form {
    pcre2_code* code = nullptr;
    bool framed = false;  // matched from the start of the text only
  };
  // The first form of the source that PCRE2 compiles: rewritten, as written, or the
  // pattern itself without the frame, which PCRE2 then tries from every start.
  const Form& form() const;

  const PatternReading reading_;
  mutable std::mutex compiling_;
  mutable std::atomic<bool> compiled_{false};
  mutable Form form_;  // set once, before compiled_
};

}  // namespace engine
