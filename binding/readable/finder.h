// The class Finder: a fixed list of sheet snapshots read from Python objects, answering
// which sheets stand at a position, carry some names, or have a name matching a pattern.
// Its members hold the interpreter lock throughout; the searches by name split the
// sheets among the workers.
#pragma once

#include <vector>

#include "binding/frame/frame.h"
#include "engine/base/shared.h"
#include "engine/model/book.h"
#include "engine/model/sheet.h"

namespace binding {

using FinderClass = Class<engine::Shared<engine::Book>>;
FinderClass& finder_class();

// The book of a new Finder: each snapshot in a new handle, in list order. Touches no
// Python object, so it may run without the interpreter lock.
engine::Shared<engine::Book> finder_book(std::vector<engine::Sheet> snapshots);

}  // namespace binding
