#include "brask/core/error.h"

#include <fmt/format.h>

namespace brask::core {

std::string BraskError::message() const {
  switch (kind_) {
    case Kind::ContextWindowExceeded: {
      const auto& window = std::get<ContextWindow>(payload_);
      return fmt::format("Context window exceeded: {} > {}", window.used, window.limit);
    }
    case Kind::RateLimited:
      return fmt::format("Rate limited, retry after {}s", std::get<std::uint64_t>(payload_));
    default:
      break;
  }
  const auto& text = std::get<std::string>(payload_);
  switch (kind_) {
    case Kind::Llm:
      return fmt::format("LLM API error: {}", text);
    case Kind::ToolExecution:
      return fmt::format("Tool execution error: {}", text);
    case Kind::SessionNotFound:
      return fmt::format("Session not found: {}", text);
    case Kind::Configuration:
      return fmt::format("Configuration error: {}", text);
    case Kind::Internal:
      return fmt::format("Internal error: {}", text);
    case Kind::Plugin:
      return fmt::format("Plugin error: {}", text);
    case Kind::Checkpoint:
      return fmt::format("Checkpoint error: {}", text);
    case Kind::Audit:
      return fmt::format("Audit error: {}", text);
    case Kind::InterventionFailed:
      return fmt::format("Intervention failed: {}", text);
    case Kind::CircuitBroken:
      return fmt::format("Circuit broken: {}", text);
    case Kind::ContextWindowExceeded:
    case Kind::RateLimited:
      break;
  }
  return text;
}

}  // namespace brask::core
