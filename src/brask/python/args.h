#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <string>

namespace brask::python {

// Argument readers. Each returns false with a Python exception set: TypeError naming the
// argument for a value of the wrong type, OverflowError for an int out of range.
bool parse_str_arg(PyObject* value, const char* name, std::string& out);
bool parse_u32_arg(PyObject* value, const char* name, std::uint32_t& out);
bool parse_u16_arg(PyObject* value, const char* name, std::uint16_t& out);

}  // namespace brask::python
