// The compact JSON text of a book: {"sheets":[...]} with every sheet's name, state,
// merged ranges, cells (sorted by row, then column), row and column dimensions and
// comments, keys in fixed order, optional keys left out when absent. Runs wholly on the
// calling thread and only ever takes read locks, one sheet and one cell or comment at a
// time.
#pragma once

#include <string>
#include <vector>

#include "engine/book.h"
#include "engine/cell.h"
#include "engine/error.h"
#include "engine/json_writer.h"
#include "engine/sheet.h"

namespace engine {

// The whole book, sheets in book order. The caller holds the book's read lock. No state of
// the model makes it fail; should the writer fail (memory exhausted), the text written so
// far is dropped, no later sheet is read, and the error's message is
// "Failed to convert in JSON: " followed by the writer's message.
Result<std::string> to_json(const Book& book);

// Appends one sheet object. The caller holds the sheet's read lock.
WriteStatus serialize(const Sheet& sheet, JsonWriter& out);

// A private copy of every cell, in map order, each cell read-locked only while it is
// copied, so that sorting and writing need no cell lock.
std::vector<Cell> cloned_cells(const CellMap& cells);

}  // namespace engine
