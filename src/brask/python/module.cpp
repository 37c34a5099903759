// The extension module `brask_sdk._native`; python/brask_sdk/__init__.py re-exports it.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <structmember.h>

#include <string>
#include <utility>

#include "brask/python/args.h"
#include "brask/python/runs.h"
#include "brask/python/serve.h"

namespace {

using brask::python::RunCounts;

template <typename F>
PyCFunction as_cfunction(F function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

constexpr std::uint32_t kDefaultTurns = 4;
constexpr const char* kDefaultPreset = "solo";

// ---------------------------------------------------------------------------------------------
// HarnessRunResult: five read-only attributes.

struct HarnessRunResultObject {
  PyObject_HEAD PyObject* agent_id;
  PyObject* success;
  PyObject* observation_count;
  PyObject* detection_count;
  PyObject* intervention_count;
};

void result_dealloc(PyObject* self) {
  auto* result = reinterpret_cast<HarnessRunResultObject*>(self);
  Py_XDECREF(result->agent_id);
  Py_XDECREF(result->success);
  Py_XDECREF(result->observation_count);
  Py_XDECREF(result->detection_count);
  Py_XDECREF(result->intervention_count);
  Py_TYPE(self)->tp_free(self);
}

// The attributes in the order `to_dict` writes them.
constexpr std::pair<const char*, PyObject * HarnessRunResultObject::*> kResultFields[] = {
    {"agent_id", &HarnessRunResultObject::agent_id},
    {"success", &HarnessRunResultObject::success},
    {"observation_count", &HarnessRunResultObject::observation_count},
    {"detection_count", &HarnessRunResultObject::detection_count},
    {"intervention_count", &HarnessRunResultObject::intervention_count},
};

PyObject* result_to_dict(PyObject* self, PyObject*) {
  auto* result = reinterpret_cast<HarnessRunResultObject*>(self);
  PyObject* dict = PyDict_New();
  if (dict == nullptr) return nullptr;
  for (const auto& [key, field] : kResultFields) {
    if (PyDict_SetItemString(dict, key, result->*field) < 0) {
      Py_DECREF(dict);
      return nullptr;
    }
  }
  return dict;
}

PyObject* result_repr(PyObject* self) {
  auto* result = reinterpret_cast<HarnessRunResultObject*>(self);
  return PyUnicode_FromFormat("HarnessRunResult(agent_id='%U', success=%s, obs=%S, det=%S, int=%S)",
                              result->agent_id, result->success == Py_True ? "true" : "false",
                              result->observation_count, result->detection_count,
                              result->intervention_count);
}

PyMemberDef kResultMembers[] = {
    {"agent_id", T_OBJECT_EX, offsetof(HarnessRunResultObject, agent_id), READONLY, nullptr},
    {"success", T_OBJECT_EX, offsetof(HarnessRunResultObject, success), READONLY, nullptr},
    {"observation_count", T_OBJECT_EX, offsetof(HarnessRunResultObject, observation_count),
     READONLY, nullptr},
    {"detection_count", T_OBJECT_EX, offsetof(HarnessRunResultObject, detection_count), READONLY,
     nullptr},
    {"intervention_count", T_OBJECT_EX, offsetof(HarnessRunResultObject, intervention_count),
     READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyMethodDef kResultMethods[] = {
    {"to_dict", result_to_dict, METH_NOARGS, "to_dict($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyTypeObject HarnessRunResultType = [] {
  PyTypeObject type{};
  Py_SET_REFCNT(&type.ob_base.ob_base, 1);  // what PyVarObject_HEAD_INIT does
  type.tp_name = "brask_sdk.HarnessRunResult";
  type.tp_basicsize = sizeof(HarnessRunResultObject);
  type.tp_dealloc = result_dealloc;
  type.tp_repr = result_repr;
  type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION;
  type.tp_members = kResultMembers;
  type.tp_methods = kResultMethods;
  return type;
}();

PyObject* make_result(const RunCounts& counts) {
  auto* result = PyObject_New(HarnessRunResultObject, &HarnessRunResultType);
  if (result == nullptr) return nullptr;
  result->agent_id = PyUnicode_FromStringAndSize(counts.agent_id.data(),
                                                 static_cast<Py_ssize_t>(counts.agent_id.size()));
  result->success = PyBool_FromLong(counts.success ? 1 : 0);
  result->observation_count = PyLong_FromUnsignedLongLong(counts.observation_count);
  result->detection_count = PyLong_FromUnsignedLongLong(counts.detection_count);
  result->intervention_count = PyLong_FromUnsignedLongLong(counts.intervention_count);
  if (result->agent_id == nullptr || result->observation_count == nullptr ||
      result->detection_count == nullptr || result->intervention_count == nullptr) {
    Py_DECREF(result);
    return nullptr;
  }
  return reinterpret_cast<PyObject*>(result);
}

// Runs without the interpreter lock: the native run touches no Python object.
PyObject* run_and_wrap(const std::string& task, const std::string& preset, std::uint32_t turns,
                       bool dry_run) {
  PyThreadState* saved = PyEval_SaveThread();
  auto outcome = brask::python::run_mock_harness(task, preset, turns, dry_run);
  PyEval_RestoreThread(saved);
  if (!outcome) {
    PyErr_SetString(PyExc_RuntimeError, outcome.error().message().c_str());
    return nullptr;
  }
  return make_result(*outcome);
}

// Reads (task, preset='solo', turns=4) as quick_run and run_with take them.
bool parse_run_args(PyObject* args, PyObject* kwargs, const char* format, std::string& task,
                    std::string& preset, std::uint32_t& turns) {
  static const char* keywords[] = {"task", "preset", "turns", nullptr};
  PyObject* task_obj = nullptr;
  PyObject* preset_obj = nullptr;
  PyObject* turns_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char**>(keywords), &task_obj,
                                   &preset_obj, &turns_obj)) {
    return false;
  }
  preset = kDefaultPreset;
  turns = kDefaultTurns;
  if (!brask::python::parse_str_arg(task_obj, "task", task)) return false;
  if (preset_obj != nullptr && !brask::python::parse_str_arg(preset_obj, "preset", preset)) {
    return false;
  }
  if (turns_obj != nullptr && !brask::python::parse_u32_arg(turns_obj, "turns", turns)) {
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// PyHarness: holds the preset text exactly as given.

struct PyHarnessObject {
  PyObject_HEAD PyObject* preset;  // a str
};

void harness_dealloc(PyObject* self) {
  Py_XDECREF(reinterpret_cast<PyHarnessObject*>(self)->preset);
  Py_TYPE(self)->tp_free(self);
}

PyObject* harness_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"preset", nullptr};
  PyObject* preset_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:PyHarness", const_cast<char**>(keywords),
                                   &preset_obj)) {
    return nullptr;
  }
  std::string preset = kDefaultPreset;
  if (preset_obj != nullptr && !brask::python::parse_str_arg(preset_obj, "preset", preset)) {
    return nullptr;
  }
  auto* self = reinterpret_cast<PyHarnessObject*>(type->tp_alloc(type, 0));
  if (self == nullptr) return nullptr;
  if (preset_obj != nullptr) {
    Py_INCREF(preset_obj);
    self->preset = preset_obj;
  } else {
    self->preset = PyUnicode_FromString(kDefaultPreset);
    if (self->preset == nullptr) {
      Py_DECREF(self);
      return nullptr;
    }
  }
  return reinterpret_cast<PyObject*>(self);
}

PyObject* harness_repr(PyObject* self) {
  return PyUnicode_FromFormat("PyHarness(preset='%U')",
                              reinterpret_cast<PyHarnessObject*>(self)->preset);
}

PyObject* harness_run_preset(PyObject* self, PyObject* args, PyObject* kwargs, const char* format,
                             bool dry_run) {
  static const char* keywords[] = {"task", nullptr};
  PyObject* task_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char**>(keywords), &task_obj)) {
    return nullptr;
  }
  std::string task;
  std::string preset;
  if (!brask::python::parse_str_arg(task_obj, "task", task) ||
      !brask::python::parse_str_arg(reinterpret_cast<PyHarnessObject*>(self)->preset, "preset",
                                    preset)) {
    return nullptr;
  }
  return run_and_wrap(task, preset, kDefaultTurns, dry_run);
}

PyObject* harness_run(PyObject* self, PyObject* args, PyObject* kwargs) {
  return harness_run_preset(self, args, kwargs, "O:run", false);
}

PyObject* harness_dry_run(PyObject* self, PyObject* args, PyObject* kwargs) {
  return harness_run_preset(self, args, kwargs, "O:dry_run", true);
}

PyObject* harness_run_with(PyObject*, PyObject* args, PyObject* kwargs) {
  std::string task;
  std::string preset;
  std::uint32_t turns = 0;
  if (!parse_run_args(args, kwargs, "O|OO:run_with", task, preset, turns)) return nullptr;
  return run_and_wrap(task, preset, turns, false);
}

PyMethodDef kHarnessMethods[] = {
    {"run", as_cfunction(harness_run), METH_VARARGS | METH_KEYWORDS, "run($self, task)\n--\n\n"},
    {"dry_run", as_cfunction(harness_dry_run), METH_VARARGS | METH_KEYWORDS,
     "dry_run($self, task)\n--\n\n"},
    {"run_with", as_cfunction(harness_run_with), METH_VARARGS | METH_KEYWORDS,
     "run_with($self, task, preset='solo', turns=4)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyTypeObject PyHarnessType = [] {
  PyTypeObject type{};
  Py_SET_REFCNT(&type.ob_base.ob_base, 1);  // what PyVarObject_HEAD_INIT does
  type.tp_name = "brask_sdk.PyHarness";
  type.tp_basicsize = sizeof(PyHarnessObject);
  type.tp_dealloc = harness_dealloc;
  type.tp_repr = harness_repr;
  type.tp_flags = Py_TPFLAGS_DEFAULT;
  type.tp_doc = "PyHarness(preset='solo')\n--\n\n";
  type.tp_methods = kHarnessMethods;
  type.tp_new = harness_new;
  return type;
}();

// ---------------------------------------------------------------------------------------------
// Module functions.

PyObject* list_of(const std::vector<std::string_view>& names) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(names.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PyObject* item =
        PyUnicode_FromStringAndSize(names[i].data(), static_cast<Py_ssize_t>(names[i].size()));
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
  }
  return list;
}

PyObject* get_version(PyObject*, PyObject*) {
  return PyUnicode_FromString(BRASK_VERSION);
}
PyObject* list_presets(PyObject*, PyObject*) {
  return list_of(brask::python::preset_names());
}
PyObject* list_detectors(PyObject*, PyObject*) {
  return list_of(brask::python::detector_names());
}
PyObject* list_observers(PyObject*, PyObject*) {
  return list_of(brask::python::observer_names());
}
PyObject* list_strategies(PyObject*, PyObject*) {
  return list_of(brask::python::strategy_names());
}

PyObject* create_harness(PyObject*, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"preset", nullptr};
  PyObject* preset_obj = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:create_harness", const_cast<char**>(keywords),
                                   &preset_obj)) {
    return nullptr;
  }
  PyObject* ctor_args = preset_obj != nullptr ? PyTuple_Pack(1, preset_obj) : PyTuple_New(0);
  if (ctor_args == nullptr) return nullptr;
  PyObject* harness =
      PyObject_Call(reinterpret_cast<PyObject*>(&PyHarnessType), ctor_args, nullptr);
  Py_DECREF(ctor_args);
  return harness;
}

PyObject* quick_run(PyObject*, PyObject* args, PyObject* kwargs) {
  std::string task;
  std::string preset;
  std::uint32_t turns = 0;
  if (!parse_run_args(args, kwargs, "O|OO:quick_run", task, preset, turns)) return nullptr;
  return run_and_wrap(task, preset, turns, false);
}

PyMethodDef kMethods[] = {
    {"get_version", get_version, METH_NOARGS, "get_version()\n--\n\n"},
    {"list_presets", list_presets, METH_NOARGS, "list_presets()\n--\n\n"},
    {"list_detectors", list_detectors, METH_NOARGS, "list_detectors()\n--\n\n"},
    {"list_observers", list_observers, METH_NOARGS, "list_observers()\n--\n\n"},
    {"list_strategies", list_strategies, METH_NOARGS, "list_strategies()\n--\n\n"},
    {"create_harness", as_cfunction(create_harness), METH_VARARGS | METH_KEYWORDS,
     "create_harness(preset='solo')\n--\n\n"},
    {"quick_run", as_cfunction(quick_run), METH_VARARGS | METH_KEYWORDS,
     "quick_run(task, preset='solo', turns=4)\n--\n\n"},
    {"serve", as_cfunction(brask_py_serve), METH_VARARGS | METH_KEYWORDS,
     "serve(port=3000)\n--\n\nStart the Brask dashboard server.\nTries port 3000, then 3001, "
     "3002... until it finds a free one."},
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
  if (PyType_Ready(&HarnessRunResultType) < 0 || PyType_Ready(&PyHarnessType) < 0) return nullptr;
  PyObject* module = PyModule_Create(&kModule);
  if (module == nullptr) return nullptr;
  if (PyModule_AddObjectRef(module, "PyHarness", reinterpret_cast<PyObject*>(&PyHarnessType)) < 0 ||
      PyModule_AddObjectRef(module, "HarnessRunResult",
                            reinterpret_cast<PyObject*>(&HarnessRunResultType)) < 0) {
    Py_DECREF(module);
    return nullptr;
  }
  return module;
}
