// Binds the values of one call to the parameters of its Signature and raises the
// parser's TypeErrors (count, unknown or doubled keyword, positional-only by keyword,
// missing arguments) before anything else is looked at. Values are borrowed from the
// call and stay valid while it runs.
#pragma once

#include <array>
#include <cstddef>

#include "binding/frame/convert.h"
#include "binding/frame/ref.h"
#include "binding/python_free/signature.h"

namespace binding {

class Arguments {
 public:
  // Vectorcall with keywords (METH_FASTCALL | METH_KEYWORDS).
  Arguments(const Signature& sig, PyObject* const* args, Py_ssize_t nargsf,
            PyObject* kwnames);
  // A tuple and a dict (METH_VARARGS | METH_KEYWORDS, and tp_new); `kwargs` may be null.
  Arguments(const Signature& sig, PyObject* args, PyObject* kwargs);

  // The value given for parameter i, or nullptr when it was not given (it has a default).
  PyObject* operator[](size_t i) const { return values_[i]; }
  bool given(size_t i) const { return values_[i] != nullptr; }

  // Parameter i converted as T (convert.h), a failure labelled with the parameter's name.
  template <class T>
  T get(size_t i) const {
    return extract<T>(values_[i], sig_.params[i].name);
  }

  // The keywords collected for a signature with `extra_keywords`: a dict, or null when
  // the call had none.
  const Ref& extra_keywords() const { return extra_; }

 private:
  void bind_positional(PyObject* const* values, size_t count);
  void bind_keyword(PyObject* name, PyObject* value);
  void finish() const;

  const Signature& sig_;
  std::array<PyObject*, Signature::kMaxParams> values_{};
  size_t positional_ = 0;
  // Positional-only parameters that were named, for the error raised after all keywords.
  std::array<bool, Signature::kMaxParams> named_positional_only_{};
  Ref extra_;
};

}  // namespace binding
