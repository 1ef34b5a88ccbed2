// Readable records: new engine records read from any Python object that carries the
// right fields, by key from a dict or dict subclass (its __missing__ takes part), by
// attribute from anything else (properties and __getattr__ take part). The Python class
// is never asked otherwise, so a Cell, Sheet or ReadableCell given as a source is read
// like any object, and a built record shares nothing with its source: later edits of the
// source are not seen. Each field is read once, in a fixed order, as a loose value
// (py_to_value.h) and converted by its reader (loose_value.h).
//
// A field that is missing or raises when read stops the call with PanicException naming
// the Python error, the first failing field in reading order; so do the stops of
// py_to_value. Whatever was built up to a stop is freed. The caller holds the
// interpreter lock throughout.
#pragma once

#include <vector>

#include "binding/frame/ref.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/sheet.h"

namespace binding {

// A cell source gives row (value_to_u32), column (value_to_u16), value and formula
// (value_to_opt_string) and data_type (value_to_string), stored unchanged. With the data
// type "s" a present value is a String holding the text as it is; with any other it is
// inferred from the text. An absent value is Empty. No style, no hidden value.
//
// A sheet source gives name and sheet_state (value_to_string, no defaults), merge_cells
// (merge_ranges.h) and cells, which must be a list or list subclass; its items, walked as
// list_walk.h says, are read as cell sources and stored under their own coordinates, the
// later of two at one coordinate kept. No comments, no dimensions.

// The items of `list` (a list or subclass), walked as list_walk.h says, each read as a
// sheet source into a sheet that alone holds its cells.
std::vector<engine::Sheet> sheets_from_list(PyObject* list);

// The `cells` argument of the readable searches (a list or subclass), walked as
// list_walk.h says: a ReadableCell item lends its own record under a brief shared
// borrow; any other item is read as a cell source into a new record.
std::vector<engine::Shared<engine::Cell>> cells_from_list(PyObject* list);

}  // namespace binding
