#include "brask/core/log.h"

#include <map>
#include <mutex>
#include <string>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/stdout_sinks.h>

namespace brask::core {
namespace {

struct LogState {
  std::mutex mutex;
  std::shared_ptr<spdlog::sinks::dist_sink_mt> output =
      std::make_shared<spdlog::sinks::dist_sink_mt>();
  std::map<std::string, std::shared_ptr<spdlog::logger>, std::less<>> loggers;
  bool stdout_installed = false;
};

LogState& state() {
  static auto* instance = new LogState();  // never destroyed: loggers may log during exit
  return *instance;
}

}  // namespace

std::shared_ptr<spdlog::logger> logger(std::string_view target) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  auto found = s.loggers.find(target);
  if (found != s.loggers.end()) return found->second;
  auto made = std::make_shared<spdlog::logger>(std::string(target), s.output);
  made->set_level(spdlog::level::info);
  made->flush_on(spdlog::level::trace);
  s.loggers.emplace(std::string(target), made);
  return made;
}

bool install_stdout_output() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.stdout_installed) return false;
  auto sink = std::make_shared<spdlog::sinks::stdout_sink_mt>();
  sink->set_formatter(std::make_unique<spdlog::pattern_formatter>(
      "%Y-%m-%dT%H:%M:%S.%fZ %5!l %n: %v", spdlog::pattern_time_type::utc));
  s.output->add_sink(sink);
  s.stdout_installed = true;
  return true;
}

std::shared_ptr<spdlog::sinks::dist_sink_mt> log_output() {
  return state().output;
}

}  // namespace brask::core
