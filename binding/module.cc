// The entry point. The module is built once per process; every later call of the entry
// (a second import after removal from sys.modules, a reload) returns that same object.
// Only the first interpreter that imports it may use it.

#include <atomic>
#include <cstdint>

#include "binding/book.h"
#include "binding/cell.h"
#include "binding/comment.h"
#include "binding/frame/frame.h"
#include "binding/module_functions.h"
#include "binding/readable/finder.h"
#include "binding/readable/readable_cell.h"
#include "binding/readable/readable_sheet.h"
#include "binding/readable/search_functions.h"
#include "binding/sheet.h"
#include "binding/service.h"

namespace binding {
namespace {

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "_sheafwork",  // m_name
    "",            // m_doc
    0,             // m_size: no per-module state
    nullptr,       // m_methods: the body adds every function
    nullptr, nullptr, nullptr, nullptr,
};

std::atomic<int64_t> first_interpreter{-1};
PyObject* built = nullptr;  // kept for the life of the process

// The order of these steps is the order of the attributes and of __all__.
void fill(PyObject* module) {
  add_name(module, "__version__", to_python(kVersion));

  // Classes of the main module, in this order: Service, Book, Sheet, Cell, Comment.
  add_class(module, service_class().type());
  add_class(module, book_class().type());
  add_class(module, sheet_class().type());
  add_class(module, cell_class().type());
  add_class(module, comment_class().type());

  for (PyMethodDef& def : module_functions()) add_function(module, &def);

  add_name(module, "DEFAULT_ROW_HEIGHT", to_python(engine::kDefaultRowHeight));
  add_name(module, "DEFAULT_COLUMN_WIDTH", to_python(engine::kDefaultColumnWidth));

  Ref readable = checked(PyModule_New("readable"));
  // The submodule's classes, then its functions (create_finder first).
  add_class(readable.get(), finder_class().type());
  add_class(readable.get(), readable_sheet_class().type());
  add_class(readable.get(), readable_cell_class().type());
  for (PyMethodDef& def : readable_functions()) add_function(readable.get(), &def);
  add_name(module, "readable", readable);

  Ref sys = checked(PyImport_ImportModule("sys"));
  Ref modules = checked(PyObject_GetAttrString(sys.get(), "modules"));
  check(PyMapping_SetItemString(modules.get(), "sheafwork.readable", readable.get()));

  // Reachable as sheafwork.PanicException, yet not one of the names in __all__.
  check(PyObject_SetAttrString(module, "PanicException", panic_exception_type()));
}

Ref start() {
  const int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (id == -1) throw_python_error();
  int64_t expected = -1;
  if (!first_interpreter.compare_exchange_strong(expected, id) && expected != id) {
    raise_error(PyExc_ImportError,
                "sheafwork._sheafwork does not support sub-interpreters: it can only be "
                "imported by the interpreter that imported it first");
  }
  if (built != nullptr) return Ref::borrow(built);
  Ref module = checked(PyModule_Create(&definition));
  fill(module.get());
  watch_interpreter_ending();
  built = Ref(module).release();
  return module;
}

}  // namespace
}  // namespace binding

PyMODINIT_FUNC PyInit__sheafwork() { return binding::call(binding::start); }
