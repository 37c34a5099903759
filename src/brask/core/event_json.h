#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "brask/core/error.h"
#include "brask/core/events.h"

namespace brask::core {

// The stream form of an event: "type" first, the fields in declaration order, "timestamp" last.
// Fails only for a structured message content that is neither an object nor null.
Result<nlohmann::ordered_json> event_to_ordered_json(const AgentEvent& event);

// The event as compact JSON text in the stream form.
Result<std::string> event_to_json_text(const AgentEvent& event);

// The event as a value tree for embedding in larger documents (members sorted by key).
Result<nlohmann::json> event_to_json_value(const AgentEvent& event);

// The JSON form of a tool result: "content", "is_error", "duration_ms", "token_count".
nlohmann::ordered_json tool_result_to_json(const ToolResult& result);

// The JSON form of message content: "type" first. Text content is {"type": "text", "text": ...}.
Result<nlohmann::ordered_json> message_content_to_json(const MessageContent& content);

}  // namespace brask::core
