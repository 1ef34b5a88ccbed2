// A book: the ordered list of its sheets. Sheets are only ever appended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// The sheet at 0-based position `idx`; none for a position past the end and for every
// negative one (positions are never counted from the end). The caller holds the book's
// read lock.
std::optional<Shared<Sheet>> sheet_at(const Book& book, int32_t idx);

// The first sheet, in book order, whose name equals `name` byte for byte. Each sheet is
// read-locked in turn while its name is compared (book before sheet); the caller holds
// the book's read lock.
std::optional<Shared<Sheet>> sheet_named(const Book& book, std::string_view name);

}  // namespace engine
