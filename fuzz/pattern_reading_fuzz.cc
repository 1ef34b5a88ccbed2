// The reading of search patterns, held against PCRE2's own reading of the same pattern
// (tests/engine/text/pattern_oracle.h). Each input byte picks a token of the pattern
// (0xFF: the next byte is an ASCII character of it). On every pattern
//  - the reading step lets through no callout, verb, recursion or subroutine call that
//    PCRE2 reads as one, and refuses only at the first one PCRE2 reads;
//  - the guard, given the pattern as PCRE2 reads it with no step before it, refuses at
//    that same first one, and nothing else;
//  - the step's backtracking verdict is PCRE2's (\10 and above aside), every code point it
//    rewrites is an escape PCRE2 reads, and none it leaves is;
//  - Pattern::compile refuses exactly what the step, the guard or PCRE2 refuses.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "tests/engine/text/pattern_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Longer patterns add nothing that a run of short ones lacks, and cost compiles.
  if (size > 96) return 0;
  const std::string pattern = engine::testing::pattern_of(
      std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string found = engine::testing::disagreement(pattern);
  FUZZ_CHECK(found.empty(), "on %s: %s", pattern.c_str(), found.c_str());
  return 0;
}
