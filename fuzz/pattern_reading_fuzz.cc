// The reading of search patterns, held against PCRE2's own reading of the same pattern
// (tests/engine/text/pattern_oracle.h). Each input byte picks a token of the pattern
// (0xFF: the next byte is an ASCII character of it); tokens include modes, every anchor
// and large counts. On every pattern
//  - the reading step lets through no callout, verb, recursion or subroutine call that
//    PCRE2 reads as one, and refuses only at the first one PCRE2 reads;
//  - the guard, given the pattern as PCRE2 reads it with no step before it, refuses at
//    that same first one, and nothing else;
//  - the step's backtracking verdict is PCRE2's, every code point it rewrites is an escape
//    PCRE2 reads, and none it leaves is; every "$" it writes as \z is an item PCRE2 reads;
//  - Pattern::compile refuses exactly what the step, the guard or PCRE2 refuses;
//  - a plain pattern finds on names with line breaks, through the automaton alone and
//    behind a first alternative that passes the backtracking limit, what backtracking
//    finds.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "tests/engine/text/pattern_oracle.h"

namespace {

// Names with line breaks where anchors part, and one made of the input's own bytes.
constexpr std::string_view kNames[] = {"", "a\n", "\nab\n", "b\n\n", "é x\r\n1_#", "ab"};
constexpr std::string_view kPieces[] = {"a", "b", "é", "x", " ", "\n", "#", "-", "1", "_", "\r"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Longer patterns add nothing that a run of short ones lacks, and cost compiles.
  if (size > 96) return 0;
  const std::string pattern = engine::testing::pattern_of(
      std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string found = engine::testing::disagreement(pattern);
  FUZZ_CHECK(found.empty(), "on %s: %s", pattern.c_str(), found.c_str());
  std::string own;
  for (size_t i = 0; i < size && i < 12; ++i) own += kPieces[data[i] % std::size(kPieces)];
  for (const std::string_view name : kNames) {
    const std::string automaton = engine::testing::automaton_disagreement(pattern, name, false);
    FUZZ_CHECK(automaton.empty(), "on %s over \"%s\": %s", pattern.c_str(),
               std::string(name).c_str(), automaton.c_str());
  }
  const std::string forced = engine::testing::automaton_disagreement(pattern, own, true);
  FUZZ_CHECK(forced.empty(), "on %s over \"%s\": %s", pattern.c_str(), own.c_str(), forced.c_str());
  return 0;
}
