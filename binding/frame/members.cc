#include "binding/frame/members.h"

#include "binding/frame/call.h"

namespace binding {

void refuse_deletion(PyObject* value) {
  if (value == nullptr) raise_error(PyExc_AttributeError, "can't delete attribute");
}

}  // namespace binding
