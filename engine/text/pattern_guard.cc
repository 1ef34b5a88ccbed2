#include "engine/text/pattern_guard.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text/pcre2_stack_room.h"

namespace engine {

namespace {

// Where an explicit callout starts. PCRE2 reports the offset after it, and for a string
// argument where the text starts, after "(?C" and the opening delimiter; a number runs
// back from the closing ")" to the "(?C".
size_t callout_start(std::string_view text, const pcre2_callout_enumerate_block& block) {
  if (block.callout_string != nullptr) return block.callout_string_offset - 4;
  size_t at = block.pattern_position - 1;
  while (at > 0 && text[at - 1] >= '0' && text[at - 1] <= '9') --at;
  return at >= 3 ? at - 3 : 0;
}

// The callbacks run inside PCRE2's C frames, which an exception must not cross: a
// shortage stops the walk and is thrown once PCRE2 has returned.
struct Callouts {
  std::string_view text;
  std::vector<size_t> starts;
  bool short_of_memory = false;

  int note(size_t at) noexcept {
    try {
      starts.push_back(at);
      return 0;
    } catch (const std::bad_alloc&) {
      short_of_memory = true;
      return 1;
    }
  }
};

void enumerate_callouts(const pcre2_code* code,
                        int (*note)(pcre2_callout_enumerate_block*, void*), Callouts& callouts) {
  pcre2_callout_enumerate(code, note, &callouts);
  if (callouts.short_of_memory) throw std::bad_alloc();
}

int note_explicit(pcre2_callout_enumerate_block* block, void* data) {
  auto* callouts = static_cast<Callouts*>(data);
  return callouts->note(callout_start(callouts->text, *block));
}

// Between \Q and \E each character is an item of its own, one character long while the
// next one is quoted too; an item that is a refused construct is longer.
int note_item(pcre2_callout_enumerate_block* block, void* data) {
  if (block->next_item_length > 1)
    return static_cast<Callouts*>(data)->note(block->pattern_position);
  return 0;
}

}  // namespace

std::optional<PatternRefusal> refusal_by_pcre2(const PatternReading& reading,
                                               const pcre2_code* compiled,
                                               pcre2_compile_context* context) {
  const std::string_view text = reading.pcre2;
  Callouts refused{text, {}};
  enumerate_callouts(compiled, note_explicit, refused);

  // Where the text holds a refused construct, whatever PCRE2 reads there. What starts
  // the pattern PCRE2 reads as options, a verb or an item.
  std::vector<size_t> suspects;
  for (size_t at = 0; at < text.size(); ++at)
    if ((text[at] == '(' || text[at] == '\\') && refused_construct(text.substr(at)))
      suspects.push_back(at);
  if (!suspects.empty() && suspects.front() == 0) {
    refused.starts.push_back(0);
  } else if (!suspects.empty()) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    const Pcre2Code items(compile_with_stack_room(reinterpret_cast<PCRE2_SPTR>(text.data()),
                                                  text.size(), kPatternOptions | PCRE2_AUTO_CALLOUT,
                                                  &error, &offset, context));
    // A copy too large to hold its callouts says nothing of the pattern, which compiled:
    // the reading step's verdict stands.
    Callouts starts{text, {}};
    if (items) enumerate_callouts(items.get(), note_item, starts);
    for (const size_t at : starts.starts)
      if (std::binary_search(suspects.begin(), suspects.end(), at)) refused.starts.push_back(at);
  }
  if (refused.starts.empty()) return std::nullopt;
  const size_t first = *std::min_element(refused.starts.begin(), refused.starts.end());
  const char* why = refused_construct(text.substr(first));
  return PatternRefusal{reading.user_offset(first), why ? why : refused_construct("(?C")};
}

}  // namespace engine
