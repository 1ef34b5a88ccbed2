// The class Service: the one class Python may subclass. An instance keeps the object it
// was made with (`conn_db`) and owns a private book, reached through Book's members under
// names that begin with "_". `summary_0` and `_fmt_0` are left to subclasses: here they
// check their arguments and raise NotImplementedError. Instances take part in garbage
// collection, since they hold a Python object.
#pragma once

#include "binding/book.h"
#include "binding/frame/frame.h"

namespace binding {

struct ServicePayload {
  Ref conn_db;  // empty only once the collector has cleared it
  BookHandle book;
};

using ServiceClass = Class<ServicePayload>;
ServiceClass& service_class();

}  // namespace binding
