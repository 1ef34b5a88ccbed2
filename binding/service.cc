#include "binding/service.h"

#include <string>

#include "binding/book_members.h"

namespace binding {
namespace {

ServiceClass::Object& receive(PyObject* self) { return service_class().receiver(self); }

struct ServiceOwner {
  static constexpr char kClassName[] = "Service";
  static constexpr char kPrefix[] = "_";
  static ServiceClass& cls() { return service_class(); }
  static const BookHandle& book(const ServicePayload& payload) { return payload.book; }
};
using Members = BookMembers<ServiceOwner>;

PyObject* get_conn_db(PyObject* self, void*) {
  return call([&] {
    auto& service = receive(self);
    SharedBorrow borrow(service.borrow);
    const Ref& conn_db = service.payload.conn_db;
    return conn_db ? conn_db : none();
  });
}

constexpr Signature kSummary{"summary_0", "Service", {"sheets"}, 1, 1, true};
PyObject* summary_0(PyObject* self, PyObject* args, PyObject* kwargs) {
  return call([&]() -> Ref {
    Arguments a(kSummary, args, kwargs);
    auto& service = receive(self);
    SharedBorrow borrow(service.borrow);
    a.get<ListArg>(0);
    raise_error(PyExc_NotImplementedError, "Method 'summary_0' is not implemented");
  });
}

constexpr Signature kFmt{"_fmt_0", "Service", {}, 0, 0, true};
PyObject* fmt_0(PyObject* self, PyObject* args, PyObject* kwargs) {
  return call([&]() -> Ref {
    Arguments a(kFmt, args, kwargs);
    auto& service = receive(self);
    SharedBorrow borrow(service.borrow);
    raise_error(PyExc_NotImplementedError, "Method 'fmt_0' is not implemented");
  });
}

// `subtype` is the class called: a subclass gets an instance of itself.
constexpr Signature kNew{"__new__", "Service", {"conn_db"}, 1};
PyObject* construct(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) {
  return call([&] {
    Arguments a(kNew, args, kwargs);
    return service_class().create(subtype,
                                  ServicePayload{a.get<Ref>(0), BookHandle::make()});
  });
}

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& service = receive(self);
    ReprBorrow borrow(service.borrow);
    Ref qualname = checked(PyType_GetQualName(Py_TYPE(self)));
    const size_t count = service.payload.book.read()->sheets.size();
    return checked(PyUnicode_FromFormat("%U, sheets: %zu", qualname.get(), count));
  });
}

int traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(reinterpret_cast<ServiceClass::Object*>(self)->payload.conn_db.get());
  Py_VISIT(Py_TYPE(self));
  return 0;
}

int clear(PyObject* self) {
  reinterpret_cast<ServiceClass::Object*>(self)->payload.conn_db = Ref();
  return 0;
}

PyMethodDef methods[] = {
    method<kSummary>(summary_0),
    method<kFmt>(fmt_0),
    Members::add_sheet(),
    Members::copy_sheet(),
    Members::get_sheet_index(),
    Members::get_sheet_name(),
    Members::to_json(),
    Members::to_dict(),
    {},
};

PyGetSetDef attributes[] = {attribute("_conn_db", get_conn_db), Members::sheets(), {}};

}  // namespace

ServiceClass& service_class() {
  static ServiceClass c({.name = "sheafwork.Service",
                         .doc = kSignatureDoc<kNew>.c_str(),
                         .subclassable = true,
                         .constructor = construct,
                         .repr = repr,
                         .methods = methods,
                         .getset = attributes,
                         .traverse = traverse,
                         .clear = clear});
  return c;
}

}  // namespace binding
