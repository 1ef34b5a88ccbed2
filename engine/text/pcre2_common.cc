#include "engine/text/pcre2_common.h"

#include <new>

namespace engine {

CompileContext compile_context(uint32_t nesting_limit) {
  CompileContext context(pcre2_compile_context_create(nullptr));
  if (!context) throw std::bad_alloc();
  pcre2_set_parens_nest_limit(context.get(), nesting_limit);
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  return context;
}

std::string pcre2_error_text(int code) {
  PCRE2_UCHAR buffer[256];
  const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  return n < 0 ? "unknown error " + std::to_string(code)
               : std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
}

}  // namespace engine
