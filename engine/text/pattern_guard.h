// PCRE2's own reading of a compiled pattern, held against read_pattern's: no construct
// our users' language lacks may stand where PCRE2 reads it, whatever the reading step
// made of the text around it. Refused, at the first one and the user's offset, with the
// step's messages:
// - any explicit callout the compiled pattern holds;
// - "(*" at the start of the pattern, which PCRE2 reads as options or a verb;
// - any item PCRE2 reads that starts with a verb, recursion or subroutine call. PCRE2
//   says where its items start when it compiles the pattern again with a callout before
//   each (PCRE2_AUTO_CALLOUT). Only a text that holds such a construct somewhere (say,
//   among a class's members) is compiled again; if that copy is too large to compile,
//   the reading step's verdict stands (the differential test and the fuzz target hold it
//   against PCRE2's own reading).
#pragma once

#include <optional>

#include "engine/text/pattern_reading.h"
#include "engine/text/pcre2_common.h"

namespace engine {

// `compiled` is `reading.pcre2` compiled with kPatternOptions in `context`, which the
// second compile shares. Running out of memory throws std::bad_alloc.
std::optional<PatternRefusal> refusal_by_pcre2(const PatternReading& reading,
                                               const pcre2_code* compiled,
                                               pcre2_compile_context* context);

}  // namespace engine
