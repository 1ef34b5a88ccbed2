// Conversions between Python objects and the declared types of arguments and results.
//
// Arguments: extract<T>(object, label) converts one argument (or a setter's value). A
// TypeError from the conversion is raised again as "argument 'label': <text>" with the
// first exception's cause as its cause; every other exception (OverflowError,
// UnicodeEncodeError, ...) goes out unchanged. Failures throw PythonError.
//   T                         accepts
//   uint32_t, uint16_t,       anything with __index__ that fits a C long; out of range:
//   int32_t                   OverflowError "out of range integral type conversion attempted"
//   std::string               str and subclasses, strict UTF-8 (a copy)
//   std::string_view          the same, viewing the str's own UTF-8 (valid while the
//                             argument lives, that is for the whole call)
//   bool                      exactly bool, or numpy's bool_/bool through its truth slot
//   double                    float exactly, else whatever float() takes (__float__,
//                             __index__)
//   std::vector<U>            any sequence but str, each element as U (U one of the above)
//   std::optional<U>          nullptr (not given) or None give nullopt, else as U
//   ListArg                   list and subclasses (the list itself, borrowed)
//   Ref                       any object (a new reference)
// Class instances are extracted through Class<Payload>::extract (class.h).
//
// Results: to_python(x) makes a new object from a text, a number, a bool or an optional
// of those; none() gives None; make_list and tuple_of build containers.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "binding/frame/no_python.h"
#include "binding/frame/ref.h"

namespace binding {

// A `list` argument: the Python list itself.
struct ListArg {
  PyObject* list;  // borrowed
};

// The qualified name of the object's type, or "<failed to extract type name>".
std::string type_name(PyObject* object);

// The qualified name of the object's type, as the interpreter gives it at this moment
// (a subclass's own name); its failure is raised.
std::string qualified_type_name(PyObject* object);

// Raises TypeError "'T' object cannot be converted to 'target'", T the type of `object`.
[[noreturn]] void raise_cannot_convert(PyObject* object, const char* target);

// Replaces a pending TypeError by "argument 'label': ..." (see above); other exceptions
// are left as they are.
void relabel_pending_error(const char* label);

template <class T>
struct Converter;

template <>
struct Converter<uint32_t> {
  static uint32_t convert(PyObject* object);
};
template <>
struct Converter<uint16_t> {
  static uint16_t convert(PyObject* object);
};
template <>
struct Converter<int32_t> {
  static int32_t convert(PyObject* object);
};
template <>
struct Converter<std::string_view> {
  static std::string_view convert(PyObject* object);
};
template <>
struct Converter<std::string> {
  static std::string convert(PyObject* object) {
    return std::string(Converter<std::string_view>::convert(object));
  }
};
template <>
struct Converter<bool> {
  static bool convert(PyObject* object);
};
template <>
struct Converter<double> {
  static double convert(PyObject* object);
};
template <>
struct Converter<ListArg> {
  static ListArg convert(PyObject* object);
};
template <>
struct Converter<Ref> {
  static Ref convert(PyObject* object) { return Ref::borrow(object); }
};

template <class U>
struct Converter<std::optional<U>> {
  static std::optional<U> convert(PyObject* object) {
    if (object == nullptr || object == Py_None) return std::nullopt;
    return Converter<U>::convert(object);
  }
};

// Checks the sequence rule and gives an iterator over it.
Ref sequence_iterator(PyObject* object, Py_ssize_t& size_hint);

template <class U>
struct Converter<std::vector<U>> {
  static_assert(!std::is_same_v<U, std::string_view>, "elements die with the loop: copy them");
  static std::vector<U> convert(PyObject* object) {
    Py_ssize_t size_hint = 0;
    Ref iterator = sequence_iterator(object, size_hint);
    std::vector<U> out;
    out.reserve(static_cast<size_t>(size_hint));
    while (Ref item = Ref::steal(PyIter_Next(iterator.get()))) {
      out.push_back(Converter<U>::convert(item.get()));
    }
    if (PyErr_Occurred()) throw_python_error();
    return out;
  }
};

// Raises SystemError: a required parameter reached a conversion without a value, which
// means its Signature is wrong.
[[noreturn]] void raise_missing_value(const char* label);

template <class T>
inline constexpr bool kAcceptsAbsent = false;
template <class U>
inline constexpr bool kAcceptsAbsent<std::optional<U>> = true;

template <class T>
T extract(PyObject* object, const char* label) {
  assert_python_may_run();
  if constexpr (!kAcceptsAbsent<T>) {
    if (object == nullptr) raise_missing_value(label);
  }
  try {
    return Converter<T>::convert(object);
  } catch (const PythonError&) {
    relabel_pending_error(label);
    throw;
  }
}

// Results.
Ref none();
Ref to_python(bool value);
Ref to_python(double value);
Ref to_python(std::string_view text);
inline Ref to_python(const std::string& text) { return to_python(std::string_view(text)); }
inline Ref to_python(const char* text) { return to_python(std::string_view(text)); }
Ref to_python(char) = delete;  // a data type code is a text: pass std::string_view(&c, 1)

template <std::integral T>
  requires(!std::is_same_v<T, bool> && !std::is_same_v<T, char>)
Ref to_python(T value) {
  if constexpr (std::is_signed_v<T>) {
    return checked(PyLong_FromLongLong(static_cast<long long>(value)));
  } else {
    return checked(PyLong_FromUnsignedLongLong(static_cast<unsigned long long>(value)));
  }
}

template <class T>
Ref to_python(const std::optional<T>& value) {
  return value ? to_python(*value) : none();
}

// A new list of `count` items; `item(i)` returns the Ref for position i.
template <class Item>
Ref make_list(size_t count, Item&& item) {
  Ref list = checked(PyList_New(static_cast<Py_ssize_t>(count)));
  for (size_t i = 0; i < count; ++i) {
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item(i).release());
  }
  return list;
}

// A new tuple of the given values, each converted by to_python.
template <class... Values>
Ref tuple_of(const Values&... values) {
  Ref items[] = {to_python(values)...};
  Ref tuple = checked(PyTuple_New(sizeof...(Values)));
  for (size_t i = 0; i < sizeof...(Values); ++i) {
    PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), items[i].release());
  }
  return tuple;
}

}  // namespace binding
