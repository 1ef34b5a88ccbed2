#include "binding/frame/borrow.h"

#include "binding/frame/call.h"
#include "engine/base/stop.h"

namespace binding {

void SharedBorrow::refuse() { raise_error(PyExc_RuntimeError, "Already mutably borrowed"); }

ExclusiveBorrow::ExclusiveBorrow(BorrowFlag& flag) : flag_(flag) {
  assert_python_may_run();
  if (!flag_.try_exclusive()) raise_error(PyExc_RuntimeError, "Already borrowed");
}

ReprBorrow::ReprBorrow(BorrowFlag& flag) : flag_(flag) {
  assert_python_may_run();
  if (!flag_.try_shared()) engine::stop("Already mutably borrowed: PyBorrowError");
}

}  // namespace binding
