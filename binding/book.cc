#include "binding/book.h"

#include <optional>
#include <utility>
#include <vector>

#include "binding/book_members.h"
#include "binding/sheet.h"
#include "engine/json/export.h"

namespace binding {

Ref book_sheets(const BookHandle& book) {
  std::vector<engine::Shared<engine::Sheet>> sheets = book.read()->sheets;
  return sheet_class().wrap_all(std::move(sheets));
}

namespace {

// The sheet just appended to `book`, as a Python object. When that object cannot be
// made, the sheet leaves the book again, so that the MemoryError leaves the book as it
// was (a second try would otherwise append a second sheet). Making it runs no Python
// code, so nothing else can have changed the book meanwhile.
Ref wrap_appended(const BookHandle& book, const engine::Shared<engine::Sheet>& sheet) {
  try {
    return sheet_class().wrap(sheet);
  } catch (...) {
    auto guard = book.write();
    auto& sheets = guard->sheets;
    for (auto it = sheets.end(); it != sheets.begin();) {
      if ((--it)->same_record(sheet)) {
        sheets.erase(it);
        break;
      }
    }
    throw;
  }
}

}  // namespace

Ref book_add_sheet(const BookHandle& book, std::string name, std::string sheet_state) {
  const engine::Shared<engine::Sheet> sheet =
      engine::add_sheet(*book.write(), std::move(name), std::move(sheet_state));
  return wrap_appended(book, sheet);
}

Ref book_copy_sheet(const BookHandle& book, engine::Shared<engine::Sheet> source) {
  const engine::Shared<engine::Sheet> copy = engine::copy_sheet(*book.write(), std::move(source));
  return wrap_appended(book, copy);
}

Ref book_get_sheet_index(const BookHandle& book, int32_t idx) {
  std::optional<engine::Shared<engine::Sheet>> found = engine::sheet_at(*book.read(), idx);
  return found ? sheet_class().wrap(std::move(*found)) : none();
}

Ref book_get_sheet_name(const BookHandle& book, std::string_view name) {
  std::optional<engine::Shared<engine::Sheet>> found = engine::sheet_named(*book.read(), name);
  return found ? sheet_class().wrap(std::move(*found)) : none();
}

namespace {

// The JSON text written straight into the str that is returned: the usual all-ASCII
// text then needs neither a copy nor a decode. Until text() hands it out, the str is a
// private block of bytes that the interpreter never sees.
class StrBuffer final : public engine::JsonBuffer {
 public:
  char* resize(size_t /*used*/, size_t capacity) override {
    if (capacity > max_size()) return nullptr;
    const auto length = static_cast<Py_ssize_t>(capacity);
    bool grown;
    if (!block_) {
      block_ = Ref::steal(PyUnicode_New(length, 127));
      grown = static_cast<bool>(block_);
    } else {
      // Keeps the bytes written; a large block is moved by remapping pages, not by
      // copying them. On failure the block stays as it was.
      PyObject* block = block_.release();
      grown = PyUnicode_Resize(&block, length) == 0;
      block_ = Ref::steal(block);
    }
    if (!grown) {
      // The writer reports the failure as its own; no Python exception may stay set.
      PyErr_Clear();
      return nullptr;
    }
    return static_cast<char*>(PyUnicode_DATA(block_.get()));
  }

  size_t max_size() const override {
    // The longest str of one byte per character that PyUnicode_New makes.
    return static_cast<size_t>(PY_SSIZE_T_MAX) - sizeof(PyASCIIObject) - 1;
  }

  // The written text as a str. Only after a successful export: the writer has written
  // at least the book's braces, so the block exists.
  Ref text(const engine::JsonText& written) {
    const auto* bytes = static_cast<const char*>(PyUnicode_DATA(block_.get()));
    const auto length = static_cast<Py_ssize_t>(written.size);
    if (!written.ascii) return checked(PyUnicode_DecodeUTF8(bytes, length, nullptr));
    PyObject* block = block_.release();
    const int status = PyUnicode_Resize(&block, length);
    Ref text = Ref::steal(block);
    check(status);
    return text;
  }

 private:
  Ref block_;  // a str of maximum character 127, refcount 1, as PyUnicode_Resize needs
};

}  // namespace

Ref book_to_json(const BookHandle& book) {
  StrBuffer buffer;
  const engine::JsonText written = or_raise(engine::to_json(*book.read(), buffer));
  return buffer.text(written);
}

Ref book_to_dict(const BookHandle& book) {
  Ref text = book_to_json(book);
  Ref json = checked(PyImport_ImportModule("json"));
  Ref loads = checked(PyObject_GetAttrString(json.get(), "loads"));
  return checked(PyObject_CallOneArg(loads.get(), text.get()));
}

namespace {

struct BookOwner {
  static constexpr char kClassName[] = "Book";
  static constexpr char kPrefix[] = "";
  static BookClass& cls() { return book_class(); }
  static const BookHandle& book(const BookHandle& payload) { return payload; }
};
using Members = BookMembers<BookOwner>;

constexpr Signature kNew{"__new__", "Book", {}, 0};
PyObject* construct(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) {
  return call([&] {
    Arguments a(kNew, args, kwargs);
    return book_class().create(subtype, BookHandle::make());
  });
}

PyObject* repr(PyObject* self) {
  return call([&] {
    auto& book = book_class().receiver(self);
    ReprBorrow borrow(book.borrow);
    const size_t count = book.payload.read()->sheets.size();
    return to_python("Book, sheets: " + std::to_string(count));
  });
}

PyMethodDef methods[] = {
    Members::add_sheet(),  Members::copy_sheet(), Members::get_sheet_index(),
    Members::get_sheet_name(), Members::to_json(), Members::to_dict(), {},
};

PyGetSetDef attributes[] = {Members::sheets(), {}};

}  // namespace

BookClass& book_class() {
  static BookClass c({.name = "sheafwork.Book",
                      .doc = kSignatureDoc<kNew>.c_str(),
                      .constructor = construct,
                      .repr = repr,
                      .methods = methods,
                      .getset = attributes});
  return c;
}

}  // namespace binding
