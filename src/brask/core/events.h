#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "brask/core/time.h"

namespace brask::core {

// What one tool call returned.
struct ToolResult {
  std::string content;
  bool is_error = false;
  std::uint64_t duration_ms = 0;
  std::uint64_t token_count = 0;
  bool operator==(const ToolResult&) const = default;
};

// The content of a message between agents.
struct TextContent {
  std::string text;
  bool operator==(const TextContent&) const = default;
};
struct ToolCallContent {
  std::string name;
  nlohmann::json args;
  bool operator==(const ToolCallContent&) const = default;
};
struct TaskContent {
  std::string description;
  bool operator==(const TaskContent&) const = default;
};
// A free-form payload; only an object or null has a JSON form.
struct StructuredContent {
  nlohmann::json value;
  bool operator==(const StructuredContent&) const = default;
};
using MessageContent = std::variant<TextContent, ToolCallContent, TaskContent, StructuredContent>;

// What an adapter's run returns when the agent has finished.
struct AgentOutcome {
  std::string summary;
  std::optional<std::string> output;
  bool success = false;
  bool operator==(const AgentOutcome&) const = default;
};

// The seventeen kinds of agent event, in declaration order. Every one ends with `timestamp`.
namespace event {
struct Started {
  std::string agent_id;
  std::string task;
  Timestamp timestamp;
  bool operator==(const Started&) const = default;
};
struct Completed {
  std::string agent_id;
  std::string summary;
  Timestamp timestamp;
  bool operator==(const Completed&) const = default;
};
struct Failed {
  std::string agent_id;
  std::string error;
  Timestamp timestamp;
  bool operator==(const Failed&) const = default;
};
struct Forked {
  std::string parent_id;
  std::string child_id;
  std::string task;
  Timestamp timestamp;
  bool operator==(const Forked&) const = default;
};
struct ThinkingStart {
  std::string agent_id;
  Timestamp timestamp;
  bool operator==(const ThinkingStart&) const = default;
};
struct ThinkingDelta {
  std::string agent_id;
  std::string text;
  Timestamp timestamp;
  bool operator==(const ThinkingDelta&) const = default;
};
struct ThinkingEnd {
  std::string agent_id;
  Timestamp timestamp;
  bool operator==(const ThinkingEnd&) const = default;
};
struct ToolCallStart {
  std::string agent_id;
  std::string tool;
  nlohmann::json args;
  Timestamp timestamp;
  bool operator==(const ToolCallStart&) const = default;
};
struct ToolCallEnd {
  std::string agent_id;
  std::string tool;
  ToolResult result;
  Timestamp timestamp;
  bool operator==(const ToolCallEnd&) const = default;
};
struct ToolCallCached {
  std::string agent_id;
  std::string tool;
  Timestamp timestamp;
  bool operator==(const ToolCallCached&) const = default;
};
struct MessageSent {
  std::string from;
  std::vector<std::string> to;
  MessageContent content;
  Timestamp timestamp;
  bool operator==(const MessageSent&) const = default;
};
struct MessageReceived {
  std::string from;
  std::string to;
  MessageContent content;
  Timestamp timestamp;
  bool operator==(const MessageReceived&) const = default;
};
struct TokenUsage {
  std::string agent_id;
  std::uint64_t input = 0;
  std::uint64_t output = 0;
  std::uint64_t cache_read = 0;
  std::uint64_t cache_write = 0;
  std::string model;
  Timestamp timestamp;
  bool operator==(const TokenUsage&) const = default;
};
struct ContextPressure {
  std::string agent_id;
  double current_ratio = 0.0;
  double trend = 0.0;
  Timestamp timestamp;
  bool operator==(const ContextPressure&) const = default;
};
struct StateTransition {
  std::string agent_id;
  std::string from;
  std::string to;
  std::string condition;
  Timestamp timestamp;
  bool operator==(const StateTransition&) const = default;
};
struct OutputDelta {
  std::string agent_id;
  std::string text;
  Timestamp timestamp;
  bool operator==(const OutputDelta&) const = default;
};
struct OutputComplete {
  std::string agent_id;
  std::string content;
  Timestamp timestamp;
  bool operator==(const OutputComplete&) const = default;
};
}  // namespace event

// The kind of an event, in the variants' declaration order.
enum class EventKind : std::uint8_t {
  Started,
  Completed,
  Failed,
  Forked,
  ThinkingStart,
  ThinkingDelta,
  ThinkingEnd,
  ToolCallStart,
  ToolCallEnd,
  ToolCallCached,
  MessageSent,
  MessageReceived,
  TokenUsage,
  ContextPressure,
  StateTransition,
  OutputDelta,
  OutputComplete,
};

// The JSON tag of a kind ("tool_call_end").
std::string_view event_tag(EventKind kind);

// One thing an agent did. A plain value: copying is a deep copy; events are never changed after
// they are made, so fan-out may share them behind `SharedEvent`.
class AgentEvent {
 public:
  using Payload = std::variant<
      event::Started, event::Completed, event::Failed, event::Forked, event::ThinkingStart,
      event::ThinkingDelta, event::ThinkingEnd, event::ToolCallStart, event::ToolCallEnd,
      event::ToolCallCached, event::MessageSent, event::MessageReceived, event::TokenUsage,
      event::ContextPressure, event::StateTransition, event::OutputDelta, event::OutputComplete>;

  template <typename T>
  requires std::is_constructible_v<Payload, T&&> AgentEvent(T&& payload)
      : payload_(std::forward<T>(payload)) {}  // NOLINT: implicit by design

  const Payload& payload() const { return payload_; }
  EventKind kind() const { return static_cast<EventKind>(payload_.index()); }
  std::string_view tag() const { return event_tag(kind()); }
  Timestamp timestamp() const;
  // The agent id of the variants that carry one.
  const std::string* agent_id() const;

  template <typename T>
  const T* get_if() const {
    return std::get_if<T>(&payload_);
  }

  bool operator==(const AgentEvent&) const = default;

 private:
  Payload payload_;
};

using SharedEvent = std::shared_ptr<const AgentEvent>;

}  // namespace brask::core
