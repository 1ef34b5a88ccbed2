#include "engine/text/pcre2_stack_room.h"

#include <algorithm>
#include <new>

#include "engine/base/stack_room.h"

namespace engine {

namespace {

// Twice the measured needs (pcre2_stack_room.h): another build of PCRE2 may keep larger
// frames.
constexpr size_t kCompileBase = 48 * 1024;
constexpr size_t kCompilePerLevel = 1280;
constexpr size_t kDfaNeed = 64 * 1024;

// Each level of PCRE2's recursion is a group, and every group opens with "(" in the
// text, but for the look-around it makes of [[:<:]] or [[:>:]], which holds none. The
// count stops at the deepest nesting any compile context allows (the automaton's): the
// need there is twice the most any pattern was measured to take.
size_t recursion_bound(PCRE2_SPTR pattern, PCRE2_SIZE length) {
  const auto opened = static_cast<size_t>(std::count(pattern, pattern + length, '('));
  return std::min<size_t>(opened + 1, kNestingLimit + 2);
}

}  // namespace

pcre2_code* compile_with_stack_room(PCRE2_SPTR pattern, PCRE2_SIZE length, uint32_t options,
                                    int* error, PCRE2_SIZE* offset, pcre2_compile_context* context,
                                    uint32_t jit_options) {
  pcre2_code* code = nullptr;
  auto compile = [&]() noexcept {
    code = pcre2_compile(pattern, length, options, error, offset, context);
    if (code != nullptr && jit_options != 0) pcre2_jit_compile(code, jit_options);
  };
  run_with_stack_room(kCompileBase + kCompilePerLevel * recursion_bound(pattern, length), compile);
  // PCRE2 tells of memory it could not get as a compile error of its own, which is no
  // fault of the pattern.
  if (code == nullptr && *error == PCRE2_ERROR_HEAP_FAILED) throw std::bad_alloc();
  return code;
}

int dfa_match_with_stack_room(const pcre2_code* code, PCRE2_SPTR subject, PCRE2_SIZE length,
                              PCRE2_SIZE start, uint32_t options, pcre2_match_data* data,
                              pcre2_match_context* context, int* workspace,
                              PCRE2_SIZE workspace_size) {
  int rc = 0;
  auto match = [&]() noexcept {
    rc = pcre2_dfa_match(code, subject, length, start, options, data, context, workspace,
                         workspace_size);
  };
  run_with_stack_room(kDfaNeed, match);
  return rc;
}

}  // namespace engine
