// Entries of method and attribute tables. A method is a built-in whose docstring is its
// text signature followed by "\n--\n\n" (the interpreter shows it as
// __text_signature__), made from the method's Signature; getters and setters carry no
// docstring.
#pragma once

#include <string_view>

#include "binding/frame/ref.h"
#include "binding/python_free/signature.h"

namespace binding {

// Vectorcall with keywords: parameters are parsed with Arguments(sig, args, nargs, kwnames).
using FastFunction = PyObject* (*)(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);
// No arguments at all (the interpreter refuses any): `version`, `to_json`, `to_dict`.
using NoArgsFunction = PyObject* (*)(PyObject* self, PyObject* unused);
// A tuple and a dict: parsed with Arguments(sig, args, kwargs).
using TupleDictFunction = PyObject* (*)(PyObject* self, PyObject* args, PyObject* kwargs);

inline PyMethodDef method(const char* name, FastFunction f, const char* doc) {
  return {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f)),
          METH_FASTCALL | METH_KEYWORDS, doc};
}
inline PyMethodDef method(const char* name, NoArgsFunction f, const char* doc) {
  return {name, f, METH_NOARGS, doc};
}
inline PyMethodDef method(const char* name, TupleDictFunction f, const char* doc) {
  return {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f)),
          METH_VARARGS | METH_KEYWORDS, doc};
}

// The entry of the member that `Sig` describes: its name, and the docstring made from
// `Sig` with `Documentation` after the text signature.
template <const Signature& Sig, const std::string_view& Documentation = kNoDocumentation,
          class F>
PyMethodDef method(F f) {
  return method(Sig.name, f, kSignatureDoc<Sig, Documentation>.c_str());
}

// A read-only attribute, or a writable one when `set` is given.
inline PyGetSetDef attribute(const char* name, getter get, setter set = nullptr) {
  return {name, get, set, nullptr, nullptr};
}

// Refuses deletion of a writable attribute (a setter called with no value):
// AttributeError "can't delete attribute".
void refuse_deletion(PyObject* value);

}  // namespace binding
