// The common shape of a reading member: check the receiver, take a shared borrow, read
// from its record under the record's read lock, and build the Python result only once
// the lock is released.
#pragma once

#include <utility>

#include "binding/frame/borrow.h"
#include "binding/frame/call.h"
#include "binding/frame/convert.h"

namespace binding {

// `read(const Record&)` runs under the read lock; `build(result)` makes the Ref after.
template <class Cls, class Read, class Build>
PyObject* read_record(Cls& cls, PyObject* self, Read&& read, Build&& build) {
  return call([&] {
    auto& object = cls.receiver(self);
    SharedBorrow borrow(object.borrow);
    auto result = [&] {
      auto guard = object.payload.read();
      return read(*guard);
    }();
    return build(std::move(result));
  });
}

template <class Cls, class Read>
PyObject* read_record(Cls& cls, PyObject* self, Read&& read) {
  return read_record(cls, self, std::forward<Read>(read),
                     [](auto&& result) { return to_python(result); });
}

}  // namespace binding
