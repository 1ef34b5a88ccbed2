// PCRE2's steps that keep much on the machine stack, run where the stack has room for
// them (stack_room.h): every compile of a user's pattern and its JIT compile, which
// recurse once per nested group, and the automaton matcher, which keeps 30 KiB of
// workspace there. Measured with PCRE2 10.42 on x86-64 (AddressSanitizer adds some 3 KiB
// to each base, and nothing per group, PCRE2 itself not being instrumented):
//   pcre2_compile       19 KiB + 640 B per level of nesting  (250 levels: 175 KiB), or
//                       + 160 B per group in a row that may match nothing after a
//                       repeat, which it follows up to 1,000 deep (175 KiB)
//   pcre2_jit_compile    4 KiB + 580 B per level              (250 levels: 143 KiB)
//   pcre2_dfa_match     32 KiB, + 400 B per level of look-around
// pcre2_match needs less than 4 KiB whatever the nesting: the interpreter keeps its
// backtracking frames on the heap and the JIT its stack (pattern.cc).
#pragma once

#include "engine/text/pcre2_common.h"

namespace engine {

// pcre2_compile with its arguments, then, unless `jit_options` is 0, pcre2_jit_compile
// of what it compiled (whose failure leaves the interpreter to match). Starting a thread
// for them that cannot be started, or PCRE2 running out of memory while it compiles,
// throws std::bad_alloc.
pcre2_code* compile_with_stack_room(PCRE2_SPTR pattern, PCRE2_SIZE length, uint32_t options,
                                    int* error, PCRE2_SIZE* offset, pcre2_compile_context* context,
                                    uint32_t jit_options = 0);

// pcre2_dfa_match with its arguments, for a pattern without look-around: the automaton
// matcher recurses into look-arounds only, and the automaton runs plain patterns. Starting
// a thread for it that cannot be started throws std::bad_alloc.
int dfa_match_with_stack_room(const pcre2_code* code, PCRE2_SPTR subject, PCRE2_SIZE length,
                              PCRE2_SIZE start, uint32_t options, pcre2_match_data* data,
                              pcre2_match_context* context, int* workspace,
                              PCRE2_SIZE workspace_size);

}  // namespace engine
