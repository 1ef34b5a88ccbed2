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
// py_to_value. Whatever was built up to a stop is freed. The interpreter lock is needed
// throughout; cell_from_object and sheet_from_object take it themselves when the caller
// does not hold it.
#pragma once

#include <vector>

#include "binding/frame/ref.h"
#include "engine/base/lending_scope.h"
#include "engine/base/lent_handles.h"
#include "engine/base/shared.h"
#include "engine/model/cell.h"
#include "engine/model/sheet.h"
#include "engine/search/cell_list.h"

namespace binding {

// Fields row (value_to_u32), column (value_to_u16), value and formula
// (value_to_opt_string) and data_type (value_to_string), stored unchanged. With the
// data type "s" a present value is a String holding the text as it is; with any other
// it is inferred from the text. An absent value is Empty. No style, no hidden value.
engine::Shared<engine::Cell> cell_from_object(PyObject* source);

// Fields name and sheet_state (value_to_string, no defaults), merge_cells
// (merge_ranges.h) and cells, which must be a list or list subclass; its items, walked
// as list_walk.h says, are read by cell_from_object and stored under their own
// coordinates, the later of two at one coordinate kept. No comments, no dimensions.
engine::Shared<engine::Sheet> sheet_from_object(PyObject* source);

// The items of `list` (a list or subclass), walked as list_walk.h says, each read as by
// sheet_from_object into a sheet that alone holds its cells.
std::vector<engine::Sheet> sheets_from_list(PyObject* list);

// The `cells` argument of the readable searches (a list or subclass), walked as
// list_walk.h says, as one list of records in item order. A ReadableCell item lends its
// own record: it is checked for an exclusive borrow ("Already mutably borrowed") and its
// record is lent for as long as this list lives, kept by the lending scope should another
// thread drop the item meanwhile (so the walk reads each item and writes to none, neither
// to the object nor to its record). Any other item is read by cell_from_object into a new
// record that this list owns.
class ListOfCells {
 public:
  explicit ListOfCells(PyObject* list);
  ListOfCells(const ListOfCells&) = delete;
  ListOfCells& operator=(const ListOfCells&) = delete;
  ~ListOfCells();

  engine::CellList view() const { return lent_.view(); }

 private:
  engine::LendingScope scope_;  // closed last
  std::vector<engine::Shared<engine::Cell>> built_;
  engine::LentHandles<engine::Cell> lent_;
};

}  // namespace binding
