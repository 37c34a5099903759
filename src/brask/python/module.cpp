// The extension module `brask_sdk._native`; python/brask_sdk/__init__.py re-exports it.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace {

PyObject* get_version(PyObject*, PyObject*) {
  return PyUnicode_FromString(BRASK_VERSION);
}

PyMethodDef kMethods[] = {
    {"get_version", get_version, METH_NOARGS, "get_version()\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT,
                       "brask_sdk._native",
                       nullptr,
                       -1,
                       kMethods,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__native() {
  return PyModule_Create(&kModule);
}
