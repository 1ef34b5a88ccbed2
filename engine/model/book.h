// A book: the ordered list of its sheets. Sheets are only ever appended.
#pragma once

#include <string>
#include <vector>

#include "engine/base/error.h"
#include "engine/model/sheet.h"
#include "engine/base/shared.h"

namespace engine {

struct Book {
  std::vector<Shared<Sheet>> sheets;
};

// The caller holds the book's write lock. No check on the name.
Shared<Sheet> add_sheet(Book& book, std::string name, std::string sheet_state);

// Appends a clone of `source` named "Sheet N", N the copy's 1-based position; the
// source may belong to another book. The caller holds the book's write lock.
Shared<Sheet> copy_sheet(Book& book, Shared<Sheet> source);

}  // namespace engine
