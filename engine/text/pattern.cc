#include "engine/text/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace engine {

namespace {

constexpr uint32_t kNestingLimit = 250;
constexpr uint32_t kMatchLimit = 1'000'000;

template <class T, void (*Free)(T*)>
struct Freed {
  void operator()(T* p) const { Free(p); }
};
using CompileContext =
    std::unique_ptr<pcre2_compile_context, Freed<pcre2_compile_context, pcre2_compile_context_free>>;
using MatchData =
    std::unique_ptr<pcre2_match_data, Freed<pcre2_match_data, pcre2_match_data_free>>;

std::string error_text(int code) {
  PCRE2_UCHAR buffer[256];
  const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  return n < 0 ? "unknown error " + std::to_string(code)
               : std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
}

}  // namespace

struct Pattern::Code {
  pcre2_code* code = nullptr;
  pcre2_match_context* match_context = nullptr;
  ~Code() {
    pcre2_match_context_free(match_context);
    pcre2_code_free(code);
  }
};

std::variant<Pattern, std::string> Pattern::compile(std::string_view pattern) {
  CompileContext context(pcre2_compile_context_create(nullptr));
  if (!context) throw std::bad_alloc();
  pcre2_set_parens_nest_limit(context.get(), kNestingLimit);
  int error = 0;
  PCRE2_SIZE offset = 0;
  auto code = std::make_shared<Code>();
  // \C (one code unit) could stop a match inside a character; names are matched by
  // whole characters only.
  constexpr uint32_t kOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C;
  code->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                             kOptions, &error, &offset, context.get());
  if (code->code == nullptr) {
    if (error == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
    return "CompileError { offset: " + std::to_string(offset) + ", message: \"" +
           error_text(error) + "\" }";
  }
  // Without JIT support the interpreter matches; the result is the same.
  pcre2_jit_compile(code->code, PCRE2_JIT_COMPLETE);
  code->match_context = pcre2_match_context_create(nullptr);
  if (code->match_context == nullptr) throw std::bad_alloc();
  pcre2_set_match_limit(code->match_context, kMatchLimit);
  return Pattern(std::move(code));
}

bool Pattern::search(std::string_view text) const {
  // One match block per call: matches run on several workers at once.
  MatchData data(pcre2_match_data_create_from_pattern(code_->code, nullptr));
  if (!data) throw std::bad_alloc();
  const int rc = pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()),
                             text.size(), 0, 0, data.get(), code_->match_context);
  return rc >= 0;
}

}  // namespace engine
