#include "engine/base/error.h"

#include <cstdio>

namespace engine {

std::string EngineError::text() const {
  std::string out = message;
  if (causes.empty()) return out;
  out += "\n\nCaused by:";
  if (causes.size() == 1) {
    out += "\n    ";
    out += causes.front();
    return out;
  }
  for (size_t i = 0; i < causes.size(); ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "\n%5zu: ", i);
    out += number;
    out += causes[i];
  }
  return out;
}

}  // namespace engine
