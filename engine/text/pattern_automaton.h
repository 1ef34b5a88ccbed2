// PCRE2's automaton matcher (pcre2_dfa_match) over a plain pattern, one that needs no
// backtracking (PatternReading::needs_backtracking is false). It follows every way
// through the pattern at once, character by character, so its time grows with the text
// times the pattern, and no backtracking limit cuts it short: Pattern::search lets it
// decide a name where backtracking reached its limit on such a pattern, which is rare:
// it is written out and compiled on its first search, then shared by every thread.
#pragma once

#include <atomic>
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
  // cannot decide (the pattern holds an item it does not run, such as \K, or its states
  // at one place of the text outgrow kMostStates). Running out of memory throws
  // std::bad_alloc.
  std::optional<bool> search(std::string_view text) const;

  // The pattern as the automaton reads it (see pattern_automaton.cc).
  std::string source() const;

  // States the automaton may follow at one place of the text.
  static constexpr size_t kMostStates = size_t{1} << 20;

 private:
  // Null when the source does not compile.
  const pcre2_code* code() const;

  const PatternReading reading_;
  mutable std::mutex compiling_;
  mutable std::atomic<bool> compiled_{false};
  mutable pcre2_code* code_ = nullptr;  // set once, before compiled_
};

}  // namespace engine
