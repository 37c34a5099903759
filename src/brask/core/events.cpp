#include "brask/core/events.h"

#include <array>

namespace brask::core {
namespace {

constexpr std::array<std::string_view, 17> kEventTags = {
    "started",        "completed",        "failed",          "forked",           "thinking_start",
    "thinking_delta", "thinking_end",     "tool_call_start", "tool_call_end",    "tool_call_cached",
    "message_sent",   "message_received", "token_usage",     "context_pressure", "state_transition",
    "output_delta",   "output_complete",
};

}  // namespace

std::string_view event_tag(EventKind kind) {
  return kEventTags[static_cast<std::size_t>(kind)];
}

Timestamp AgentEvent::timestamp() const {
  return std::visit([](const auto& e) { return e.timestamp; }, payload_);
}

const std::string* AgentEvent::agent_id() const {
  return std::visit(
      [](const auto& e) -> const std::string* {
        if constexpr (requires { e.agent_id; }) {
          return &e.agent_id;
        } else {
          return nullptr;
        }
      },
      payload_);
}

}  // namespace brask::core
