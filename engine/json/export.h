// The compact JSON text of a book: {"sheets":[...]} with every sheet's name, state,
// merged ranges, cells (sorted by row, then column), row and column dimensions and
// comments, keys in fixed order, optional keys left out when absent. Writes on the
// calling thread (only the placing of a sheet's box of keys is shared with the workers)
// and only ever reads: one sheet lock at a time, and within it the cells in bulk inside
// their gate (copied as they are read, for a sheet whose cells are not ordered by their
// keys) and each comment under its read lock.
#pragma once

#include <cstddef>

#include "engine/model/book.h"
#include "engine/base/error.h"
#include "engine/json/writer.h"
#include "engine/model/sheet.h"

namespace engine {

// What to_json wrote into the caller's buffer.
struct JsonText {
  size_t size = 0;    // the text is the buffer's first `size` bytes
  bool ascii = true;  // every byte is below 0x80
};

// The whole book, sheets in book order, written into `buffer`, which the writer grows as
// it needs. The caller holds the book's read lock. No state of the model makes it fail;
// should the writer fail (memory exhausted), no later sheet is read, and the error's
// message is "Failed to convert in JSON: " followed by the writer's message.
Result<JsonText> to_json(const Book& book, JsonBuffer& buffer);

// Appends one sheet object. The caller holds the sheet's read lock.
WriteStatus serialize(const Sheet& sheet, JsonWriter& out);

}  // namespace engine
