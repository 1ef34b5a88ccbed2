// The getters that `Sheet` and its read-only twin `ReadableSheet` share, generic over the
// pair of classes: Traits::sheets() is the receiver's class, Traits::cells() the class
// of the cells `cells` hands out. Each reads under the sheet's read lock and builds its
// Python result after.
#pragma once

#include <vector>

#include "binding/frame/frame.h"
#include "engine/model/sheet.h"

namespace binding {

template <class Traits>
struct SheetGetters {
  template <class... Build>
  static PyObject* read(PyObject* self, auto&& read, Build&&... build) {
    return read_record(Traits::sheets(), self, read, std::forward<Build>(build)...);
  }

  static PyObject* name(PyObject* self, void*) {
    return read(self, [](const engine::Sheet& s) { return s.name; });
  }

  static PyObject* sheet_state(PyObject* self, void*) {
    return read(self, [](const engine::Sheet& s) { return s.sheet_state; });
  }

  // An empty sheet reads as 0.
  static PyObject* max_row(PyObject* self, void*) {
    return read(self, [](const engine::Sheet& s) { return engine::max_row(s.cells).value_or(0); });
  }

  static PyObject* max_column(PyObject* self, void*) {
    return read(self,
                [](const engine::Sheet& s) { return engine::max_column(s.cells).value_or(0); });
  }

  static PyObject* cells(PyObject* self, void*) {
    return read(
        self, [](const engine::Sheet& s) { return s.sorted_cells(); },
        [](std::vector<engine::Shared<engine::Cell>> found) {
          return Traits::cells().wrap_all(std::move(found));
        });
  }

  static PyObject* merge_cells(PyObject* self, void*) {
    return read(
        self, [](const engine::Sheet& s) { return s.merge_cells; },
        [](const std::vector<engine::MergeCell>& ranges) {
          return make_list(ranges.size(), [&](size_t i) {
            const engine::MergeCell& m = ranges[i];
            return tuple_of(m.start_row, m.end_row, m.start_col, m.end_col);
          });
        });
  }
};

}  // namespace binding
