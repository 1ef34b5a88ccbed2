// The comment record: a note at a coordinate. It lives behind a Shared<Comment>; the
// sheet's comment list and every Python object of it share the one record.
#pragma once

#include <string>

#include "engine/model/coordinate.h"

namespace engine {

struct Comment {
  Coordinate coord;
  std::string author;
  std::string text;
};

}  // namespace engine
