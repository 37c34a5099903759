#pragma once

#include <memory>
#include <string_view>

#include <spdlog/logger.h>
#include <spdlog/sinks/dist_sink.h>

namespace brask::core {

// Log targets: one named logger each.
inline constexpr std::string_view kLogServer = "brask_server";
inline constexpr std::string_view kLogSessionManager = "brask_server::session::manager";
inline constexpr std::string_view kLogFactory = "brask_harness::factory";

// The logger of a target. Loggers write to the process-wide output, which is empty (log events go
// nowhere) until `install_stdout_output` or a test adds a sink.
std::shared_ptr<spdlog::logger> logger(std::string_view target);

// Installs formatted lines on standard output, flushed line by line. Returns false and keeps the
// existing output when one is installed already.
bool install_stdout_output();

// The process-wide output that every logger writes to; tests add a capturing sink here.
std::shared_ptr<spdlog::sinks::dist_sink_mt> log_output();

}  // namespace brask::core
