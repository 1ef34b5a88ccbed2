#include "binding/comment.h"

#include <string>
#include <utility>

namespace binding {
namespace {

CommentClass::Object& receive(PyObject* self) { return comment_class().receiver(self); }

PyObject* read_comment(PyObject* self, auto&& read) {
  return read_record(comment_class(), self, read, [](auto&& result) {
    if constexpr (std::is_same_v<std::decay_t<decltype(result)>, engine::Coordinate>) {
      return tuple_of(result.row, result.column);
    } else {
      return to_python(result);
    }
  });
}

PyObject* get_author(PyObject* self, void*) {
  return read_comment(self, [](const engine::Comment& c) { return c.author; });
}

PyObject* get_text(PyObject* self, void*) {
  return read_comment(self, [](const engine::Comment& c) { return c.text; });
}

PyObject* get_coordinate(PyObject* self, void*) {
  return read_comment(self, [](const engine::Comment& c) { return c.coord; });
}

PyObject* get_row(PyObject* self, void*) {
  return read_comment(self, [](const engine::Comment& c) { return c.coord.row; });
}

PyObject* get_column(PyObject* self, void*) {
  return read_comment(self, [](const engine::Comment& c) { return c.coord.column; });
}

template <std::string engine::Comment::*field>
int set_field(PyObject* self, PyObject* value, void*) {
  return call_status([&] {
    refuse_deletion(value);
    std::string text = extract<std::string>(value, "val");
    auto& comment = receive(self);
    ExclusiveBorrow borrow(comment.borrow);
    (*comment.payload.write()).*field = std::move(text);
  });
}

PyGetSetDef attributes[] = {
    attribute("author", get_author, set_field<&engine::Comment::author>),
    attribute("text", get_text, set_field<&engine::Comment::text>),
    attribute("coordinate", get_coordinate),
    attribute("row", get_row),
    attribute("column", get_column),
    {},
};

}  // namespace

CommentClass& comment_class() {
  static CommentClass c({.name = "sheafwork.Comment", .getset = attributes});
  return c;
}

}  // namespace binding
