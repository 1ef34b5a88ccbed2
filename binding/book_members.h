// The members of a book, written once for every class whose instances own one: Book, and
// Service, which offers its private book through the same members under names that begin
// with "_" (to_json and to_dict keep theirs). Each member parses, checks the receiver,
// takes its shared borrow, converts, then runs the book_* body of book.h; error texts
// carry the owner's full names ("Service._add_sheet()").
//
// Owner: kClassName ("Book"), kPrefix ("" or "_"), cls() (its Class) and book(payload),
// the BookHandle of an instance's payload.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "binding/book.h"
#include "binding/sheet.h"

namespace binding {

// Two literals joined at compile time.
template <size_t A, size_t B>
constexpr FixedText<A + B - 1> join(const char (&a)[A], const char (&b)[B]) {
  FixedText<A + B - 1> out;
  for (size_t i = 0; i + 1 < A; ++i) out.chars[i] = a[i];
  for (size_t i = 0; i < B; ++i) out.chars[A - 1 + i] = b[i];
  return out;
}

template <class Owner>
class BookMembers {
 public:
  static PyGetSetDef sheets() { return attribute(kSheets.c_str(), get_sheets); }
  static PyMethodDef add_sheet() { return method<kAddSheet>(add_sheet_call); }
  static PyMethodDef copy_sheet() { return method<kCopySheet>(copy_sheet_call); }
  static PyMethodDef get_sheet_index() { return method<kGetSheetIndex>(get_sheet_index_call); }
  static PyMethodDef get_sheet_name() { return method<kGetSheetName>(get_sheet_name_call); }
  static PyMethodDef to_json() { return method<kToJson>(to_json_call); }
  static PyMethodDef to_dict() { return method<kToDict>(to_dict_call); }

 private:
  static constexpr auto kSheets = join(Owner::kPrefix, "sheets");
  static constexpr auto kAddSheetName = join(Owner::kPrefix, "add_sheet");
  static constexpr auto kCopySheetName = join(Owner::kPrefix, "copy_sheet");
  static constexpr auto kGetSheetIndexName = join(Owner::kPrefix, "get_sheet_index");
  static constexpr auto kGetSheetNameName = join(Owner::kPrefix, "get_sheet_name");

  static constexpr Signature kAddSheet{kAddSheetName.c_str(),
                                       Owner::kClassName,
                                       {"name", Parameter{"sheet_state", "\"visible\""}},
                                       1};
  static constexpr Signature kCopySheet{kCopySheetName.c_str(), Owner::kClassName, {"sheet"}, 1};
  static constexpr Signature kGetSheetIndex{
      kGetSheetIndexName.c_str(), Owner::kClassName, {"idx"}, 1};
  static constexpr Signature kGetSheetName{
      kGetSheetNameName.c_str(), Owner::kClassName, {"name"}, 1};
  // to_json and to_dict keep their names on every owner; they take no arguments.
  static constexpr Signature kToJson{"to_json", Owner::kClassName, {}, 0};
  static constexpr Signature kToDict{"to_dict", Owner::kClassName, {}, 0};

  // The receiver, its shared borrow for the rest of the call, then body(book).
  template <class Body>
  static Ref on_book(PyObject* self, Body&& body) {
    auto& object = Owner::cls().receiver(self);
    SharedBorrow borrow(object.borrow);
    return body(Owner::book(object.payload));
  }

  static PyObject* get_sheets(PyObject* self, void*) {
    return call([&] { return on_book(self, [](const BookHandle& book) { return book_sheets(book); }); });
  }

  static PyObject* add_sheet_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
    return call([&] {
      Arguments a(kAddSheet, args, nargs, kwnames);
      return on_book(self, [&](const BookHandle& book) {
        std::string name = a.get<std::string>(0);
        std::string state = a.given(1) ? a.get<std::string>(1) : std::string("visible");
        return book_add_sheet(book, std::move(name), std::move(state));
      });
    });
  }

  static PyObject* copy_sheet_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return call([&] {
      Arguments a(kCopySheet, args, nargs, kwnames);
      return on_book(self, [&](const BookHandle& book) {
        return book_copy_sheet(book, sheet_class().extract(a[0], "sheet"));
      });
    });
  }

  static PyObject* get_sheet_index_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                        PyObject* kwnames) {
    return call([&] {
      Arguments a(kGetSheetIndex, args, nargs, kwnames);
      return on_book(self, [&](const BookHandle& book) {
        return book_get_sheet_index(book, a.get<int32_t>(0));
      });
    });
  }

  static PyObject* get_sheet_name_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) {
    return call([&] {
      Arguments a(kGetSheetName, args, nargs, kwnames);
      return on_book(self, [&](const BookHandle& book) {
        return book_get_sheet_name(book, a.get<std::string_view>(0));
      });
    });
  }

  static PyObject* to_json_call(PyObject* self, PyObject*) {
    return call([&] { return on_book(self, [](const BookHandle& book) { return book_to_json(book); }); });
  }

  static PyObject* to_dict_call(PyObject* self, PyObject*) {
    return call([&] { return on_book(self, [](const BookHandle& book) { return book_to_dict(book); }); });
  }
};

}  // namespace binding
