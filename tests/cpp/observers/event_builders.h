#pragma once

#include <optional>
#include <string>
#include <vector>

#include "brask/core/events.h"
#include "brask/core/observation.h"

// Small event makers for the watcher tests; timestamps play no part in any watcher.
namespace brask::observers::test {

namespace ev = core::event;
using core::AgentEvent;

inline AgentEvent started() {
  return ev::Started{"a1", "task", {}};
}
inline AgentEvent completed() {
  return ev::Completed{"a1", "done", {}};
}
inline AgentEvent failed() {
  return ev::Failed{"a1", "boom", {}};
}
inline AgentEvent forked() {
  return ev::Forked{"a1", "a2", "sub", {}};
}
inline AgentEvent thinking_start() {
  return ev::ThinkingStart{"a1", {}};
}
inline AgentEvent cached(std::string tool = "read") {
  return ev::ToolCallCached{"a1", tool, {}};
}
inline AgentEvent tool_start(std::string tool, nlohmann::json args = nlohmann::json::object()) {
  return ev::ToolCallStart{"a1", std::move(tool), std::move(args), {}};
}
inline AgentEvent tool_end(std::string content, bool is_error = false,
                           std::uint64_t duration_ms = 0) {
  return ev::ToolCallEnd{
      "a1", "bash", core::ToolResult{std::move(content), is_error, duration_ms, 0}, {}};
}
inline AgentEvent usage(std::uint64_t input, std::uint64_t output, std::uint64_t cache_read,
                        std::uint64_t cache_write, std::string model = "m") {
  return ev::TokenUsage{"a1", input, output, cache_read, cache_write, std::move(model), {}};
}
inline AgentEvent output(std::string content) {
  return ev::OutputComplete{"a1", std::move(content), {}};
}
inline AgentEvent received(core::MessageContent content) {
  return ev::MessageReceived{"a2", "a1", std::move(content), {}};
}
inline AgentEvent received_text(std::string text) {
  return received(core::TextContent{std::move(text)});
}
inline AgentEvent sent(std::string from, std::size_t recipients) {
  std::vector<std::string> to;
  for (std::size_t i = 0; i < recipients; ++i) to.push_back("r" + std::to_string(i));
  return ev::MessageSent{std::move(from), std::move(to), core::TextContent{"hi"}, {}};
}

// A record as compact JSON text, or "none": the text shows counts (3) apart from numbers (3.0).
inline std::string text_of(const std::optional<core::Observation>& record) {
  return record ? record->to_json().dump() : "none";
}

}  // namespace brask::observers::test
