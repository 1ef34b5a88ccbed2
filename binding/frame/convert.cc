#include "binding/frame/convert.h"

#include <limits>

#include "binding/frame/call.h"

namespace binding {
namespace {

constexpr const char* kOutOfRange = "out of range integral type conversion attempted";

long as_long(PyObject* object) {
  long value;
  if (PyLong_Check(object)) {
    value = PyLong_AsLong(object);
  } else {
    Ref index = checked(PyNumber_Index(object));
    value = PyLong_AsLong(index.get());
  }
  if (value == -1 && PyErr_Occurred()) throw_python_error();
  return value;
}

template <class T>
T as_integer(PyObject* object) {
  const long value = as_long(object);
  if (value < static_cast<long>(std::numeric_limits<T>::min()) ||
      value > static_cast<long>(std::numeric_limits<T>::max())) {
    raise_error(PyExc_OverflowError, kOutOfRange);
  }
  return static_cast<T>(value);
}

// numpy's boolean scalar types, recognised by name so that numpy need not be imported.
bool is_numpy_bool(PyTypeObject* type) {
  Ref module = Ref::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__module__"));
  if (!module || !PyUnicode_Check(module.get()) ||
      PyUnicode_CompareWithASCIIString(module.get(), "numpy") != 0) {
    PyErr_Clear();
    return false;
  }
  Ref name = Ref::steal(PyType_GetName(type));
  if (!name) {
    PyErr_Clear();
    return false;
  }
  return PyUnicode_CompareWithASCIIString(name.get(), "bool_") == 0 ||
         PyUnicode_CompareWithASCIIString(name.get(), "bool") == 0;
}

}  // namespace

std::string type_name(PyObject* object) {
  Ref name = Ref::steal(PyType_GetQualName(Py_TYPE(object)));
  const char* text = name ? PyUnicode_AsUTF8(name.get()) : nullptr;
  if (text == nullptr) {
    PyErr_Clear();
    return "<failed to extract type name>";
  }
  return text;
}

std::string qualified_type_name(PyObject* object) {
  Ref name = checked(PyType_GetQualName(Py_TYPE(object)));
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(name.get(), &size);
  if (text == nullptr) throw_python_error();
  return std::string(text, static_cast<size_t>(size));
}

void raise_cannot_convert(PyObject* object, const char* target) {
  raise_error(PyExc_TypeError,
              "'" + type_name(object) + "' object cannot be converted to '" + target + "'");
}

void raise_missing_value(const char* label) {
  raise_error(PyExc_SystemError, std::string("no value for parameter '") + label + "'");
}

void relabel_pending_error(const char* label) {
  PyObject* raised = PyErr_GetRaisedException();
  if (raised == nullptr) return;
  if (Py_TYPE(raised) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
    PyErr_SetRaisedException(raised);
    return;
  }
  Ref first = Ref::steal(raised);
  Ref text = Ref::steal(PyObject_Str(first.get()));
  if (!text) {
    PyErr_Clear();
    text = Ref::steal(PyUnicode_FromString("<unprintable TypeError object>"));
    if (!text) return;
  }
  Ref cause = Ref::steal(PyException_GetCause(first.get()));
  PyErr_Format(PyExc_TypeError, "argument '%s': %U", label, text.get());
  PyObject* second = PyErr_GetRaisedException();
  if (second == nullptr) return;
  PyException_SetCause(second, cause.release());
  PyErr_SetRaisedException(second);
}

uint32_t Converter<uint32_t>::convert(PyObject* object) { return as_integer<uint32_t>(object); }
uint16_t Converter<uint16_t>::convert(PyObject* object) { return as_integer<uint16_t>(object); }
int32_t Converter<int32_t>::convert(PyObject* object) { return as_integer<int32_t>(object); }

std::string_view Converter<std::string_view>::convert(PyObject* object) {
  if (!PyUnicode_Check(object)) raise_cannot_convert(object, "PyString");
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) throw_python_error();
  return std::string_view(data, static_cast<size_t>(size));
}

bool Converter<bool>::convert(PyObject* object) {
  if (PyBool_Check(object)) return object == Py_True;
  PyTypeObject* type = Py_TYPE(object);
  if (!is_numpy_bool(type)) raise_cannot_convert(object, "PyBool");
  if (type->tp_as_number == nullptr || type->tp_as_number->nb_bool == nullptr) {
    raise_error(PyExc_TypeError, "object of type '" + type_name(object) +
                                     "' does not define a '__bool__' conversion");
  }
  const int truth = type->tp_as_number->nb_bool(object);
  if (truth < 0) throw_python_error();
  return truth != 0;
}

double Converter<double>::convert(PyObject* object) {
  if (PyFloat_CheckExact(object)) return PyFloat_AS_DOUBLE(object);
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) throw_python_error();
  return value;
}

ListArg Converter<ListArg>::convert(PyObject* object) {
  if (!PyList_Check(object)) raise_cannot_convert(object, "PyList");
  return ListArg{object};
}

Ref sequence_iterator(PyObject* object, Py_ssize_t& size_hint) {
  if (PyUnicode_Check(object)) raise_error(PyExc_TypeError, "Can't extract `str` to `Vec`");
  if (!PySequence_Check(object)) raise_cannot_convert(object, "Sequence");
  // Only the stored sizes of lists and tuples count the items they hold: a __len__ may
  // say anything, and reserving what it says can exhaust memory.
  size_hint = PyList_Check(object)    ? PyList_GET_SIZE(object)
              : PyTuple_Check(object) ? PyTuple_GET_SIZE(object)
                                      : 0;
  return checked(PyObject_GetIter(object));
}

Ref none() { return Ref::borrow(Py_None); }

Ref to_python(bool value) { return Ref::borrow(value ? Py_True : Py_False); }

Ref to_python(double value) { return checked(PyFloat_FromDouble(value)); }

Ref to_python(std::string_view text) {
  return checked(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

}  // namespace binding
