#include "engine/text/pattern_automaton.h"

#include <new>
#include <vector>

#include "engine/text/pcre2_stack_room.h"

namespace engine {

namespace {

// The automaton is anchored at the start of the text and finds a match anywhere through
// a lazy ".*?" in front: unanchored, PCRE2 would run it again from every start. The
// user's pattern stands in a group of its own, closed after a \E (ending any quoted text
// the pattern leaves open) and a line break that (?x) makes white space, which ends a
// "#" comment the pattern leaves open in extended mode.
constexpr std::string_view kBefore = "(?s:.*?)(?:";
constexpr std::string_view kAfter = "\\E(?x)\n)";

}  // namespace

// The pattern with each single item that "+" or "{n,}" repeats in a group: the count
// PCRE2 keeps with such a repeat tells apart the states of each start in the text, which
// then never merge, and the automaton slows with the square of the text.
std::string PatternAutomaton::source() const {
  const std::string_view text = reading_.pcre2;
  std::string source(kBefore);
  size_t copied = 0;
  for (const PatternReading::Span& item : reading_.repeated_items) {
    source.append(text.substr(copied, item.at - copied));
    const std::string_view inside = text.substr(item.at, item.size);
    if (item.quoted)
      source.append("\\E(?:\\Q").append(inside).append("\\E)");
    else
      source.append("(?:").append(inside).append(")");
    copied = item.at + item.size;
  }
  source.append(text.substr(copied)).append(kAfter);
  return source;
}

PatternAutomaton::~PatternAutomaton() { pcre2_code_free(code_); }

const pcre2_code* PatternAutomaton::code() const {
  if (compiled_.load(std::memory_order_acquire)) return code_;
  std::lock_guard<std::mutex> lock(compiling_);
  if (compiled_.load(std::memory_order_relaxed)) return code_;
  // The source nests the user's groups two deeper.
  const CompileContext context = compile_context(kNestingLimit + 2);
  const std::string source = this->source();
  int error = 0;
  PCRE2_SIZE offset = 0;
  code_ = compile_with_stack_room(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                                  kPatternOptions, &error, &offset, context.get());
  // Left to be tried again by the next search.
  if (code_ == nullptr && error == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
  compiled_.store(true, std::memory_order_release);
  return code_;
}

std::optional<bool> PatternAutomaton::search(std::string_view text) const {
  const pcre2_code* code = this->code();
  // The groups added can make a source too large for PCRE2.
  if (code == nullptr) return std::nullopt;
  const MatchData data(pcre2_match_data_create(1, nullptr));
  if (!data) throw std::bad_alloc();
  // Three ints a state, twice: the states at this character and at the next.
  std::vector<int> workspace(1024);
  for (;;) {
    const int rc =
        dfa_match_with_stack_room(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                                  PCRE2_ANCHORED | PCRE2_DFA_SHORTEST | PCRE2_NO_UTF_CHECK,
                                  data.get(), nullptr, workspace.data(), workspace.size());
    if (rc >= 0) return true;
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
    if (rc != PCRE2_ERROR_DFA_WSSIZE || workspace.size() >= 6 * kMostStates) return std::nullopt;
    workspace.resize(workspace.size() * 2);
  }
}

}  // namespace engine
