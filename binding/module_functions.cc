#include "binding/module_functions.h"

#include <string>

#include "binding/frame/frame.h"
#include "engine/model/letters.h"

namespace binding {
namespace {

PyObject* version(PyObject*, PyObject*) {
  return call([] { return to_python(kVersion); });
}

constexpr Signature kColumnNumberToLetter{"column_number_to_letter", nullptr, {"col"}, 1};

PyObject* column_number_to_letter(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
  return call([&] {
    Arguments a(kColumnNumberToLetter, args, nargs, kwnames);
    const uint16_t col = a.get<uint16_t>(0);
    return to_python(engine::column_number_to_letter(col));
  });
}

constexpr Signature kGetLetterCoordinate{"get_letter_coordinate", nullptr, {"row", "col"}, 2};

PyObject* get_letter_coordinate(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames) {
  return call([&] {
    Arguments a(kGetLetterCoordinate, args, nargs, kwnames);
    const uint32_t row = a.get<uint32_t>(0);
    const uint16_t col = a.get<uint16_t>(1);
    return to_python(engine::letter_coordinate(row, col));
  });
}

PyMethodDef functions[] = {
    method("version", version,
           "version()\n--\n\n"
           "Returns the version of the underlying lumenkit library.\n\n"
           "Returns\n-------\nversion : str\n  The version of the underlying lumenkit library.\n"),
    method("column_number_to_letter", column_number_to_letter,
           "column_number_to_letter(col)\n--\n\n"
           "Преобразование номера колонки в букву."),
    method("get_letter_coordinate", get_letter_coordinate,
           "get_letter_coordinate(row, col)\n--\n\n"
           "Преобразование номера колонки в координату."),
};

}  // namespace

std::span<PyMethodDef> module_functions() { return functions; }

}  // namespace binding
