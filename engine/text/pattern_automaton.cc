#include "engine/text/pattern_automaton.h"

#include <charconv>
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

// The least count of a "+" or "{n,}" (at most 65535 in a pattern PCRE2 compiles).
uint32_t least_count(std::string_view quantifier) {
  if (quantifier == "+") return 1;
  uint32_t count = 0;
  std::from_chars(quantifier.data() + 1, quantifier.data() + quantifier.size(), count);
  return count;
}

// The work of one run over `places` places of the text with room for `states` states,
// each of which may test a character against a class of `class_members` members, or
// more than kWorkPerName.
uint64_t run_work(uint64_t places, uint64_t states, uint64_t class_members) {
  const uint64_t per_place =
      states * states / 2 + (PatternAutomaton::kWorkPerState + class_members) * states;
  if (places > PatternAutomaton::kWorkPerName / per_place)
    return PatternAutomaton::kWorkPerName + 1;
  return places * per_place;
}

}  // namespace

// Where PCRE2's automaton keeps a count that grows without bound, a form that keeps none
// or a bounded one: the single item under "+" or "{1,}" stands in a group, and a class
// under "{n,}" becomes "{n}" and the class again under "*". A count tells apart the
// states of each start in the text, which then never merge, and the automaton slows with
// the square of the text. Other items under "{n,}" PCRE2 itself counts up to n only.
// Groups are no answer for n of 2 and more: PCRE2 writes such a group out n times, and
// each copy is three states where the item alone is one.
std::string PatternAutomaton::source(bool rewritten) const {
  const std::string_view text = reading_.pcre2;
  std::string source(kBefore);
  size_t copied = 0;
  static const std::vector<PatternReading::Repeat> kNone;
  for (const PatternReading::Repeat& repeat : rewritten ? reading_.repeats : kNone) {
    const PatternReading::Span& item = repeat.item;
    const std::string_view inside = text.substr(item.at, item.size);
    const uint32_t count = least_count(text.substr(repeat.quantifier_at, repeat.quantifier_size));
    if (count == 1) {
      source.append(text.substr(copied, item.at - copied));
      if (item.quoted)
        source.append("\\E(?:\\Q").append(inside).append("\\E)");
      else
        source.append("(?:").append(inside).append(")");
      copied = item.at + item.size;
    } else if (count > 1 && inside.starts_with('[')) {
      source.append(text.substr(copied, repeat.quantifier_at - copied));
      source.append("{").append(std::to_string(count)).append("}").append(inside).append("*");
      copied = repeat.quantifier_at + repeat.quantifier_size;
    }
  }
  source.append(text.substr(copied)).append(kAfter);
  return source;
}

PatternAutomaton::~PatternAutomaton() { pcre2_code_free(form_.code); }

const PatternAutomaton::Form& PatternAutomaton::form() const {
  if (compiled_.load(std::memory_order_acquire)) return form_;
  std::lock_guard<std::mutex> lock(compiling_);
  if (compiled_.load(std::memory_order_relaxed)) return form_;
  // The frame nests the user's groups two deeper.
  const CompileContext context = compile_context(kNestingLimit + 2);
  // A shortage throws, and leaves the compile to be tried again by the next search.
  const auto compile = [&](const std::string& source) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    return compile_with_stack_room(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                                   kPatternOptions, &error, &offset, context.get());
  };
  // A rewritten repeat or the frame can make a source too large for PCRE2; the pattern
  // itself compiled for matching.
  form_.framed = true;
  form_.code = compile(source(true));
  if (form_.code == nullptr && !reading_.repeats.empty()) form_.code = compile(source(false));
  if (form_.code == nullptr) {
    form_.framed = false;
    form_.code = compile(reading_.pcre2);
  }
  compiled_.store(true, std::memory_order_release);
  return form_;
}

std::optional<bool> PatternAutomaton::search(std::string_view text) const {
  const Form& form = this->form();
  if (form.code == nullptr) return std::nullopt;
  const MatchData data(pcre2_match_data_create(1, nullptr));
  if (!data) throw std::bad_alloc();
  // Unframed, PCRE2 may run from every start to the end of the text.
  const uint64_t length = text.size();
  const uint64_t places = form.framed                    ? length + 1
                          : length < (uint64_t{1} << 32) ? (length + 1) * (length + 2) / 2
                                                         : kWorkPerName + 1;
  const uint32_t options =
      (form.framed ? PCRE2_ANCHORED : 0) | PCRE2_DFA_SHORTEST | PCRE2_NO_UTF_CHECK;
  uint64_t spent = 0;
  for (uint64_t states = kFewestStates;; states *= 2) {
    const uint64_t work = run_work(places, states, reading_.most_class_members);
    if (work > kWorkPerName - spent) return std::nullopt;
    spent += work;
    // Three ints a state, twice: the states at this character and at the next.
    std::vector<int> workspace(2 + 6 * states);
    const int rc =
        dfa_match_with_stack_room(form.code, reinterpret_cast<PCRE2_SPTR>(text.data()),
                                  text.size(), 0, options, data.get(), nullptr, workspace.data(),
                                  workspace.size());
    if (rc >= 0) return true;
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
    if (rc != PCRE2_ERROR_DFA_WSSIZE) return std::nullopt;
  }
}

}  // namespace engine
