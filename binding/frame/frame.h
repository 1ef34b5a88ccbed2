// The call frame: every function, method, getter, setter, constructor and __repr__ of
// the module runs inside it. Include this one header.
//
//   ref.h        Ref (owned reference), checked()/check() for C-API results, PythonError
//   call.h       call()/call_status(): the body's C++ exceptions become Python ones;
//                or_raise() for engine results; allow_threads() releases the lock
//   signature.h  (in binding/python_free/) Signature: name, class, parameters, required
//                and positional-only counts; kSignatureDoc, the docstring made from it
//   arguments.h  Arguments: binds a call's values to a Signature, with the exact texts
//   convert.h    extract<T>(object, label) for arguments, to_python()/make_list() for
//                results
//   borrow.h     SharedBorrow, ExclusiveBorrow, ReprBorrow over an instance's flag;
//                check_shareable() for a body that never lets the interpreter lock go
//   no_python.h  NoPythonScope: a stretch that must run no Python code, checked where
//                asserts are on
//   class.h      ClassInfo and Class<Payload>: the class object, receivers, new instances
//   members.h    method<kSignature>()/attribute() table entries, refuse_deletion()
//   names.h      add_name()/add_class()/add_function() for the module body
//   panic.h      PanicException
//   record_read.h  read_record(): receiver, shared borrow, read lock, result built after
//
// Included where they are needed, for reading plain Python data into records:
//   loose_value.h        PyValue and its four readers (in binding/python_free/)
//   py_to_value.h        a Python object as a PyValue
//   list_walk.h          walk_list(): the item-by-item walk of a Python list
//   python_error_stop.h  stops that carry the rendering of a Python error
//
// A class, for example one whose instances hold an engine::Shared<engine::Comment>:
//
//   using CommentClass = binding::Class<engine::Shared<engine::Comment>>;
//   CommentClass& comment_class();   // in the header, for the module body and others
//
//   namespace {
//   // A method: parse, receiver, borrow, convert (in this order), then lock and work;
//   // locks are released before Python results are built.
//   constexpr Signature kMove{"move", "Comment", {"row", Parameter{"col", "1"}}, 1};
//   PyObject* move(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
//                  PyObject* kwnames) {
//     return call([&] {
//       Arguments a(kMove, args, nargs, kwnames);
//       auto& comment = comment_class().receiver(self);
//       ExclusiveBorrow borrow(comment.borrow);          // or SharedBorrow
//       const uint32_t row = a.get<uint32_t>(0);           // TypeError labelled "row"
//       const uint16_t col = a.given(1) ? a.get<uint16_t>(1) : uint16_t{1};
//       comment.payload.write()->coord = {row, col};
//       return none();
//     });
//   }
//   // A getter: receiver, shared borrow, read under the record's read lock.
//   PyObject* get_author(PyObject* self, void*) {
//     return call([&] {
//       auto& comment = comment_class().receiver(self);
//       SharedBorrow borrow(comment.borrow);
//       std::string author = comment.payload.read()->author;
//       return to_python(author);
//     });
//   }
//   // A setter: refuse deletion, convert under the setter's label, then borrow and write.
//   int set_author(PyObject* self, PyObject* value, void*) {
//     return call_status([&] {
//       refuse_deletion(value);
//       std::string author = extract<std::string>(value, "val");
//       auto& comment = comment_class().receiver(self);
//       ExclusiveBorrow borrow(comment.borrow);
//       comment.payload.write()->author = std::move(author);
//     });
//   }
//   // A constructor (tp_new): parse the tuple and dict, convert, build. `subtype` is the
//   // class called, so a Python subclass gets an instance of itself.
//   constexpr Signature kNew{"__new__", "Comment", {"text"}, 1};
//   PyObject* construct(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) {
//     return call([&] {
//       Arguments a(kNew, args, kwargs);
//       std::string text = a.get<std::string>(0);
//       return comment_class().create(subtype, engine::Shared<engine::Comment>::make(
//                                                  engine::Comment{{}, "", std::move(text)}));
//     });
//   }
//   // __repr__: a ReprBorrow, whose conflict is a PanicException, not a RuntimeError.
//   PyObject* repr(PyObject* self) {
//     return call([&] {
//       auto& comment = comment_class().receiver(self);
//       ReprBorrow borrow(comment.borrow);
//       return to_python("Comment by " + comment.payload.read()->author);
//     });
//   }
//   // Work without the interpreter lock: convert everything first, build Python results
//   // after; engine errors may be raised inside with or_raise().
//   //   auto found = allow_threads([&] { return or_raise(engine::search(cells, text)); });
//
//   // The name and the docstring "move($self, row, col=1)\n--\n\n" come from kMove.
//   PyMethodDef methods[] = {method<kMove>(move), {}};
//   PyGetSetDef attributes[] = {attribute("author", get_author, set_author), {}};
//   }  // namespace
//
//   CommentClass& comment_class() {
//     static CommentClass c({.name = "sheafwork.Comment",
//                            .doc = kSignatureDoc<kNew>.c_str(),  // "Comment(text)..."
//                            .constructor = construct,
//                            .repr = repr,
//                            .methods = methods,
//                            .getset = attributes});
//     return c;
//   }
//
// A search method: described once in binding/searches.h (a signature without class and
// a prepare() that converts the arguments into the engine work) and listed in the
// method table over a source of cells (binding/search_shell.h), which adds the class
// name, the receiver, the locks and the class of the found cells:
//   search_method<searches::FindCellsByRegex, SheetCells<SheetTraits>>(),
// Its docstring, the text signature, is made from the signature at compile time.
//
// A read-only twin of a class (ReadableCell of Cell, ReadableSheet of Sheet) holds the
// same payload, so both share one set of getter bodies, templates over the class
// (binding/cell_getters.h, binding/sheet_getters.h); each class lists them in its own
// table, the writable one with its setters.
//
// Results that are instances of a class: comment_class().wrap(handle), or
// comment_class().wrap_all(handles) for a list. Arguments that
// are: sheet_class().extract(a[0], "sheet") copies the handle under a brief borrow.
// Methods without arguments take (PyObject* self, PyObject*) and METH_NOARGS through
// method(); tuple-and-dict methods (PyObject* self, PyObject* args, PyObject* kwargs)
// parse with Arguments(sig, args, kwargs) and read a.extra_keywords().
#pragma once

#include "binding/frame/arguments.h"
#include "binding/frame/borrow.h"
#include "binding/frame/call.h"
#include "binding/frame/class.h"
#include "binding/frame/convert.h"
#include "binding/frame/members.h"
#include "binding/frame/names.h"
#include "binding/frame/no_python.h"
#include "binding/frame/panic.h"
#include "binding/frame/record_read.h"
#include "binding/frame/ref.h"
#include "binding/python_free/signature.h"
