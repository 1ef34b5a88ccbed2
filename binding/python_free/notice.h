// The notice written to standard error when a call stops on a violated precondition,
// before PanicException is raised. Python-free.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace binding {

// A source path from the compiler, cut down to the project's own part
// ("/src/x/engine/model/letters.cc" gives "engine/model/letters.cc"); other paths stay whole.
std::string_view project_path(std::string_view path);

// "thread 'T' panicked at FILE:LINE:COLUMN:\nMESSAGE\n", followed on the first notice
// of the process by a one-line hint on obtaining a stack trace.
std::string stop_notice(std::string_view thread, std::string_view file, uint32_t line,
                        uint32_t column, std::string_view message, bool first);

}  // namespace binding
