// The walk of every Python list the binding reads item by item: by index from 0 while
// the index is below both the length at the start and the current length, read again
// at each step, since reading an item may run Python code that changes the list. Items
// appended meanwhile are not visited; a list cut short ends the walk early. Each item is
// held by a new reference while it is visited. Needs the interpreter lock.
#pragma once

#include "binding/frame/ref.h"

namespace binding {

template <class Visit>
void walk_list(PyObject* list, Visit&& visit) {
  const Py_ssize_t start = PyList_GET_SIZE(list);
  for (Py_ssize_t i = 0; i < start && i < PyList_GET_SIZE(list); ++i) {
    const Ref item = Ref::borrow(PyList_GET_ITEM(list, i));
    visit(item.get());
  }
}

}  // namespace binding
