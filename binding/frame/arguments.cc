#include "binding/frame/arguments.h"

#include <string_view>
#include <vector>

#include "binding/frame/call.h"
#include "binding/frame/no_python.h"

namespace binding {
namespace {

// The keyword's text, or no text when it is not a str that UTF-8 can hold (such a name
// matches no parameter).
bool keyword_text(PyObject* name, std::string_view& out) {
  if (!PyUnicode_Check(name)) return false;
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(name, &size);
  if (data == nullptr) {
    PyErr_Clear();
    return false;
  }
  out = std::string_view(data, static_cast<size_t>(size));
  return true;
}

}  // namespace

Arguments::Arguments(const Signature& sig, PyObject* const* args, Py_ssize_t nargsf,
                     PyObject* kwnames)
    : sig_(sig) {
  assert_python_may_run();
  const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
  bind_positional(args, static_cast<size_t>(nargs));
  if (kwnames != nullptr) {
    const Py_ssize_t n = PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t i = 0; i < n; ++i) {
      bind_keyword(PyTuple_GET_ITEM(kwnames, i), args[nargs + i]);
    }
  }
  finish();
}

Arguments::Arguments(const Signature& sig, PyObject* args, PyObject* kwargs) : sig_(sig) {
  assert_python_may_run();
  bind_positional(&PyTuple_GET_ITEM(args, 0), static_cast<size_t>(PyTuple_GET_SIZE(args)));
  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject* name = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(kwargs, &pos, &name, &value)) bind_keyword(name, value);
  }
  finish();
}

void Arguments::bind_positional(PyObject* const* values, size_t count) {
  if (count > sig_.count()) {
    raise_error(PyExc_TypeError, too_many_positional_text(sig_, count));
  }
  for (size_t i = 0; i < count; ++i) values_[i] = values[i];
  positional_ = count;
}

void Arguments::bind_keyword(PyObject* name, PyObject* value) {
  std::string_view text;
  const int index = keyword_text(name, text) ? sig_.find(text) : -1;
  if (index >= 0) {
    const size_t i = static_cast<size_t>(index);
    if (i >= sig_.positional_only) {
      if (values_[i] != nullptr) raise_error(PyExc_TypeError, multiple_values_text(sig_, text));
      values_[i] = value;
      return;
    }
    if (!sig_.extra_keywords) {
      named_positional_only_[i] = true;
      return;
    }
    // With **kwargs, a positional-only name is just another extra keyword.
  }
  if (!sig_.extra_keywords) {
    if (index < 0 && !text.data()) {
      // Not representable as UTF-8: let the interpreter spell the name.
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'",
                   sig_.full_name().c_str(), name);
      throw_python_error();
    }
    raise_error(PyExc_TypeError, unexpected_keyword_text(sig_, text));
  }
  if (!extra_) extra_ = checked(PyDict_New());
  check(PyDict_SetItem(extra_.get(), name, value));
}

void Arguments::finish() const {
  std::vector<std::string_view> names;
  for (size_t i = 0; i < sig_.positional_only; ++i) {
    if (named_positional_only_[i]) names.emplace_back(sig_.params[i].name);
  }
  if (!names.empty()) {
    raise_error(PyExc_TypeError, positional_only_as_keyword_text(sig_, names));
  }
  if (positional_ >= sig_.required) return;
  for (size_t i = positional_; i < sig_.required; ++i) {
    if (values_[i] == nullptr) names.emplace_back(sig_.params[i].name);
  }
  if (!names.empty()) raise_error(PyExc_TypeError, missing_required_text(sig_, names));
}

}  // namespace binding
