#include "engine/text/pattern.h"

#include <algorithm>
#include <limits>

#include "engine/base/thread_scratch.h"
#include "engine/text/pattern_automaton.h"
#include "engine/text/pattern_guard.h"
#include "engine/text/pattern_reading.h"
#include "engine/text/pcre2_common.h"
#include "engine/text/pcre2_stack_room.h"

namespace engine {

namespace {

constexpr uint32_t kMatchLimit = 1'000'000;

std::string compile_error(size_t offset, std::string_view message) {
  return "CompileError { offset: " + std::to_string(offset) + ", message: \"" +
         std::string(message) + "\" }";
}

// The interpreter keeps one frame per level of backtracking depth; a heap that holds as
// many frames as the depth limit allows is never the bound that stops a match.
uint32_t heap_limit_kib(const pcre2_code* code) {
  size_t frame_size = 0;
  pcre2_pattern_info(code, PCRE2_INFO_FRAMESIZE, &frame_size);
  const uint64_t bytes = (uint64_t{kMatchLimit} + 2) * frame_size;
  return static_cast<uint32_t>(
      std::min<uint64_t>((bytes + 1023) / 1024, std::numeric_limits<uint32_t>::max()));
}

// The JIT's stack. Left to itself the JIT takes 32 KiB of the machine stack, more than a
// small thread has to spare (Python runs threads on as little as 32 KiB), so each thread
// that matches has a block of the heap instead, made on its first match and freed when
// the thread ends. A megabyte keeps names of some ten thousand characters on the JIT;
// past it the interpreter decides (search).
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 1024 * 1024;

struct JitStack {
  pcre2_jit_stack* stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
  JitStack() {
    if (stack == nullptr) throw std::bad_alloc();
  }
  JitStack(const JitStack&) = delete;
  JitStack& operator=(const JitStack&) = delete;
  ~JitStack() { pcre2_jit_stack_free(stack); }
};

ThreadScratch<JitStack>& jit_stacks() {
  static ThreadScratch<JitStack> stacks;
  return stacks;
}

// What PCRE2 calls for the stack when a JIT match starts; search() has made the thread's
// stack by then.
pcre2_jit_stack* thread_jit_stack(void*) {
  const JitStack* made = jit_stacks().find();
  return made ? made->stack : nullptr;
}

}  // namespace

struct Pattern::Code {
  pcre2_code* code = nullptr;
  pcre2_match_context* match_context = nullptr;
  std::unique_ptr<const PatternAutomaton> automaton;  // for a plain pattern only
  ~Code() {
    pcre2_match_context_free(match_context);
    pcre2_code_free(code);
  }
};

std::variant<Pattern, std::string> Pattern::compile(std::string_view pattern) {
  const CompileContext context = compile_context();
  auto read = read_pattern(pattern);
  if (const auto* refusal = std::get_if<PatternRefusal>(&read)) {
    // Of two faults, the user hears of the one written first.
    const PatternReading whole = read_pattern_past_refusals(pattern);
    int error = 0;
    PCRE2_SIZE offset = 0;
    const Pcre2Code code(compile_with_stack_room(reinterpret_cast<PCRE2_SPTR>(whole.pcre2.data()),
                                                 whole.pcre2.size(), kPatternOptions, &error,
                                                 &offset, context.get()));
    if (!code && whole.user_offset(offset) < refusal->offset)
      return compile_error(whole.user_offset(offset), pcre2_error_text(error));
    return compile_error(refusal->offset, refusal->message);
  }
  PatternReading& reading = std::get<PatternReading>(read);
  int error = 0;
  PCRE2_SIZE offset = 0;
  auto code = std::make_shared<Code>();
  // Without JIT support the interpreter matches; the result is the same.
  code->code = compile_with_stack_room(reinterpret_cast<PCRE2_SPTR>(reading.pcre2.data()),
                                       reading.pcre2.size(), kPatternOptions, &error, &offset,
                                       context.get(), PCRE2_JIT_COMPLETE);
  if (code->code == nullptr)
    return compile_error(reading.user_offset(offset), pcre2_error_text(error));
  if (const auto refusal = refusal_by_pcre2(reading, code->code, context.get()))
    return compile_error(refusal->offset, refusal->message);
  code->match_context = pcre2_match_context_create(nullptr);
  if (code->match_context == nullptr) throw std::bad_alloc();
  pcre2_set_match_limit(code->match_context, kMatchLimit);
  pcre2_set_depth_limit(code->match_context, kMatchLimit);
  pcre2_set_heap_limit(code->match_context, heap_limit_kib(code->code));
  pcre2_jit_stack_assign(code->match_context, thread_jit_stack, nullptr);
  if (!reading.needs_backtracking)
    code->automaton = std::make_unique<PatternAutomaton>(std::move(reading));
  return Pattern(std::move(code));
}

bool Pattern::search(std::string_view text) const {
  // One match block per call: matches run on several workers at once.
  MatchData data(pcre2_match_data_create_from_pattern(code_->code, nullptr));
  if (!data) throw std::bad_alloc();
  // Made here, where failing can throw: a stack the JIT is not given is taken from the
  // machine's. A thread that could not make one tries again on its next match.
  jit_stacks().get();
  const auto match = [&](uint32_t options) {
    return pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                       options, data.get(), code_->match_context);
  };
  int rc = match(0);
  // The JIT's small stack is PCRE2's bound, not ours: the interpreter, held to the same
  // backtracking limit, decides.
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT) rc = match(PCRE2_NO_JIT);
  if (rc == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
  if (rc >= 0) return true;
  // A plain pattern needs no backtracking, so the limit it reached is no answer: the
  // automaton decides, within its budget of work. For the others, and past that budget,
  // the name counts as no match.
  const bool limited = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
                       rc == PCRE2_ERROR_HEAPLIMIT;
  if (limited && code_->automaton) return code_->automaton->search(text).value_or(false);
  return false;
}

}  // namespace engine
