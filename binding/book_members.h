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

// A text made at compile time from two literals, kept for the life of the process.
template <size_t N>
struct JoinedText {
  char chars[N];
  constexpr const char* c_str() const { return chars; }
};

template <size_t A, size_t B>
constexpr JoinedText<A + B - 1> join(const char (&a)[A], const char (&b)[B]) {
  JoinedText<A + B - 1> out{};
  for (size_t i = 0; i + 1 < A; ++i) out.chars[i] = a[i];
  for (size_t i = 0; i < B; ++i) out.chars[A - 1 + i] = b[i];
  return out;
}

template <class Owner>
class BookMembers {
 public:
  static PyGetSetDef sheets() { return attribute(kSheets.c_str(), get_sheets); }
  static PyMethodDef add_sheet() {
    return method(kAddSheet.name, add_sheet_call, kAddSheetDoc.c_str());
  }
  static PyMethodDef copy_sheet() {
    return method(kCopySheet.name, copy_sheet_call, kCopySheetDoc.c_str());
  }
  static PyMethodDef get_sheet_index() {
    return method(kGetSheetIndex.name, get_sheet_index_call, kGetSheetIndexDoc.c_str());
  }
  static PyMethodDef get_sheet_name() {
    return method(kGetSheetName.name, get_sheet_name_call, kGetSheetNameDoc.c_str());
  }
  static PyMethodDef to_json() { return method("to_json", to_json_call, "to_json($self)\n--\n\n"); }
  static PyMethodDef to_dict() { return method("to_dict", to_dict_call, "to_dict($self)\n--\n\n"); }

 private:
  static constexpr auto kSheets = join(Owner::kPrefix, "sheets");
  static constexpr auto kAddSheetName = join(Owner::kPrefix, "add_sheet");
  static constexpr auto kCopySheetName = join(Owner::kPrefix, "copy_sheet");
  static constexpr auto kGetSheetIndexName = join(Owner::kPrefix, "get_sheet_index");
  static constexpr auto kGetSheetNameName = join(Owner::kPrefix, "get_sheet_name");
  static constexpr auto kAddSheetDoc =
      join(Owner::kPrefix, "add_sheet($self, name, sheet_state=\"visible\")\n--\n\n");
  static constexpr auto kCopySheetDoc = join(Owner::kPrefix, "copy_sheet($self, sheet)\n--\n\n");
  static constexpr auto kGetSheetIndexDoc =
      join(Owner::kPrefix, "get_sheet_index($self, idx)\n--\n\n");
  static constexpr auto kGetSheetNameDoc =
      join(Owner::kPrefix, "get_sheet_name($self, name)\n--\n\n");

  static constexpr Signature kAddSheet{
      kAddSheetName.c_str(), Owner::kClassName, {"name", "sheet_state"}, 1};
  static constexpr Signature kCopySheet{kCopySheetName.c_str(), Owner::kClassName, {"sheet"}, 1};
  static constexpr Signature kGetSheetIndex{
      kGetSheetIndexName.c_str(), Owner::kClassName, {"idx"}, 1};
  static constexpr Signature kGetSheetName{
      kGetSheetNameName.c_str(), Owner::kClassName, {"name"}, 1};

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
