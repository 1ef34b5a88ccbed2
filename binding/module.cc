#define PY_SSIZE_T_CLEAN
#include <Python.h>

static PyModuleDef kModule = {PyModuleDef_HEAD_INIT, "_sheafwork", "", 0, nullptr};

PyMODINIT_FUNC PyInit__sheafwork() {
  PyObject* m = PyModule_Create(&kModule);
  if (!m) return nullptr;
  if (PyModule_AddStringConstant(m, "__version__", "0.10.0") < 0) {
    Py_DECREF(m);
    return nullptr;
  }
  return m;
}
