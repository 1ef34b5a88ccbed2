// The walk of every Python list the binding reads item by item: by index from 0 while
// the index is below both the length at the start and the current length, read again
// at each step, since reading an item may run Python code that changes the list. Items
// appended meanwhile are not visited; a list cut short ends the walk early. Each item is
// held by a new reference while it is visited. Needs the interpreter lock.
#pragma once

#include "binding/frame/ref.h"

namespace binding {

// Step `i` of a walk that began when the list held `start` items: the item, by a new
// reference, or null where the walk ends. For a walk that cannot be one loop (a reader
// of nested lists that keeps its own stack).
inline Ref walked_item(PyObject* list, Py_ssize_t start, Py_ssize_t i) {
  if (i >= start || i >= PyList_GET_SIZE(list)) return Ref();
  return Ref::borrow(PyList_GET_ITEM(list, i));
}

template <class Visit>
void walk_list(PyObject* list, Visit&& visit) {
  const Py_ssize_t start = PyList_GET_SIZE(list);
  for (Py_ssize_t i = 0;; ++i) {
    const Ref item = walked_item(list, start, i);
    if (!item) return;
    visit(item.get());
  }
}

}  // namespace binding
