#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

// serve(port=3000): starts the dashboard server and blocks until Ctrl+C (KeyboardInterrupt) or a
// start-up failure (RuntimeError). The interpreter lock is released while serving.
PyObject* brask_py_serve(PyObject* self, PyObject* args, PyObject* kwargs);
