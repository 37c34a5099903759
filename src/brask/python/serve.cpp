#include "brask/python/serve.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include <fmt/format.h>

#include "brask/core/log.h"
#include "brask/python/args.h"
#include "brask/server/server.h"

namespace {

constexpr std::uint16_t kDefaultPort = 3000;
constexpr std::string_view kStartLines =
    "Starting Brask server (port {})...\nPress Ctrl+C to stop\n\n";
// How often the serving thread takes the interpreter lock back to look for Ctrl+C.
constexpr auto kSignalPoll = std::chrono::milliseconds(100);

// Whatever Python has buffered goes out before the native side writes to the same descriptor.
void flush_python_stdout() {
  PyObject* out = PySys_GetObject("stdout");  // borrowed
  if (out == nullptr || out == Py_None) return;
  PyObject* done = PyObject_CallMethod(out, "flush", nullptr);
  if (done == nullptr) {
    PyErr_Clear();
  } else {
    Py_DECREF(done);
  }
}

}  // namespace

PyObject* brask_py_serve(PyObject*, PyObject* args, PyObject* kwargs) {
  static const char* keywords[] = {"port", nullptr};
  PyObject* port_arg = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:serve", const_cast<char**>(keywords),
                                   &port_arg)) {
    return nullptr;
  }
  std::uint16_t port = kDefaultPort;
  if (port_arg != nullptr && !brask::python::parse_u16_arg(port_arg, "port", port)) {
    return nullptr;
  }

  brask::core::install_stdout_output();
  flush_python_stdout();
  const auto lines = fmt::format(fmt::runtime(kStartLines), port);
  std::fwrite(lines.data(), 1, lines.size(), stdout);
  std::fflush(stdout);

  std::unique_ptr<brask::server::RunningServer> server;
  std::string failure;
  Py_BEGIN_ALLOW_THREADS try {
    auto started = brask::server::RunningServer::start(port);
    if (started) {
      server = std::move(*started);
    } else {
      failure = started.error();
    }
  } catch (const std::exception& e) {
    failure = e.what();  // e.g. no thread could be created for the runtime
  }
  Py_END_ALLOW_THREADS if (!server) {
    PyErr_SetString(PyExc_RuntimeError, failure.c_str());
    return nullptr;
  }

  // Serve with the lock released; take it back briefly to let Python run its signal handlers.
  for (;;) {
    Py_BEGIN_ALLOW_THREADS std::this_thread::sleep_for(kSignalPoll);
    Py_END_ALLOW_THREADS if (PyErr_CheckSignals() < 0) break;
  }
  Py_BEGIN_ALLOW_THREADS server.reset();  // stops accepting, closes the listener, ends the runtime
  Py_END_ALLOW_THREADS return nullptr;    // the exception raised by the signal handler
                                          // (KeyboardInterrupt) propagates
}
