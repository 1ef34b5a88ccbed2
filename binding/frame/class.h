// Classes of the system, made with PyType_FromSpec: no __dict__, no weak references,
// subclassable only on request, "No constructor defined for X" when there is no
// constructor, the constructor's text signature as class documentation.
//
// An instance is the object header, then the class's payload (typically one
// engine::Shared handle), then its borrow flag. Class<Payload> makes the class object on
// first use, keeps it for the process, checks receivers, wraps payloads into new
// instances and frees them.
#pragma once

#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/frame/borrow.h"
#include "binding/frame/convert.h"
#include "binding/frame/ref.h"

namespace binding {

template <class Payload>
struct Instance {
  PyObject_HEAD
  Payload payload;
  BorrowFlag borrow;
};

struct ClassInfo {
  const char* name;            // "sheafwork.Cell", "sheafwork.readable.Finder"
  const char* doc = nullptr;   // kSignatureDoc of the constructor ("Book()\n--\n\n"), else null
  bool subclassable = false;   // only Service
  newfunc constructor = nullptr;  // null: calling the class raises TypeError
  reprfunc repr = nullptr;        // null: the interpreter's default form
  PyMethodDef* methods = nullptr;  // static, ends with a zeroed entry
  PyGetSetDef* getset = nullptr;   // static, ends with a zeroed entry
  // For a payload that holds Python objects: both set, the class takes part in garbage
  // collection. `traverse` visits those objects and Py_TYPE(self) (instances own their
  // heap type); a Ref that `clear` empties must be expected as null afterwards.
  traverseproc traverse = nullptr;
  inquiry clear = nullptr;
};

// PyType_FromSpec with the slots above; throws PythonError.
PyTypeObject* make_class(const ClassInfo& info, Py_ssize_t basicsize, destructor dealloc);

// The tp_new of classes without a constructor.
PyObject* no_constructor(PyTypeObject* type, PyObject* args, PyObject* kwargs);

// The part of the name after the last point: "Cell".
const char* short_name(const char* name);

template <class Payload>
class Class {
  static_assert(std::is_nothrow_move_constructible_v<Payload>,
                "a payload is moved into memory the interpreter allocated");

 public:
  using Object = Instance<Payload>;

  explicit Class(const ClassInfo& info) : info_(info) {}
  Class(const Class&) = delete;
  Class& operator=(const Class&) = delete;

  // The class object (borrowed), made on first use and kept. Throws PythonError.
  PyTypeObject* type() {
    if (type_ == nullptr) type_ = make_class(info_, sizeof(Object), &dealloc);
    return type_;
  }

  // The receiver of a member: an instance of this class or of a subclass, else
  // TypeError "'T' object cannot be converted to 'Cell'".
  Object& receiver(PyObject* self) {
    if (!PyObject_TypeCheck(self, type())) raise_cannot_convert(self, short_name(info_.name));
    return *reinterpret_cast<Object*>(self);
  }

  // A new instance of this class holding `payload`. Outside garbage collection the
  // instance is allocated and initialised directly, as the generic allocator would
  // (without clearing memory that is written next).
  Ref wrap(Payload payload) {
    PyTypeObject* cls = type();
    if (PyType_IS_GC(cls)) return create(cls, std::move(payload));
    void* room = PyObject_Malloc(sizeof(Object));
    if (room == nullptr) {
      PyErr_NoMemory();
      throw_python_error();
    }
    Ref object = Ref::steal(PyObject_Init(static_cast<PyObject*>(room), cls));
    Object* raw = reinterpret_cast<Object*>(object.get());
    new (&raw->payload) Payload(std::move(payload));
    new (&raw->borrow) BorrowFlag();
    return object;
  }

  // A new list of instances, one per payload, in the given order.
  Ref wrap_all(std::vector<Payload> payloads) {
    PyTypeObject* cls = type();
    return make_list(payloads.size(),
                     [&](size_t i) { return create(cls, std::move(payloads[i])); });
  }

  // A new instance of `subtype` (this class or a Python subclass of it), for constructors.
  Ref create(PyTypeObject* subtype, Payload payload) {
    Ref object = checked(subtype->tp_alloc(subtype, 0));
    Object* raw = reinterpret_cast<Object*>(object.get());
    new (&raw->payload) Payload(std::move(payload));
    new (&raw->borrow) BorrowFlag();
    return object;
  }

  // A class-instance argument: a copy of its payload taken under a brief shared borrow.
  // TypeError "argument 'label': 'T' object cannot be converted to 'Sheet'"; RuntimeError
  // "Already mutably borrowed" while another call holds it exclusively.
  Payload extract(PyObject* object, const char* label) {
    if (!PyObject_TypeCheck(object, type())) {
      try {
        raise_cannot_convert(object, short_name(info_.name));
      } catch (const PythonError&) {
        relabel_pending_error(label);
        throw;
      }
    }
    Object& instance = *reinterpret_cast<Object*>(object);
    SharedBorrow borrow(instance.borrow);
    return instance.payload;
  }

 private:
  static void dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    // No class here sets tp_is_gc, so the class's flag tells.
    if (PyType_IS_GC(type)) PyObject_GC_UnTrack(self);
    Object* raw = reinterpret_cast<Object*>(self);
    raw->payload.~Payload();
    raw->borrow.~BorrowFlag();
    type->tp_free(self);
    Py_DECREF(type);  // instances of heap types own a reference to their type
  }

  ClassInfo info_;
  PyTypeObject* type_ = nullptr;
};

}  // namespace binding
