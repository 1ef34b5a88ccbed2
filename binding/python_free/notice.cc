#include "binding/python_free/notice.h"

namespace binding {

std::string_view project_path(std::string_view path) {
  size_t best = std::string_view::npos;
  for (std::string_view top : {"/engine/", "/binding/"}) {
    const size_t at = path.rfind(top);
    if (at != std::string_view::npos && (best == std::string_view::npos || at > best)) {
      best = at;
    }
  }
  return best == std::string_view::npos ? path : path.substr(best + 1);
}

std::string stop_notice(std::string_view thread, std::string_view file, uint32_t line,
                        uint32_t column, std::string_view message, bool first) {
  std::string out = "thread '";
  out += thread;
  out += "' panicked at ";
  out += project_path(file);
  out += ':' + std::to_string(line) + ':' + std::to_string(column) + ":\n";
  out += message;
  out += '\n';
  if (first) {
    out += "note: to see a stack trace, run under a debugger with a breakpoint on "
           "__cxa_throw\n";
  }
  return out;
}

}  // namespace binding
