#include "binding/readable/finder.h"

#include <optional>
#include <string>
#include <utility>

#include "binding/readable/readable_sheet.h"
#include "binding/readable/records.h"
#include "engine/search/sheet_search.h"

namespace binding {

engine::Shared<engine::Book> finder_book(std::vector<engine::Sheet> snapshots) {
  engine::Book book;
  book.sheets.reserve(snapshots.size());
  for (engine::Sheet& sheet : snapshots) {
    book.sheets.push_back(engine::Shared<engine::Sheet>::make(std::move(sheet)));
  }
  return engine::Shared<engine::Book>::make(std::move(book));
}

namespace {

using BookHandle = engine::Shared<engine::Book>;

Ref wrap_sheet(std::optional<engine::Shared<engine::Sheet>> found) {
  return found ? readable_sheet_class().wrap(std::move(*found)) : none();
}

Ref wrap_sheets(std::vector<engine::Shared<engine::Sheet>> found) {
  return readable_sheet_class().wrap_all(std::move(found));
}

// The shape of every member: bind, receiver, shared borrow, convert (in `search`, which
// also runs the engine under the book's read lock), then the Python result after the
// lock is released.
template <const Signature& sig, class Search>
PyObject* finder_member(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames, Search&& search) {
  return call([&] {
    const Arguments a(sig, args, nargs, kwnames);
    auto& finder = finder_class().receiver(self);
    SharedBorrow borrow(finder.borrow);
    return search(a, finder.payload);
  });
}

constexpr Signature kGetSheetIndex{"get_sheet_index", "Finder", {"idx"}, 1};
PyObject* get_sheet_index(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return finder_member<kGetSheetIndex>(
      self, args, nargs, kwnames, [](const Arguments& a, const BookHandle& book) {
        const int32_t idx = a.get<int32_t>(0);
        return wrap_sheet(engine::sheet_at(*book.read(), idx));
      });
}

constexpr Signature kWithoutNames{"get_sheets_without_names", "Finder", {"name_list"}, 1};
PyObject* get_sheets_without_names(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
  return finder_member<kWithoutNames>(
      self, args, nargs, kwnames, [](const Arguments& a, const BookHandle& book) {
        const auto names = a.get<std::vector<std::string>>(0);
        return wrap_sheets(engine::sheets_without_names(book.read()->sheets, names));
      });
}

constexpr Signature kWithNames{"get_sheets_with_names", "Finder", {"name_list"}, 1};
PyObject* get_sheets_with_names(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames) {
  return finder_member<kWithNames>(
      self, args, nargs, kwnames, [](const Arguments& a, const BookHandle& book) {
        const auto names = a.get<std::vector<std::string>>(0);
        return wrap_sheets(engine::sheets_with_names(book.read()->sheets, names));
      });
}

constexpr Signature kByName{"find_sheet_by_name", "Finder", {"name"}, 1};
PyObject* find_sheet_by_name(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
  return finder_member<kByName>(
      self, args, nargs, kwnames, [](const Arguments& a, const BookHandle& book) {
        const std::string name = a.get<std::string>(0);
        return wrap_sheet(engine::find_sheet_by_name(book.read()->sheets, name));
      });
}

constexpr Signature kByRegex{"find_sheet_by_regex", "Finder", {"pattern"}, 1};
PyObject* find_sheet_by_regex(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
  return finder_member<kByRegex>(
      self, args, nargs, kwnames, [](const Arguments& a, const BookHandle& book) {
        const std::string pattern = a.get<std::string>(0);
        return wrap_sheet(engine::find_sheet_by_regex(book.read()->sheets, pattern));
      });
}

PyObject* get_sheets(PyObject* self, void*) {
  return read_record(
      finder_class(), self, [](const engine::Book& book) { return book.sheets; },
      [](std::vector<engine::Shared<engine::Sheet>> sheets) {
        return wrap_sheets(std::move(sheets));
      });
}

constexpr Signature kNew{"__new__", "Finder", {"sheets"}, 1};
PyObject* construct(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) {
  return call([&] {
    const Arguments a(kNew, args, kwargs);
    const ListArg sheets = a.get<ListArg>(0);
    return finder_class().create(subtype, finder_book(sheets_from_list(sheets.list)));
  });
}

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& finder = finder_class().receiver(self);
    ReprBorrow borrow(finder.borrow);
    const size_t count = finder.payload.read()->sheets.size();
    return to_python(qualified_type_name(self) + ", sheets: " + std::to_string(count));
  });
}

PyMethodDef methods[] = {
    method<kGetSheetIndex>(get_sheet_index),
    method<kWithoutNames>(get_sheets_without_names),
    method<kWithNames>(get_sheets_with_names),
    method<kByName>(find_sheet_by_name),
    method<kByRegex>(find_sheet_by_regex),
    {},
};

PyGetSetDef attributes[] = {
    attribute("sheets", get_sheets),
    {},
};

}  // namespace

FinderClass& finder_class() {
  static FinderClass c({.name = "sheafwork.readable.Finder",
                        .doc = kSignatureDoc<kNew>.c_str(),
                        .constructor = construct,
                        .repr = repr,
                        .methods = methods,
                        .getset = attributes});
  return c;
}

}  // namespace binding
