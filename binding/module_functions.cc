#include "binding/module_functions.h"

#include <string>
#include <string_view>

#include "binding/frame/frame.h"
#include "engine/model/letters.h"

namespace binding {
namespace {

constexpr Signature kVersionSignature{"version", nullptr, {}, 0};
constexpr std::string_view kVersionDocumentation =
    "Returns the version of the underlying lumenkit library.\n\n"
    "Returns\n-------\nversion : str\n  The version of the underlying lumenkit library.\n";

PyObject* version(PyObject*, PyObject*) {
  return call([] { return to_python(kVersion); });
}

constexpr Signature kColumnNumberToLetter{"column_number_to_letter", nullptr, {"col"}, 1};
constexpr std::string_view kColumnNumberToLetterDocumentation =
    "Преобразование номера колонки в букву.";

PyObject* column_number_to_letter(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
  return call([&] {
    Arguments a(kColumnNumberToLetter, args, nargs, kwnames);
    const uint16_t col = a.get<uint16_t>(0);
    return to_python(engine::column_number_to_letter(col));
  });
}

constexpr Signature kGetLetterCoordinate{"get_letter_coordinate", nullptr, {"row", "col"}, 2};
constexpr std::string_view kGetLetterCoordinateDocumentation =
    "Преобразование номера колонки в координату.";

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
    method<kVersionSignature, kVersionDocumentation>(version),
    method<kColumnNumberToLetter, kColumnNumberToLetterDocumentation>(column_number_to_letter),
    method<kGetLetterCoordinate, kGetLetterCoordinateDocumentation>(get_letter_coordinate),
};

}  // namespace

std::span<PyMethodDef> module_functions() { return functions; }

}  // namespace binding
