#include "brask/python/args.h"

#include <limits>

namespace brask::python {
namespace {

bool parse_unsigned(PyObject* value, const char* name, unsigned long long max,
                    unsigned long long& out) {
  // bool is an int subclass in Python; it is still accepted as one, like any int.
  if (!PyLong_Check(value)) {
    PyErr_Format(PyExc_TypeError, "argument '%s': expected int, got %s", name,
                 Py_TYPE(value)->tp_name);
    return false;
  }
  const unsigned long long read = PyLong_AsUnsignedLongLong(value);
  if (read == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    PyErr_Clear();
    PyErr_Format(PyExc_OverflowError, "argument '%s': int out of range (0 to %llu)", name, max);
    return false;
  }
  if (read > max) {
    PyErr_Format(PyExc_OverflowError, "argument '%s': int out of range (0 to %llu)", name, max);
    return false;
  }
  out = read;
  return true;
}

}  // namespace

bool parse_str_arg(PyObject* value, const char* name, std::string& out) {
  if (!PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "argument '%s': expected str, got %s", name,
                 Py_TYPE(value)->tp_name);
    return false;
  }
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(value, &size);
  if (text == nullptr) {
    // Lone surrogates cannot be UTF-8; say which argument held them.
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "argument '%s': str is not valid Unicode text", name);
    return false;
  }
  out.assign(text, static_cast<std::size_t>(size));
  return true;
}

bool parse_u32_arg(PyObject* value, const char* name, std::uint32_t& out) {
  unsigned long long read = 0;
  if (!parse_unsigned(value, name, std::numeric_limits<std::uint32_t>::max(), read)) return false;
  out = static_cast<std::uint32_t>(read);
  return true;
}

bool parse_u16_arg(PyObject* value, const char* name, std::uint16_t& out) {
  unsigned long long read = 0;
  if (!parse_unsigned(value, name, std::numeric_limits<std::uint16_t>::max(), read)) return false;
  out = static_cast<std::uint16_t>(read);
  return true;
}

}  // namespace brask::python
